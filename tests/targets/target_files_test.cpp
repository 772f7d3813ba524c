#include "targets/target_files.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "support/fake_ui_port.h"
#include "targets/temp_tree.h"

namespace skarvo {
namespace {

using testing::TempTree;

class TargetFilesTest : public ::testing::Test {
 protected:
  TargetFilesTest() {
    history_.SetItems({Sjis("新規フォルダ")});
    history_.SetItemIndex(0);
    result_.Add("result row");
    join_.Add("join row");
  }

  std::vector<CheckListRow> Rows() const { return targets_.Rows(); }
  static CheckListRow FolderRow(const std::string& folder, int count) {
    return {FolderRowText(folder, count), true, false};
  }
  static CheckListRow FileRow(const std::string& path, bool checked = true) {
    return {path, false, checked};
  }
  void Pick(const std::string& folder) { port_.folderAnswers.push_back(folder); }

  CheckList targets_, result_, join_;
  HistoryBox history_;
  Settings settings_;
  TSelectFolderDialog dialog_;
  CoreTimer timer_{5000, false};
  FakeUiPort port_;
  TargetFiles files_{
      TargetListParts{targets_, result_, join_, history_, settings_, dialog_, timer_, port_}};
};

TEST_F(TargetFilesTest, ChoosingAFolderListsItsFoldersWithCheckedFilesAndCountsThem) {
  TempTree t;
  t.File("one/a.txt");
  t.File("one/b.TXT");
  t.File("one/skip.doc");
  t.File("two/c.txt");
  Pick(t.Root());
  files_.ChooseFolder(false);

  EXPECT_EQ(Rows(),
            (std::vector<CheckListRow>{FolderRow(t.Path("one"), 2), FileRow(t.Path("one/a.txt")),
                                       FileRow(t.Path("one/b.TXT")), FolderRow(t.Path("two"), 1),
                                       FileRow(t.Path("two/c.txt"))}));
  EXPECT_EQ(targets_.Text(0), "\"" + t.Root() + Sjis("/one\",【該当File数】,2"));
  EXPECT_EQ(files_.TargetCount(), 3);
  EXPECT_EQ(port_.statusText, Sjis("3個のファイルが対象です"));
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_TRUE(result_.Empty());
  EXPECT_TRUE(join_.Empty());
  // The scan listed its folders, root first.
  EXPECT_EQ(files_.List().ScannedFolders().Text(0), t.Root());
  EXPECT_EQ(files_.List().ScannedFolders().Count(), 3);
  // The chosen folder heads the history, with its trailing "/".
  EXPECT_EQ(history_.Items(), (std::vector<std::string>{t.Root() + "/", Sjis("新規フォルダ")}));
  EXPECT_EQ(history_.ItemIndex(), 0);
  EXPECT_EQ(files_.List().LastBuildFolder(), t.Root() + "/");
}

TEST_F(TargetFilesTest, TheStatusBarFollowsTheScanThenTheBuildThenShowsTheCount) {
  TempTree t;
  t.File("one/a.txt");
  t.File("two/b.txt");
  t.File("two/c.txt");
  history_.SetText(t.Root());
  files_.BuildTargetList(false);
  std::vector<std::string> texts;
  for (const auto& call : port_.CallsOf("status")) texts.push_back(call.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       // The scan: the root alone on its level, then the first of two (the
                       // second, t = 10, shows nothing).
                       Sjis("□□□□□□□□□□フォルダチェック中"),
                       Sjis("■□□□□□□□□□フォルダチェック中"),
                       // The build over the three folders: t = 0, 5, 10.
                       Sjis("□□□□□□□□□□検索中"),
                       Sjis("■■■■■□□□□□検索中"),
                       Sjis("■■■■■■■■■■検索中"),
                       Sjis("3個のファイルが対象です"),
                   }));
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_TRUE(port_.CallsOf("message").empty());
}

