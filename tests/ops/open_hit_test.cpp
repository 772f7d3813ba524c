#include "ops/open_hit.h"

#include <gtest/gtest.h>

#include <charconv>
#include <climits>
#include <cstdint>
#include <optional>

#include "editor_fakes.h"
#include "platform/codepage.h"
#include "platform/comma_text.h"
#include "platform/error.h"
#include "search/row_text.h"
#include "search/search_text.h"
#include "support/fake_prompter.h"
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
  // A result row as the search makes it, its text from its fields.
  static CheckListRow Typed(RowKind kind, const std::string& file, int64_t lineNo = 0,
                            const std::string& line = {}, int sheet = -1, int cellRow = 0,
                            int cellColumn = 0) {
    CheckListRow row;
    row.kind = kind;
    row.header = kind == RowKind::kFileHeader;
    row.checked = kind == RowKind::kTextLine;
    row.file = file;
    row.lineNo = lineNo;
    row.lineText = line;
    row.sheet = sheet;
    row.cellRow = cellRow;
    row.cellColumn = cellColumn;
    row.text = ResultRowText(row);
    return row;
  }
  // The result list of a search over the tree (row 3 knows no line; the office rows keep
  // none either).
  void FillResultList() {
    CheckList& r = resultList_;
    const auto add = [&r](CheckListRow row) { r.Insert(r.Count(), std::move(row)); };
    add(Typed(RowKind::kFileHeader, P("a b/x.txt")));                    // 0
    add(Typed(RowKind::kTextLine, P("a b/x.txt"), 2, "two"));            // 1
    add(Typed(RowKind::kTextLine, P("a b/x.txt"), 3, "three"));          // 2
    add(Typed(RowKind::kTextLine, P("a b/x.txt"), 0, "edited"));         // 3
    add(Typed(RowKind::kFileHeader, P("book.XLS")));                     // 4
    add(Typed(RowKind::kCell, P("book.XLS"), 0, U("目印"), 2, 6, 2));    // 5: Sheet2 C7
    add(Typed(RowKind::kCell, P("book.XLS"), 0, U("遠く"), 1, 11, 27));  // 6: Sheet1 AB12
    add(Typed(RowKind::kFileHeader, P("memo.Doc")));                     // 7
    add(Typed(RowKind::kParagraph, P("memo.Doc"), 0, U("段落")));        // 8
    add(Typed(RowKind::kFileHeader, P("sheet.xlsx")));                   // 9
    add(Typed(RowKind::kCell, P("sheet.xlsx"), 0, "plain", 2, 2, 1));    // 10: Sheet2 B3
    add(Typed(RowKind::kFileHeader, P("gone.txt")));                     // 11
    add(Typed(RowKind::kTextLine, P("gone.txt"), 1, "gone"));            // 12
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
  FakePrompter prompter_{port_};
  TOpenHit open_{OpenHitParts{search_, home_, processes_, prompter_,
                              [this](const std::string& text) { notices_.push_back(text); }}};

  // The window's triggers: each acts on a copy of its list's selected row.
  template <typename Open>
  static void OnSelected(const CheckList& list, Open open) {
    if (const CheckListRow* row = SelectedRow(list)) open(CheckListRow(*row));
  }
  void OnResultDoubleClick() {
    OnSelected(resultList_, [this](const CheckListRow& r) { open_.OpenResultRow(r); });
  }
  void OnOpenResultFile() {
    OnSelected(resultList_, [this](const CheckListRow& r) { open_.EditResultRow(r); });
  }
  void OnTargetDoubleClick() {
    OnSelected(targetList_, [this](const CheckListRow& r) { open_.OpenTargetRow(r); });
  }
  void OnOpenTargetFile() {
    OnSelected(targetList_, [this](const CheckListRow& r) { open_.EditTargetRow(r); });
  }
  void OnJoinListDoubleClick() {
    OnSelected(joinList_, [this](const CheckListRow& r) { open_.OpenJoinRow(r, mode_); });
  }
  void OnOpenJoinFile() {
    OnSelected(joinList_, [this](const CheckListRow& r) { open_.EditJoinRow(r, mode_); });
  }
  bool JoinListOpenEnabled() const { return ::skarvo::JoinListOpenEnabled(joinList_, mode_); }
};

