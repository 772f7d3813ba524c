#include "search/search_stage.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <functional>
#include <unordered_map>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
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

// Thrown through the grep when a text file's first block shows another encoding.
struct NotShiftJis {
  TextEncoding encoding;
};

std::string ReasonOf(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
  return Utf8ToCp932Lossy(e.what());
}

}  // namespace

std::string SearchErrorMessage(const SearchFileFailure& failure) {
  return Sjis("新規検索エラー") + "\n" + failure.path + ": " + failure.reason;
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
  std::string shiftJis = ToShiftJisPattern(pattern.searchString);
  const bool same = shiftJis == pattern.searchString;
  if (pattern.useRegex) {
    const PatternOptions options{.fuzzy = pattern.useFuzzyDictionary};
    CompiledPattern sjis = patterns_.Compile(shiftJis, options);
    compiled_ = same ? sjis : patterns_.Compile(pattern.searchString, options);
    shiftJisCompiled_ = std::move(sjis);
  } else {
    CheckPlainSearchText(shiftJis);
    if (!same) CheckPlainSearchText(pattern.searchString);
  }
  pattern_ = pattern;
  shiftJisString_ = std::move(shiftJis);
}

SearchEnd TSearchStage::Run(const std::vector<CheckListRow>& targets, SearchSink& sink) {
  sink_ = &sink;
  // A converted text is let go when the run ends, however it ends.
  struct LetGo {
    Descriptor& d;
    ~LetGo() { d.reset(); }
  } letGo{converted_};
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

void TSearchStage::Descriptor::reset(int to) {
  if (fd >= 0) ::close(fd);
  fd = to;
}

void TSearchStage::SearchFile(const std::string& path) {
  converted_.reset();
  std::string fileToSearch = path;
  encoding_ = TextEncoding::kShiftJis;
  // The grep tells a text file's encoding from the block it reads first; the check is
  // cleared again however the file ends.
  struct CheckScope {
    TGrep& grep;
    ~CheckScope() { grep.SetFirstBlockCheck(nullptr); }
  } checkScope{p_.grep};
  const bool detect = kind_ == TargetKind::kText && encodings_ == EncodingChoice::kDetect;
  if (detect && pattern_.useRegex) {
    p_.grep.SetFirstBlockCheck([](std::string_view head, bool whole) {
      const TextEncoding e =
          DetectEncoding(head.substr(0, kDetectionBytes), whole && head.size() <= kDetectionBytes);
      if (e != TextEncoding::kShiftJis) throw NotShiftJis{e};
    });
    try {
      p_.grep.Grep(path, shiftJisCompiled_);
      return;
    } catch (const NotShiftJis& other) {
      // Nothing was searched yet: the file is searched again in the internal form.
      p_.grep.SetFirstBlockCheck(nullptr);
      encoding_ = other.encoding;
      p_.grep.Grep(ConvertText(path), compiled_);
      return;
    }
  }
  if (kind_ == TargetKind::kText) {
    if (detect) encoding_ = DetectFileEncoding(path);
    if (encoding_ != TextEncoding::kShiftJis) fileToSearch = ConvertText(path);
  } else if (kind_ == TargetKind::kSpreadsheet) {
    p_.xbiff.ReadWorkbook(path);
    fileToSearch = Extract(path, cellTexts_);
  } else if (kind_ == TargetKind::kWordProcessor) {
    fileToSearch = ExtractDocument(path);
  }

  const bool converted = encoding_ != TextEncoding::kShiftJis;
  if (pattern_.useRegex) {
    p_.grep.Grep(fileToSearch, converted ? compiled_ : shiftJisCompiled_);
    return;
  }
  const bool readable =
      ForEachTextLine(fileToSearch, converted ? pattern_.searchString : shiftJisString_,
                      pattern_.caseSensitive, [&](int64_t lineNo, const std::string* hit) {
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
                         const ExtractLines& produce, bool asLines = true) {
  constexpr size_t kPiece = size_t{1} << 20;
  const std::string extracted = ExtractedTextPath(tempFolder.TempFolder(), path);
  const bool written = tempFolder.WriteFilePieces(extracted, [&](const FilePieceWriter& write) {
    std::string piece;
    bool ok = true;
    produce([&](const std::string& line) {
      piece += line;
      if (asLines) piece += "\r\n";
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
        p_.readDoc.ReadLines(path, [&](std::string& text) { line(RemoveLineBreaks(text)); });
      });
}

std::string TSearchStage::ConvertText(const std::string& path) {
  InputFile file;
  if (!file.Open(path)) throw ESearchFile(Sjis("ファイルを読み込めませんでした：") + path);
  // An unnamed file in the temp folder: never flushed to disk nor left behind, and read by
  // the grep as any file through its descriptor's name.
  const std::string folder = p_.tempFolder.TempFolder();
  const std::optional<std::string> native = NativePath(folder);
  const auto cannotWrite = [&] {
    return ESearchFile(Sjis("抽出したテキストを書き込めませんでした：") + folder);
  };
  if (!native || !CreateFolderPath(folder)) throw cannotWrite();
  // A file of a size that memory holds well is converted into memory, a larger one into
  // the temp folder's file system.
  constexpr uint64_t kInMemory = uint64_t{64} << 20;
  if (file.Size() <= kInMemory) converted_.reset(::memfd_create("skarvo-converted", MFD_CLOEXEC));
  if (converted_.get() < 0)
    converted_.reset(::open(native->c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (converted_.get() < 0) {
    std::string name = *native + "/~convertedXXXXXX";
    converted_.reset(::mkostemp(name.data(), O_CLOEXEC));
    if (converted_.get() >= 0) ::unlink(name.c_str());
  }
  if (converted_.get() < 0) throw cannotWrite();
  constexpr size_t kPiece = size_t{1} << 20;
  if (!pieceIn_) pieceIn_ = std::make_unique_for_overwrite<char[]>(kPiece);
  InternalFormWriter writer(encoding_);
  for (;;) {
    const long got = file.Read(pieceIn_.get(), kPiece);
    if (got < 0) throw ESearchFile(Sjis("ファイルを読み込めませんでした：") + path);
    pieceOut_.clear();
    writer.Convert(std::string_view(pieceIn_.get(), static_cast<size_t>(got)), pieceOut_, got == 0);
    for (size_t done = 0; done < pieceOut_.size();) {
      const ssize_t n = ::write(converted_.get(), pieceOut_.data() + done, pieceOut_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw cannotWrite();
      done += static_cast<size_t>(n);
    }
    if (got == 0) break;
  }
  if (pieceOut_.capacity() > 4 * kPiece) pieceOut_ = std::string();
  return "/proc/self/fd/" + std::to_string(converted_.get());
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
    hit.encoding = encoding_;
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
  cellPlaces_.push_back(CellPlace{sheetNo, row, col});
  cellTexts_.push_back(RemoveLineBreaks(data));
}

void TSearchStage::AssignCellLabels() {
  if (cellTexts_.empty()) return;
  // The cells of each text (upper-cased), in reading order; a hit takes the last one left,
  // as a search from the end of the list would find it.
  std::unordered_map<std::string, std::vector<size_t>> cellsByText;
  for (size_t k = 0; k < cellTexts_.size(); ++k)
    cellsByText[UpperCaseCp932(cellTexts_[k])].push_back(k);
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
