#include "ops/open_hit.h"

#include <charconv>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/comma_text.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "search/search_text.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "targets/select_folder_dialog.h"
#include "targets/target_files.h"

namespace skarvo {

namespace {

constexpr int kJoinMode = 1;
constexpr int kSplitMode = 3;

// A decimal integer with an optional sign and nothing else.
std::optional<int64_t> ReadInteger(std::string_view text) {
  int64_t value = 0;
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Removes every occurrence of what from text, stepping over 2-byte characters so that a
// match never starts on a second byte.
std::string RemoveAll(const std::string& text, const std::string& what) {
  std::string result;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, what.size(), what) == 0) {
      i += what.size();
      continue;
    }
    const size_t n = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    result.append(text, i, n);
    i += n;
  }
  return result;
}

// The user's own home folder (CP932), "/" when it has no CP932 name.
std::string HomeOrRoot() {
  std::string home = UserHomeFolder();
  return home.empty() ? "/" : home;
}

// Fallback until every join list row carries its file and a part's lines: the first
// delimited field of the row's text (a content row's quoted path, a part row's
// "n列目~m列目"). Remove once join_split and split_commands fill the fields.
std::string FirstRowFieldFallback(const std::string& rowText) {
  std::vector<std::string> fields = SplitCommaText(rowText);
  return fields.empty() ? std::string() : fields[0];
}

// The file a join list row stands for.
std::string JoinRowFile(const CheckListRow& row) {
  return row.file.empty() ? FirstRowFieldFallback(row.text) : row.file;
}

}  // namespace

CellAddress CellAddressOf(const CheckListRow& row) {
  // Numbers past these name no sheet or cell the office could reach.
  constexpr int64_t kLimit = int64_t{1} << 30;
  // Columns are named by at most two letters ("ZZ" is the 702nd); past them the office is
  // asked for column 0, which it refuses.
  constexpr int kNamedColumns = 26 * 27;
  const int64_t cellRow = int64_t{row.cellRow} + 1;
  if (row.kind != RowKind::kCell || row.sheet < 0 || row.sheet > kLimit || cellRow < 0 ||
      cellRow > kLimit)
    throw Exception(Sjis("ERROR#CL3DB"));
  const int column = row.cellColumn >= 0 && row.cellColumn < kNamedColumns ? row.cellColumn + 1 : 0;
  return {row.sheet, static_cast<int>(cellRow), column};
}

int64_t HitLineNumber(const CheckListRow& row) { return row.lineNo > 0 ? row.lineNo : -1; }

OpenKind OpenKindOf(const std::string& path) {
  switch (ClassifyTarget(path)) {
    case TargetKind::kSpreadsheet:
      return OpenKind::kSpreadsheet;
    case TargetKind::kWordProcessor:
      return OpenKind::kDocument;
    case TargetKind::kText:
      break;
  }
  return OpenKind::kText;
}

std::vector<std::string> EditorArguments(const std::string& program, const std::string& file,
                                         const std::string& lineOption, int64_t line,
                                         const std::string& wordOption, const std::string& word) {
  std::vector<std::string> args = {program, file};
  if (!lineOption.empty() && line != -1) args.push_back(lineOption + std::to_string(line));
  if (!wordOption.empty()) args.push_back(wordOption + word);
  return args;
}

// ---- operations ----

void TOpenHit::OpenFolder(const std::string& folder) {
  if (FolderExists(folder)) {
    p_.processes.ShellOpen(folder, {});
    return;
  }
  p_.tell(Sjis("ディレクトリが存在しません！"));
  p_.processes.ShellOpen(HomeOrRoot(), {});
}

void TOpenHit::OpenInEditor(const std::string& file, const std::string& word, int64_t line) {
  const SettingsFile settings(SettingsFilePath(p_.homeFolder));
  if (!settings.ReadFlag(SettingKey::kEditorEnabled)) return BuiltInEditor(file, line);
  std::string program = settings.ReadText(SettingKey::kEditorPath);
  if (program.empty() || !FileExists(program)) return BuiltInEditor(file, line);
  try {
    const SettingsValues values = settings.Values();
    program = values.ReadText(SettingKey::kEditorPath);
    // A name without a folder means the file in the current folder, as the existence test
    // found it, not a program of the same name on PATH.
    if (program.find('/') == std::string::npos) program = "./" + program;
    const std::vector<std::string> args =
        EditorArguments(program, file, values.ReadText(SettingKey::kEditorLineOption), line,
                        values.ReadText(SettingKey::kEditorWordOption), word);
    if (!p_.processes.StartArguments(args, {})) {
      if (!p_.processes.StartArguments({program, file}, {}))
        p_.notice(program + Sjis(" を起動できませんでした。"));
    }
  } catch (const std::exception&) {
    // The fallback editor is the built-in one, on the file alone.
    BuiltInEditor(file, -1);
  }
}