// The list's own build, with no window around it, leaves the rows, counts and texts the
// window's build shows, for each folder choice and with or without subfolders.
TEST_F(TargetFilesTest, TheListAloneBuildsAsTheWindowDoes) {
  TempTree t;
  t.File("one/a.txt");
  t.File("two/b.txt");
  t.File("two/c.doc");
  for (bool subfolders : {true, false}) {
    for (bool add : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "subfolders " << subfolders << " add " << add);
      settings_.searchSubfolders = subfolders;
      port_ = FakeUiPort();
      history_.SetText(t.Path("two"));
      files_.BuildTargetList(false);
      history_.SetText(t.Root());
      files_.BuildTargetList(add);
      std::vector<std::string> windowTexts;
      for (const auto& call : port_.CallsOf("status")) windowTexts.push_back(call.text);

      CheckList alone;
      TargetFileList list(alone, settings_);
      std::vector<std::string> texts;
      const auto progress = [&texts](const std::string& text) { texts.push_back(text); };
      texts.push_back(list.Build(t.Path("two"), false, progress).notice);
      texts.push_back(list.Build(t.Root(), add, progress).notice);
      EXPECT_EQ(alone.Rows(), targets_.Rows());
      EXPECT_EQ(list.TargetCount(), files_.TargetCount());
      EXPECT_EQ(texts, windowTexts);
      // Without a progress sink only the outcome speaks.
      CheckList quiet;
      TargetFileList silent(quiet, settings_);
      silent.Build(t.Path("two"), false, {});
      EXPECT_EQ(silent.Build(t.Root(), add, {}).notice, texts.back());
      EXPECT_EQ(quiet.Rows(), alone.Rows());
    }
  }
}

TEST_F(TargetFilesTest, ThePickerIsCaptionedForSelectOrAddAndStartsAtTheLastFolder) {
  TempTree t;
  t.File("a.txt");
  files_.ChooseFolder(false);  // cancelled: nothing happens
  EXPECT_EQ(targets_.Count(), 0);
  EXPECT_FALSE(result_.Empty());
  EXPECT_EQ(history_.Count(), 1);
  Pick(t.Root());
  files_.ChooseFolder(true);
  ASSERT_EQ(port_.folderRequests.size(), 2u);
  EXPECT_EQ(port_.folderRequests[0].title, Sjis("フォルダの選択"));
  EXPECT_EQ(port_.folderRequests[1].title, Sjis("フォルダの追加"));
  files_.ChooseFolder(false);
  EXPECT_EQ(port_.folderRequests[2].startFolder, t.Root());
}

TEST_F(TargetFilesTest, TheChosenFolderReplacesLaterEqualHistoryEntries) {
  TempTree t;
  t.File("a.txt");
  const std::string chosen = t.Root() + "/";
  history_.SetItems({Sjis("新規フォルダ"), chosen, "/other", chosen, chosen + "X"});
  Pick(t.Root());
  files_.ChooseFolder(false);
  EXPECT_EQ(history_.Items(),
            (std::vector<std::string>{chosen, Sjis("新規フォルダ"), "/other", chosen + "X"}));
}

TEST_F(TargetFilesTest, AddingKeepsEarlierRowsAndTheirChecksAndCountsAllFileRows) {
  TempTree t;
  t.File("a.txt");
  t.File("b.txt");
  Pick(t.Root());
  files_.ChooseFolder(false);
  files_.List().OnTargetCheckClick(1);  // uncheck a.txt
  EXPECT_EQ(files_.TargetCount(), 1);
  Pick(t.Root());
  files_.ChooseFolder(true);  // the same folder again: listed twice
  EXPECT_EQ(Rows(),
            (std::vector<CheckListRow>{FolderRow(t.Root(), 2), FileRow(t.Path("a.txt"), false),
                                       FileRow(t.Path("b.txt")), FolderRow(t.Root(), 2),
                                       FileRow(t.Path("a.txt")), FileRow(t.Path("b.txt"))}));
  EXPECT_EQ(files_.TargetCount(), 4);
  EXPECT_EQ(port_.statusText, Sjis("4個のファイルが対象です"));
}

