#include "search/search_run.h"

#include <exception>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace skarvo {

namespace {

// The extracted text or a text file could not be read or written.
class ESearchFile : public Exception {
 public:
  explicit ESearchFile(const std::string& path) : Exception(path) {}
};

constexpr size_t kMaxStatusBytes = 1024;

const std::string& Caption() { return Sjis("Skarvo"); }

// Sets the flag for the life of a run, also when the run ends with an exception.
class RunGuard {
 public:
  explicit RunGuard(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunGuard() { flag_ = false; }
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;

 private:
  bool& flag_;
};

}  // namespace

TSearchRun::TSearchRun(SearchRunParts parts) : p_(parts) {
  p_.grep.SetOnMatch(
      [this](TGrep& sender, const RE_LineInfo_t& info) { Grep2Match(sender, info); });
  p_.xbiff.OnReadCell = [this](TXBiff& sender, int32_t sheetNo, int32_t row, int32_t col,
                               int32_t rgbAttr, const std::string& data, bool& cancel) {
    XBiff1ReadCell(sender, sheetNo, row, col, rgbAttr, data, cancel);
  };
}

void TSearchRun::SetStatus(const std::string& text) {
  statusText_ = text;
  p_.port.SetStatusText(text);
}

void TSearchRun::PutSearchTextOnTop() {
  HistoryBox& box = p_.searchHistory;
  box.InsertTop(box.Text());
  box.RemoveDuplicatesOfTop();
  box.SetItemIndex(0);
}

void TSearchRun::NoTargetsNotice() {
  SetStatus(Sjis("選択されたファイルがありません！"));
  p_.statusTimer.SetEnabled(true);
}

void TSearchRun::SearchToolButtonClick() {
  if (p_.state.runInProgress) return;
  if (p_.targets.TargetCount() == 0) return NoTargetsNotice();
  PutSearchTextOnTop();
  RunSearch();
}

void TSearchRun::SearchMenuClick() {
  if (p_.state.runInProgress) return;
  if (p_.targetList.Empty()) return NoTargetsNotice();
  PutSearchTextOnTop();
  RunSearch();
}

void TSearchRun::ComboBox1KeyEnter() {
  if (p_.state.runInProgress || p_.searchHistory.Text().empty()) return;
  PutSearchTextOnTop();
  if (p_.targets.TargetCount() != 0)
    RunSearch();
  else
    NoTargetsNotice();
}

void TSearchRun::ComboBox1Select(int index) {
  if (p_.state.runInProgress || index < 0 || index >= p_.searchHistory.Count()) return;
  p_.searchHistory.MoveToTop(index);
  if (!p_.folderHistory.Text().empty()) RunSearch();
}

void TSearchRun::RunSearch() {
  if (p_.state.runInProgress) return;
  RunGuard guard(p_.state.runInProgress);

  // 1. A new run ends any pending replace.
  p_.state.replaceText.clear();
  p_.state.replacePending = false;
  p_.resultList.Clear();
  p_.undoList.Clear();
  p_.activePage = 0;

  // 2. Ask for the string when the box is empty.
  if (p_.searchHistory.Text().empty()) {
    std::optional<std::string> answer = p_.port.InputText(
        Sjis("検索文字入力"), Sjis("検索する文字列を入力してください。"), std::string());
    if (!answer || answer->empty()) return;
    p_.searchHistory.InsertTop(*answer);
    p_.searchHistory.RemoveDuplicatesOfTop();
    p_.searchHistory.SetItemIndex(0);
  }

  // 3. An empty target list is built from the selected folder history entry; without a
  // selected entry there is nothing to build from.
  if (p_.targetList.Empty() && p_.folderHistory.Count() > 0 && p_.folderHistory.ItemIndex() >= 0)
    p_.targets.BuildTargetList(false);

  // 4.
  p_.undoList.Clear();

  // 5.
  const std::string searchString = p_.searchHistory.Text();
  if (p_.targetList.Empty() || searchString.empty()) {
    p_.port.ShowMessage(p_.targetList.Empty() ? Sjis("検索対象のファイルがありません！")
                                              : Sjis("検索する文字が入力されていません！"),
                        Caption());
    return Finish(false);
  }

  // 6. A pattern the engine rejects ends the run with the engine's message.
  if (p_.settings.useRegex) {
    try {
      p_.grep.SetRegExp(searchString);
    } catch (const Exception& e) {
      p_.port.ShowError(e.Message(), Caption());
      return;
    }
  }

  // 7.
  const int n = p_.targetList.Count();
  for (int i = 0; i < n; ++i) {
    p_.listBoxExcel.clear();
    p_.listBoxCell.clear();
    const CheckListRow row = p_.targetList.Row(i);
    currentKind_ = ClassifyTarget(row.text);
    SetStatus(SearchProgressText(i, n));
    if (row.header || !row.checked) continue;
    // A text file that vanished (or is no regular file) is found out by opening it; the
    // others are looked at first.
    const bool text = currentKind_ == TargetKind::kText;
    if (!text && !FileExists(row.text)) continue;
    const int headerRow = p_.undoList.Count();
    try {
      SearchTarget(row.text, currentKind_, searchString);
    } catch (const std::exception&) {
      // What was found so far is shown; a file whose search broke off keeps the hits it
      // had, labelled, and no header row stands without hits.
      DropHeaderWithoutHits(headerRow);
      if (text && !FileExists(row.text)) continue;
      AssignCellLabels(headerRow);
      p_.port.ShowMessage(Sjis("新規検索エラー"), Caption());
      break;
    }
    DropHeaderWithoutHits(headerRow);
    AssignCellLabels(headerRow);
  }

  // 8.
  for (const CheckListRow& row : p_.undoList.Rows())
    p_.resultList.Insert(p_.resultList.Count(), row);
  p_.activePage = 0;
  p_.statusTimer.SetEnabled(true);
  p_.state.searchText = p_.searchHistory.Text();
  p_.state.searchUsedRegex = p_.settings.useRegex;
  p_.state.searchCaseSensitive = p_.settings.caseSensitive;
  p_.state.searchFuzzy = p_.settings.useFuzzyDictionary;
  Finish(true);
}

void TSearchRun::SearchTarget(const std::string& path, TargetKind kind,
                              const std::string& searchString) {
  std::string fileToSearch = path;
  if (kind == TargetKind::kSpreadsheet) {
    p_.xbiff.ReadWorkbook(path);
    fileToSearch = Extract(path, p_.listBoxExcel);
  } else if (kind == TargetKind::kWordProcessor) {
    std::vector<std::string> lines;
    p_.readDoc.ReadText(path, &lines);
    for (std::string& line : lines) line = RemoveLineBreaks(line);
    fileToSearch = Extract(path, lines);
  }

  p_.undoList.Add(FileHeaderRowText(path), /*header=*/true);

  if (p_.settings.useRegex) {
    p_.grep.SetUseFuzzyCharDic(p_.settings.useFuzzyDictionary);
    p_.grep.Grep(fileToSearch);
    return;
  }
  const bool caseSensitive = p_.settings.caseSensitive;
  bool readable = ForEachTextLine(fileToSearch, [&](int64_t lineNo, const std::string& line) {
    if (ContainsSearchString(line, searchString, caseSensitive)) {
      AddHitRow(line, lineNo);
      // One dot per hit; past a status bar's width more dots would only cost time.
      if (statusText_.size() < kMaxStatusBytes) SetStatus(statusText_ + ".");
    }
    return true;
  });
  if (!readable) throw ESearchFile(fileToSearch);
}

std::string TSearchRun::Extract(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  const std::string extracted = ExtractedTextPath(p_.tempFolder.TempFolder(), path);
  // A text that cannot be written is an error: searching an older copy left at that place
  // would show hits the file does not have.
  if (!p_.tempFolder.WriteFile(extracted, text)) throw ESearchFile(extracted);
  return extracted;
}

void TSearchRun::AddHitRow(const std::string& line, int64_t lineNo) {
  // The line number and the line's own text travel with the row, so the replace and the
  // overwrite never read them back out of the displayed text.
  CheckListRow row;
  row.lineNo = lineNo;
  row.lineText = line;
  switch (currentKind_) {
    case TargetKind::kSpreadsheet:
      row.text = line;
      break;
    case TargetKind::kWordProcessor:
      row.text = WordHitRowText(line);
      break;
    case TargetKind::kText:
      row.text = TextHitRowText(lineNo, line);
      row.checked = true;
      break;
  }
  p_.undoList.Insert(p_.undoList.Count(), std::move(row));
}

void TSearchRun::Grep2Match(TGrep&, const RE_LineInfo_t& lineInfo) {
  AddHitRow(lineInfo.Line, lineInfo.LineNo);
}

void TSearchRun::XBiff1ReadCell(TXBiff&, int32_t sheetNo, int32_t row, int32_t col, int32_t,
                                const std::string& data, bool&) {
  p_.listBoxCell.push_back(CellLabel(sheetNo, row, col));
  p_.listBoxExcel.push_back(RemoveLineBreaks(data));
}

void TSearchRun::DropHeaderWithoutHits(int headerRow) {
  CheckList& undo = p_.undoList;
  if (undo.Count() == headerRow + 1 && undo.Header(headerRow)) undo.Delete(headerRow);
}

void TSearchRun::AssignCellLabels(int headerRow) {
  CheckList& undo = p_.undoList;
  std::vector<std::string>& texts = p_.listBoxExcel;
  std::vector<std::string>& labels = p_.listBoxCell;
  // Only this file's rows: with no hits it has no header row, and rows of earlier files
  // already carry their labels.
  if (headerRow >= undo.Count() || texts.empty()) return;
  // The cells of each text (upper-cased), in reading order; a hit takes the last one left,
  // as a search from the end of the list would find it.
  std::unordered_map<std::string, std::vector<size_t>> cellsByText;
  for (size_t k = 0; k < texts.size(); ++k) cellsByText[UpperCaseCp932(texts[k])].push_back(k);
  std::vector<bool> used(texts.size(), false);
  for (int r = undo.Count() - 1; r > headerRow && !undo.Header(r); --r) {
    if (undo.Checked(r)) continue;
    auto it = cellsByText.find(UpperCaseCp932(undo.Text(r)));
    if (it == cellsByText.end() || it->second.empty()) continue;
    const size_t k = it->second.back();
    it->second.pop_back();
    used[k] = true;
    undo.SetText(r, labels[k] + undo.Text(r));
  }
  size_t kept = 0;
  for (size_t k = 0; k < texts.size(); ++k) {
    if (used[k]) continue;
    texts[kept] = std::move(texts[k]);
    labels[kept] = std::move(labels[k]);
    ++kept;
  }
  texts.resize(kept);
  labels.resize(kept);
}

void TSearchRun::Finish(bool reachedResults) {
  p_.resultList.SetItemIndex(0);
  if (reachedResults && p_.resultList.Empty())
    p_.port.ShowMessage(NotFoundMessage(p_.state.searchText), Caption());
  SetStatus(Sjis("検索終了"));
  p_.listBoxExcel.clear();
  p_.listBoxCell.clear();
  CollectOfficeFiles();
}

void TSearchRun::CollectOfficeFiles() {
  for (const CheckListRow& row : p_.resultList.Rows()) {
    if (!row.header) continue;
    std::string path = HeaderRowPath(row.text);
    if (ClassifyTarget(path) != TargetKind::kText) p_.listBoxExcel.push_back(std::move(path));
  }
}

}  // namespace skarvo
