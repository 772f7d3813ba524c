#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "app/search_triggers.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "support/fake_ui_port.h"
#include "support/worker_gate.h"

namespace skarvo {
namespace {

const std::string kTree = std::string(SKARVO_TEST_DATA) + "/search/tree";

// The pieces of a main window around one TSearchRun, in a home folder of its own.
class SearchRunTest : public ::testing::Test {
 protected:
  SearchRunTest()
      : home_(MakeHome()),
        targets_(TargetListParts{targetList_, resultList_, joinList_, folderHistory_, settings_,
                                 folderDialog_, timer_, ui_}),
        grep_([] { return SearchWorker::PollCurrent(); }),
        ledger_(home_),
        stage_(SearchStageParts{grep_, xbiff_, readDoc_, ledger_}),
        run_(SearchRunParts{targetList_, session_, cellLabels_, searchHistory_, folderHistory_,
                            settings_, targets_, stage_, activePage_, timer_, ui_}) {}
  ~SearchRunTest() override { DeleteFolderTree(home_); }

  static std::string MakeHome() {
    char tmpl[] = "/tmp/skarvo-run-XXXXXX";
    return ::mkdtemp(tmpl);
  }
  // A file in the home folder's "data" folder; returns its path.
  std::string Write(const std::string& name, const std::string& data) {
    CreateFolderPath(home_ + "/data");
    std::string path = home_ + "/data/" + name;
    std::ofstream(path, std::ios::binary) << data;
    return path;
  }
  void Build(const std::string& folder, bool add = false) {
    folderHistory_.SetItems({folder});
    folderHistory_.SetItemIndex(0);
    targets_.BuildTargetList(add);
  }
  void Search(const std::string& text) {
    searchHistory_.SetText(text);
    run_.SearchToolButtonClick();
    run_.WaitForEnd();
  }
  // Searches with the worker held at each target and row it hands over, which the window's
  // side takes one by one.
  void SearchInSteps(const std::string& text) {
    WorkerGate gate;
    run_.SetBatching(1, std::chrono::milliseconds(0));
    run_.SetWake(gate.Wake());
    searchHistory_.SetText(text);
    run_.SearchToolButtonClick();
    while (state_.runInProgress) {
      gate.WaitHeld();
      run_.TakeFound();
      gate.Step();
    }
    gate.Open();
    run_.WaitForEnd();
    run_.SetWake(nullptr);
  }
  // The result rows as "H text", "+ text", "- text".
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (const CheckListRow& r : resultList_.Rows())
      rows.push_back(std::string(r.header ? "H " : r.checked ? "+ " : "- ") + r.text);
    return rows;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& c : ui_.calls)
      if (c.kind == "message" || c.kind == "error") out.push_back(c.kind + " " + c.text);
    return out;
  }
  static std::string H(const std::string& path) { return "H " + FileHeaderRowText(path); }

  std::string home_;
  FakeUiPort ui_;
  Settings settings_;
  ResultSession session_;
  CheckList& resultList_ = session_.rows;
  SearchState& state_ = session_.search;
  std::vector<std::string>& officeFiles_ = session_.officeFiles;
  CheckList targetList_, joinList_;
  HistoryBox searchHistory_, folderHistory_;
  std::vector<std::string> cellLabels_;
  TSelectFolderDialog folderDialog_;
  CoreTimer timer_{5000, false};
  TargetFiles targets_;
  TGrep grep_;
  TXBiff xbiff_;
  TReadDoc readDoc_;
  TempFolderLedger ledger_;
  TSearchStage stage_;
  int activePage_ = 2;
  TSearchRun run_;
};