TEST_F(TargetFilesTest, ExtensionsMatchWithoutCaseOncePerEntryAndNeverThroughEmptyEntries) {
  TempTree t;
  t.File("a.TXT");
  t.File("b.log");
  t.File("noext");
  t.File("c.md");
  t.File(".txt");
  t.File("d.xls");
  t.File("e.XLSX");
  t.File("f.docx");
  struct Row {
    const char* list;
    std::vector<std::string> files;
  };
  for (const Row& row : std::vector<Row>{
           {".txt", {".txt", "a.TXT"}},
           {".txt,.TXT", {".txt", ".txt", "a.TXT", "a.TXT"}},
           {".log .md", {"b.log", "c.md"}},
           {".txt,,.log,", {".txt", "a.TXT", "b.log"}},
           {"", {}},
           // The zipped office forms go with the older ones, once however the list names them.
           {".xls", {"d.xls", "e.XLSX"}},
           {".xlsx,.xls", {"d.xls", "e.XLSX"}},
           {".xls,.XLS", {"d.xls", "d.xls", "e.XLSX"}},
           {".xlsx", {"e.XLSX"}},
           {".doc", {"f.docx"}},
       }) {
    SCOPED_TRACE(row.list);
    settings_.extensionList = row.list;
    history_.SetText(t.Root());
    files_.BuildTargetList(false);
    std::vector<std::string> got;
    for (const auto& r : Rows())
      if (!r.header) got.push_back(r.text.substr(t.Root().size() + 1));
    EXPECT_EQ(got, row.files);
    EXPECT_EQ(files_.TargetCount(), static_cast<int>(row.files.size()));
  }
}

TEST_F(TargetFilesTest, FileExtensionIsTakenFromTheFileNameOnly) {
  struct Row {
    const char* path;
    const char* extension;
  };
  for (const Row& row : std::vector<Row>{{"/a/b.txt", ".txt"},
                                         {"/a.d/noext", ""},
                                         {"/a/.hidden", ".hidden"},
                                         {"/a/x.", "."},
                                         {"/a/x.tar.gz", ".gz"},
                                         {"rel", ""},
                                         {"表.ＴＸＴ", ".ＴＸＴ"}}) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(FileExtension(Sjis(row.path)), Sjis(row.extension));
  }
}

TEST_F(TargetFilesTest, WithoutSubfoldersTheFolderKeepsItsPathAsSelected) {
  TempTree t;
  t.File("a.txt");
  t.File("sub/b.txt");
  settings_.searchSubfolders = false;
  history_.SetText(t.Root() + "/");
  files_.BuildTargetList(false);
  EXPECT_EQ(Rows(),
            (std::vector<CheckListRow>{FolderRow(t.Root() + "/", 1), FileRow(t.Path("a.txt"))}));
  auto status = port_.CallsOf("status");
  ASSERT_EQ(status.size(), 3u);
  EXPECT_EQ(status[0].text, Sjis("■■■■■□□□□□検索中"));
  EXPECT_EQ(status[1].text, Sjis("■■■■■■■■□□検索中"));
  EXPECT_EQ(status[2].text, Sjis("1個のファイルが対象です"));
}

TEST_F(TargetFilesTest, FoldersWithoutTargetsLeaveNoRowAndAMissingFolderGivesAnEmptyList) {
  TempTree t;
  t.Folder("empty");
  t.File("docs/a.doc");
  t.File("docs/deeper/z.txt");
  history_.SetText(t.Root());
  files_.BuildTargetList(false);
  EXPECT_EQ(Rows(), (std::vector<CheckListRow>{FolderRow(t.Path("docs/deeper"), 1),
                                               FileRow(t.Path("docs/deeper/z.txt"))}));
  history_.SetText(t.Path("gone"));
  files_.BuildTargetList(false);
  EXPECT_TRUE(targets_.Empty());
  EXPECT_EQ(files_.TargetCount(), 0);
  EXPECT_EQ(port_.statusText, Sjis("0個のファイルが対象です"));
  EXPECT_TRUE(port_.CallsOf("message").empty());
}

