// The command table, the mode switches, the tabs and the drag scroll timer.
#include <gtest/gtest.h>

#include "app/main_window_core_fixture.h"

namespace skarvo {
namespace {

using testing::MainWindowCoreTest;
using C = CommandId;

TEST(CommandTableTest, EveryCommandStandsAtItsOwnIndex) {
  for (size_t i = 0; i < kCommandCount; ++i) {
    SCOPED_TRACE(CommandTable()[i].caption);
    EXPECT_EQ(static_cast<size_t>(CommandTable()[i].id), i);
  }
}

struct StartRow {
  CommandId id;
  const char* caption;
  bool enabled;
  bool visible;
  bool checked;
};

TEST_F(MainWindowCoreTest, EveryCommandHasItsCaptionAndStartState) {
  const StartRow rows[] = {
      {C::kFolderSelect, "フォルダの選択", true, true, false},
      {C::kFolderAdd, "フォルダの追加", true, true, false},
      {C::kSaveToNewFile, "新規ファイルへ保存", false, true, false},
      {C::kOverwriteSave, "上書き保存", false, true, false},
      {C::kExit, "終了", true, true, false},
      {C::kUndo, "元に戻す", false, true, false},
      {C::kSearch, "検索", true, true, false},
      {C::kReplace, "置換", true, true, false},
      {C::kNarrow, "絞込み", true, true, false},
      {C::kJoinFiles, "ファイル結合", false, true, false},
      {C::kPruneHistory, "検索条件削除", true, true, false},
      {C::kSearchMode, "File検索", true, true, true},
      {C::kJoinMode, "File結合", true, true, false},
      {C::kSettings, "設定", true, true, false},
      {C::kDisplaySettings, "表示設定", true, true, false},
      {C::kHelp, "Help", true, true, false},
      {C::kVersion, "Ver.情報", true, true, false},
      {C::kToolSaveNew, "新規保存", false, true, false},
      {C::kToolOverwriteSave, "上書き保存", false, true, false},
      {C::kToolUndo, "やり直し", false, true, false},
      {C::kToolSearch, "検索", true, true, false},
      {C::kToolReplace, "置換", true, true, false},
      {C::kToolNarrow, "絞込み", true, true, false},
      {C::kToolJoinFiles, "ファイル結合", false, true, false},
      {C::kToolFolderSelect, "フォルダの選択", true, true, false},
      {C::kToolFolderAdd, "フォルダの追加", true, true, false},
      {C::kToolSettings, "設定", true, true, false},
      {C::kToolDisplaySettings, "表示設定", true, true, false},
      {C::kToolSearchMode, "検索モード", true, true, true},
      {C::kToolJoinMode, "File結合モード", true, true, false},
      {C::kSearchBoxCut, "切り取り(&T)", true, true, false},
      {C::kSearchBoxCopy, "コピー(&C)", true, true, false},
      {C::kSearchBoxPaste, "貼り付け(&P)", true, true, false},
  };
  auto form = MakeForm();
  for (const StartRow& row : rows) {
    SCOPED_TRACE(row.caption);
    EXPECT_STREQ(Command(row.id).caption, row.caption);
    EXPECT_EQ(form->State(row.id), (CommandState{row.enabled, row.checked, row.visible}));
  }
  EXPECT_STREQ(Command(C::kSearchBoxCut).shortcut, "Ctrl+X");
  EXPECT_STREQ(Command(C::kFolderBoxPaste).shortcut, "Ctrl+V");
  EXPECT_EQ(form->ModeNumber(), 0);
  EXPECT_EQ(form->ActivePage(), 0);
  EXPECT_EQ(form->PageCaption(0), Sjis("検索モード"));
  EXPECT_EQ(form->PageCaption(1), Sjis("ファイル結合モード"));
  EXPECT_EQ(form->PageCaption(2), Sjis("対象File一覧"));
  EXPECT_TRUE(form->searchHistory.Enabled());
  EXPECT_EQ(form->saveDialog.defaultExtension, "txt");
}

// The enabled states a mode switch sets, as (command, enabled) pairs.
void ExpectEnabled(const MainWindowCore& form, std::initializer_list<CommandId> ids, bool enabled) {
  for (CommandId id : ids) {
    SCOPED_TRACE(Command(id).caption);
    EXPECT_EQ(form.State(id).enabled, enabled);
  }
}

TEST_F(MainWindowCoreTest, TabsSwitchBetweenSearchAndJoinModes) {
  auto form = MakeForm();
  form->joinList.Add("kept until the search tab");
  form->OnTabChange(1);
  EXPECT_EQ(form->ModeNumber(), 1);
  EXPECT_EQ(form->ActivePage(), 1);
  EXPECT_EQ(form->PageCaption(1), Sjis("ファイル結合モード"));
  EXPECT_TRUE(form->JoinListDragEnabled());
  EXPECT_TRUE(form->State(C::kJoinMode).checked);
  EXPECT_FALSE(form->State(C::kSearchMode).checked);
  EXPECT_TRUE(form->State(C::kToolJoinMode).checked);
  EXPECT_FALSE(form->State(C::kToolSearchMode).checked);
  ExpectEnabled(*form, {C::kJoinFiles, C::kToolJoinFiles}, true);
  ExpectEnabled(
      *form,
      {C::kSearch, C::kReplace, C::kNarrow, C::kSaveToNewFile, C::kOverwriteSave, C::kUndo,
       C::kToolSearch, C::kToolReplace, C::kToolSaveNew, C::kToolOverwriteSave, C::kToolUndo},
      false);
  // Never disabled by a mode switch.
  ExpectEnabled(*form, {C::kToolNarrow, C::kFolderSelect, C::kToolFolderSelect}, true);
  EXPECT_FALSE(form->searchHistory.Enabled());
  EXPECT_EQ(form->FocusTarget(), TFocusTarget::kJoinList);
  EXPECT_EQ(form->joinList.Count(), 1);

  const uint64_t requests = form->FocusRequestCount();
  form->OnTabChange(2);
  EXPECT_EQ(form->ModeNumber(), 1);
  EXPECT_EQ(form->ActivePage(), 2);
  EXPECT_EQ(form->FocusTarget(), TFocusTarget::kTargetList);
  EXPECT_EQ(form->FocusRequestCount(), requests + 1);

  form->OnTabChange(0);
  EXPECT_EQ(form->ModeNumber(), 0);
  EXPECT_FALSE(form->JoinListDragEnabled());
  EXPECT_TRUE(form->State(C::kSearchMode).checked);
  EXPECT_TRUE(form->State(C::kToolSearchMode).checked);
  EXPECT_FALSE(form->State(C::kToolJoinMode).checked);
  ExpectEnabled(*form, {C::kSearch, C::kReplace, C::kNarrow, C::kToolSearch, C::kToolReplace},
                true);
  ExpectEnabled(*form,
                {C::kJoinFiles, C::kSaveToNewFile, C::kOverwriteSave, C::kUndo, C::kToolJoinFiles,
                 C::kToolSaveNew, C::kToolOverwriteSave, C::kToolUndo},
                false);
  EXPECT_TRUE(form->searchHistory.Enabled());
  EXPECT_TRUE(form->joinList.Empty());
}

TEST_F(MainWindowCoreTest, ModeCommandsMoveThePageAndDoNothingWhenTheirModeIsOn) {
  auto form = MakeForm();
  form->joinList.Add("row");
  form->Execute(C::kSearchMode);  // already checked: nothing, the join list stays
  EXPECT_EQ(form->joinList.Count(), 1);
  form->Execute(C::kToolJoinMode);
  EXPECT_EQ(form->ModeNumber(), 1);
  EXPECT_EQ(form->ActivePage(), 1);
  EXPECT_EQ(form->joinList.Count(), 1);
  form->OnTabChange(2);
  form->Execute(C::kJoinMode);  // already checked: the page stays
  EXPECT_EQ(form->ActivePage(), 2);
  form->Execute(C::kSearchMode);
  EXPECT_EQ(form->ModeNumber(), 0);
  EXPECT_EQ(form->ActivePage(), 0);
  EXPECT_TRUE(form->joinList.Empty());
}

// The split preparation leaves mode 3 with the join list holding the parts.
void PrepareSplit(MainWindowCore& form) {
  form.SetModeNumber(3);
  form.SetPage1Caption(Sjis("ファイル分割モード"));
  form.SetJoinListDragEnabled(false);
  form.joinList.Add("part 1", true);
  form.SetActivePage(1);
  form.EnterJoinMode();
}

TEST_F(MainWindowCoreTest, TabsKeepAPendingSplitAndTheModeCommandsEndIt) {
  auto form = MakeForm();
  PrepareSplit(*form);
  EXPECT_EQ(form->ModeNumber(), 3);
  EXPECT_FALSE(form->JoinListDragEnabled());

  form->OnTabChange(0);
  EXPECT_EQ(form->ModeNumber(), 2);
  EXPECT_TRUE(form->joinList.Empty());
  form->OnTabChange(1);
  EXPECT_EQ(form->ModeNumber(), 3);
  EXPECT_EQ(form->PageCaption(1), Sjis("ファイル分割モード"));
  EXPECT_FALSE(form->JoinListDragEnabled());

  // The search tab keeps the split for the join tab, and its caption says so.
  form->OnTabChange(0);
  EXPECT_EQ(form->PageCaption(1), Sjis("ファイル分割モード"));
  form->OnTabChange(1);

  // The menu item ends the split: the tab no longer names it.
  form->Execute(C::kSearchMode);
  EXPECT_EQ(form->ModeNumber(), 0);
  EXPECT_EQ(form->ActivePage(), 0);
  EXPECT_EQ(form->PageCaption(1), Sjis("ファイル結合モード"));
  form->Execute(C::kJoinMode);
  EXPECT_EQ(form->ModeNumber(), 1);
  EXPECT_EQ(form->PageCaption(1), Sjis("ファイル結合モード"));

  // From the search page of a split, the join command starts a join.
  form->Execute(C::kSearchMode);
  PrepareSplit(*form);
  form->OnTabChange(0);
  ASSERT_EQ(form->ModeNumber(), 2);
  form->joinList.Add("left over");
  form->Execute(C::kToolJoinMode);
  EXPECT_EQ(form->ModeNumber(), 1);
  EXPECT_TRUE(form->joinList.Empty());
  EXPECT_TRUE(form->JoinListDragEnabled());
  EXPECT_EQ(form->PageCaption(1), Sjis("ファイル結合モード"));
}

TEST_F(MainWindowCoreTest, TheJoinTabTakesAPendingReplaceBack) {
  auto form = MakeForm();
  // Result list after a replace: the checked row shows the replaced text, the undo list the
  // text as found, then the marker.
  form->resultList.Add("\"/x/a.txt\",の検索結果", true);
  form->resultList.Add("replaced 1", false, true);
  form->resultList.Add("found 2", false, false);
  form->Session().undo = PendingReplaceUndo{{{"\"/x/a.txt\",の検索結果", true, false},
                                             {"found 1", false, true},
                                             {"replaced 2", false, false}}};
  form->MutableSearch().replaceText = "R";
  form->MutableSearch().replacePending = true;

  form->OnTabChange(1);
  EXPECT_EQ(form->resultList.Rows(),
            (std::vector<CheckListRow>{{"\"/x/a.txt\",の検索結果", true, false},
                                       {"found 1", false, true},
                                       {"found 2", false, false}}));
  EXPECT_TRUE(std::holds_alternative<NoUndo>(form->Session().undo));
  EXPECT_FALSE(form->Search().replacePending);
  EXPECT_EQ(form->Search().replaceText, "");
}

TEST_F(MainWindowCoreTest, EnteringTheSearchModeSelectsTheLastSearchInTheHistory) {
  WriteSettings("[Main]\n検索文字=\"abc\",\"def\",\n");
  auto form = MakeForm();
  form->MutableSearch().searchText = "def";
  form->searchHistory.SetItemIndex(-1);
  form->Execute(C::kJoinMode);
  form->Execute(C::kSearchMode);
  EXPECT_EQ(form->searchHistory.ItemIndex(), 1);
  EXPECT_EQ(form->searchHistory.Text(), "def");
}

TEST_F(MainWindowCoreTest, TheDragTimerScrollsTheJoinListTowardsTheCursor) {
  auto form = MakeForm();
  for (int i = 0; i < 5; ++i) form->joinList.Add("row");
  form->joinList.SetTopIndex(2);
  int cursorY = 100;
  form->SetCursorSource([&] { return cursorY; });
  form->dragScrollTimer.Fire();  // not dragging: nothing
  EXPECT_EQ(form->joinList.TopIndex(), 2);

  form->OnJoinListDragOver(100);
  EXPECT_TRUE(form->dragScrollTimer.Enabled());
  EXPECT_EQ(form->dragScrollTimer.Advance(150), 1);  // cursor where it was: nothing
  EXPECT_EQ(form->joinList.TopIndex(), 2);
  cursorY = 130;
  form->dragScrollTimer.Advance(300);
  EXPECT_EQ(form->joinList.TopIndex(), 4);
  cursorY = 90;
  form->dragScrollTimer.Advance(150);
  EXPECT_EQ(form->joinList.TopIndex(), 3);
  form->OnJoinListDragEnd();
  EXPECT_FALSE(form->dragScrollTimer.Enabled());
  EXPECT_EQ(form->dragScrollTimer.Advance(1000), 0);
  EXPECT_EQ(form->joinList.TopIndex(), 3);
}

TEST_F(MainWindowCoreTest, DialogCommandsDoNothingUntilTheirWindowIsBound) {
  auto form = MakeForm();
  for (CommandId id : {C::kSettings, C::kVersion, C::kDisplaySettings, C::kPruneHistory}) {
    SCOPED_TRACE(Command(id).caption);
    form->Execute(id);
  }
  EXPECT_TRUE(port_.calls.empty());
  EXPECT_TRUE(processes_.requests.empty());
  // A dialog that has come runs from its command.
  int shown = 0;
  form->Dialogs().showSettings = [&] { ++shown; };
  form->Execute(C::kToolSettings);
  form->Execute(C::kSettings);
  EXPECT_EQ(shown, 2);
}

TEST_F(MainWindowCoreTest, HelpOpensTheHelpFileOfTheHomeFolder) {
  auto form = MakeForm();
  form->Execute(C::kHelp);
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].kind, "open");
  EXPECT_EQ(processes_.requests[0].target, Home() + "/Skarvo.chm");
  EXPECT_EQ(processes_.requests[0].workingFolder, ProgramFolder());
  EXPECT_FALSE(ProgramFolder().empty());
  EXPECT_EQ(form->StatusText(), "");

  processes_.succeed = false;
  form->Execute(C::kHelp);
  EXPECT_EQ(form->StatusText(), Home() + "/Skarvo.chm" + Sjis("を開けませんでした。"));
  EXPECT_TRUE(form->statusTimer.Enabled());
}

}  // namespace
}  // namespace skarvo
