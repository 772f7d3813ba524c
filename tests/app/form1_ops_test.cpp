// The operations on results through the main window: the replace, overwrite and restore
// commands and their enabled states through the mode changes, and the narrowing commands.
#include <gtest/gtest.h>

#include <functional>

#include "app/form1_fixture.h"
#include "platform/file_system.h"

namespace skarvo {
namespace {

using testing::Form1Test;
using C = CommandId;

class Form1OpsTest : public Form1Test {
 protected:
  std::unique_ptr<TForm1> SearchedForm(const std::string& text) {
    data_.File("a.txt", "x one\nx two\n");
    data_.File("b.txt", "no\r\nx\r\n");
    auto form = MakeForm();
    port_.folderAnswers.push_back(data_.Root());
    form->Execute(C::kFolderSelect);
    form->ComboBox1.SetText(text);
    form->Execute(C::kToolSearch);
    return form;
  }
  static bool On(const TForm1& form, std::initializer_list<CommandId> ids) {
    bool all = true;
    for (CommandId id : ids) all = all && form.State(id).enabled;
    return all;
  }
  static bool Off(const TForm1& form, std::initializer_list<CommandId> ids) {
    for (CommandId id : ids)
      if (form.State(id).enabled) return false;
    return true;
  }
};

const std::initializer_list<CommandId> kOverwrite = {C::kOverwriteSave, C::kToolOverwriteSave};
const std::initializer_list<CommandId> kRestore = {C::kUndo, C::kToolUndo};

TEST_F(Form1OpsTest, ReplaceOverwriteAndRestoreFollowTheModes) {
  auto form = SearchedForm("x");
  const std::string a = data_.Path("a.txt");
  const std::string b = data_.Path("b.txt");
  ASSERT_EQ(form->CheckListBox3.Count(), 5);
  EXPECT_TRUE(Off(*form, kOverwrite) && Off(*form, kRestore));

  port_.inputAnswers.push_back("y");
  form->Execute(C::kReplace);
  EXPECT_TRUE(On(*form, kOverwrite) && On(*form, kRestore));
  // The join tab takes the pending replace back and switches both off.
  form->PageControl1Change(1);
  EXPECT_TRUE(Off(*form, kOverwrite) && Off(*form, kRestore));
  EXPECT_FALSE(form->Search().replacePending);
  form->PageControl1Change(0);
  EXPECT_TRUE(Off(*form, kOverwrite) && Off(*form, kRestore));

  port_.inputAnswers.push_back("y");
  form->Execute(C::kToolReplace);
  port_.askAnswers.push_back(Answer::kYesToAll);
  form->Execute(C::kToolOverwriteSave);
  EXPECT_EQ(ReadWholeFile(a), "y one\r\ny two\r\n");
  EXPECT_EQ(ReadWholeFile(b), "no\r\ny\r\n");
  EXPECT_EQ(ReadWholeFile(Home() + "/Temp" + a), "x one\nx two\n");
  EXPECT_TRUE(Off(*form, kOverwrite) && On(*form, kRestore));

  port_.confirmAnswers.push_back(true);
  form->Execute(C::kToolUndo);
  EXPECT_EQ(ReadWholeFile(a), "x one\nx two\n");
  EXPECT_EQ(ReadWholeFile(b), "no\r\nx\r\n");
  EXPECT_TRUE(Off(*form, kOverwrite) && Off(*form, kRestore));

  // The backups go with the rest of the temp folder when the window closes.
  form->FormClose(680, 480);
  EXPECT_FALSE(FolderExists(Home() + "/Temp"));
}

// The restore is offered only while there is something it would take back: a new search
// replaces the undo list with its rows, so what an earlier operation kept is gone.
TEST_F(Form1OpsTest, ASearchLeavesNothingToRestore) {
  const struct {
    const char* name;
    std::function<void(TForm1&, FakeUiPort&)> operation;
  } rows[] = {
      {"narrowing", [](TForm1& form, FakeUiPort&) { form.Execute(C::kNarrow); }},
      {"replace",
       [](TForm1& form, FakeUiPort& port) {
         port.inputAnswers.push_back("y");
         form.Execute(C::kReplace);
       }},
      {"overwrite",
       [](TForm1& form, FakeUiPort& port) {
         port.inputAnswers.push_back("y");
         form.Execute(C::kReplace);
         port.askAnswers.push_back(Answer::kYesToAll);
         form.Execute(C::kOverwriteSave);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto form = SearchedForm("x");
    EXPECT_TRUE(Off(*form, kRestore));
    row.operation(*form, port_);
    ASSERT_TRUE(On(*form, kRestore));
    form->ComboBox1.SetText("one");  // found also after the overwrite
    form->Execute(C::kToolSearch);
    ASSERT_GT(form->CheckListBox3.Count(), 0);
    EXPECT_TRUE(Off(*form, kRestore));
    form.reset();
    data_.File("a.txt", "x one\nx two\n");
    data_.File("b.txt", "no\r\nx\r\n");
  }
}

TEST_F(Form1OpsTest, NarrowAndJoinNarrowsThenShowsTheJoinMode) {
  auto form = SearchedForm("one");
  form->CheckListBox3.SetItemIndex(0);
  form->ResultListMenuPopup();
  form->Execute(C::kResultNarrowJoin);
  EXPECT_EQ(form->ModeNumber(), 1);
  EXPECT_EQ(form->ActivePage(), kPageJoin);
  EXPECT_EQ(form->TargetCount(), 1);  // a.txt; b.txt stays, unchecked
  EXPECT_TRUE(Off(*form, kRestore));  // as every mode change does
}

}  // namespace
}  // namespace skarvo
