// The join: build, separators, drag and drop, save. The split's preparation and save are
// in split_commands.cpp.
#include "ops/join_split.h"

#include <filesystem>

#include "ops/join_restore.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "settings/settings_file.h"

namespace skarvo {

namespace {

const std::string& Caption() { return Sjis("Skarvo"); }

const std::string& ContentSuffix() { return Sjis(",の内容"); }

}  // namespace

const char* JoinListCommandCaption(JoinListCommand command) {
  switch (command) {
    case JoinListCommand::kAddSeparator:
      return "項目の追加";
    case JoinListCommand::kDeleteSeparator:
      return "選択項目の削除";
    case JoinListCommand::kChangeFromHere:
      return "文字列の変更(選択セル以降)";
    case JoinListCommand::kChangeSeparator:
      return "文字列の変更";
    default:
      return "ファイルを開く";
  }
}

bool IsOfficeFile(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string ext = path.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext == ".xls" || ext == ".doc";
}

void AddJoinContentRow(CheckList& joinList, const std::string& path,
                       const std::vector<std::string>& lines, bool ignoreBlankLines) {
  std::string text = "\"" + path + "\"" + ContentSuffix();
  text += JoinPreview(lines, ignoreBlankLines);
  joinList.Add(std::move(text), false, true);
}

std::string ContentRowPath(const std::string& rowText) {
  const std::string closing = "\"" + ContentSuffix();
  if (rowText.starts_with('"')) {
    // The path ends where the closing quote and ",の内容" end the first line, so a path
    // holding quotes or commas comes back whole.
    for (size_t at = rowText.find(closing, 1); at != std::string::npos;
         at = rowText.find(closing, at + 1)) {
      const size_t after = at + closing.size();
      if (after == rowText.size() || rowText.compare(after, 2, "\r\n") == 0)
        return rowText.substr(1, at - 1);
    }
  }
  return rowText.substr(0, rowText.find("\r\n"));
}

std::string JoinOutput(const CheckList& joinList) {
  std::string out;
  for (const CheckListRow& row : joinList.Rows()) {
    if (row.header) {
      out += row.text;
      out += "\r\n";
      continue;
    }
    if (!row.checked) continue;
    const std::string path = ContentRowPath(row.text);
    LineFile file = ReadLineFile(path);
    if (file.status == LineFileStatus::kMissing)
      throw EJoinSplit(QuotedPathText(path, "が読めないため、保存を中止しました。"));
    if (file.status == LineFileStatus::kHasNul)
      throw EJoinSplit(QuotedPathText(path, "はNUL文字を含むため結合できません。"));
    out += LinesWithCrLf(file.lines);
  }
  return out;
}

bool OutputIsJoinInput(const CheckList& joinList, const std::string& outputPath) {
  namespace fs = std::filesystem;
  const std::optional<std::string> out = NativePath(outputPath);
  for (const CheckListRow& row : joinList.Rows()) {
    if (row.header || !row.checked) continue;
    const std::string path = ContentRowPath(row.text);
    if (path == outputPath) return true;
    const std::optional<std::string> in = NativePath(path);
    std::error_code error;
    if (out && in && fs::equivalent(*out, *in, error)) return true;
  }
  return false;
}

std::vector<FileIdentity> JoinInputIdentities(const CheckList& joinList) {
  std::vector<FileIdentity> inputs;
  for (const CheckListRow& row : joinList.Rows())
    if (!row.header && row.checked)
      if (std::optional<FileIdentity> input = IdentityOf(ContentRowPath(row.text)))
        inputs.push_back(*input);
  return inputs;
}

const char* JoinWriteFailure(KeepWrite result) {
  switch (result) {
    case KeepWrite::kCopyFailed:
      return "の元の内容を控えられないため、保存を中止しました。";
    case KeepWrite::kRefusedLink:
      return "はリンクのため、保存を中止しました。";
    case KeepWrite::kRefusedInput:
      return "は結合するファイルの一つです。別の名前で保存してください。";
    default:
      return "に書き込めないため、保存を中止しました。";
  }
}

namespace {

// The folder of the first file the join takes in, empty when it takes none.
std::string FirstJoinedFolder(const CheckList& joinList) {
  for (const CheckListRow& row : joinList.Rows()) {
    if (row.header || !row.checked) continue;
    const std::string path = ContentRowPath(row.text);
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos) return slash == 0 ? "/" : path.substr(0, slash);
  }
  return {};
}

}  // namespace

TJoinSplit::TJoinSplit(JoinSplitParts parts) : p_(std::move(parts)) {}

