#include "search/search_stage.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "readers/open_xml.h"
#include "readers/package_refusal.h"
#include "search/row_text.h"

namespace skarvo {

namespace {

// The extracted text or a text file could not be read or written.
class ESearchFile : public Exception {
 public:
  using Exception::Exception;
};

// Thrown through the readers when the sink says stop; never leaves the stage.
struct StopRequest {};

std::string ReasonOf(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
  return Utf8ToCp932Lossy(e.what());
}

}  // namespace

std::string SearchErrorMessage(const SearchFileFailure& failure) {
  return Sjis("新規検索エラー") + "\n" + failure.path + ": " + failure.reason;
}

std::string SearchErrorMessage(const std::vector<SearchFileFailure>& failures) {
  std::string message = Sjis("新規検索エラー");
  for (const SearchFileFailure& failure : failures)
    message += "\n" + failure.path + ": " + failure.reason;
  return message;
}

TSearchStage::TSearchStage(SearchStageParts parts) : p_(parts) {
  p_.grep.SetOnMatch(
      [this](TGrep& sender, const RE_LineInfo_t& info) { OnGrepMatch(sender, info); });
  p_.xbiff.OnReadCell = [this](TXBiff& sender, int32_t sheetNo, int32_t row, int32_t col,
                               int32_t rgbAttr, const std::string& data, bool& cancel) {
    OnSheetCell(sender, sheetNo, row, col, rgbAttr, data, cancel);
  };
}

void TSearchStage::SetPattern(const SearchPattern& pattern) {
  if (pattern.useRegex)
    compiled_ = patterns_.Compile(pattern.searchString, {.fuzzy = pattern.useFuzzyDictionary});
  else
    CheckPlainSearchText(pattern.searchString);
  pattern_ = pattern;
}

SearchEnd TSearchStage::Run(const std::vector<CheckListRow>& targets, SearchSink& sink) {
  sink_ = &sink;
  // Files of one folder come one after the other: each is opened by its name in the folder.
  OpenFolderHint folderHint;
  const int n = static_cast<int>(targets.size());
  for (int i = 0; i < n; ++i) {
    const CheckListRow& row = targets[static_cast<size_t>(i)];
    if (!sink.OnTarget(i, n)) return SearchEnd::kStopped;
    if (row.header || !row.checked) continue;
    path_ = row.text;
    kind_ = ClassifyTarget(path_);
    // A text file that vanished is found out by opening it; the others are looked at first.
    const bool text = kind_ == TargetKind::kText;
    if (!text && !FileExists(path_)) continue;
    if (const size_t slash = path_.rfind('/'); slash != std::string::npos)
      folderHint.Use(std::string_view(path_).substr(0, slash));
    headerSent_ = false;
    held_.clear();
    cellTexts_.clear();
    cellPlaces_.clear();
    try {
      SearchFile(path_);
      FlushHeldRows();
    } catch (const StopRequest&) {
      return SearchEnd::kStopped;
    } catch (const EPackageRefused& e) {
      // A zipped office file that cannot be read is named and passed over; it gave no rows.
      sink.OnFileRefused(SearchFileFailure{path_, e.Message()});
      continue;
    } catch (const EGrepCancel&) {
      // The host stopped the grep: what the file gave so far is kept.
      try {
        FlushHeldRows();
      } catch (const StopRequest&) {
      }
      return SearchEnd::kStopped;
    } catch (const std::exception& e) {
      // A text file gone since the list was made is passed over, as if never listed.
      if (text && !headerSent_ && held_.empty() && !FileExists(path_)) continue;
      // A file whose search broke off keeps the hits it had, labelled.
      const SearchFileFailure failure{path_, ReasonOf(e)};
      try {
        FlushHeldRows();
      } catch (const StopRequest&) {
      }
      sink.OnFileFailed(failure);
      return SearchEnd::kFailed;
    }
  }
  return SearchEnd::kCompleted;
}

void TSearchStage::SearchFile(const std::string& path) {
  std::string fileToSearch = path;
  if (kind_ == TargetKind::kSpreadsheet) {
    if (IsOpenXmlPath(path))
      ReadXlsxCells(path, [&](int32_t sheetNo, int32_t row, int32_t col, const std::string& text) {
        AddCell(sheetNo, row, col, text);
      });
    else
      p_.xbiff.ReadWorkbook(path);
    fileToSearch = Extract(path, cellTexts_);
  } else if (kind_ == TargetKind::kWordProcessor) {
    fileToSearch = ExtractDocument(path);
  }

  if (pattern_.useRegex) {
    p_.grep.Grep(fileToSearch, compiled_);
    return;
  }
  const bool readable =
      ForEachTextLine(fileToSearch, pattern_.searchString, pattern_.caseSensitive,
                      [&](int64_t lineNo, const std::string* hit) {
                        if (hit != nullptr) AddHit(*hit, lineNo);
                        if (lineNo % SearchSink::kProgressLines == 0 && !sink_->OnProgress())
                          throw StopRequest{};
                        return true;
                      });
  if (!readable) throw ESearchFile(Sjis("ファイルを読み込めませんでした：") + fileToSearch);
}

namespace {

// Calls its argument with each line of an extracted text in order.
using ExtractLines = std::function<void(const std::function<void(const std::string&)>& line)>;

// Writes the lines, each with a CR LF, to the extracted text of path in the temp folder and
// returns that file's path. They go to the file as they are produced, a piece at a time, so
// the extracted text is never held whole.
std::string WriteExtract(TempFolderLedger& tempFolder, const std::string& path,
                         const ExtractLines& produce) {
  constexpr size_t kPiece = size_t{1} << 20;
  const std::string extracted = ExtractedTextPath(tempFolder.TempFolder(), path);
  const bool written = tempFolder.WriteFilePieces(extracted, [&](const FilePieceWriter& write) {
    std::string piece;
    bool ok = true;
    produce([&](const std::string& line) {
      piece += line;
      piece += "\r\n";
      if (piece.size() >= kPiece) {
        ok = ok && write(piece);
        piece.clear();
      }
    });
    if (ok) write(piece);
  });
  // A text that cannot be written is an error: searching an older copy left at that place
  // would show hits the file does not have.
  if (!written) throw ESearchFile(Sjis("抽出したテキストを書き込めませんでした：") + extracted);
  return extracted;
}

}  // namespace

std::string TSearchStage::Extract(const std::string& path, const std::vector<std::string>& lines) {
  return WriteExtract(p_.tempFolder, path,
                      [&](const std::function<void(const std::string&)>& line) {
                        for (const std::string& text : lines) line(text);
                      });
}

std::string TSearchStage::ExtractDocument(const std::string& path) {
  // A document's lines are not held at all: each goes on as the reader finds it.
  return WriteExtract(
      p_.tempFolder, path, [&](const std::function<void(const std::string&)>& line) {
        const auto onLine = [&](std::string& text) { line(RemoveLineBreaks(text)); };
        if (IsOpenXmlPath(path))
          ReadDocxLines(path, onLine);
        else
          p_.readDoc.ReadLines(path, onLine);
      });
}

void TSearchStage::AddHit(const std::string& line, int64_t lineNo) {
  if (kind_ == TargetKind::kText) {
    // The row most hits are: one kept and refilled, so its texts' room is reused.
    CheckListRow& hit = textHit_;
    hit.header = false;
    hit.checked = true;
    hit.lineNo = lineNo;
    hit.lineText.assign(line);
    hit.kind = RowKind::kTextLine;
    if (hit.file != path_) hit.file = path_;
    AssignResultRowText(hit.text, hit, hit.lineText);
    Emit(hit);
    return;
  }
  CheckListRow row;
  row.lineNo = lineNo;
  row.lineText = line;
  row.file = path_;
  row.kind = kind_ == TargetKind::kSpreadsheet ? RowKind::kCell : RowKind::kParagraph;
  // A cell's hit waits for its label (the text is made again once it has one).
  row.text = ResultRowText(row);
  if (row.kind == RowKind::kCell) {
    held_.push_back(std::move(row));
    return;
  }
  Emit(row);
}

void TSearchStage::Emit(const CheckListRow& row) {
  bool goOn = true;
  if (!headerSent_) {
    headerSent_ = true;
    CheckListRow header;
    header.header = true;
    header.kind = RowKind::kFileHeader;
    header.file = path_;
    header.text = ResultRowText(header);
    goOn = sink_->OnRow(header);
  }
  // A header never stands without its first hit.
  goOn = sink_->OnRow(row) && goOn;
  if (!goOn) throw StopRequest{};
}

void TSearchStage::FlushHeldRows() {
  if (held_.empty()) return;
  AssignCellLabels();
  std::vector<CheckListRow> rows = std::move(held_);
  held_.clear();
  for (const CheckListRow& row : rows) Emit(row);
}

void TSearchStage::OnGrepMatch(TGrep&, const RE_LineInfo_t& lineInfo) {
  AddHit(lineInfo.Line, lineInfo.LineNo);
}

void TSearchStage::OnSheetCell(TXBiff&, int32_t sheetNo, int32_t row, int32_t col, int32_t,
                               const std::string& data, bool&) {
  AddCell(sheetNo, row, col, data);
}

void TSearchStage::AddCell(int32_t sheetNo, int32_t row, int32_t col, const std::string& data) {
  cellPlaces_.push_back(CellPlace{sheetNo, row, col});
  cellTexts_.push_back(RemoveLineBreaks(data));
}

void TSearchStage::AssignCellLabels() {
  if (cellTexts_.empty()) return;
  // The cells of each hit's text (upper-cased), in reading order; a hit takes the last one
  // left, as a search from the end of the list would find it. Only the texts of hits are
  // looked for: a large sheet has far more cells than hits.
  std::unordered_map<std::string, std::vector<size_t>> cellsByText;
  size_t longest = 0;
  for (const CheckListRow& hit : held_) {
    cellsByText.try_emplace(UpperCaseCp932(hit.lineText));
    longest = std::max(longest, hit.lineText.size());
  }
  std::string upper;
  for (size_t k = 0; k < cellTexts_.size(); ++k) {
    // Upper-casing keeps the length: a cell of another length holds no hit's text.
    if (cellTexts_[k].size() > longest) continue;
    upper = UpperCaseCp932(cellTexts_[k]);
    if (auto it = cellsByText.find(upper); it != cellsByText.end()) it->second.push_back(k);
  }
  for (auto r = held_.rbegin(); r != held_.rend(); ++r) {
    auto it = cellsByText.find(UpperCaseCp932(r->lineText));
    if (it == cellsByText.end() || it->second.empty()) continue;
    const size_t k = it->second.back();
    it->second.pop_back();
    r->sheet = cellPlaces_[k].sheet;
    r->cellRow = cellPlaces_[k].row;
    r->cellColumn = cellPlaces_[k].column;
    r->text = ResultRowText(*r);
  }
}

}  // namespace skarvo
