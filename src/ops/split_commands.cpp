// The split: its preparation from a header row of the result list, and its save.
#include <algorithm>

#include "ops/join_restore.h"
#include "ops/join_split.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "results/result_rules.h"
#include "search/search_text.h"

namespace skarvo {

namespace {

const std::string& Caption() { return Sjis("Skarvo"); }

// The line number of a hit row: the number the search recorded, else the one its text
// shows.
std::optional<int64_t> HitLine(const CheckListRow& row) {
  if (row.lineNo > 0) return row.lineNo;
  return HitRowLineNumber(row.text);
}

// The folder part of a path: the parts of a split go beside the file split.
std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

void TJoinSplit::File2Click() {
  using J = JoinUiCommand;
  const int header = p_.resultList.ItemIndex();
  if (header < 0 || header >= p_.resultList.Count() || !p_.resultList.Header(header)) return;
  const std::string path = HeaderRowPath(p_.resultList.Text(header));
  // 1.
  if (IsOfficeFile(path)) {
    Notice(Sjis("Excel、Wordファイルは対象にできません。"));
    return;
  }
  // 3. (before anything changes, so a file that cannot be split leaves the window as it was)
  LineFile file = ReadLineFile(path);
  if (file.status == LineFileStatus::kMissing) {
    p_.port.ShowMessage(QuotedPathText(path, "が読めないため、分割できません。"), Caption());
    return;
  }
  if (file.status == LineFileStatus::kHasNul) {
    p_.port.ShowMessage(QuotedPathText(path, "はNUL文字を含むため分割できません。"), Caption());
    return;
  }
  // 4. The hit rows get their text as found and their own checks back.
  if (!p_.undoList.Empty() && p_.undoList.Text(p_.undoList.Count() - 1) == Sjis("置換"))
    UndoPendingReplace(p_.resultList, p_.undoList, p_.search.replaceText, p_.search.replacePending);
  const int64_t lineCount = static_cast<int64_t>(file.lines.size());
  std::vector<SplitPoint> points{{1, true}};
  for (int i = header + 1; i < p_.resultList.Count() && !p_.resultList.Header(i); ++i) {
    const CheckListRow& row = p_.resultList.Row(i);
    const std::optional<int64_t> line = HitLine(row);
    // A hit outside the file, or out of order, means the file changed since the search:
    // its parts would not be what the list showed.
    if (!line || *line > lineCount || *line < points.back().line) {
      p_.port.ShowMessage(
          QuotedPathText(path, "は検索の後に変更されています。もう一度検索してください。"),
          Caption());
      return;
    }
    points.push_back({*line, row.checked});
  }
  points.push_back({lineCount, true});

  // 2.
  p_.modeNumber = 3;
  if (p_.window.setDragEnabled) p_.window.setDragEnabled(false);
  if (p_.window.setPage1Caption) p_.window.setPage1Caption(Sjis("ファイル分割モード"));
  // 5.
  p_.undoList.Clear();
  for (const SplitPoint& point : points)
    p_.undoList.Add(std::to_string(point.line), false, point.checked);
  split_.path = path;
  split_.points = points;
  split_.pointTexts.clear();
  for (const SplitPoint& point : points)
    split_.pointTexts.push_back(
        point.line >= 1 && point.line <= lineCount ? file.lines[point.line - 1] : std::string());
  // 6.
  const int mode = ReadSplitMode();
  if (!ValidSplitMode(mode)) {
    p_.port.ShowMessage(Sjis("ファイル分割の設定が不適切です！"), Caption());
  } else {
    // 7.
    p_.joinList.Clear();
    for (const SplitPart& part : SplitParts(path, points, mode)) {
      p_.joinList.Add(part.name, true);
      p_.joinList.Add(PartRowText(file.lines, part), false, true);
    }
    // 8.
    if (p_.joinList.Count() != 1) p_.joinList.SetItemIndex(0);
    // 9.
    Enable({J::kMenuSaveNew, J::kToolSaveNew}, true);
    Enable({J::kMenuFolderSelect, J::kMenuUndo, J::kMenuSearch, J::kMenuReplace, J::kMenuNarrow,
            J::kMenuJoinFiles},
           false);
  }
  // 10.
  if (p_.window.showJoinPage) p_.window.showJoinPage();
}

bool TJoinSplit::SplitStillValid(const std::vector<std::string>& lines) {
  const std::vector<SplitPoint>& points = split_.points;
  if (points.empty() || p_.undoList.Count() != static_cast<int>(points.size())) return false;
  for (size_t i = 0; i < points.size(); ++i) {
    if (p_.undoList.Text(static_cast<int>(i)) != std::to_string(points[i].line)) return false;
    const int64_t line = points[i].line;
    const std::string& now =
        line >= 1 && line <= static_cast<int64_t>(lines.size()) ? lines[line - 1] : std::string();
    if (now != split_.pointTexts[i]) return false;
  }
  return points.back().line == static_cast<int64_t>(lines.size());
}

void TJoinSplit::SplitSave() {
  using J = JoinUiCommand;
  if (!p_.port.Confirm(Sjis("新規ファイルに分割します。未チェックのファイルは作成されません。"),
                       Caption()))
    return;
  // 2.
  LineFile file = ReadLineFile(split_.path);
  const int mode = ReadSplitMode();
  if (!ValidSplitMode(mode)) {
    p_.port.ShowMessage(Sjis("ファイル分割の設定が不適切です！"), Caption());
    return;
  }
  if (file.status != LineFileStatus::kOk || !SplitStillValid(file.lines)) {
    p_.port.ShowMessage(QuotedPathText(split_.path,
                                       "は分割の準備の後に変更されました。何も書き込んでいません。"
                                       "もう一度「ファイルの分割」を選んでください。"),
                        Caption());
    return;
  }
  std::vector<SplitPoint> points = split_.points;
  for (size_t i = 0; i < points.size(); ++i)
    points[i].checked = p_.undoList.Checked(static_cast<int>(i));

  // 3. A part never lands on the split file itself (a hard link of it may carry a part's
  // name) nor on what a link points to.
  const std::optional<FileIdentity> source = IdentityOf(split_.path);
  const std::vector<FileIdentity> inputs =
      source ? std::vector<FileIdentity>{*source} : std::vector<FileIdentity>{};
  std::vector<std::pair<std::string, bool>> written;  // part name, old file kept
  int tooShort = 0;
  int declined = 0;
  bool replaceAll = false;
  const std::vector<SplitPart> parts = SplitParts(split_.path, points, mode);
  for (size_t k = 0; k < parts.size(); ++k) {
    const SplitPart& part = parts[k];
    const int partRow = static_cast<int>(2 * k + 1);
    if (partRow >= p_.joinList.Count() || !p_.joinList.Checked(partRow)) continue;
    if (!PartWritable(file.lines, part)) {
      ++tooShort;
      continue;
    }
    const NewFilePlace place = PlaceForNewFile(part.name, inputs);
    if (const char* refusal = PartRefusal(place)) {
      p_.port.ShowError(QuotedPathText(part.name, refusal), Caption());
      continue;
    }
    if (place == NewFilePlace::kExisting && !replaceAll) {
      const Answer answer =
          p_.port.Ask(QuotedPathText(part.name, "は既にあります。置き換えますか？"), Caption(),
                      QuestionButtons::kYesCancelYesToAll);
      if (answer == Answer::kYesToAll) replaceAll = true;
      if (answer != Answer::kYes && answer != Answer::kYesToAll) {
        ++declined;
        continue;
      }
    }
    const KeepWrite result = WriteKeepingOld(p_.tempFolder, part.name,
                                             LinesWithCrLf(PartLines(file.lines, part)), inputs);
    if (result == KeepWrite::kWrittenNew || result == KeepWrite::kWrittenReplaced)
      written.emplace_back(part.name, result == KeepWrite::kWrittenReplaced);
    else
      p_.port.ShowError(QuotedPathText(part.name, PartWriteFailure(result)), Caption());
  }
  // 4.
  p_.undoList.Clear();
  for (const auto& [name, kept] : written) p_.undoList.Add(name, false, kept);
  p_.undoList.Add(SplitMarker());
  // 5. A split that wrote a part can be taken back, as a join can.
  Enable({J::kToolSaveNew, J::kMenuSaveNew}, false);
  if (!written.empty()) Enable({J::kMenuUndo, J::kToolUndo}, true);
  // What was written, so a split that asked nothing more does not end in silence.
  std::string status;
  if (!written.empty())
    status += QuotedPathText(FolderOfPath(split_.path), "に") + std::to_string(written.size()) +
              Sjis("個のファイルを分割して保存しました。");
  else
    status += Sjis("分割したファイルは保存されませんでした。");
  if (tooShort > 0)
    status += Sjis("チェックした") + std::to_string(tooShort) +
              Sjis("個のファイルは2行未満か先頭行が空のため作成されませんでした。");
  if (declined > 0)
    status += std::to_string(declined) + Sjis("個の既存ファイルは置き換えませんでした。");
  p_.port.SetStatusText(status);
  p_.statusTimer.SetEnabled(true);
}

}  // namespace skarvo