TEST_F(TargetFilesTest, DropEmptyFoldersDeletesFolderRowsWithoutFileRows) {
  struct Row {
    const char* layout;  // H folder row, F file row
    const char* kept;
  };
  for (const Row& row : std::vector<Row>{
           {"HFHHF", "HFHF"}, {"HHH", ""}, {"HFFH", "HFF"}, {"FHF", "FHF"}, {"", ""}}) {
    SCOPED_TRACE(row.layout);
    targets_.Clear();
    for (const char* c = row.layout; *c; ++c) targets_.Add(std::string(1, *c), *c == 'H', true);
    files_.List().DropEmptyFolders();
    std::string kept;
    for (const auto& r : Rows()) kept += r.text;
    EXPECT_EQ(kept, row.kept);
  }
  // A big tree leaves many folders without targets; dropping them stays linear.
  targets_.Clear();
  for (int i = 0; i < 200000; ++i) targets_.Add("H", true);
  targets_.Add("F", false, true);
  targets_.Add("H", true);
  files_.List().DropEmptyFolders();
  EXPECT_EQ(targets_.Count(), 2);
}

TEST_F(TargetFilesTest, NamesWithoutCp932FormAreLeftOutAndCounted) {
  TempTree t;
  t.File("a.txt");
  t.File("bad\xff.txt");
  t.File("sub\xfe/c.txt");
  history_.SetText(t.Root());
  files_.BuildTargetList(false);
  EXPECT_EQ(Rows(), (std::vector<CheckListRow>{FolderRow(t.Root(), 1), FileRow(t.Path("a.txt"))}));
  EXPECT_EQ(port_.statusText, Sjis("1個のファイルが対象です（Shift-JISで表せない名前2個を除外）"));
}

TEST_F(TargetFilesTest, NamesWhoseSecondByteIsABackslashStayWhole) {
  // "ソ" is 83 5C and "表" 95 5C: the second byte must never be taken for a separator.
  TempTree t;
  t.File("ソ/表.txt");
  t.File("ソ/表/ソ.TXT");
  t.File("ソ/表/ソ.txt表");
  history_.SetText(t.Path("ソ"));
  files_.BuildTargetList(false);
  EXPECT_EQ(Rows(), (std::vector<CheckListRow>{
                        FolderRow(t.Path("ソ"), 1), FileRow(t.Path("ソ/表.txt")),
                        FolderRow(t.Path("ソ/表"), 1), FileRow(t.Path("ソ/表/ソ.TXT"))}));
  EXPECT_EQ(FolderOfRow(targets_.Text(2)), t.Path("ソ/表"));
}

TEST_F(TargetFilesTest, FolderRowsReadBackTheirFolder) {
  for (const char* folder : {"/data", "/", "/表/ソ", "/a,b c", "/say \"hi\""}) {
    SCOPED_TRACE(folder);
    EXPECT_EQ(FolderOfRow(FolderRowText(Sjis(folder), 7)), Sjis(folder));
  }
}

TEST_F(TargetFilesTest, EnterBuildsFromAnExistingFolderAndOtherwiseOpensThePicker) {
  TempTree t;
  t.File("a.txt");
  history_.SetItems({Sjis("新規フォルダ"), t.Root()});
  history_.SetText(t.Root());
  files_.OnFolderBoxEnter();
  EXPECT_EQ(history_.Items(), (std::vector<std::string>{t.Root(), Sjis("新規フォルダ")}));
  EXPECT_EQ(history_.ItemIndex(), 0);
  EXPECT_EQ(files_.TargetCount(), 1);
  EXPECT_TRUE(port_.folderRequests.empty());

  history_.SetText(t.Path("nothing here"));
  files_.OnFolderBoxEnter();
  EXPECT_EQ(port_.folderRequests.size(), 1u);
  EXPECT_EQ(targets_.Count(), 2);  // the picker was cancelled
}