TEST_F(SearchRunTest, RowsOfEveryKindInTargetOrderWithCellLabels) {
  settings_.extensionList = ".txt,.doc,.xls";
  Build(kTree);
  for (bool regex : {true, false}) {
    SCOPED_TRACE(regex);
    settings_.useRegex = regex;
    Search("abc");
    EXPECT_EQ(Rows(), (std::vector<std::string>{
                          H(kTree + "/a.txt"),
                          Sjis("+ 【2列目】abc here"),
                          Sjis("+ 【3列目】日本語の行 abc"),
                          H(kTree + "/B.TXT"),
                          Sjis("+ 【2列目】lower abc"),
                          H(kTree + "/sub/c.doc"),
                          Sjis("- 【Wordファイル】abc in a document"),
                          H(kTree + "/sub/d.xls"),
                          Sjis("- 【Excel,Sheet1, A3セル】abc"),
                          Sjis("- 【Excel,Sheet2,AA1セル】abc at AA1"),
                          Sjis("- 【Excel,Sheet2, A2セル】twolines abc"),
                          Sjis("- 【Excel,Sheet2, B2セル】日本語abc"),
                          H(kTree + "/sub/deep/e.txt"),
                          Sjis("+ 【3列目】zabcz"),
                      }));
    // Nothing is left to take back; the office files with hits are listed.
    EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
    EXPECT_EQ(officeFiles_, (std::vector<std::string>{kTree + "/sub/c.doc", kTree + "/sub/d.xls"}));
    EXPECT_TRUE(cellLabels_.empty());
    EXPECT_EQ(state_.searchText, "abc");
    EXPECT_EQ(resultList_.ItemIndex(), 0);
  }
}

