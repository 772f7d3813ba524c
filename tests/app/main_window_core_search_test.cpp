// The search triggers through the main window, the result list's events, the history boxes'
// clipboard commands, and the hold-off of every command while a pattern search runs.
#include <gtest/gtest.h>

#include "app/main_window_core_fixture.h"
#include "support/worker_gate.h"

namespace skarvo {
namespace {

using testing::MainWindowCoreTest;
using C = CommandId;

std::vector<std::string> Texts(const CheckList& list) {
  std::vector<std::string> texts;
  for (const CheckListRow& row : list.Rows()) texts.push_back(row.text);
  return texts;
}

class MainWindowCoreSearchTest : public MainWindowCoreTest {
 protected:
  // A form whose target list holds the fixture tree (text files and, with office, the
  // spreadsheet and the document).
  std::unique_ptr<MainWindowCore> FormOverTree(bool office) {
    if (office) WriteSettings("[拡張子]\nMsWordファイル=1\nMsExcelファイル=1\n");
    auto form = MakeForm();
    port_.folderAnswers.push_back(SearchTree());
    form->Execute(C::kFolderSelect);
    return form;
  }
  std::string Tree(const std::string& relative) const { return SearchTree() + "/" + relative; }
};

TEST_F(MainWindowCoreSearchTest, NoTargetsIsANoticeForTheToolButtonAndTheMenu) {
  auto form = MakeForm();
  for (CommandId id : {C::kToolSearch, C::kSearch}) {
    SCOPED_TRACE(Command(id).caption);
    form->statusTimer.SetEnabled(false);
    form->Execute(id);
    EXPECT_EQ(form->StatusText(), Sjis("選択されたファイルがありません！"));
    EXPECT_TRUE(form->statusTimer.Enabled());
    EXPECT_TRUE(port_.CallsOf("input").empty());
  }
  // Enter with an empty box does nothing at all.
  form->OnStatusTimer();
  form->OnSearchBoxEnter();
  form->WaitForSearch();
  EXPECT_EQ(form->StatusText(), "");
  EXPECT_TRUE(form->searchHistory.Items().empty());
}

TEST_F(MainWindowCoreSearchTest, EnterInTheSearchBoxSearchesTheTargets) {
  auto form = FormOverTree(false);
  form->OnSearchBoxEdit("abc");
  form->OnTabChange(2);
  form->OnSearchBoxEnter();
  form->WaitForSearch();
  EXPECT_EQ(form->ActivePage(), 0);
  EXPECT_EQ(form->Search().searchText, "abc");
  EXPECT_EQ(form->searchHistory.Items(), (std::vector<std::string>{"abc"}));
  EXPECT_EQ(Texts(form->resultList),
            (std::vector<std::string>{
                Sjis(("\"" + Tree("a.txt") + "\",の検索結果").c_str()), Sjis("【2列目】abc here"),
                Sjis("【3列目】日本語の行 abc"),
                Sjis(("\"" + Tree("B.TXT") + "\",の検索結果").c_str()), Sjis("【2列目】lower abc"),
                Sjis(("\"" + Tree("sub/deep/e.txt") + "\",の検索結果").c_str()),
                Sjis("【3列目】zabcz")}));
  EXPECT_EQ(form->resultList.ItemIndex(), 0);
  EXPECT_EQ(form->StatusText(), Sjis("検索終了"));
  EXPECT_TRUE(port_.CallsOf("message").empty());
}

TEST_F(MainWindowCoreSearchTest, ChoosingAHistoryEntrySearchesAgain) {
  WriteSettings("[Main]\n検索文字=\"zzz\",\"here\",\n");
  auto form = FormOverTree(false);
  form->OnSearchHistoryPick(1);
  form->WaitForSearch();
  EXPECT_EQ(form->searchHistory.Items(), (std::vector<std::string>{"here", "zzz"}));
  EXPECT_EQ(form->Search().searchText, "here");
  EXPECT_EQ(form->resultList.Count(), 2);
  // The menu item puts the box's text on top first.
  form->OnSearchBoxEdit("zzz");
  form->Execute(C::kSearch);
  form->WaitForSearch();
  EXPECT_EQ(form->searchHistory.Items(), (std::vector<std::string>{"zzz", "here"}));
  EXPECT_TRUE(form->resultList.Empty());
  ASSERT_EQ(port_.CallsOf("message").size(), 1u);
  EXPECT_EQ(port_.CallsOf("message")[0].text, Sjis("\"zzz\"は見つかりませんでした。"));
}

TEST_F(MainWindowCoreSearchTest, TheSearchBoxIsOffInTheJoinMode) {
  auto form = FormOverTree(false);
  form->OnSearchBoxEdit("abc");
  form->Execute(C::kJoinMode);
  form->OnSearchBoxEnter();
  form->WaitForSearch();
  form->Execute(C::kToolSearch);
  form->WaitForSearch();
  EXPECT_TRUE(form->resultList.Empty());
  EXPECT_EQ(form->Search().searchText, "");
}

TEST_F(MainWindowCoreSearchTest, CellHitsRefuseAChecksAndTextHitsToggle) {
  auto form = FormOverTree(true);
  form->OnSearchBoxEdit("abc");
  form->Execute(C::kToolSearch);
  form->WaitForSearch();
  int cellRow = -1;
  int textRow = -1;
  for (int i = 0; i < form->resultList.Count(); ++i) {
    const std::string& text = form->resultList.Text(i);
    if (cellRow < 0 && text.rfind(Sjis("【Excel"), 0) == 0) cellRow = i;
    if (textRow < 0 && text.rfind(Sjis("【2列目】"), 0) == 0) textRow = i;
  }
  ASSERT_GE(cellRow, 0);
  ASSERT_GE(textRow, 0);
  EXPECT_EQ(form->Session().officeFiles,
            (std::vector<std::string>{Tree("sub/c.doc"), Tree("sub/d.xls")}));

  form->statusTimer.SetEnabled(false);
  form->OnResultCheckClick(cellRow);
  EXPECT_FALSE(form->resultList.Checked(cellRow));
  EXPECT_EQ(form->StatusText(), Sjis("Excel、Wordファイルはチェック対象にできません。"));
  EXPECT_TRUE(form->statusTimer.Enabled());
  EXPECT_EQ(form->resultList.ItemIndex(), cellRow);

  form->OnResultCheckClick(textRow);
  EXPECT_FALSE(form->resultList.Checked(textRow));
  form->OnResultCheckClick(textRow);
  EXPECT_TRUE(form->resultList.Checked(textRow));

  // The result list's menu follows the selected row.
  form->OnResultSelect(0);
  form->ResultListMenuPopup();
  for (CommandId id : {C::kResultCheckOnFile, C::kResultCheckOffFile, C::kResultSplitFile,
                       C::kResultNarrowJoin, C::kResultOpenFile})
    EXPECT_TRUE(form->State(id).enabled) << Command(id).caption;
  form->OnResultSelect(textRow);
  form->ResultListMenuPopup();
  for (CommandId id :
       {C::kResultCheckOnFile, C::kResultCheckOffFile, C::kResultSplitFile, C::kResultNarrowJoin})
    EXPECT_FALSE(form->State(id).enabled) << Command(id).caption;
  EXPECT_TRUE(form->State(C::kResultOpenFile).enabled);
}

TEST_F(MainWindowCoreSearchTest, EveryCommandWaitsWhileASearchRuns) {
  auto form = FormOverTree(false);
  form->OnSearchBoxEdit("abc");
  form->Execute(C::kToolSearch);
  // The run works on its own thread: the window's handlers come meanwhile.
  ASSERT_TRUE(form->Search().runInProgress);
  form->Execute(C::kToolJoinMode);
  form->Execute(C::kToolFolderSelect);
  form->Execute(C::kTargetAllOff);
  form->OnTabChange(2);
  form->OnSearchBoxEdit("changed");
  form->OnSearchBoxEnter();
  form->OnFolderBoxEdit("/nowhere");
  form->OnTargetCheckClick(1);
  form->FormClose(10, 10);
  EXPECT_FALSE(form->CanClose());
  form->WaitForSearch();
  EXPECT_FALSE(form->CloseRequested());
  EXPECT_EQ(form->ModeNumber(), 0);
  EXPECT_EQ(form->ActivePage(), 0);
  EXPECT_EQ(form->searchHistory.Text(), "abc");
  EXPECT_EQ(form->Search().searchText, "abc");
  EXPECT_EQ(form->targetList.CheckedCount(), form->TargetCount());
  EXPECT_EQ(form->resultList.Count(), 7);
  EXPECT_TRUE(port_.CallsOf("folder").size() == 1);  // the first choice only
  EXPECT_FALSE(FileExists(Home() + "/Skarvo.ini"));
  EXPECT_TRUE(form->CanClose());
}

// "終了" while a search runs is not lost: the run stops at its first hand-over (held there)
// and the window may close once it has ended.
TEST_F(MainWindowCoreSearchTest, TheExitStopsARunAndClosesAfterIt) {
  auto form = FormOverTree(false);
  form->OnSearchBoxEdit("abc");
  WorkerGate gate;
  form->SearchRun().SetBatching(1, std::chrono::milliseconds(0));
  form->SetSearchWake(gate.Wake());
  form->Execute(C::kToolSearch);
  gate.WaitHeld();
  EXPECT_TRUE(form->State(C::kExit).enabled);
  form->Execute(C::kExit);
  EXPECT_TRUE(form->CloseRequested());
  EXPECT_FALSE(form->CanClose());
  gate.Open();
  form->WaitForSearch();
  EXPECT_TRUE(form->CanClose());
  EXPECT_EQ(form->StatusText(), Sjis("検索を中止しました（0ファイル、0件）"));
  EXPECT_TRUE(form->resultList.Empty());
}

// A clipboard whose text has a character without a CP932 form.
class ForeignClipboard : public ClipboardPort {
 public:
  bool HasText() const override { return true; }
  std::optional<std::string> Text() const override { return std::nullopt; }
  void SetText(const std::string&) override {}
};

struct ClipboardRow {
  const char* name;
  CommandId command;
  std::string text;
  TextSelection selection;
  std::optional<std::string> clipboardBefore;
  std::string boxAfter;
  std::optional<std::string> clipboardAfter;
};

TEST_F(MainWindowCoreTest, HistoryBoxClipboardCommands) {
  const ClipboardRow rows[] = {
      {"cut copies and leaves the text",
       C::kSearchBoxCut,
       "abcdef",
       {1, 3},
       "old",
       "abcdef",
       "bcd"},
      {"cut of nothing empties the clipboard", C::kSearchBoxCut, "abc", {1, 0}, "old", "abc", ""},
      {"copy", C::kFolderBoxCopy, "/data/x", {1, 4}, "old", "/data/x", "data"},
      {"copy of nothing keeps the clipboard",
       C::kSearchBoxCopy,
       "abc",
       {0, 0},
       "old",
       "abc",
       "old"},
      {"paste replaces the selection", C::kSearchBoxPaste, "abcdef", {2, 2}, "XY", "abXYef", "XY"},
      {"paste at the caret", C::kFolderBoxPaste, "/a", {2, 0}, "/b", "/a/b", "/b"},
      {"paste without text does nothing",
       C::kSearchBoxPaste,
       "abc",
       {0, 3},
       std::nullopt,
       "abc",
       std::nullopt},
      {"paste keeps one line", C::kSearchBoxPaste, "", {0, 0}, "one\r\ntwo", "one", "one\r\ntwo"},
      {"a selection past the end is cut back",
       C::kSearchBoxCopy,
       Sjis("日本"),
       {2, 9},
       "old",
       Sjis("日本"),
       Sjis("本")},
  };
  auto form = MakeForm();
  for (const ClipboardRow& row : rows) {
    SCOPED_TRACE(row.name);
    const bool search = Command(row.command).place == CommandPlace::kSearchBoxMenu;
    const THistoryBox box = search ? THistoryBox::kSearch : THistoryBox::kFolder;
    HistoryBox& history = search ? form->searchHistory : form->folderHistory;
    if (search)
      form->OnSearchBoxEdit(row.text);
    else
      form->OnFolderBoxEdit(row.text);
    form->SetBoxSelection(box, row.selection.start, row.selection.length);
    clipboard_.Clear();
    if (row.clipboardBefore) clipboard_.SetText(*row.clipboardBefore);
    form->Execute(row.command);
    EXPECT_EQ(history.Text(), row.boxAfter);
    EXPECT_EQ(clipboard_.Text(), row.clipboardAfter);
  }
  // After a paste the caret stands behind the pasted text.
  form->OnSearchBoxEdit("ab");
  form->SetBoxSelection(THistoryBox::kSearch, 1, 0);
  clipboard_.SetText("XYZ");
  form->Execute(C::kSearchBoxPaste);
  EXPECT_EQ(form->BoxSelection(THistoryBox::kSearch).start, 4u);
}

TEST_F(MainWindowCoreTest, PastingTextWithoutCp932FormIsRefused) {
  ForeignClipboard foreign;
  MainWindowCore form(port_, foreign, processes_);
  form.OnSearchBoxEdit("abc");
  form.Execute(C::kSearchBoxPaste);
  EXPECT_EQ(form.searchHistory.Text(), "abc");
  EXPECT_EQ(form.StatusText(), Sjis("Shift-JISで表せない文字は使えません"));
}

}  // namespace
}  // namespace skarvo
