#include "ops/open_hit.h"

#include <cstdlib>

#include "platform/codepage.h"
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

// The user's own home folder (CP932), "/" when it has no CP932 name.
std::string HomeOrRoot() {
  std::string home = UserHomeFolder();
  return home.empty() ? "/" : home;
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
    p_.launcher.ShellOpen(folder, {});
    return;
  }
  p_.prompter.Tell(Sjis("ディレクトリが存在しません！"));
  p_.launcher.ShellOpen(HomeOrRoot(), {});
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
    if (!p_.launcher.StartArguments(args, {})) {
      if (!p_.launcher.StartArguments({program, file}, {}))
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
    p_.launcher.ShellOpen(file, {});
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
    p_.prompter.Tell(Sjis("Wordを終了します。"));
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
    p_.launcher.ShellOpen(file, {});
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
      p_.prompter.Tell(Sjis("Excelを終了します。"));
    } catch (const EOleError&) {
      p_.prompter.Tell(Sjis("該当セルの参照に失敗しました！シートをアクティブにします。"));
      OleObject(app->GetProperty("WorkSheets", {sheet}))->Invoke("Activate", {}, {});
      p_.prompter.Tell(Sjis("Excelを終了します。"));
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
  const int64_t from = row.lineNo;
  const int64_t to = row.lineTo;
  std::vector<std::string> lines;
  const std::string file = from > 0 || to > 0 ? row.file : std::string();
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
    p_.prompter.Tell(Sjis("ERROR#CL3DB"));
  }
}

void TOpenHit::EditResultRow(const CheckListRow& row) {
  if (row.header) return OpenInEditor(row.file, {}, -1);
  if (row.file.empty()) return;
  OpenInEditor(row.file, p_.search.searchText, HitLineNumber(row));
}

void TOpenHit::OpenTargetRow(const CheckListRow& row) {
  if (row.header) {
    OpenFolder(FolderOfRow(row.text));
    return;
  }
  if (FileExists(row.text)) OpenFileByKind(row.text, {}, -1, nullptr);
}

void TOpenHit::EditTargetRow(const CheckListRow& row) {
  if (row.header) return;
  OpenInEditor(row.text, {}, -1);
}

const CheckListRow* SelectedRow(const CheckList& list) {
  const int index = list.ItemIndex();
  return index >= 0 && index < list.Count() ? &list.Row(index) : nullptr;
}

bool JoinListOpenEnabled(const CheckList& joinList, int mode) {
  if (mode == kSplitMode) return false;
  const CheckListRow* row = SelectedRow(joinList);
  return !row || !row->header;
}

void TOpenHit::OpenJoinRow(const CheckListRow& row, int mode) {
  if (row.header) return;
  if (mode == kJoinMode) {
    OpenInEditor(row.file, {}, -1);
  } else if (mode == kSplitMode) {
    RangePreview(row);
  }
}

void TOpenHit::EditJoinRow(const CheckListRow& row, int mode) {
  if (mode != kJoinMode || row.header) return;
  OpenInEditor(row.file, {}, -1);
}

void TOpenHit::OnOpenEditor() {
  if (editor_) editor_->ShowEditorModal();
}

void TOpenHit::OnOpenFileManager() { p_.launcher.ShellOpen(HomeOrRoot(), {}); }

}  // namespace skarvo
