#include "ops/open_hit.h"

#include <gtest/gtest.h>

#include "editor_fakes.h"
#include "platform/codepage.h"
#include "search/search_text.h"
#include "support/fake_ui_port.h"
#include "targets/target_files.h"
#include "targets/temp_tree.h"

namespace skarvo::testing {
namespace {

std::string U(const char* utf8) { return Sjis(utf8); }

class OpenHitTest : public ::testing::Test {
 protected:
  OpenHitTest() {
    tree_.Folder("home");
    tree_.Folder("a b");
    tree_.File("a b/x.txt", "one\r\ntwo\r\nthree\r\n");
    tree_.File("book.XLS", "not read here");
    tree_.File("memo.Doc", "not read here");
    tree_.File("sheet.xlsx", "plain\n");
    tree_.File("editor", "#!/bin/sh\n");
    search_.searchText = U("目印");
    open_.SetOffice(&office_);
    open_.SetEditorHost(&editor_);
  }
  std::string P(const char* relative) const { return tree_.Path(relative); }
  void Settings(const std::string& editorSection) {
    tree_.File("home/Skarvo.ini", Sjis(("[外部エディタ]\r\n" + editorSection).c_str()));
  }
  // The result list of a search over the tree (hit row 1 keeps its line number, the
  // others have only their text).
  void FillResultList() {
    CheckList& r = resultList_;
    r.Add(FileHeaderRowText(P("a b/x.txt")), true);                              // 0
    r.Insert(1, CheckListRow{TextHitRowText(2, "two"), false, true, 2, "two"});  // 1
    r.Add(TextHitRowText(3, "three"), false, true);                              // 2
    r.Add("edited", false, true);                                                // 3
    r.Add(FileHeaderRowText(P("book.XLS")), true);                               // 4
    r.Add(U("【Excel,Sheet2, C7セル】目印"));                                    // 5
    r.Add(U("【Excel,Sheet1,AB12セル】遠く"));                                   // 6
    r.Add(FileHeaderRowText(P("memo.Doc")), true);                               // 7
    r.Add(U("【Wordファイル】段落"));                                            // 8
    r.Add(FileHeaderRowText(P("sheet.xlsx")), true);                             // 9
    r.Add(TextHitRowText(1, "plain"), false, true);                              // 10
    r.Add(FileHeaderRowText(P("gone.txt")), true);                               // 11
    r.Add(TextHitRowText(1, "gone"), false, true);                               // 12
  }
  std::vector<std::string> LogWithoutReleases() {
    std::vector<std::string> lines;
    for (const std::string& line : office_.Log())
      if (line.rfind("release ", 0) != 0) lines.push_back(line);
    return lines;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const FakeUiPort::Call& call : port_.CallsOf("message")) texts.push_back(call.text);
    return texts;
  }
  static std::vector<std::string> ExcelLog(const std::string& file, int sheet, int row, int col) {
    return {"create Excel.Application",
            "Excel.Application.Visible = true",
            "Excel.Application.WorkBooks()",
            "WorkBooks.Open(FileName:=" + file + ", readOnly:=false)",
            "Excel.Application.WorkSheets[" + std::to_string(sheet) + "]",
            "WorkSheets.Cells[" + std::to_string(row) + ", " + std::to_string(col) + "]",
            "Cells.Activate()",
            "Open.close()",
            "Excel.Application.Quit()"};
  }
  static std::vector<std::string> WordLog(const std::string& file) {
    return {"create Word.Application",      "Word.Application.Visible = true",
            "Word.Application.documents()", "documents.open(" + file + ")",
            "Word.Application.Activate()",  "Word.Application.Quit()"};
  }