TEST_F(SearchRunTest, CellLabelsGoByTextWithoutCaseFromTheEnd) {
  settings_.extensionList = ".xls";
  Build(kTree);
  struct Row {
    bool regex;
    std::string pattern;
    std::vector<std::string> hits;
  } rows[] = {
      // "ABC" (A1) is the hit, but the later cell "abc" (A3) has the same text without case.
      {true, "ABC", {Sjis("- 【Excel,Sheet1, A3セル】ABC")}},
      {false, "ABC", {Sjis("- 【Excel,Sheet1, A3セル】ABC")}},
      // Both hits: the last hit takes the last cell, the first the first.
      {true,
       "^[Aa][Bb][Cc]$",
       {Sjis("- 【Excel,Sheet1, A1セル】ABC"), Sjis("- 【Excel,Sheet1, A3セル】abc")}},
      // The backslash-n pair is gone before the cell is searched and shown.
      {false, "C:ew", {Sjis("- 【Excel,Sheet1, A2セル】C:ew")}},
      {true, "12\\.5", {Sjis("- 【Excel,Sheet1, B2セル】12.5")}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    settings_.useRegex = row.regex;
    Search(row.pattern);
    std::vector<std::string> expected{H(kTree + "/sub/d.xls")};
    expected.insert(expected.end(), row.hits.begin(), row.hits.end());
    EXPECT_EQ(Rows(), expected);
    // The labels of the cells without a hit are not left over for the next search.
    EXPECT_EQ(cellLabels_, std::vector<std::string>{});
  }
}

TEST_F(SearchRunTest, ExtractedTextsLieUnderTempWithCrLfLines) {
  settings_.extensionList = ".doc,.xls";
  Build(kTree);
  Search("nothing matches this");
  EXPECT_EQ(ReadWholeFile(home_ + "/Temp" + kTree + "/sub/c.doc"),
            Sjis("文書の最初の段落\r\nabc in a document\r\n全角ＡＢＣ\r\nlast ABC paragraph\r\n"));
  EXPECT_EQ(ReadWholeFile(home_ + "/Temp" + kTree + "/sub/d.xls"),
            "ABC\r\nother\r\nC:ew\r\n12.5\r\nabc\r\nabc at AA1\r\ntwolines abc\r\n" +
                Sjis("日本語abc") + "\r\n");
  EXPECT_TRUE(ledger_.OwnsWholeTempFolder());
  EXPECT_EQ(
      Messages(),
      (std::vector<std::string>{Sjis("message \"nothing matches this\"は見つかりませんでした。")}));
}

// A .doc that is not a compound document is read as plain text, but its lines are still
// word-processor lines: unchecked, labelled "【Wordファイル】", and without backslash-n pairs,
// whatever the case of the extension. A text file keeps its bytes.
TEST_F(SearchRunTest, WordLinesLoseBackslashNWhateverTheCaseOfTheExtension) {
  const std::string doc = Write("note.DOC", "first\r\nC:\\new abc\r\n");
  const std::string txt = Write("t.TXT", "C:\\new abc\r\n");
  settings_.extensionList = ".txt,.doc";
  Build(home_ + "/data");
  struct Row {
    bool regex;
    std::string pattern;
    std::vector<std::string> rows;
  } rows[] = {
      {true, "C:ew", {H(doc), Sjis("- 【Wordファイル】C:ew abc")}},
      {false, "C:ew", {H(doc), Sjis("- 【Wordファイル】C:ew abc")}},
      {true, "new", {H(txt), Sjis("+ 【1列目】C:\\new abc")}},
      {false,
       "abc",
       {H(doc), Sjis("- 【Wordファイル】C:ew abc"), H(txt), Sjis("+ 【1列目】C:\\new abc")}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    settings_.useRegex = row.regex;
    Search(row.pattern);
    EXPECT_EQ(Rows(), row.rows);
    EXPECT_EQ(ReadWholeFile(home_ + "/Temp" + doc), std::string("first\r\nC:ew abc\r\n"));
  }
  // Only the office file with hits is in the office file list.
  EXPECT_EQ(officeFiles_, std::vector<std::string>{doc});
}

TEST_F(SearchRunTest, PatternAndPlainSearchDifferAndCaseOnlyAffectsPlain) {
  Write("f.txt", "axb\r\na.b\r\nA.B\r\n");
  Build(home_ + "/data");
  const std::string h = H(home_ + "/data/f.txt");
  struct Row {
    bool regex, caseSensitive;
    std::vector<std::string> rows;
  } rows[] = {
      {true, true, {h, Sjis("+ 【1列目】axb"), Sjis("+ 【2列目】a.b")}},
      {true, false, {h, Sjis("+ 【1列目】axb"), Sjis("+ 【2列目】a.b")}},
      {false, true, {h, Sjis("+ 【2列目】a.b")}},
      {false, false, {h, Sjis("+ 【2列目】a.b"), Sjis("+ 【3列目】A.B")}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.regex) + std::to_string(row.caseSensitive));
    settings_.useRegex = row.regex;
    settings_.caseSensitive = row.caseSensitive;
    Search("a.b");
    EXPECT_EQ(Rows(), row.rows);
  }
}

TEST_F(SearchRunTest, StatusShowsProgressDotsPerPlainHitAndTheEnd) {
  Write("f.txt", "hit\nhit\nno\n");
  Build(home_ + "/data");
  settings_.useRegex = false;
  SearchInSteps("hit");
  std::vector<std::string> statuses;
  for (const auto& c : ui_.CallsOf("status")) statuses.push_back(c.text);
  ASSERT_GE(statuses.size(), 5u);
  std::vector<std::string> tail(statuses.end() - 5, statuses.end());
  // Two rows (folder row, file row): the second is the last, a full bar.
  EXPECT_EQ(tail, (std::vector<std::string>{Sjis("□□□□□□□□□□検索中"), Sjis("■■■■■■■■■■検索中"),
                                            Sjis("■■■■■■■■■■検索中."), Sjis("■■■■■■■■■■検索中.."),
                                            Sjis("検索終了")}));
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_EQ(activePage_, 0);
}

TEST_F(SearchRunTest, TriggersCheckTheirConditionFirst) {
  const std::string none = Sjis("選択されたファイルがありません！");
  // Tool button and Enter key need a target count, the menu item a target row.
  searchHistory_.SetText("abc");
  run_.SearchToolButtonClick();
  run_.WaitForEnd();
  EXPECT_EQ(ui_.statusText, none);
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_EQ(searchHistory_.Count(), 0);
  timer_.SetEnabled(false);
  run_.SearchMenuClick();
  run_.WaitForEnd();
  EXPECT_EQ(ui_.statusText, none);
  EXPECT_TRUE(timer_.Enabled());
  // Enter puts the text on top but does not search without targets.
  timer_.SetEnabled(false);
  run_.OnSearchBoxEnter();
  run_.WaitForEnd();
  EXPECT_EQ(searchHistory_.Items(), (std::vector<std::string>{"abc"}));
  EXPECT_EQ(ui_.statusText, none);
  // Enter in an empty box does nothing at all.
  ui_.calls.clear();
  searchHistory_.SetText("");
  run_.OnSearchBoxEnter();
  run_.WaitForEnd();
  EXPECT_TRUE(ui_.calls.empty());

  Write("f.txt", "abc\nxyz\n");
  Build(home_ + "/data");
  targets_.List().SetTargetCount(0);  // every file row unchecked by the user
  run_.SearchMenuClick();             // the menu item only asks for rows: the input box comes up
  run_.WaitForEnd();
  EXPECT_EQ(ui_.CallsOf("input").size(), 1u);

  // Choosing a history entry moves it to the top and runs.
  searchHistory_.SetItems({"abc", "xyz"});
  run_.OnSearchHistoryPick(1);
  run_.WaitForEnd();
  EXPECT_EQ(searchHistory_.Items(), (std::vector<std::string>{"xyz", "abc"}));
  EXPECT_EQ(searchHistory_.Text(), "xyz");
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(home_ + "/data/f.txt"), Sjis("+ 【2列目】xyz")}));
  // Without a folder history text it does not run.
  folderHistory_.SetItems({});
  folderHistory_.SetText("");
  run_.OnSearchHistoryPick(1);
  run_.WaitForEnd();
  EXPECT_EQ(searchHistory_.Text(), "abc");
  EXPECT_EQ(state_.searchText, "xyz");
}