void TOpenHit::BuiltInEditor(const std::string& file, int64_t line) {
  if (!editor_) return;
  editor_->ShowEditor().ShowFileAtLine(file, line);
}

void TOpenHit::OpenInWord(const std::string& file) {
  if (!office_ || !office_->Available()) {
    p_.processes.ShellOpen(file, {});
    p_.notice(Sjis("LibreOffice Writerがないため、文書を既定のアプリケーションで開きました。"));
    return;
  }
  // Starting the office takes a few seconds.
  p_.notice(Sjis("LibreOffice Writerで開いています…"));
  OleObjectPtr app = office_->CreateOleObject("Word.Application");
  try {
    app->SetProperty("Visible", true);
    OleObject(app->Invoke("documents", {}, {}))->Invoke("open", {file}, {});
    app->Invoke("Activate", {}, {});
    p_.tell(Sjis("Wordを終了します。"));
  } catch (...) {
    try {
      app->Invoke("Quit", {}, {});
    } catch (const std::exception&) {
      // The first error is the one to report.
    }
    throw;
  }
  app->Invoke("Quit", {}, {});
}

void TOpenHit::OpenInExcel(const std::string& file, int sheet, int row, int column) {
  if (!office_ || !office_->Available()) {
    p_.processes.ShellOpen(file, {});
    p_.notice(Sjis("LibreOffice Calcがないため、セルを選択せずにファイルを開きました。"));
    return;
  }
  p_.notice(Sjis("LibreOffice Calcで開いています…"));
  OleObjectPtr app = office_->CreateOleObject("Excel.Application");
  OleObjectPtr workbook;
  const auto finish = [&] {
    // Only what this program opened is closed: its workbook and its private instance.
    if (workbook) workbook->Invoke("close", {}, {});
    app->Invoke("Quit", {}, {});
  };
  try {
    try {
      app->SetProperty("Visible", true);
      workbook = OleObject(OleObject(app->Invoke("WorkBooks", {}, {}))
                               ->Invoke("Open", {}, {{"FileName", file}, {"readOnly", false}}));
      OleObjectPtr sheetObject = OleObject(app->GetProperty("WorkSheets", {sheet}));
      OleObject(sheetObject->GetProperty("Cells", {row, column}))->Invoke("Activate", {}, {});
      p_.tell(Sjis("Excelを終了します。"));
    } catch (const EOleError&) {
      p_.tell(Sjis("該当セルの参照に失敗しました！シートをアクティブにします。"));
      OleObject(app->GetProperty("WorkSheets", {sheet}))->Invoke("Activate", {}, {});
      p_.tell(Sjis("Excelを終了します。"));
    }
  } catch (...) {
    try {
      finish();
    } catch (const std::exception&) {
      // The first error is the one to report.
    }
    throw;
  }
  finish();
}