// The reading of a cell label out of a row's text that opening a spreadsheet hit did
// before rows carried their cell: the reference the typed cell is compared with.
namespace label_reading {

std::optional<int64_t> ReadInteger(std::string_view text) {
  int64_t value = 0;
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

size_t FindWhole(const std::string& text, const std::string& what) {
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, what.size(), what) == 0) return i;
    i += IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  return std::string::npos;
}

int ColumnLetterValue(std::string_view letter) {
  if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z') return 0;
  return letter[0] - 'A' + 1;
}

std::string CellLabelToAddress(const std::string& rowText) {
  std::string label = rowText;
  const size_t end = FindWhole(label, Sjis("セル】"));
  if (end != std::string::npos) label.erase(end);
  // Every "【Excel,Sheet", case ignored.
  const std::string prefix = Sjis("【Excel,Sheet");
  const std::string upperPrefix = UpperCaseCp932(prefix);
  std::string kept;
  for (size_t i = 0; i < label.size();) {
    if (UpperCaseCp932(label.substr(i, prefix.size())) == upperPrefix) {
      i += prefix.size();
      continue;
    }
    const size_t n =
        IsLeadByte(static_cast<unsigned char>(label[i])) && i + 1 < label.size() ? 2 : 1;
    kept.append(label, i, n);
    i += n;
  }
  const std::vector<std::string> fields = SplitCommaText(kept);
  const std::string sheet = fields.size() > 0 ? fields[0] : std::string();
  const std::string cell = fields.size() > 1 ? fields[1] : std::string();
  std::string letters;
  std::string digits;
  for (char c : cell) {
    if (c >= '0' && c <= '9')
      digits += c;
    else if (c != ' ')
      letters += c;
  }
  int column = 0;
  if (letters.size() == 1) {
    column = ColumnLetterValue(letters);
  } else if (letters.size() == 2) {
    column = ColumnLetterValue(letters.substr(1, 1)) + 26 * ColumnLetterValue(letters.substr(0, 1));
  }
  return sheet + "," + std::to_string(column) + "," + digits;
}

CellAddress CellAddressOfRow(const std::string& rowText) {
  const std::vector<std::string> parts = SplitCommaText(CellLabelToAddress(rowText));
  if (parts.size() != 3) throw Exception(Sjis("ERROR#CL3DB"));
  std::optional<int64_t> sheet = ReadInteger(parts[0]);
  std::optional<int64_t> column = ReadInteger(parts[1]);
  std::optional<int64_t> row = ReadInteger(parts[2]);
  // A label whose numbers do not fit, or name no cell, reaches no sheet and no cell.
  const auto fits = [](const std::optional<int64_t>& v) { return v && *v >= 0 && *v <= 1 << 30; };
  if (!fits(sheet) || !fits(column) || !fits(row)) throw Exception(Sjis("ERROR#CL3DB"));
  return {static_cast<int>(*sheet), static_cast<int>(*row), static_cast<int>(*column)};
}

}  // namespace label_reading
using label_reading::CellAddressOfRow;
using label_reading::CellLabelToAddress;
using label_reading::ColumnLetterValue;

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

// A spreadsheet hit opens at the cell its typed fields name, where reading the row's label
// back out of its text led before: every place the reader can report (rows and columns
// are 16-bit there), numbers too large for the office, labels next to lines that hold
// label-like text, and hits that took no label.
TEST(CellLabelTest, TypedCellGivesWhatItsLabelGave) {
  const auto oldParse = [](const CheckListRow& row) -> std::optional<CellAddress> {
    try {
      return CellAddressOfRow(ResultRowText(row));
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Sjis("ERROR#CL3DB"));
      return std::nullopt;
    }
  };
  const auto newFields = [](const CheckListRow& row) -> std::optional<CellAddress> {
    try {
      return CellAddressOf(row);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Sjis("ERROR#CL3DB"));
      return std::nullopt;
    }
  };
  const int big = 1 << 30;
  const std::string lines[] = {
      "", Sjis("目印"), "a,b", Sjis("セル】"), Sjis("【Excel,Sheet9, A1セル】"), "\"q\""};
  int compared = 0;
  for (int sheet : {0, 1, 2, 9, 255, big, big + 1, INT_MAX})
    for (int cellRow : {0, 6, 11, 65535, big - 1, big, INT_MAX - 1})
      for (int cellColumn : {0, 1, 25, 26, 27, 255, 700, 701, 702, 703, 65535})
        for (const std::string& line : lines) {
          CheckListRow row;
          row.kind = RowKind::kCell;
          row.lineText = line;
          row.sheet = sheet;
          row.cellRow = cellRow;
          row.cellColumn = cellColumn;
          SCOPED_TRACE(Cp932ToUtf8Lossy(ResultRowText(row)));
          const std::optional<CellAddress> before = oldParse(row);
          const std::optional<CellAddress> after = newFields(row);
          ASSERT_EQ(before.has_value(), after.has_value());
          if (before) {
            EXPECT_EQ(after->sheet, before->sheet);
            EXPECT_EQ(after->row, before->row);
            EXPECT_EQ(after->column, before->column);
          }
          ++compared;
        }
  EXPECT_EQ(compared, 8 * 7 * 11 * 6);
  // A hit that took no label is reported, whatever its line says.
  for (const char* line : {"", "目印", "1, A1", "【Excel,Sheet2, C7セル】"}) {
    CheckListRow row;
    row.kind = RowKind::kCell;
    row.lineText = Sjis(line);
    EXPECT_FALSE(newFields(row)) << line;
  }
}

