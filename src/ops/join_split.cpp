// The join: build, separators, drag and drop, save. The split's preparation and save are
// in split_commands.cpp.
#include "ops/join_split.h"

#include <filesystem>

#include "ops/join_restore.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"
#include "settings/settings_file.h"

namespace skarvo {

namespace {

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

bool IsOfficeFile(const std::string& path) { return ClassifyTarget(path) != TargetKind::kText; }

void AddJoinContentRow(CheckList& joinList, const std::string& path,
                       const std::vector<std::string>& lines, bool ignoreBlankLines) {
  CheckListRow row("\"" + path + "\"" + ContentSuffix() + JoinPreview(lines, ignoreBlankLines),
                   false, true);
  row.file = path;
  joinList.Insert(joinList.Count(), std::move(row));
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
    const std::string& path = row.file;
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
    const std::string& path = row.file;
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
      if (std::optional<FileIdentity> input = IdentityOf(row.file)) inputs.push_back(*input);
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
    const std::string& path = row.file;
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos) return slash == 0 ? "/" : path.substr(0, slash);
  }
  return {};
}

}  // namespace

FileChoiceRequest JoinSaveDialog(FileChoiceRequest base, const SavePathRequest& request) {
  base.defaultExtension = "txt";
  base.initialFolder = request.initialFolder;
  return base;
}

TJoinSplit::TJoinSplit(JoinSplitParts parts) : p_(std::move(parts)) {}

void TJoinSplit::Enable(std::initializer_list<JoinUiCommand> ids, bool enabled) {
  if (!p_.window.setEnabled) return;
  for (JoinUiCommand id : ids) p_.window.setEnabled(id, enabled);
}

std::function<JoinSplitChoices()> ChoicesFromSettingsFile(std::string homeFolder) {
  return [home = std::move(homeFolder)] {
    const SettingsFile file(SettingsFilePath(home));
    return JoinSplitChoices{file.ReadText(SettingKey::kJoinSeparator),
                            file.ReadInteger(SettingKey::kSplitMode), true};
  };
}

JoinSplitOutcome TJoinSplit::OnJoinFiles() {
  using J = JoinUiCommand;
  JoinSplitOutcome outcome;
  auto notice = [&outcome](const std::string& text) {
    outcome.status = text;
    outcome.statusTimer = true;
  };
  const auto menuItems = {J::kMenuFolderSelect, J::kMenuUndo,   J::kMenuSearch,
                          J::kMenuReplace,      J::kMenuNarrow, J::kMenuJoinFiles};
  Enable(menuItems, false);
  CheckList& joinList = p_.joinList;
  CheckList& targets = p_.targetList;
  joinList.Clear();
  const JoinSplitChoices choices = p_.choices();
  const std::string& separator = choices.separator;
  if (separator.empty() && choices.tellNoSeparator)
    p_.prompter.Tell(Sjis("ファイルの区切り文字列は追加されません。"));

  int files = 0;
  for (int i = 0; i < targets.Count(); ++i) {
    if (targets.Header(i)) continue;
    const std::string path = targets.Text(i);
    if (IsOfficeFile(path)) {
      notice(Sjis("Excel、Wordファイルは対象になりません。"));
      targets.SetChecked(i, false);
      continue;
    }
    if (!targets.Checked(i) || !FileExists(path)) continue;
    LineFile file = ReadLineFile(path);
    if (file.status == LineFileStatus::kHasNul) {
      p_.prompter.Tell(QuotedPathText(path, "はNUL文字を含むため結合できません。"));
      continue;
    }
    if (file.status != LineFileStatus::kOk) continue;
    ++files;
    if (!separator.empty()) joinList.Add(separator, true);
    AddJoinContentRow(joinList, path, file.lines, p_.settings.ignoreBlankLines);
  }
  if (!separator.empty()) joinList.Add(separator, true);

  if (files == 0) {
    notice(Sjis("対象ファイルが存在しません！"));
    joinList.Clear();
  } else {
    Enable({J::kToolSaveNew, J::kMenuSaveNew}, true);
    Enable(menuItems, false);
  }
  if (joinList.Count() != 1) joinList.SetItemIndex(0);
  return outcome;
}

JoinSplitOutcome TJoinSplit::OnSaveToNewFile(int mode) {
  if (mode == 1) return JoinSave();
  if (mode == 3) return SplitSave();
  Enable({JoinUiCommand::kToolSaveNew, JoinUiCommand::kMenuSaveNew}, false);
  JoinSplitOutcome outcome;
  outcome.statusTimer = true;
  return outcome;
}