void TJoinSplit::Enable(std::initializer_list<JoinUiCommand> ids, bool enabled) {
  if (!p_.window.setEnabled) return;
  for (JoinUiCommand id : ids) p_.window.setEnabled(id, enabled);
}

void TJoinSplit::Notice(const std::string& text) {
  p_.port.SetStatusText(text);
  p_.statusTimer.SetEnabled(true);
}

std::string TJoinSplit::ReadSeparator() const {
  return SettingsFile(SettingsFilePath(p_.homeFolder)).ReadText(SettingKey::kJoinSeparator);
}

int TJoinSplit::ReadSplitMode() const {
  return SettingsFile(SettingsFilePath(p_.homeFolder)).ReadInteger(SettingKey::kSplitMode);
}

void TJoinSplit::N7Click() {
  using J = JoinUiCommand;
  const auto menuItems = {J::kMenuFolderSelect, J::kMenuUndo,   J::kMenuSearch,
                          J::kMenuReplace,      J::kMenuNarrow, J::kMenuJoinFiles};
  Enable(menuItems, false);
  p_.joinList.Clear();
  const std::string separator = ReadSeparator();
  if (separator.empty())
    p_.port.ShowMessage(Sjis("ファイルの区切り文字列は追加されません。"), Caption());

  int files = 0;
  for (int i = 0; i < p_.targetList.Count(); ++i) {
    if (p_.targetList.Header(i)) continue;
    const std::string path = p_.targetList.Text(i);
    if (IsOfficeFile(path)) {
      Notice(Sjis("Excel、Wordファイルは対象になりません。"));
      p_.targetList.SetChecked(i, false);
      continue;
    }
    if (!p_.targetList.Checked(i) || !FileExists(path)) continue;
    LineFile file = ReadLineFile(path);
    if (file.status == LineFileStatus::kHasNul) {
      p_.port.ShowMessage(QuotedPathText(path, "はNUL文字を含むため結合できません。"), Caption());
      continue;
    }
    if (file.status != LineFileStatus::kOk) continue;
    ++files;
    if (!separator.empty()) p_.joinList.Add(separator, true);
    AddJoinContentRow(p_.joinList, path, file.lines, p_.settings.ignoreBlankLines);
  }
  if (!separator.empty()) p_.joinList.Add(separator, true);

  if (files == 0) {
    Notice(Sjis("対象ファイルが存在しません！"));
    p_.joinList.Clear();
  } else {
    Enable({J::kToolSaveNew, J::kMenuSaveNew}, true);
    Enable(menuItems, false);
  }
  if (p_.joinList.Count() != 1) p_.joinList.SetItemIndex(0);
}

void TJoinSplit::SaveAs1Click() {
  if (p_.modeNumber == 1) {
    JoinSave();
  } else if (p_.modeNumber == 3) {
    SplitSave();
  } else {
    Enable({JoinUiCommand::kToolSaveNew, JoinUiCommand::kMenuSaveNew}, false);
    p_.statusTimer.SetEnabled(true);
  }
}

void TJoinSplit::JoinSave() {
  using J = JoinUiCommand;
  const std::string& question = Sjis("ヘッダー部分とCheck済部分を新規ファイルに結合します。");
  if (!p_.port.Confirm(question, Caption())) return;
  p_.port.SetStatusText(question);
  p_.saveDialog.defaultExtension = "txt";
  // Beside the files being joined, where the user keeps them, not in the program's home.
  p_.saveDialog.initialFolder = FirstJoinedFolder(p_.joinList);
  const std::optional<std::string> chosen = p_.port.ChooseSaveFile(p_.saveDialog);
  if (chosen) {
    const std::string& path = *chosen;
    if (OutputIsJoinInput(p_.joinList, path)) {
      // Writing over an input would lose it before it is read: the user picks again.
      p_.port.ShowMessage(
          QuotedPathText(path, "は結合するファイルの一つです。別の名前で保存してください。"),
          Caption());
      p_.statusTimer.SetEnabled(true);
      return;
    }
    std::string output;
    try {
      output = JoinOutput(p_.joinList);
    } catch (const EJoinSplit& e) {
      p_.port.ShowError(e.Message(), Caption());
      p_.statusTimer.SetEnabled(true);
      return;
    }
    const KeepWrite written =
        WriteKeepingOld(p_.tempFolder, path, output, JoinInputIdentities(p_.joinList));
    if (written != KeepWrite::kWrittenNew && written != KeepWrite::kWrittenReplaced) {
      p_.port.ShowError(QuotedPathText(path, JoinWriteFailure(written)), Caption());
      p_.statusTimer.SetEnabled(true);
      return;
    }
    p_.undoList.Clear();
    p_.undoList.Add(path, false, written == KeepWrite::kWrittenReplaced);
    p_.undoList.Add(JoinMarker());
    p_.port.SetStatusText(path + Sjis("に保存されました。"));
  }
  Enable({J::kToolSaveNew, J::kMenuSaveNew}, false);
  Enable({J::kMenuUndo, J::kToolUndo}, true);
  p_.statusTimer.SetEnabled(true);
}