  TempTree tree_;
  CheckList resultList_, targetList_, joinList_;
  SearchState search_;
  int mode_ = 0;
  std::string home_ = tree_.Path("home");
  std::string caption_ = "Skarvo";
  FakeUiPort port_;
  RecordingProcessPort processes_;
  RecordingAutomation office_;
  FakeEditorHost editor_{port_};
  std::vector<std::string> notices_;
  TOpenHit open_{OpenHitParts{resultList_, targetList_, joinList_, search_, mode_, home_, port_,
                              processes_, caption_,
                              [this](const std::string& text) { notices_.push_back(text); }}};
};

TEST(CellLabelTest, LabelsGiveSheetColumnAndRow) {
  struct Row {
    const char* text;
    const char* address;
  } rows[] = {
      {"【Excel,Sheet2, C7セル】目印", "2,3,7"},
      {"【Excel,Sheet1,AB12セル】遠く", "1,28,12"},
      {"【Excel,Sheet1, A1セル】", "1,1,1"},
      {"【Excel,Sheet3,ZZ65536セル】", "3,702,65536"},
      {"【excel,sheet4, Bセル】", "4,2,"},                  // case ignored; no row
      {"【Excel,Sheet1,ABCセル】", "1,0,"},                 // three letters name no column
      {"【Wordファイル】本文", "【Wordファイル】本文,0,"},  // not a cell label
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(CellLabelToAddress(Sjis(row.text)), Sjis(row.address));
  }
  const CellAddress c7 = CellAddressOfRow(Sjis("【Excel,Sheet2, C7セル】x"));
  EXPECT_EQ(c7.sheet, 2);
  EXPECT_EQ(c7.row, 7);
  EXPECT_EQ(c7.column, 3);
  EXPECT_THROW(CellAddressOfRow(Sjis("【Wordファイル】本文")), Exception);
  EXPECT_THROW(CellAddressOfRow(Sjis("【Excel,Sheet99999999999, A1セル】")), Exception);

  struct Letter {
    const char* letter;
    int value;
  } letters[] = {{"A", 1}, {"Z", 26}, {"M", 13}, {"a", 0}, {"", 0}, {"AB", 0}, {"@", 0}, {"[", 0}};
  for (const Letter& l : letters) {
    SCOPED_TRACE(l.letter);
    EXPECT_EQ(ColumnLetterValue(l.letter), l.value);
  }
}

TEST(HitLineNumberTest, KeptNumberFirstThenThePrefix) {
  struct Row {
    CheckListRow row;
    int64_t line;
  } rows[] = {
      {{Sjis("【12列目】abc"), false, true, 0, {}}, 12},
      {{Sjis("【12列目】abc"), false, true, 40, "abc"}, 40},  // the search's own count wins
      {{Sjis("【列目】"), false, true, 0, {}}, -1},
      {{Sjis("【1x列目】"), false, true, 0, {}}, -1},
      {{Sjis("【Excel,Sheet1, A1セル】"), false, false, 0, {}}, -1},
      {{Sjis("【Wordファイル】列目"), false, false, 0, {}}, -1},
      {{"", false, false, 0, {}}, -1},
      {{Sjis("【99999999999999999999列目】"), false, true, 0, {}}, -1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Cp932ToUtf8Lossy(r.row.text));
    EXPECT_EQ(HitLineNumber(r.row), r.line);
  }
  EXPECT_EQ(OpenKindOf("/a/b.XLS"), OpenKind::kSpreadsheet);
  EXPECT_EQ(OpenKindOf("/a/b.Doc"), OpenKind::kDocument);
  EXPECT_EQ(OpenKindOf("/a/b.xlsx"), OpenKind::kText);
  EXPECT_EQ(OpenKindOf("/a.xls/b"), OpenKind::kText);
}

TEST_F(OpenHitTest, ResultListDoubleClickOpensEachKindOfRow) {
  Settings("");
  FillResultList();
  struct Row {
    int index;
    std::string editorFile;  // empty: the built-in editor is not used
    int64_t caretLine;
    std::vector<std::string> office;  // the automation calls, releases left out
  } rows[] = {
      {0, P("a b/x.txt"), 1, {}},
      {1, P("a b/x.txt"), 2, {}},
      {2, P("a b/x.txt"), 3, {}},
      {3, P("a b/x.txt"), 1, {}},
      {4, "", 0, ExcelLog(P("book.XLS"), 1, 1, 1)},
      {5, "", 0, ExcelLog(P("book.XLS"), 2, 7, 3)},
      {6, "", 0, ExcelLog(P("book.XLS"), 1, 12, 28)},
      {7, "", 0, WordLog(P("memo.Doc"))},
      {8, "", 0, WordLog(P("memo.Doc"))},
      {9, P("sheet.xlsx"), 1, {}},
      {10, P("sheet.xlsx"), 1, {}},
      {11, "", 0, {}},  // the file is gone: nothing happens
      {12, "", 0, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    editor_.editor.reset();
    office_.Log().clear();
    port_.calls.clear();
    resultList_.SetItemIndex(row.index);
    open_.CheckListBox3DblClick();
    EXPECT_EQ(LogWithoutReleases(), row.office);
    if (!row.office.empty()) {
      // Everything made is released, the application last.
      EXPECT_EQ(office_.Log().back(), row.office[0] == "create Excel.Application"
                                          ? "release Excel.Application"
                                          : "release Word.Application");
      EXPECT_EQ(Messages(), std::vector<std::string>{row.office[0] == "create Excel.Application"
                                                         ? U("Excelを終了します。")
                                                         : U("Wordを終了します。")});
    }
    if (row.editorFile.empty()) {
      EXPECT_FALSE(editor_.editor);
      continue;
    }
    ASSERT_TRUE(editor_.editor);
    EXPECT_EQ(editor_.editor->Caption(), row.editorFile);
    EXPECT_EQ(editor_.area.caretLine, row.caretLine);
    EXPECT_EQ(editor_.editor->StatusText(),
              U("縦：") + std::to_string(row.caretLine) + U("横：") + "1");
    EXPECT_FALSE(editor_.editor->SaveEnabled());
    EXPECT_FALSE(editor_.area.modified);
    EXPECT_TRUE(editor_.editor->StatusTimer.Enabled());
  }
  EXPECT_TRUE(processes_.requests.empty());
}

TEST_F(OpenHitTest, ResultListFailuresAndTheContextMenu) {
  Settings("");
  FillResultList();
  // Nothing selected, or an empty list: nothing at all.
  open_.CheckListBox3DblClick();
  open_.N4Click();
  EXPECT_TRUE(port_.calls.empty());
  EXPECT_FALSE(editor_.editor);

  // A hit row without a header above is reported.
  CheckList lone;
  lone.Add(TextHitRowText(1, "x"));
  std::swap(lone, resultList_);
  resultList_.SetItemIndex(0);
  open_.CheckListBox3DblClick();
  EXPECT_EQ(Messages(), std::vector<std::string>{U("ERROR#CL3DB")});
  std::swap(lone, resultList_);

  // An unreachable cell: the warning, then the sheet alone; a second error is reported.
  port_.calls.clear();
  office_.Failing() = {"Cells.Activate"};
  resultList_.SetItemIndex(5);
  open_.CheckListBox3DblClick();
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            U("該当セルの参照に失敗しました！シートをアクティブにします。"),
                            U("Excelを終了します。")}));
  std::vector<std::string> log = LogWithoutReleases();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
            (std::vector<std::string>{"Excel.Application.WorkSheets[2]", "WorkSheets.Activate()",
                                      "Open.close()", "Excel.Application.Quit()"}));
  port_.calls.clear();
  office_.Log().clear();
  office_.Failing() = {"Cells.Activate", "WorkSheets.Activate"};
  open_.CheckListBox3DblClick();
  EXPECT_EQ(Messages().back(), U("ERROR#CL3DB"));
  EXPECT_EQ(LogWithoutReleases().back(), "Excel.Application.Quit()");
  // A workbook that does not open: nothing to close, the application still quits.
  port_.calls.clear();
  office_.Log().clear();
  office_.Failing() = {"WorkBooks.Open", "WorkSheets.Activate"};
  open_.CheckListBox3DblClick();
  EXPECT_EQ(Messages().back(), U("ERROR#CL3DB"));
  log = LogWithoutReleases();
  EXPECT_EQ(log.back(), "Excel.Application.Quit()");
  EXPECT_EQ(std::count(log.begin(), log.end(), "Open.close()"), 0);
  // Word is told to quit after a failed step too.
  port_.calls.clear();
  office_.Log().clear();
  office_.Failing() = {"documents.open"};
  resultList_.SetItemIndex(8);
  open_.CheckListBox3DblClick();
  EXPECT_EQ(Messages(), std::vector<std::string>{U("ERROR#CL3DB")});
  EXPECT_EQ(LogWithoutReleases().back(), "Word.Application.Quit()");
  office_.Failing().clear();

  // Without an office backend: the desktop's opener and a status notice.
  port_.calls.clear();
  office_.Log().clear();
  office_.available = false;
  notices_.clear();
  resultList_.SetItemIndex(5);
  open_.CheckListBox3DblClick();
  resultList_.SetItemIndex(8);
  open_.CheckListBox3DblClick();
  EXPECT_TRUE(office_.Log().empty());
  ASSERT_EQ(processes_.requests.size(), 2u);
  EXPECT_EQ(processes_.requests[0].kind, "open");
  EXPECT_EQ(processes_.requests[0].target, P("book.XLS"));
  EXPECT_EQ(processes_.requests[1].target, P("memo.Doc"));
  EXPECT_EQ(notices_.size(), 2u);

  // "ファイルを開く": always the editor, no existence test, no office.
  struct Menu {
    int index;
    std::string file;
    int64_t line;
  } menus[] = {{0, P("a b/x.txt"), 1},
               {1, P("a b/x.txt"), 2},
               {2, P("a b/x.txt"), 3},
               {5, P("book.XLS"), 1}};
  for (const Menu& m : menus) {
    SCOPED_TRACE(m.index);
    resultList_.SetItemIndex(m.index);
    // The spreadsheet opens as text in the editor: a plain file here.
    open_.N4Click();
    ASSERT_TRUE(editor_.editor);
    EXPECT_EQ(editor_.editor->Caption(), m.file);
    EXPECT_EQ(editor_.area.caretLine, m.line);
  }
  resultList_.SetItemIndex(12);  // missing file: the editor's error
  EXPECT_THROW(open_.N4Click(), Exception);
}