TEST_F(SearchRunTest, InputDialogForAnEmptyBox) {
  Write("f.txt", "abc\n");
  Build(home_ + "/data");
  state_.searchText = "earlier";
  searchHistory_.SetItems({"old", ""});
  // Cancel: an empty entry stands on top, nothing was searched, the search tab is active.
  Search("");
  ASSERT_EQ(ui_.CallsOf("input").size(), 1u);
  EXPECT_EQ(ui_.CallsOf("input")[0].caption, Sjis("検索文字入力"));
  EXPECT_EQ(ui_.CallsOf("input")[0].text, Sjis("検索する文字列を入力してください。"));
  EXPECT_EQ(searchHistory_.Items(), (std::vector<std::string>{"", "old"}));
  EXPECT_TRUE(resultList_.Empty());
  EXPECT_EQ(activePage_, 0);
  EXPECT_EQ(state_.searchText, "earlier");
  // An empty answer is a cancel too.
  ui_.inputAnswers.push_back(std::string());
  Search("");
  EXPECT_TRUE(resultList_.Empty());
  // An answer stands above the empty entry and is searched.
  ui_.inputAnswers.push_back(std::string("abc"));
  Search("");
  EXPECT_EQ(searchHistory_.Items(), (std::vector<std::string>{"abc", "", "old"}));
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(home_ + "/data/f.txt"), Sjis("+ 【1列目】abc")}));
  EXPECT_EQ(state_.searchText, "abc");
}

TEST_F(SearchRunTest, EmptyTargetListIsBuiltFromTheSelectedFolderEntryOnly) {
  Write("f.txt", "abc\n");
  folderHistory_.SetItems({home_ + "/data"});
  searchHistory_.SetText("abc");
  // No entry selected: nothing is built.
  run_.RunSearch();
  run_.WaitForEnd();
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{Sjis("message 検索対象のファイルがありません！")}));
  EXPECT_TRUE(targetList_.Empty());
  EXPECT_EQ(ui_.statusText, Sjis("検索終了"));
  ui_.calls.clear();
  folderHistory_.SetItemIndex(0);
  run_.RunSearch();
  run_.WaitForEnd();
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(home_ + "/data/f.txt"), Sjis("+ 【1列目】abc")}));
}

