// The operations on results through the main window: the replace, overwrite and restore
// commands and their enabled states through the mode changes, and the narrowing commands.
#include <gtest/gtest.h>

#include <functional>

#include "app/main_window_core_fixture.h"
#include "platform/file_system.h"

namespace skarvo {
namespace {

using testing::MainWindowCoreTest;
using C = CommandId;

class MainWindowCoreOpsTest : public MainWindowCoreTest {
 protected:
  std::unique_ptr<MainWindowCore> SearchedForm(const std::string& text) {
    data_.File("a.txt", "x one\nx two\n");
    data_.File("b.txt", "no\r\nx\r\n");
    auto form = MakeForm();
    port_.folderAnswers.push_back(data_.Root());
    form->Execute(C::kFolderSelect);
    form->searchHistory.SetText(text);
    form->Execute(C::kToolSearch);
    form->WaitForSearch();
    return form;
  }
  static bool On(const MainWindowCore& form, std::initializer_list<CommandId> ids) {
    bool all = true;
    for (CommandId id : ids) all = all && form.State(id).enabled;
    return all;
  }
  static bool Off(const MainWindowCore& form, std::initializer_list<CommandId> ids) {
    for (CommandId id : ids)
      if (form.State(id).enabled) return false;
    return true;
  }
};

const std::initializer_list<CommandId> kOverwrite = {C::kOverwriteSave, C::kToolOverwriteSave};
const std::initializer_list<CommandId> kRestore = {C::kUndo, C::kToolUndo};

TEST_F(MainWindowCoreOpsTest, ReplaceOverwriteAndRestoreFollowTheModes) {
  auto form = SearchedForm("x");
  const std::string a = data_.Path("a.txt");
  const std::string b = data_.Path("b.txt");
  ASSERT_EQ(form->resultList.Count(), 5);
  EXPECT_TRUE(Off(*form, kOverwrite) && Off(*form, kRestore));

  port_.inputAnswers.push_back("y");
  form->Execute(C::kReplace);
  EXPECT_TRUE(On(*form, kOverwrite) && On(*form, kRestore));
  // The join tab takes the pending replace back and switches both off.
  form->OnTabChange(1);
  EXPECT_TRUE(Off(*form, kOverwrite) && Off(*form, kRestore));
  EXPECT_FALSE(form->Search().replacePending);
  form->OnTabChange(0);
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
TEST_F(MainWindowCoreOpsTest, ASearchLeavesNothingToRestore) {
  const struct {
    const char* name;
    std::function<void(MainWindowCore&, FakeUiPort&)> operation;
  } rows[] = {
      {"narrowing", [](MainWindowCore& form, FakeUiPort&) { form.Execute(C::kNarrow); }},
      {"replace",
       [](MainWindowCore& form, FakeUiPort& port) {
         port.inputAnswers.push_back("y");
         form.Execute(C::kReplace);
       }},
      {"overwrite",
       [](MainWindowCore& form, FakeUiPort& port) {
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
    form->searchHistory.SetText("one");  // found also after the overwrite
    form->Execute(C::kToolSearch);
    form->WaitForSearch();
    ASSERT_GT(form->resultList.Count(), 0);
    EXPECT_TRUE(Off(*form, kRestore));
    form.reset();
    data_.File("a.txt", "x one\nx two\n");
    data_.File("b.txt", "no\r\nx\r\n");
  }
}

TEST_F(MainWindowCoreOpsTest, NarrowAndJoinNarrowsThenShowsTheJoinMode) {
  auto form = SearchedForm("one");
  form->resultList.SetItemIndex(0);
  form->ResultListMenuPopup();
  form->Execute(C::kResultNarrowJoin);
  EXPECT_EQ(form->ModeNumber(), 1);
  EXPECT_EQ(form->ActivePage(), kPageJoin);
  EXPECT_EQ(form->TargetCount(), 1);  // a.txt; b.txt stays, unchecked
  EXPECT_TRUE(Off(*form, kRestore));  // as every mode change does
}

}  // namespace
}  // namespace skarvo