TEST_F(OpenHitTest, ExternalEditorGetsAnArgumentVector) {
  const std::string editor = P("editor");
  const std::string file = P("a b/x.txt");
  struct Row {
    std::string section;
    std::string word;
    int64_t line;
    int failures;
    std::vector<std::vector<std::string>> starts;  // empty: the built-in editor
  } rows[] = {
      {"使用許可=1\r\nPath=" + editor + "\r\n列表示=/L\r\n", "", 12, 0, {{editor, file, "/L12"}}},
      {"使用許可=1\r\nPath=" + editor + "\r\n列表示=/L\r\n", "w", -1, 0, {{editor, file}}},
      {"使用許可=1\r\nPath=" + editor + "\r\n強調文字=/w:\r\n", "", -1, 0, {{editor, file, "/w:"}}},
      {"使用許可=1\r\nPath=" + editor + "\r\n列表示=+\r\n強調文字=-s\r\n",
       "a b",
       3,
       0,
       {{editor, file, "+3", "-sa b"}}},
      // A failed start is retried once without options; its result is not looked at.
      {"使用許可=1\r\nPath=" + editor + "\r\n列表示=/L\r\n",
       "",
       2,
       1,
       {{editor, file, "/L2"}, {editor, file}}},
      {"使用許可=1\r\nPath=" + editor + "\r\n列表示=/L\r\n",
       "",
       2,
       2,
       {{editor, file, "/L2"}, {editor, file}}},
      {"使用許可=0\r\nPath=" + editor + "\r\n", "", 2, 0, {}},
      {"使用許可=1\r\nPath=" + editor + " -n\r\n", "", 2, 0, {}},  // arguments behind the path
      {"使用許可=1\r\nPath=\r\n", "", 2, 0, {}},
      {"", "", 2, 0, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.section);
    Settings(row.section);
    processes_.requests.clear();
    processes_.failuresToCome = row.failures;
    editor_.editor.reset();
    notices_.clear();
    open_.OpenInEditor(file, row.word, row.line);
    std::vector<std::vector<std::string>> starts;
    for (const RecordingProcessPort::Request& r : processes_.requests) {
      EXPECT_EQ(r.kind, "arguments");
      starts.push_back(r.arguments);
    }
    EXPECT_EQ(starts, row.starts);
    EXPECT_EQ(notices_.size(), row.failures == 2 ? 1u : 0u);
    if (row.starts.empty()) {
      ASSERT_TRUE(editor_.editor);
      EXPECT_EQ(editor_.area.caretLine, row.line < 1 ? 1 : row.line);
    } else {
      EXPECT_FALSE(editor_.editor);
    }
    EXPECT_TRUE(port_.calls.empty());
  }
}

