// The dialogs bound to the main window's commands, and what reaches the settings file
// when the window closes.
#include <gtest/gtest.h>

#include "app/main_window_core_fixture.h"
#include "dialogs/history_pruning_dialog.h"
#include "dialogs/settings_dialog.h"
#include "settings/settings_file.h"

namespace skarvo {
namespace {

using testing::MainWindowCoreTest;

TEST_F(MainWindowCoreTest, PruningAllSearchEntriesKeepsTheStoredKeyAndDropsFolders) {
  data_.Folder("kept");
  data_.Folder("dropped");
  const std::string kept = data_.Path("kept");
  const std::string dropped = data_.Path("dropped");
  WriteSettings("[Main]\n検索文字=\"old one\",two\nフォルダ=" + kept + "," + dropped + "\n");
  auto form = MakeForm();
  ASSERT_EQ(form->searchHistory.Count(), 2);
  ASSERT_EQ(form->folderHistory.Count(), 3);  // "新規フォルダ" first
  HistoryPruningDialogCore dialog(form->searchHistory, form->folderHistory);
  form->Dialogs().showHistoryPruning = [&] {
    dialog.Show();
    dialog.AllOff(TPruneList::kSearch);
    dialog.ClickCheck(TPruneList::kFolder, 2);
    dialog.OkClick();
  };
  form->Execute(CommandId::kPruneHistory);
  EXPECT_TRUE(form->searchHistory.Items().empty());
  EXPECT_EQ(form->folderHistory.Items(), (std::vector<std::string>{Sjis("新規フォルダ"), kept}));

  form->FormClose(700, 500);
  SettingsFile file(SettingsFilePath(Home()));
  // An empty search history writes nothing: the stored key stays.
  EXPECT_EQ(file.ReadText(SettingKey::kSearchHistory), "\"old one\",two");
  const std::string folders = file.ReadText(SettingKey::kFolderHistory);
  EXPECT_NE(folders.find(kept), std::string::npos);
  EXPECT_EQ(folders.find(dropped), std::string::npos);
}

TEST_F(MainWindowCoreTest, SettingsCommandStoresAndEmptiesTheTargetList) {
  data_.File("a.txt");
  data_.File("b.htm");
  auto form = MakeForm();
  port_.folderAnswers.push_back(data_.Root());
  form->Execute(CommandId::kFolderSelect);
  ASSERT_EQ(form->targetList.Count(), 2);
  SettingsDialogCore dialog(SettingsDialogParts{
      form->MutableSettings(), form->targetList, SettingsFilePath(Home()), port_,
      [&] { form->OnStatusTimer(); }, [&](const std::string& text) { form->ShowNotice(text); }});
  form->Dialogs().showSettings = [&] {
    dialog.Show();
    dialog.Click(SettingsControl::kCategoryHtml);
    port_.confirmAnswers.push_back(true);
    dialog.OnUpdate();
  };
  form->Execute(CommandId::kSettings);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_TRUE(form->targetList.Empty());
  EXPECT_EQ(form->StatusText(), "");
  // The next folder build takes the new category.
  port_.folderAnswers.push_back(data_.Root());
  form->Execute(CommandId::kFolderSelect);
  EXPECT_EQ(form->targetList.Count(), 3);
}

TEST_F(MainWindowCoreTest, SearchBoxFocusFolderHistoryRuleAndHelp) {
  data_.Folder("data");
  auto form = MakeForm();
  EXPECT_EQ(form->FocusTarget(), TFocusTarget::kSearchBox);
  const uint64_t requests = form->FocusRequestCount();
  form->OnTabChange(kPageTargets);
  EXPECT_EQ(form->FocusTarget(), TFocusTarget::kTargetList);
  form->Execute(CommandId::kSearch);
  form->WaitForSearch();
  EXPECT_EQ(form->FocusTarget(), TFocusTarget::kSearchBox);
  EXPECT_GT(form->FocusRequestCount(), requests + 1);

  // "/…/data" picked, then "/…/data/" typed: one entry.
  port_.folderAnswers.push_back(data_.Path("data"));
  form->Execute(CommandId::kFolderSelect);
  form->OnFolderBoxEdit(data_.Path("data") + "/");
  form->OnFolderBoxEnter();
  EXPECT_EQ(form->folderHistory.Count(), 2);
  EXPECT_EQ(form->folderHistory.Item(0), data_.Path("data") + "/");

  int guides = 0;
  form->Dialogs().showHelp = [&] { ++guides; };
  form->Execute(CommandId::kHelp);
  EXPECT_EQ(guides, 1);
  EXPECT_TRUE(processes_.requests.empty());
  home_.File("home/Skarvo.chm");
  form->Execute(CommandId::kHelp);
  EXPECT_EQ(guides, 1);
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].target, Home() + "/Skarvo.chm");
}

}  // namespace
}  // namespace skarvo