JoinSplitOutcome TJoinSplit::JoinSave() {
  using J = JoinUiCommand;
  const std::string& question = Sjis("ヘッダー部分とCheck済部分を新規ファイルに結合します。");
  if (!p_.prompter.Confirm(question)) return {};
  // The question stays in the status bar unless the save goes through.
  JoinSplitOutcome outcome{question, true, std::nullopt};
  // Beside the files being joined, where the user keeps them, not in the program's home.
  const SavePathRequest request{FirstJoinedFolder(p_.joinList), question};
  const std::optional<std::string> chosen = p_.prompter.AskSavePath(request);
  if (chosen) {
    const std::string& path = *chosen;
    if (OutputIsJoinInput(p_.joinList, path)) {
      // Writing over an input would lose it before it is read: the user picks again.
      p_.prompter.Tell(
          QuotedPathText(path, "は結合するファイルの一つです。別の名前で保存してください。"));
      return outcome;
    }
    std::string output;
    try {
      output = JoinOutput(p_.joinList);
    } catch (const EJoinSplit& e) {
      p_.prompter.TellError(e.Message());
      return outcome;
    }
    const KeepWrite written =
        WriteKeepingOld(p_.keep, path, output, JoinInputIdentities(p_.joinList));
    if (written != KeepWrite::kWrittenNew && written != KeepWrite::kWrittenReplaced) {
      p_.prompter.TellError(QuotedPathText(path, JoinWriteFailure(written)));
      return outcome;
    }
    p_.session.undo = CreatedFilesUndo{CreatedFilesUndo::By::kJoin,
                                       {{path, written == KeepWrite::kWrittenReplaced}}};
    outcome.status = path + Sjis("に保存されました。");
  }
  Enable({J::kToolSaveNew, J::kMenuSaveNew}, false);
  Enable({J::kMenuUndo, J::kToolUndo}, true);
  return outcome;
}

void TJoinSplit::JoinListMenuPopup(int mode) {
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

JoinSplitOutcome TJoinSplit::RunMenuCommand(JoinListCommand command) {
  if (!MenuEnabled(command)) return {};
  switch (command) {
    case JoinListCommand::kAddSeparator:
      return OnAddSeparator();
    case JoinListCommand::kDeleteSeparator:
      OnDeleteSeparator();
      break;
    case JoinListCommand::kChangeFromHere:
      OnChangeSeparatorsBelow();
      break;
    case JoinListCommand::kChangeSeparator:
      OnChangeSeparator();
      break;
    default:
      break;  // opening a file belongs to the opening of hits
  }
  return {};
}

JoinSplitOutcome TJoinSplit::OnAddSeparator() {
  const int index = p_.joinList.ItemIndex();
  if (index < 0 || index >= p_.joinList.Count())
    return {Sjis("項目を追加する個所を選択してください。"), true, std::nullopt};
  CheckListRow row;
  row.text = ReadSeparator();
  row.header = true;
  p_.joinList.Insert(index, std::move(row));
  p_.joinList.SetItemIndex(index + 1);
  return {};
}

void TJoinSplit::OnDeleteSeparator() {
  const int index = p_.joinList.ItemIndex();
  if (index >= 0 && index < p_.joinList.Count() && p_.joinList.Header(index))
    p_.joinList.Delete(index);
}

void TJoinSplit::OnChangeSeparator() { ChangeSeparators(false); }
void TJoinSplit::OnChangeSeparatorsBelow() { ChangeSeparators(true); }

void TJoinSplit::ChangeSeparators(bool fromHereDown) {
  const int index = p_.joinList.ItemIndex();
  if (index < 0 || index >= p_.joinList.Count() || !p_.joinList.Header(index)) return;
  const std::string initial = p_.joinList.Text(index);
  const std::optional<std::string> typed = p_.prompter.AskText(
      Sjis("文字列の入力"), Sjis("Fileの区切り文字列を入力してください"), initial);
  const std::string text = typed ? *typed : initial;
  if (!fromHereDown) {
    p_.joinList.SetText(index, text);
    return;
  }
  for (int i = index; i < p_.joinList.Count(); ++i)
    if (p_.joinList.Header(i)) p_.joinList.SetText(i, text);
}

void TJoinSplit::OnJoinListDrop(int mode, int dropRow) {
  if (mode != 1) return;
  const int from = p_.joinList.ItemIndex();
  const int count = p_.joinList.Count();
  if (from < 0 || from >= count || dropRow < 0 || dropRow >= count) return;
  p_.joinList.Move(from, dropRow);
  p_.joinList.SetItemIndex(dropRow);
}

void TJoinSplit::OnJoinListSelect(int index) { p_.joinList.SetItemIndex(index); }

void TJoinSplit::OnJoinListCheckClick(int index) {
  if (index < 0 || index >= p_.joinList.Count() || p_.joinList.Header(index)) return;
  p_.joinList.SetItemIndex(index);
  p_.joinList.SetChecked(index, !p_.joinList.Checked(index));
}

void TJoinSplit::OnJoinListExit() {
  using J = JoinUiCommand;
  Enable({J::kToolSaveNew, J::kToolOverwrite, J::kToolUndo, J::kMenuUndo}, false);
}

}  // namespace skarvo