void TOpenHit::RangePreview(const CheckListRow& row) {
  if (!editor_) return;
  int64_t from = row.lineNo;
  int64_t to = row.lineTo;
  bool readable = from > 0 || to > 0;
  if (!readable) {
    // Fallback for a part row without its lines (see FirstRowFieldFallback).
    const std::string field = RemoveAll(FirstRowFieldFallback(row.text), Sjis("列目"));
    const size_t tilde = field.find('~');
    if (tilde != std::string::npos) {
      const std::optional<int64_t> a = ReadInteger(std::string_view(field).substr(0, tilde));
      const std::optional<int64_t> b = ReadInteger(std::string_view(field).substr(tilde + 1));
      readable = a.has_value() && b.has_value();
      from = a.value_or(0);
      to = b.value_or(0);
    }
  }
  std::vector<std::string> lines;
  std::string file;
  if (readable) file = !row.file.empty() ? row.file : splitFile_ ? splitFile_() : std::string();
  if (!file.empty()) {
    std::optional<std::string> bytes = ReadWholeFile(file);
    if (!bytes) throw Exception(file + Sjis(" を読み込めません。"));
    // The line model of the files the operations rewrite: CR LF, lone CR or lone LF.
    int64_t lineNo = 0;
    size_t start = 0;
    const std::string& b = *bytes;
    for (size_t i = 0; i <= b.size() && lineNo < to; ++i) {
      const bool end = i == b.size();
      if (!end && b[i] != '\r' && b[i] != '\n') continue;
      if (end && start == b.size()) break;  // no unterminated last line
      ++lineNo;
      if (lineNo >= from) lines.push_back(b.substr(start, i - start));
      if (!end && b[i] == '\r' && i + 1 < b.size() && b[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  editor_->ShowEditor().ShowLines(lines);
}

// ---- triggers ----

void TOpenHit::OpenFileByKind(const std::string& file, const std::string& word, int64_t line,
                              const CheckListRow* hit) {
  switch (OpenKindOf(file)) {
    case OpenKind::kSpreadsheet: {
      CellAddress cell = hit ? CellAddressOf(*hit) : CellAddress{1, 1, 1};
      OpenInExcel(file, cell.sheet, cell.row, cell.column);
      break;
    }
    case OpenKind::kDocument:
      OpenInWord(file);
      break;
    case OpenKind::kText:
      OpenInEditor(file, word, line);
      break;
  }
}

void TOpenHit::OpenResultRow(const CheckListRow& row) {
  try {
    if (row.header) {
      if (FileExists(row.file)) OpenFileByKind(row.file, p_.search.searchText, -1, nullptr);
      return;
    }
    if (row.file.empty()) throw Exception(Sjis("ERROR#CL3DB"));
    if (!FileExists(row.file)) return;
    OpenFileByKind(row.file, p_.search.searchText, HitLineNumber(row), &row);
  } catch (const std::exception&) {
    p_.tell(Sjis("ERROR#CL3DB"));
  }
}

void TOpenHit::EditResultRow(const CheckListRow& row) {
  if (row.header) return OpenInEditor(row.file, {}, -1);
  if (row.file.empty()) return;
  OpenInEditor(row.file, p_.search.searchText, HitLineNumber(row));
}

void TOpenHit::OnResultDoubleClick() {
  const int index = p_.resultList.ItemIndex();
  if (p_.resultList.Empty() || index < 0 || index >= p_.resultList.Count()) return;
  // A copy: the list may change while an office box is open.
  OpenResultRow(CheckListRow(p_.resultList.Row(index)));
}

void TOpenHit::OnOpenResultFile() {
  const int index = p_.resultList.ItemIndex();
  if (p_.resultList.Empty() || index < 0 || index >= p_.resultList.Count()) return;
  EditResultRow(CheckListRow(p_.resultList.Row(index)));
}

void TOpenHit::OnTargetDoubleClick() {
  const int index = p_.targetList.ItemIndex();
  if (p_.targetList.Empty() || index < 0 || index >= p_.targetList.Count()) return;
  const CheckListRow row = p_.targetList.Row(index);
  if (row.header) {
    OpenFolder(FolderOfRow(row.text));
    return;
  }
  if (FileExists(row.text)) OpenFileByKind(row.text, {}, -1, nullptr);
}

void TOpenHit::OnOpenTargetFile() {
  const int index = p_.targetList.ItemIndex();
  if (p_.targetList.Empty() || index < 0 || index >= p_.targetList.Count()) return;
  const CheckListRow row = p_.targetList.Row(index);
  if (row.header) return;
  OpenInEditor(row.text, {}, -1);
}

bool TOpenHit::JoinListOpenEnabled() const {
  const int index = p_.joinList.ItemIndex();
  if (p_.modeNumber == kSplitMode) return false;
  return index < 0 || index >= p_.joinList.Count() || !p_.joinList.Header(index);
}

void TOpenHit::OnJoinListDoubleClick() {
  const int index = p_.joinList.ItemIndex();
  if (p_.joinList.Empty() || index < 0 || index >= p_.joinList.Count()) return;
  const CheckListRow row = p_.joinList.Row(index);
  if (row.header) return;
  if (p_.modeNumber == kJoinMode) {
    OpenInEditor(JoinRowFile(row), {}, -1);
  } else if (p_.modeNumber == kSplitMode) {
    RangePreview(row);
  }
}

void TOpenHit::OnOpenJoinFile() {
  const int index = p_.joinList.ItemIndex();
  if (p_.modeNumber != kJoinMode || p_.joinList.Empty() || index < 0 ||
      index >= p_.joinList.Count() || p_.joinList.Header(index))
    return;
  OpenInEditor(JoinRowFile(p_.joinList.Row(index)), {}, -1);
}

void TOpenHit::OnOpenEditor() {
  if (editor_) editor_->ShowEditorModal();
}

void TOpenHit::OnOpenFileManager() { p_.processes.ShellOpen(HomeOrRoot(), {}); }

}  // namespace skarvo
