#include "app/main_window_core.h"

#include <gtest/gtest.h>

#include "app/main_window_core_fixture.h"
#include "platform/codepage.h"
#include "settings/settings_file.h"
#include "support/fake_ui_port.h"

namespace skarvo {
namespace {

using testing::MainWindowCoreTest;

TEST_F(MainWindowCoreTest, StartsWithTheDefaultsWithoutASettingsFile) {
  auto formPtr = MakeForm();
  MainWindowCore& form = *formPtr;
  EXPECT_EQ(form.Caption(), "Skarvo");
  EXPECT_EQ(form.HomeFolder(), Home());
  EXPECT_EQ(form.Width(), 680);
  EXPECT_EQ(form.Height(), 480);
  EXPECT_EQ(form.ModeNumber(), 0);
  EXPECT_EQ(form.TargetCount(), 0);
  EXPECT_EQ(form.CurrentSettings().extensionList, ".txt");
  EXPECT_TRUE(form.CurrentSettings().searchSubfolders);
  EXPECT_EQ(form.folderHistory.Items(), (std::vector<std::string>{Sjis("新規フォルダ")}));
  EXPECT_EQ(form.folderHistory.Text(), Sjis("新規フォルダ"));
  EXPECT_TRUE(form.searchHistory.Items().empty());
  EXPECT_EQ(form.statusTimer.Interval(), 5000);
  EXPECT_FALSE(form.statusTimer.Enabled());
  EXPECT_EQ(form.dragScrollTimer.Interval(), 150);
  EXPECT_FALSE(form.dragScrollTimer.Enabled());
  EXPECT_EQ(form.folderPicker.Caption(), Sjis("フォルダの選択"));
  EXPECT_EQ(form.folderPicker.DefaultButton(), TDefaultButton::btCancel);
  EXPECT_EQ(form.folderPicker.Position(), TDialogPosition::dpOwnerCenter);
  EXPECT_EQ(form.folderPicker.DialogSize(), TDialogSize::dsDefault);
  EXPECT_EQ(form.folderPicker.Root(), TRootFolder::rfDesktop);
  EXPECT_EQ(form.folderPicker.FocusedControl(), TFocusedControl::fcTreeView);
  for (CommandId id : {CommandId::kFolderSelect, CommandId::kFolderAdd, CommandId::kExit,
                       CommandId::kToolFolderSelect, CommandId::kToolFolderAdd}) {
    SCOPED_TRACE(Command(id).caption);
    EXPECT_TRUE(form.State(id).enabled);
    EXPECT_TRUE(form.State(id).visible);
  }
  EXPECT_FALSE(form.State(CommandId::kTargetCheckOnFolder).enabled);
  // Nothing was written by starting.
  EXPECT_FALSE(FileExists(Home() + "/Skarvo.ini"));
}

TEST_F(MainWindowCoreTest, ChoosingAFolderShowsItsFilesAndTheNoticeClearsAfterFiveSeconds) {
  data_.File("first/a.txt");
  data_.File("first/b.txt");
  data_.File("second/c.txt");
  data_.File("second/notes.md");
  auto formPtr = MakeForm();
  MainWindowCore& form = *formPtr;
  port_.folderAnswers.push_back(data_.Root());
  form.Execute(CommandId::kToolFolderSelect);

  std::vector<CheckListRow> expected{
      {Sjis(("\"" + data_.Root() + "/first\",【該当File数】,2").c_str()), true, false},
      {data_.Path("first/a.txt"), false, true},
      {data_.Path("first/b.txt"), false, true},
      {Sjis(("\"" + data_.Root() + "/second\",【該当File数】,1").c_str()), true, false},
      {data_.Path("second/c.txt"), false, true}};
  EXPECT_EQ(form.targetList.Rows(), expected);
  EXPECT_EQ(form.TargetCount(), 3);
  EXPECT_EQ(form.StatusText(), Sjis("3個のファイルが対象です"));
  ASSERT_TRUE(form.statusTimer.Enabled());
  EXPECT_EQ(form.statusTimer.Advance(4999), 0);
  EXPECT_EQ(form.StatusText(), Sjis("3個のファイルが対象です"));
  EXPECT_EQ(form.statusTimer.Advance(1), 1);
  EXPECT_EQ(form.StatusText(), "");
  EXPECT_FALSE(form.statusTimer.Enabled());
  EXPECT_EQ(form.statusTimer.Advance(20000), 0);  // once only
}

TEST_F(MainWindowCoreTest, TheMenuCommandsAddAndReplaceAndExitAsksToClose) {
  data_.File("a.txt");
  auto formPtr = MakeForm();
  MainWindowCore& form = *formPtr;
  port_.folderAnswers.push_back(data_.Root());
  form.Execute(CommandId::kFolderSelect);
  port_.folderAnswers.push_back(data_.Root());
  form.Execute(CommandId::kFolderAdd);
  EXPECT_EQ(form.targetList.Count(), 4);
  EXPECT_EQ(port_.folderRequests.back().title, Sjis("フォルダの追加"));
  port_.folderAnswers.push_back(data_.Root());
  form.Execute(CommandId::kToolFolderAdd);
  EXPECT_EQ(form.TargetCount(), 3);
  port_.folderAnswers.push_back(data_.Root());
  form.Execute(CommandId::kFolderSelect);
  EXPECT_EQ(form.targetList.Count(), 2);
  EXPECT_FALSE(form.CloseRequested());
  form.Execute(CommandId::kExit);
  EXPECT_TRUE(form.CloseRequested());
}

TEST_F(MainWindowCoreTest, FolderCheckCommandsFollowTheSelectedRow) {
  data_.File("a.txt");
  data_.File("b.txt");
  auto formPtr = MakeForm();
  MainWindowCore& form = *formPtr;
  port_.folderAnswers.push_back(data_.Root());
  form.Execute(CommandId::kFolderSelect);
  form.OnTargetSelect(1);
  EXPECT_FALSE(form.State(CommandId::kTargetCheckOffFolder).enabled);
  form.Execute(CommandId::kTargetCheckOffFolder);  // disabled: nothing
  EXPECT_TRUE(form.targetList.Checked(1));
  form.OnTargetSelect(0);
  EXPECT_TRUE(form.State(CommandId::kTargetCheckOffFolder).enabled);
  form.Execute(CommandId::kTargetCheckOffFolder);
  EXPECT_FALSE(form.targetList.Checked(1));
  EXPECT_FALSE(form.targetList.Checked(2));
  EXPECT_EQ(form.TargetCount(), 2);
  form.OnTargetCheckClick(2);
  EXPECT_EQ(form.TargetCount(), 1);
  form.Execute(CommandId::kTargetAllOn);
  EXPECT_EQ(form.targetList.CheckedCount(), 2);
}

TEST_F(MainWindowCoreTest, StoredSizeAndHistoriesAreLoadedAndWrittenBackAtClose) {
  data_.Folder("kept");
  WriteSettings(
      "[Main]\nウインドウの幅=800\nウインドウの高さ=600\n検索文字=\"abc\",\"def\",\n"
      "フォルダ=\"" +
      data_.Root() + "/kept\",\"" + data_.Root() + "/gone\",\n[拡張子]\nCSVファイル=1\n");
  {
    auto formPtr = MakeForm();
    MainWindowCore& form = *formPtr;
    EXPECT_EQ(form.Width(), 800);
    EXPECT_EQ(form.Height(), 600);
    EXPECT_EQ(form.CurrentSettings().extensionList, ".txt,.csv");
    EXPECT_EQ(form.searchHistory.Items(), (std::vector<std::string>{"abc", "def"}));
    EXPECT_EQ(form.folderHistory.Items(),
              (std::vector<std::string>{Sjis("新規フォルダ"), data_.Root() + "/kept"}));
    form.OnFolderBoxEdit(data_.Path("kept"));
    form.OnFolderBoxEnter();
    form.FormClose(700, 500);
  }
  SettingsFile file(Home() + "/Skarvo.ini");
  EXPECT_EQ(file.ReadInteger(Sjis("Main"), Sjis("ウインドウの幅"), 0), 700);
  EXPECT_EQ(file.ReadInteger(Sjis("Main"), Sjis("ウインドウの高さ"), 0), 500);
  EXPECT_EQ(file.ReadText(Sjis("Main"), Sjis("フォルダ")),
            "\"" + data_.Root() + "/kept\",\"" + Sjis("新規フォルダ") + "\",");
  EXPECT_EQ(file.ReadText(Sjis("Main"), Sjis("検索文字")), "\"abc\",\"def\",");
}

TEST_F(MainWindowCoreTest, RefusedTypingIsANoticeThatClears) {
  auto formPtr = MakeForm();
  MainWindowCore& form = *formPtr;
  form.RefuseTypedText();
  EXPECT_EQ(form.StatusText(), Sjis("Shift-JISで表せない文字は使えません"));
  EXPECT_EQ(form.statusTimer.Advance(5000), 1);
  EXPECT_EQ(form.StatusText(), "");
}

TEST_F(MainWindowCoreTest, AHomeFolderWithoutCp932NameIsRefused) {
  home_.Folder("bad\xff");
  ASSERT_EQ(::chdir(home_.Native("bad\xff").c_str()), 0);
  EXPECT_THROW(MakeForm(), EHomeFolder);
}

}  // namespace
}  // namespace skarvo