TEST_F(SearchRunTest, RejectedPatternShowsTheEngineErrorAndLeavesTheListEmpty) {
  Write("f.txt", "abc\n");
  Build(home_ + "/data");
  state_.searchText = "earlier";
  Search("(abc");
  auto errors = ui_.CallsOf("error");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_FALSE(errors[0].text.empty());
  EXPECT_TRUE(resultList_.Empty());
  EXPECT_EQ(state_.searchText, "earlier");
  EXPECT_FALSE(state_.runInProgress);
  // Plain search takes the same text literally.
  settings_.useRegex = false;
  Write("f.txt", "x(abcx\n");
  Search("(abc");
  EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(SearchRunTest, SkipsFolderRowsUncheckedAndVanishedFilesAndSearchesTwiceListedOnes) {
  std::string a = Write("a.txt", "hit\n");
  std::string b = Write("b.txt", "hit\n");
  std::string c = Write("c.txt", "hit\n");
  Build(home_ + "/data");
  Build(home_ + "/data", /*add=*/true);  // every file listed twice
  targetList_.SetChecked(2, false);      // the first b.txt
  DeleteFilePath(c);
  Search("hit");
  EXPECT_EQ(Rows(),
            (std::vector<std::string>{H(a), Sjis("+ 【1列目】hit"), H(a), Sjis("+ 【1列目】hit"),
                                      H(b), Sjis("+ 【1列目】hit")}));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(SearchRunTest, StartClearsThePendingReplace) {
  Write("f.txt", "abc\n");
  Build(home_ + "/data");
  state_.replaceText = "X";
  state_.replacePending = true;
  Search("abc");
  EXPECT_TRUE(state_.replaceText.empty());
  EXPECT_FALSE(state_.replacePending);
}

TEST_F(SearchRunTest, AFileThatCannotBeExtractedStopsTheRunWithWhatWasFound) {
  settings_.extensionList = ".txt,.xls";
  Build(kTree);
  // A file where the temp folder would be: no extracted text can be written.
  std::ofstream(home_ + "/Temp") << "not a folder";
  Search("abc");
  // The message names the file and the reason on its second line.
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{Sjis("message 新規検索エラー\n") + kTree + "/sub/d.xls: " +
                                      Sjis("抽出したテキストを書き込めませんでした：") + home_ +
                                      "/Temp" + kTree + "/sub/d.xls"}));
  // a.txt and B.TXT come first; d.xls breaks off and leaves no header row behind.
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(kTree + "/a.txt"), Sjis("+ 【2列目】abc here"),
                                              Sjis("+ 【3列目】日本語の行 abc"),
                                              H(kTree + "/B.TXT"), Sjis("+ 【2列目】lower abc")}));
  EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
  EXPECT_EQ(state_.searchText, "abc");
  EXPECT_EQ(ui_.statusText, Sjis("検索終了"));
}

// Damaged zipped office files are named in one message once the run is over; the files
// between and after them are searched and keep their rows.
TEST_F(SearchRunTest, RefusedOfficeFilesAreNamedTogetherAndTheRunGoesOn) {
  const std::string data = std::string(SKARVO_TEST_DATA) + "/open_xml/";
  const auto copy = [&](const std::string& name) {
    return Write(name, *ReadWholeFile(data + name));
  };
  const std::string bomb = copy("bad_bomb.xlsx");
  const std::string damaged = copy("bad_crc.docx");
  const std::string book = copy("hand_book.xlsx");
  const std::string text = Write("z.txt", "rich text\r\n");
  settings_.extensionList = ".txt,.xls,.doc";
  Build(home_ + "/data");
  Search("rich");
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{Sjis("message 新規検索エラー\n") + bomb + ": " +
                                      Sjis("展開後のサイズが上限を超えています\n") + damaged +
                                      ": " + Sjis("ファイルが壊れています")}));
  EXPECT_EQ(Rows(), (std::vector<std::string>{H(book), Sjis("- 【Excel,Sheet1, B1セル】漢字 rich"),
                                              H(text), Sjis("+ 【1列目】rich text")}));
  EXPECT_EQ(officeFiles_, (std::vector<std::string>{book}));
  EXPECT_EQ(ui_.statusText, Sjis("検索終了"));
}