TEST_F(TargetFilesTest, SelectingAHistoryEntry) {
  TempTree t;
  t.File("one/a.txt");
  t.File("two/b.txt");
  const std::string one = t.Path("one"), two = t.Path("two");
  history_.SetItems({Sjis("新規フォルダ"), one, two});

  // Empty list: an existing folder is built without a question.
  files_.OnFolderHistoryPick(1);
  EXPECT_TRUE(port_.CallsOf("confirm").empty());
  EXPECT_EQ(targets_.Text(1), t.Path("one/a.txt"));
  EXPECT_EQ(history_.Items(), (std::vector<std::string>{one, Sjis("新規フォルダ"), two}));

  // A list exists: the change is asked; Cancel keeps the list and re-selects its folder.
  port_.confirmAnswers.push_back(false);
  files_.OnFolderHistoryPick(2);
  auto confirms = port_.CallsOf("confirm");
  ASSERT_EQ(confirms.size(), 1u);
  EXPECT_EQ(confirms[0].text, Sjis("検索対象Fileを変更しますか？"));
  EXPECT_EQ(targets_.Text(1), t.Path("one/a.txt"));
  EXPECT_EQ(history_.ItemIndex(), 0);
  EXPECT_EQ(history_.Text(), one);
  EXPECT_EQ(history_.Items(), (std::vector<std::string>{one, Sjis("新規フォルダ"), two}));

  // OK builds from the selected folder, which moves to the top.
  port_.confirmAnswers.push_back(true);
  files_.OnFolderHistoryPick(2);
  EXPECT_EQ(targets_.Text(1), t.Path("two/b.txt"));
  EXPECT_EQ(history_.Items(), (std::vector<std::string>{two, one, Sjis("新規フォルダ")}));
  EXPECT_EQ(history_.ItemIndex(), 0);

  // "新規フォルダ" opens the picker; cancelled, the entry still moves to the top.
  files_.OnFolderHistoryPick(2);
  EXPECT_EQ(port_.folderRequests.size(), 1u);
  EXPECT_EQ(port_.CallsOf("confirm").size(), 2u);
  EXPECT_EQ(history_.Items(), (std::vector<std::string>{Sjis("新規フォルダ"), two, one}));
  EXPECT_EQ(targets_.Text(1), t.Path("two/b.txt"));
}

TEST_F(TargetFilesTest, CheckCommandsActOnTheSelectedFolderOrOnEveryFileRow) {
  for (const char* text : {"H1", "a", "b", "H2", "c", "H3"})
    targets_.Add(text, text[0] == 'H', true);
  files_.List().SetTargetCount(5);
  auto checks = [&] {
    std::string s;
    for (const auto& r : Rows()) s += r.header ? '-' : (r.checked ? '1' : '0');
    return s;
  };
  EXPECT_FALSE(files_.List().FolderCheckEnabled());
  targets_.SetItemIndex(1);
  EXPECT_FALSE(files_.List().FolderCheckEnabled());
  files_.List().OnUncheckFolder();
  EXPECT_EQ(checks(), "-11-1-");
  targets_.SetItemIndex(0);
  ASSERT_TRUE(files_.List().FolderCheckEnabled());
  files_.List().OnUncheckFolder();
  EXPECT_EQ(checks(), "-00-1-");
  files_.List().OnCheckFolder();
  EXPECT_EQ(checks(), "-11-1-");
  targets_.SetItemIndex(5);  // the last row: nothing after it
  files_.List().OnUncheckFolder();
  EXPECT_EQ(checks(), "-11-1-");
  files_.List().OnUncheckAll();
  EXPECT_EQ(checks(), "-00-0-");
  files_.List().OnCheckAll();
  EXPECT_EQ(checks(), "-11-1-");
  EXPECT_EQ(files_.TargetCount(), 5);  // the commands leave the count alone
  files_.List().OnTargetCheckClick(4);
  EXPECT_EQ(checks(), "-11-0-");
  EXPECT_EQ(files_.TargetCount(), 2);
  files_.List().OnTargetCheckClick(3);  // a folder row has no check box
  EXPECT_EQ(files_.TargetCount(), 2);
}

}  // namespace
}  // namespace skarvo