TEST(HitLineNumberTest, TheNumberTheSearchCountedNeverTheText) {
  struct Row {
    CheckListRow row;
    int64_t line;
  } rows[] = {
      {{Sjis("【12列目】abc"), false, true, 12, "abc"}, 12},
      {{Sjis("【12列目】abc"), false, true, 40, "abc"}, 40},  // the search's own count wins
      {{Sjis("【12列目】abc"), false, true, 0, "abc"}, -1},   // a row that knows no line
      {{Sjis("【Excel,Sheet1, A1セル】"), false, false, 0, {}}, -1},
      {{"", false, false, 0, {}}, -1},
      {{Sjis("【9223372036854775807列目】"), false, true, INT64_MAX, {}}, INT64_MAX},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Cp932ToUtf8Lossy(r.row.text));
    EXPECT_EQ(HitLineNumber(r.row), r.line);
  }
  EXPECT_EQ(OpenKindOf("/a/b.XLS"), OpenKind::kSpreadsheet);
  EXPECT_EQ(OpenKindOf("/a/b.Doc"), OpenKind::kDocument);
  EXPECT_EQ(OpenKindOf("/a/b.xlsx"), OpenKind::kSpreadsheet);
  EXPECT_EQ(OpenKindOf("/a/b.DOCX"), OpenKind::kDocument);
  EXPECT_EQ(OpenKindOf("/a/b.xlsm"), OpenKind::kText);
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
      // A zipped workbook opens as the older form does.
      {9, "", 0, ExcelLog(P("sheet.xlsx"), 1, 1, 1)},
      {10, "", 0, ExcelLog(P("sheet.xlsx"), 2, 3, 2)},
      {11, "", 0, {}},  // the file is gone: nothing happens
      {12, "", 0, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    editor_.editor.reset();
    office_.Log().clear();
    port_.calls.clear();
    resultList_.SetItemIndex(row.index);
    OnResultDoubleClick();
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
  OnResultDoubleClick();
  OnOpenResultFile();
  EXPECT_TRUE(port_.calls.empty());
  EXPECT_FALSE(editor_.editor);

  // A hit row without a header above is reported.
  CheckList lone;
  lone.Add(TextHitRowText(1, "x"));
  std::swap(lone, resultList_);
  resultList_.SetItemIndex(0);
  OnResultDoubleClick();
  EXPECT_EQ(Messages(), std::vector<std::string>{U("ERROR#CL3DB")});
  std::swap(lone, resultList_);

  // An unreachable cell: the warning, then the sheet alone; a second error is reported.
  port_.calls.clear();
  office_.Failing() = {"Cells.Activate"};
  resultList_.SetItemIndex(5);
  OnResultDoubleClick();
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
  OnResultDoubleClick();
  EXPECT_EQ(Messages().back(), U("ERROR#CL3DB"));
  EXPECT_EQ(LogWithoutReleases().back(), "Excel.Application.Quit()");
  // A workbook that does not open: nothing to close, the application still quits.
  port_.calls.clear();
  office_.Log().clear();
  office_.Failing() = {"WorkBooks.Open", "WorkSheets.Activate"};
  OnResultDoubleClick();
  EXPECT_EQ(Messages().back(), U("ERROR#CL3DB"));
  log = LogWithoutReleases();
  EXPECT_EQ(log.back(), "Excel.Application.Quit()");
  EXPECT_EQ(std::count(log.begin(), log.end(), "Open.close()"), 0);
  // Word is told to quit after a failed step too.
  port_.calls.clear();
  office_.Log().clear();
  office_.Failing() = {"documents.open"};
  resultList_.SetItemIndex(8);
  OnResultDoubleClick();
  EXPECT_EQ(Messages(), std::vector<std::string>{U("ERROR#CL3DB")});
  EXPECT_EQ(LogWithoutReleases().back(), "Word.Application.Quit()");
  office_.Failing().clear();

  // Without an office backend: the desktop's opener and a status notice.
  port_.calls.clear();
  office_.Log().clear();
  office_.available = false;
  notices_.clear();
  resultList_.SetItemIndex(5);
  OnResultDoubleClick();
  resultList_.SetItemIndex(8);
  OnResultDoubleClick();
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
    OnOpenResultFile();
    ASSERT_TRUE(editor_.editor);
    EXPECT_EQ(editor_.editor->Caption(), m.file);
    EXPECT_EQ(editor_.area.caretLine, m.line);
  }
  resultList_.SetItemIndex(12);  // missing file: the editor's error
  EXPECT_THROW(OnOpenResultFile(), Exception);
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
  OnTargetDoubleClick();
  OnOpenTargetFile();  // disabled on folder rows: nothing
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].kind, "open");
  EXPECT_EQ(processes_.requests[0].target, P("a b"));

  targetList_.SetItemIndex(4);
  OnTargetDoubleClick();
  EXPECT_EQ(Messages(), std::vector<std::string>{U("ディレクトリが存在しません！")});
  ASSERT_EQ(processes_.requests.size(), 2u);
  EXPECT_EQ(processes_.requests[1].target, Utf8ToCp932Lossy(getenv("HOME")));

  targetList_.SetItemIndex(1);
  OnTargetDoubleClick();
  ASSERT_TRUE(editor_.editor);
  EXPECT_EQ(editor_.editor->Caption(), P("a b/x.txt"));
  targetList_.SetItemIndex(2);
  OnTargetDoubleClick();
  EXPECT_EQ(LogWithoutReleases(), ExcelLog(P("book.XLS"), 1, 1, 1));
  editor_.editor.reset();
  targetList_.SetItemIndex(3);
  OnTargetDoubleClick();  // missing: nothing
  EXPECT_FALSE(editor_.editor);
  EXPECT_THROW(OnOpenTargetFile(), Exception);  // passed on regardless: the editor's error

  // Join list: join mode opens the first field, split mode previews the range.
  // Rows 0 and 1 carry their file and lines; row 2 has only its text, which is never read.
  CheckListRow content(U("\"") + P("a b/x.txt") + U("\",の内容,先頭"), false, true);
  content.file = P("a b/x.txt");
  joinList_.Insert(0, content);
  CheckListRow part(U("\"2列目~3列目\",part"), false, true, 2);
  part.lineTo = 3;
  part.file = P("a b/x.txt");
  joinList_.Insert(1, part);
  joinList_.Add(U("x列目~3列目,part"));
  joinList_.SetItemIndex(0);
  mode_ = 1;
  EXPECT_TRUE(JoinListOpenEnabled());
  OnOpenJoinFile();
  ASSERT_TRUE(editor_.editor);
  EXPECT_EQ(editor_.editor->Caption(), P("a b/x.txt"));
  editor_.editor.reset();
  OnJoinListDoubleClick();
  ASSERT_TRUE(editor_.editor);
  mode_ = 3;
  EXPECT_FALSE(JoinListOpenEnabled());
  joinList_.SetItemIndex(1);
  OnJoinListDoubleClick();
  EXPECT_EQ(editor_.area.text, "two\nthree");
  OnOpenJoinFile();  // split mode: disabled
  EXPECT_EQ(editor_.area.text, "two\nthree");
  joinList_.SetItemIndex(2);
  OnJoinListDoubleClick();
  EXPECT_EQ(editor_.area.text, "");

  // The hidden items.
  editor_.editor.reset();
  open_.OnOpenEditor();
  EXPECT_EQ(editor_.modalShows, 0);
  editor_.ShowEditor();
  open_.OnOpenEditor();
  EXPECT_EQ(editor_.modalShows, 1);
  processes_.requests.clear();
  open_.OnOpenFileManager();
  ASSERT_EQ(processes_.requests.size(), 1u);
  EXPECT_EQ(processes_.requests[0].target, Utf8ToCp932Lossy(getenv("HOME")));
}

}  // namespace
}  // namespace skarvo::testing