// A stop at any row keeps exactly the rows found up to it (a header with its first hit),
// says so with their counts, and the next run starts afresh; the worker is held at each
// row it hands over, so the stop falls at a known row.
TEST_F(SearchRunTest, AStopKeepsTheRowsFoundSoFarAndSaysSoWithTheCounts) {
  Write("a.txt", "x\nhit one\nhit two\n");
  Write("b.txt", "hit\n");
  Write("c.txt", "nothing\n");
  Write("d.txt", "hit\nhit\n");
  Build(home_ + "/data");
  run_.SetBatching(1, std::chrono::milliseconds(0));
  for (bool regex : {true, false}) {
    settings_.useRegex = regex;
    Search("hit");
    const std::vector<std::string> all = Rows();
    ASSERT_EQ(all.size(), 8u);
    for (size_t stopAt = 1; stopAt <= all.size(); ++stopAt) {
      SCOPED_TRACE(std::to_string(regex) + " stop at " + std::to_string(stopAt));
      WorkerGate gate;
      run_.SetWake(gate.Wake());
      ui_.calls.clear();
      searchHistory_.SetText("hit");
      run_.SearchToolButtonClick();
      // The result list shows the rows as they come, while the run goes on.
      for (;;) {
        gate.WaitHeld();
        ASSERT_TRUE(state_.runInProgress);
        run_.TakeFound();
        if (static_cast<size_t>(resultList_.Count()) >= stopAt) break;
        gate.Step();
      }
      run_.RequestStop();
      gate.Open();
      run_.WaitForEnd();
      run_.SetWake(nullptr);
      const size_t kept = stopAt + (all[stopAt - 1][0] == 'H' ? 1 : 0);
      EXPECT_EQ(Rows(), std::vector<std::string>(all.begin(), all.begin() + kept));
      const int files = resultList_.HeaderCount();
      EXPECT_EQ(ui_.statusText, Sjis("検索を中止しました（") + std::to_string(files) +
                                    Sjis("ファイル、") + std::to_string(kept - files) +
                                    Sjis("件）"));
      EXPECT_TRUE(Messages().empty());
      EXPECT_FALSE(state_.runInProgress);
      // A stopped run leaves nothing to take back either.
      EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
    }
    // The next run starts afresh.
    Search("hit");
    EXPECT_EQ(Rows(), all);
    EXPECT_EQ(ui_.statusText, Sjis("検索終了"));
  }
}

TEST_F(SearchRunTest, CommandsAreHeldOffWhileARunWorks) {
  Write("f.txt", "abc\nabc\n");
  Build(home_ + "/data");
  searchHistory_.SetText("abc");
  run_.SearchToolButtonClick();
  ASSERT_TRUE(state_.runInProgress);
  // A second run asked for meanwhile does nothing.
  searchHistory_.SetText("other");
  run_.SearchToolButtonClick();
  run_.RunSearch();
  searchHistory_.SetText("abc");
  run_.WaitForEnd();
  EXPECT_FALSE(state_.runInProgress);
  EXPECT_EQ(Rows().size(), 3u);
  EXPECT_EQ(searchHistory_.Items(), (std::vector<std::string>{"abc"}));
}

}  // namespace
}  // namespace skarvo

namespace skarvo {
namespace {

// Plain and pattern search must agree on a fixed string: both step over 2-byte characters,
// split lines at CR LF, CR and LF, and read a zero byte as a blank. Seeded random files
// with characters whose second byte is an ASCII letter, mixed line ends and long lines.
TEST_F(SearchRunTest, PlainAndPatternSearchAgreeOnFixedStrings) {
  const std::vector<std::string> tokens = {"a",
                                           "b",
                                           "ab",
                                           "x",
                                           "\r\n",
                                           "\r",
                                           "\n",
                                           "\x82\x61",
                                           "\x83\x62",
                                           "\x82\x61"
                                           "b",
                                           std::string(1, '\0')};
  const std::vector<std::string> patterns = {"a",
                                             "ab",
                                             "ba",
                                             "\x82\x61",
                                             "b\x83\x62",
                                             "aab",
                                             "xa",
                                             "\x82\x61"
                                             "b"};
  std::mt19937 random(20261207);
  for (int f = 0; f < 12; ++f) {
    std::string data;
    const int count = static_cast<int>(random() % 400);
    for (int t = 0; t < count; ++t) data += tokens[random() % tokens.size()];
    if (f == 0) data += std::string(70000, 'x') + "ab" + std::string(10, 'x') + "\r\nab";
    Write("f" + std::to_string(f) + ".txt", data);
  }
  Build(home_ + "/data");
  for (const std::string& pattern : patterns) {
    SCOPED_TRACE(pattern);
    settings_.useRegex = false;
    Search(pattern);
    const std::vector<std::string> plain = Rows();
    settings_.useRegex = true;
    Search(pattern);
    EXPECT_EQ(Rows(), plain);
    EXPECT_FALSE(plain.empty());
  }
}

}  // namespace
}  // namespace skarvo