TEST_F(OpenHitTest, TargetAndJoinListsAndTheHiddenItems) {
  Settings("");
  targetList_.Add(FolderRowText(P("a b"), 1), true);   // 0
  targetList_.Add(P("a b/x.txt"));                     // 1
  targetList_.Add(P("book.XLS"));                      // 2
  targetList_.Add(P("missing.txt"));                   // 3
  targetList_.Add(FolderRowText(P("gone"), 0), true);  // 4

  targetList_.SetItemIndex(0);
  open_.CheckListBox1DblClick();
  open_.N13Click();  // disabled on folder rows: nothing
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].kind, "open");
  EXPECT_EQ(processes_.requests[0].target, P("a b"));

  targetList_.SetItemIndex(4);
  open_.CheckListBox1DblClick();
  EXPECT_EQ(Messages(), std::vector<std::string>{U("ディレクトリが存在しません！")});
  ASSERT_EQ(processes_.requests.size(), 2u);
  EXPECT_EQ(processes_.requests[1].target, Utf8ToCp932Lossy(getenv("HOME")));

  targetList_.SetItemIndex(1);
  open_.CheckListBox1DblClick();
  ASSERT_TRUE(editor_.editor);
  EXPECT_EQ(editor_.editor->Caption(), P("a b/x.txt"));
  targetList_.SetItemIndex(2);
  open_.CheckListBox1DblClick();
  EXPECT_EQ(LogWithoutReleases(), ExcelLog(P("book.XLS"), 1, 1, 1));
  editor_.editor.reset();
  targetList_.SetItemIndex(3);
  open_.CheckListBox1DblClick();  // missing: nothing
  EXPECT_FALSE(editor_.editor);
  EXPECT_THROW(open_.N13Click(), Exception);  // passed on regardless: the editor's error

  // Join list: join mode opens the first field, split mode previews the range.
  joinList_.Add("\"" + P("a b/x.txt") + U("\",先頭"));
  joinList_.Add(U("2列目~3列目,part"));
  joinList_.Add(U("x列目~3列目,part"));
  joinList_.SetItemIndex(0);
  mode_ = 1;
  EXPECT_TRUE(open_.JoinListOpenEnabled());
  open_.MenuItem7Click();
  ASSERT_TRUE(editor_.editor);
  EXPECT_EQ(editor_.editor->Caption(), P("a b/x.txt"));
  editor_.editor.reset();
  open_.CheckListBox2DblClick();
  ASSERT_TRUE(editor_.editor);
  mode_ = 3;
  EXPECT_FALSE(open_.JoinListOpenEnabled());
  open_.SetSplitFileSource([this] { return P("a b/x.txt"); });
  joinList_.SetItemIndex(1);
  open_.CheckListBox2DblClick();
  EXPECT_EQ(editor_.area.text, "two\nthree");
  open_.MenuItem7Click();  // split mode: disabled
  EXPECT_EQ(editor_.area.text, "two\nthree");
  joinList_.SetItemIndex(2);
  open_.CheckListBox2DblClick();
  EXPECT_EQ(editor_.area.text, "");

  // The hidden items.
  editor_.editor.reset();
  open_.N15Click();
  EXPECT_EQ(editor_.modalShows, 0);
  editor_.ShowEditor();
  open_.N15Click();
  EXPECT_EQ(editor_.modalShows, 1);
  processes_.requests.clear();
  open_.N16Click();
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].target, Utf8ToCp932Lossy(getenv("HOME")));
}

}  // namespace
}  // namespace skarvo::testing