void TJoinSplit::JoinListMenuPopup() {
  const int mode = p_.modeNumber;
  if (mode != 1 && mode != 3) return;  // other modes keep the last state
  const int index = p_.joinList.ItemIndex();
  const bool separator = index >= 0 && index < p_.joinList.Count() && p_.joinList.Header(index);
  const bool join = mode == 1;
  auto set = [&](JoinListCommand c, bool on) { menuEnabled_[static_cast<size_t>(c)] = on; };
  set(JoinListCommand::kAddSeparator, join);
  set(JoinListCommand::kDeleteSeparator, join && separator);
  set(JoinListCommand::kChangeFromHere, join && separator);
  set(JoinListCommand::kChangeSeparator, join && separator);
  set(JoinListCommand::kOpenFile, join && !separator);
}

void TJoinSplit::RunMenuCommand(JoinListCommand command) {
  if (!MenuEnabled(command)) return;
  switch (command) {
    case JoinListCommand::kAddSeparator:
      N10Click();
      break;
    case JoinListCommand::kDeleteSeparator:
      N11Click();
      break;
    case JoinListCommand::kChangeFromHere:
      N9Click();
      break;
    case JoinListCommand::kChangeSeparator:
      N8Click();
      break;
    default:
      break;  // opening a file belongs to the opening of hits
  }
}

void TJoinSplit::N10Click() {
  const int index = p_.joinList.ItemIndex();
  if (index < 0 || index >= p_.joinList.Count()) {
    Notice(Sjis("項目を追加する個所を選択してください。"));
    return;
  }
  CheckListRow row;
  row.text = ReadSeparator();
  row.header = true;
  p_.joinList.Insert(index, std::move(row));
  p_.joinList.SetItemIndex(index + 1);
}

void TJoinSplit::N11Click() {
  const int index = p_.joinList.ItemIndex();
  if (index >= 0 && index < p_.joinList.Count() && p_.joinList.Header(index))
    p_.joinList.Delete(index);
}

void TJoinSplit::N8Click() { ChangeSeparators(false); }
void TJoinSplit::N9Click() { ChangeSeparators(true); }

void TJoinSplit::ChangeSeparators(bool fromHereDown) {
  const int index = p_.joinList.ItemIndex();
  if (index < 0 || index >= p_.joinList.Count() || !p_.joinList.Header(index)) return;
  const std::string initial = p_.joinList.Text(index);
  const std::optional<std::string> typed = p_.port.InputText(
      Sjis("文字列の入力"), Sjis("Fileの区切り文字列を入力してください"), initial);
  const std::string text = typed ? *typed : initial;
  if (!fromHereDown) {
    p_.joinList.SetText(index, text);
    return;
  }
  for (int i = index; i < p_.joinList.Count(); ++i)
    if (p_.joinList.Header(i)) p_.joinList.SetText(i, text);
}

void TJoinSplit::CheckListBox2DragDrop(int dropRow) {
  if (p_.modeNumber != 1) return;
  const int from = p_.joinList.ItemIndex();
  const int count = p_.joinList.Count();
  if (from < 0 || from >= count || dropRow < 0 || dropRow >= count) return;
  p_.joinList.Move(from, dropRow);
  p_.joinList.SetItemIndex(dropRow);
}

void TJoinSplit::CheckListBox2Select(int index) { p_.joinList.SetItemIndex(index); }

void TJoinSplit::CheckListBox2ClickCheck(int index) {
  if (index < 0 || index >= p_.joinList.Count() || p_.joinList.Header(index)) return;
  p_.joinList.SetItemIndex(index);
  p_.joinList.SetChecked(index, !p_.joinList.Checked(index));
}

void TJoinSplit::CheckListBox2Exit() {
  using J = JoinUiCommand;
  Enable({J::kToolSaveNew, J::kToolOverwrite, J::kToolUndo, J::kMenuUndo}, false);
}

}  // namespace skarvo
