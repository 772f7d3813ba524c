// The split: its preparation from a header row of the result list, and its save.
#include <algorithm>

#include "ops/join_restore.h"
#include "ops/join_split.h"
#include "ops/pending_replace.h"
#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {

namespace {

// The folder part of a path: the parts of a split go beside the file split.
std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

JoinSplitOutcome TJoinSplit::OnSplitFile() {
  using J = JoinUiCommand;
  CheckList& results = p_.session.rows;
  Prompter& prompter = p_.prompter;
  const int header = results.ItemIndex();
  if (header < 0 || header >= results.Count() || !results.Header(header)) return {};
  const std::string path = results.Row(header).file;
  if (path.empty()) return {};
  if (IsOfficeFile(path))
    return {Sjis("Excel、Wordファイルは対象にできません。"), true, std::nullopt};
  // Read before anything changes, so a file that cannot be split leaves the window as it was.
  LineFile file = ReadLineFile(path);
  if (file.status == LineFileStatus::kMissing) {
    prompter.Tell(QuotedPathText(path, "が読めないため、分割できません。"));
    return {};
  }
  if (file.status == LineFileStatus::kHasNul) {
    prompter.Tell(QuotedPathText(path, "はNUL文字を含むため分割できません。"));
    return {};
  }
  // The hit rows get their text as found and their own checks back.
  if (std::holds_alternative<PendingReplaceUndo>(p_.session.undo))
    TakeBackPendingReplace(p_.session);
  const int64_t lineCount = static_cast<int64_t>(file.lines.size());
  std::vector<SplitPoint> points{{1, true}};
  for (int i = header + 1; i < results.Count() && !results.Header(i); ++i) {
    const CheckListRow& row = results.Row(i);
    // A hit without its line, outside the file, or out of order means the file changed
    // since the search: its parts would not be what the list showed.
    if (row.lineNo <= 0 || row.lineNo > lineCount || row.lineNo < points.back().line) {
      prompter.Tell(
          QuotedPathText(path, "は検索の後に変更されています。もう一度検索してください。"));
      return {};
    }
    points.push_back({row.lineNo, row.checked});
  }
  points.push_back({lineCount, true});

  JoinSplitOutcome outcome;
  outcome.mode = 3;
  if (p_.window.setDragEnabled) p_.window.setDragEnabled(false);
  if (p_.window.setPage1Caption) p_.window.setPage1Caption(Sjis("ファイル分割モード"));
  // The points live here now; nothing is left to take back.
  p_.session.undo = NoUndo{};
  split_.path = path;
  split_.points = points;
  split_.pointTexts.clear();
  for (const SplitPoint& point : points)
    split_.pointTexts.push_back(
        point.line >= 1 && point.line <= lineCount ? file.lines[point.line - 1] : std::string());
  const int mode = ReadSplitMode();
  if (!ValidSplitMode(mode)) {
    prompter.Tell(Sjis("ファイル分割の設定が不適切です！"));
  } else {
    // The parts, each a name row over a row with its range and preview.
    p_.joinList.Clear();
    for (const SplitPart& part : SplitParts(path, points, mode)) {
      p_.joinList.Add(part.name, true);
      CheckListRow row(PartRowText(file.lines, part), false, true, part.first);
      row.file = path;
      row.lineTo = part.last;
      p_.joinList.Insert(p_.joinList.Count(), std::move(row));
    }
    if (p_.joinList.Count() != 1) p_.joinList.SetItemIndex(0);
    Enable({J::kMenuSaveNew, J::kToolSaveNew}, true);
    Enable({J::kMenuFolderSelect, J::kMenuUndo, J::kMenuSearch, J::kMenuReplace, J::kMenuNarrow,
            J::kMenuJoinFiles},
           false);
  }
  if (p_.window.showJoinPage) p_.window.showJoinPage();
  return outcome;
}

bool TJoinSplit::SplitStillValid(const std::vector<std::string>& lines) const {
  const std::vector<SplitPoint>& points = split_.points;
  if (points.empty()) return false;
  for (size_t i = 0; i < points.size(); ++i) {
    const int64_t line = points[i].line;
    const std::string& now =
        line >= 1 && line <= static_cast<int64_t>(lines.size()) ? lines[line - 1] : std::string();
    if (now != split_.pointTexts[i]) return false;
  }
  return points.back().line == static_cast<int64_t>(lines.size());
}

JoinSplitOutcome TJoinSplit::SplitSave() {
  using J = JoinUiCommand;
  Prompter& prompter = p_.prompter;
  if (!prompter.Confirm(Sjis("新規ファイルに分割します。未チェックのファイルは作成されません。")))
    return {};
  // The file and the setting as they are now: the save stops when either went bad.
  LineFile file = ReadLineFile(split_.path);
  const int mode = ReadSplitMode();
  if (!ValidSplitMode(mode)) {
    prompter.Tell(Sjis("ファイル分割の設定が不適切です！"));
    return {};
  }
  if (file.status != LineFileStatus::kOk || !SplitStillValid(file.lines)) {
    prompter.Tell(QuotedPathText(split_.path,
                                 "は分割の準備の後に変更されました。何も書き込んでいません。"
                                 "もう一度「ファイルの分割」を選んでください。"));
    return {};
  }
  const std::vector<SplitPoint> points = split_.points;

  // A part never lands on the split file itself (a hard link of it may carry a part's
  // name) nor on what a link points to.
  const std::optional<FileIdentity> source = IdentityOf(split_.path);
  const std::vector<FileIdentity> inputs =
      source ? std::vector<FileIdentity>{*source} : std::vector<FileIdentity>{};
  CreatedFilesUndo written{CreatedFilesUndo::By::kSplit, {}};
  int tooShort = 0;
  int declined = 0;
  bool replaceAll = false;
  const std::vector<SplitPart> parts = SplitParts(split_.path, points, mode);
  // One part's save; what it ended with goes to the part report.
  auto savePart = [&](size_t k, const SplitPart& part) {
    const int partRow = static_cast<int>(2 * k + 1);
    if (partRow >= p_.joinList.Count() || !p_.joinList.Checked(partRow))
      return SplitPartEnd::kUnchecked;
    if (!PartWritable(file.lines, part)) {
      ++tooShort;
      return SplitPartEnd::kTooShort;
    }
    const NewFilePlace place = PlaceForNewFile(part.name, inputs);
    if (const char* refusal = PartRefusal(place)) {
      prompter.TellError(QuotedPathText(part.name, refusal));
      return SplitPartEnd::kRefused;
    }
    if (place == NewFilePlace::kExisting && !replaceAll) {
      const Answer answer =
          prompter.Ask(QuotedPathText(part.name, "は既にあります。置き換えますか？"),
                       QuestionButtons::kYesCancelYesToAll);
      if (answer == Answer::kYesToAll) replaceAll = true;
      if (answer != Answer::kYes && answer != Answer::kYesToAll) {
        ++declined;
        return SplitPartEnd::kDeclined;
      }
    }
    const KeepWrite result =
        WriteKeepingOld(p_.keep, part.name, LinesWithCrLf(PartLines(file.lines, part)), inputs);
    if (result != KeepWrite::kWrittenNew && result != KeepWrite::kWrittenReplaced) {
      prompter.TellError(QuotedPathText(part.name, PartWriteFailure(result)));
      return SplitPartEnd::kFailed;
    }
    const bool replaced = result == KeepWrite::kWrittenReplaced;
    written.files.push_back({part.name, replaced});
    return replaced ? SplitPartEnd::kReplaced : SplitPartEnd::kWritten;
  };
  for (size_t k = 0; k < parts.size(); ++k) {
    const SplitPartEnd end = savePart(k, parts[k]);
    if (p_.partDone) p_.partDone(parts[k], end);
  }
  // What was written can be taken back, as a join can; the preparation is used up, so a
  // second save asks for a new one.
  const size_t count = written.files.size();
  p_.session.undo = std::move(written);
  split_.points.clear();
  Enable({J::kToolSaveNew, J::kMenuSaveNew}, false);
  if (count > 0) Enable({J::kMenuUndo, J::kToolUndo}, true);
  // What was written, so a split that asked nothing more does not end in silence.
  std::string status;
  if (count > 0)
    status += QuotedPathText(FolderOfPath(split_.path), "に") + std::to_string(count) +
              Sjis("個のファイルを分割して保存しました。");
  else
    status += Sjis("分割したファイルは保存されませんでした。");
  if (tooShort > 0)
    status += Sjis("チェックした") + std::to_string(tooShort) +
              Sjis("個のファイルは2行未満か先頭行が空のため作成されませんでした。");
  if (declined > 0)
    status += std::to_string(declined) + Sjis("個の既存ファイルは置き換えませんでした。");
  return {status, true, std::nullopt};
}

}  // namespace skarvo
