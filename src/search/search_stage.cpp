#include "search/search_stage.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
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

// Thrown through the readers when the search of a file must stop; never leaves the stage.
struct StopRequest {};

// Thrown through the grep when a text file's first block shows another encoding.
struct NotShiftJis {
  TextEncoding encoding;
};

// A descriptor closed when it goes or is replaced.
class Descriptor {
 public:
  Descriptor() = default;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { reset(); }
  int get() const { return fd_; }
  void reset(int to = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = to;
  }

 private:
  int fd_ = -1;
};

std::string ReasonOf(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
  return Utf8ToCp932Lossy(e.what());
}

// Where one file's search puts what it finds, in order.
class RowOut {
 public:
  virtual ~RowOut() = default;
  // A row; false stops the search after it.
  virtual bool Row(const CheckListRow& row) = 0;
  // Every SearchSink::kProgressLines lines of a plain search; false stops the search.
  virtual bool Progress() = 0;
  // The file failed: the rows that follow are its held rows, reported before the failure.
  virtual void Failing() {}
};

// The sink itself, for a run on the calling thread.
class SinkOut : public RowOut {
 public:
  explicit SinkOut(SearchSink& sink) : sink_(sink) {}
  bool Row(const CheckListRow& row) override { return sink_.OnRow(row); }
  bool Progress() override { return sink_.OnProgress(); }

 private:
  SearchSink& sink_;
};

}  // namespace

// What every file of a run is searched with; read by the workers, never changed while they
// run.
struct TSearchStage::RunPatterns {
  const SearchPattern& pattern;     // its searchString in the internal form
  const CompiledPattern& compiled;  // pattern's, for texts converted to the internal form
  const std::string& shiftJisString;
  const CompiledPattern& shiftJisCompiled;
  EncodingChoice encodings;
};

std::string SearchErrorMessage(const SearchFileFailure& failure) {
  return Sjis("新規検索エラー") + "\n" + failure.path + ": " + failure.reason;
}

std::string SearchErrorMessage(const std::vector<SearchFileFailure>& failures) {
  std::string message = Sjis("新規検索エラー");
  for (const SearchFileFailure& failure : failures)
    message += "\n" + failure.path + ": " + failure.reason;
  return message;
}

int DefaultSearchWorkers() {
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// One worker's search of one file after another, with the readers it was given.
class TSearchStage::FileSearch {
 public:
  enum class Outcome { kDone, kPassedOver, kStopped, kFailed, kRefused };

  FileSearch(TGrep& grep, TXBiff& xbiff, TReadDoc& readDoc, TempFolderLedger& tempFolder)
      : grep_(grep), xbiff_(xbiff), readDoc_(readDoc), tempFolder_(tempFolder) {
    grep_.SetOnMatch([this](TGrep&, const RE_LineInfo_t& info) { AddHit(info.Line, info.LineNo); });
    xbiff_.OnReadCell = [this](TXBiff&, int32_t sheetNo, int32_t row, int32_t col, int32_t,
                               const std::string& data, bool& cancel) {
      AddCell(sheetNo, row, col, data);
      cancel = stop_.stop_requested();
    };
  }

  // Searches the file at path and hands its rows to out. kPassedOver: the file is not there
  // (as if never listed); kFailed: failure says why; kRefused: a zipped office file that
  // cannot be read, named in failure, gave no rows and the run goes on.
  Outcome Search(const std::string& path, const RunPatterns& patterns, RowOut& out,
                 std::stop_token stop, SearchFileFailure& failure) {
    path_ = path;
    kind_ = ClassifyTarget(path_);
    patterns_ = &patterns;
    out_ = &out;
    // A converted text is let go as soon as its file is done, however it ends.
    struct LetGo {
      Descriptor& d;
      ~LetGo() { d.reset(); }
    } letGo{converted_};
    stop_ = std::move(stop);
    // A text file that vanished is found out by opening it; the others are looked at first.
    const bool text = kind_ == TargetKind::kText;
    if (!text && !FileExists(path_)) return Outcome::kPassedOver;
    headerSent_ = false;
    held_.clear();
    cellTexts_.clear();
    cellPlaces_.clear();
    try {
      if (!SearchFile()) {
        // Stopped while reading: what the file gave so far is kept.
        FlushHeldQuietly();
        return Outcome::kStopped;
      }
      FlushHeldRows();
      return Outcome::kDone;
    } catch (const StopRequest&) {
      return Outcome::kStopped;
    } catch (const EPackageRefused& e) {
      failure = SearchFileFailure{path_, e.Message()};
      return Outcome::kRefused;
    } catch (const EGrepCancel&) {
      // The host stopped the grep: what the file gave so far is kept.
      FlushHeldQuietly();
      return Outcome::kStopped;
    } catch (const std::exception& e) {
      // A text file gone since the list was made is passed over, as if never listed.
      if (text && !headerSent_ && held_.empty() && !FileExists(path_)) return Outcome::kPassedOver;
      // A file whose search broke off keeps the hits it had, labelled.
      failure = SearchFileFailure{path_, ReasonOf(e)};
      out_->Failing();
      FlushHeldQuietly();
      return Outcome::kFailed;
    }
  }

 private:
  // False when a stop ended the reading.
  bool SearchFile() {
    std::string fileToSearch = path_;
    encoding_ = TextEncoding::kShiftJis;
    const SearchPattern& pattern = patterns_->pattern;
    // The grep tells a text file's encoding from the block it reads first; the check is
    // cleared again however the file ends.
    struct CheckScope {
      TGrep& grep;
      ~CheckScope() { grep.SetFirstBlockCheck(nullptr); }
    } checkScope{grep_};
    const bool detect =
        kind_ == TargetKind::kText && patterns_->encodings == EncodingChoice::kDetect;
    if (detect && pattern.useRegex) {
      grep_.SetFirstBlockCheck([](std::string_view head, bool whole) {
        const TextEncoding e = DetectEncoding(head.substr(0, kDetectionBytes),
                                              whole && head.size() <= kDetectionBytes);
        if (e != TextEncoding::kShiftJis) throw NotShiftJis{e};
      });
      try {
        return grep_.Grep(path_, patterns_->shiftJisCompiled, stop_);
      } catch (const NotShiftJis& other) {
        // Nothing was searched yet: the file is searched again in the internal form.
        grep_.SetFirstBlockCheck(nullptr);
        encoding_ = other.encoding;
      }
      return grep_.Grep(ConvertText(), patterns_->compiled, stop_);
    }
    if (kind_ == TargetKind::kText) {
      if (detect) encoding_ = DetectFileEncoding(path_);
      if (encoding_ != TextEncoding::kShiftJis) fileToSearch = ConvertText();
    } else if (kind_ == TargetKind::kSpreadsheet) {
      if (IsOpenXmlPath(path_))
        ReadXlsxCells(path_, [&](int32_t sheetNo, int32_t row, int32_t col,
                                 const std::string& text) { AddCell(sheetNo, row, col, text); });
      else
        xbiff_.ReadWorkbook(path_);
      if (stop_.stop_requested()) throw StopRequest{};
      fileToSearch = Extract(cellTexts_);
    } else if (kind_ == TargetKind::kWordProcessor) {
      fileToSearch = ExtractDocument();
    }

    const bool converted = encoding_ != TextEncoding::kShiftJis;
    if (pattern.useRegex)
      return grep_.Grep(fileToSearch, converted ? patterns_->compiled : patterns_->shiftJisCompiled,
                        stop_);
    const bool readable = ForEachTextLine(
        fileToSearch, converted ? pattern.searchString : patterns_->shiftJisString,
        pattern.caseSensitive,
        [&](int64_t lineNo, const std::string* hit) {
          if (hit != nullptr) AddHit(*hit, lineNo);
          if (lineNo % SearchSink::kProgressLines == 0 && !out_->Progress()) throw StopRequest{};
          return true;
        },
        kLinePiece, stop_);
    // A converted text is named by the file it was made of, not by its descriptor.
    if (!readable)
      throw ESearchFile(Sjis("ファイルを読み込めませんでした：") +
                        (converted ? path_ : fileToSearch));
    return !stop_.stop_requested();
  }

  // Calls its argument with each line of an extracted text in order.
  using ExtractLines = std::function<void(const std::function<void(const std::string&)>& line)>;

  // Writes the lines, each with a CR LF, to the extracted text of the file in the temp folder
  // and returns that file's path. They go to the file as they are produced, a piece at a
  // time, so the extracted text is never held whole.
  std::string WriteExtract(const ExtractLines& produce) {
    constexpr size_t kPiece = size_t{1} << 20;
    const std::string extracted = ExtractedTextPath(tempFolder_.TempFolder(), path_);
    const bool written = tempFolder_.WriteFilePieces(extracted, [&](const FilePieceWriter& write) {
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

  std::string Extract(const std::vector<std::string>& lines) {
    return WriteExtract([&](const std::function<void(const std::string&)>& line) {
      for (const std::string& text : lines) line(text);
    });
  }

  std::string ExtractDocument() {
    // A document's lines are not held at all: each goes on as the reader finds it.
    return WriteExtract([&](const std::function<void(const std::string&)>& line) {
      const auto onLine = [&](std::string& text) {
        if (stop_.stop_requested()) throw StopRequest{};
        line(RemoveLineBreaks(text));
      };
      if (IsOpenXmlPath(path_))
        ReadDocxLines(path_, onLine);
      else
        readDoc_.ReadLines(path_, onLine);
    });
  }

  // Converts the text file at path_ from encoding_ into the internal text form, in an unnamed
  // file of this worker's own, and returns a name the grep opens it by.
  std::string ConvertText() {
    InputFile file;
    if (!file.Open(path_)) throw ESearchFile(Sjis("ファイルを読み込めませんでした：") + path_);
    const std::string& folder = tempFolder_.TempFolder();
    const auto cannotWrite = [&] {
      return ESearchFile(Sjis("抽出したテキストを書き込めませんでした：") + folder);
    };
    // A file of a size that memory holds well is converted into memory, a larger one into
    // the temp folder's file system: never flushed to disk nor left behind.
    constexpr uint64_t kInMemory = uint64_t{64} << 20;
    if (file.Size() <= kInMemory) converted_.reset(::memfd_create("skarvo-converted", MFD_CLOEXEC));
    if (converted_.get() < 0) {
      // The ledger creates the folder, so shut-down knows whether it may go.
      const std::optional<std::string> native = NativePath(folder);
      if (!native || !tempFolder_.CreateFolders(folder)) throw cannotWrite();
      converted_.reset(::open(native->c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
      if (converted_.get() < 0) {
        std::string name = *native + "/~convertedXXXXXX";
        converted_.reset(::mkostemp(name.data(), O_CLOEXEC));
        if (converted_.get() >= 0) ::unlink(name.c_str());
      }
    }
    if (converted_.get() < 0) throw cannotWrite();
    constexpr size_t kPiece = size_t{1} << 20;
    if (!pieceIn_) pieceIn_ = std::make_unique_for_overwrite<char[]>(kPiece);
    InternalFormWriter writer(encoding_);
    for (;;) {
      if (stop_.stop_requested()) throw StopRequest{};
      const long got = file.Read(pieceIn_.get(), kPiece);
      if (got < 0) throw ESearchFile(Sjis("ファイルを読み込めませんでした：") + path_);
      pieceOut_.clear();
      writer.Convert(std::string_view(pieceIn_.get(), static_cast<size_t>(got)), pieceOut_,
                     got == 0);
      for (size_t done = 0; done < pieceOut_.size();) {
        const ssize_t n =
            ::write(converted_.get(), pieceOut_.data() + done, pieceOut_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw cannotWrite();
        done += static_cast<size_t>(n);
      }
      if (got == 0) break;
    }
    if (pieceOut_.capacity() > 4 * kPiece) pieceOut_ = std::string();
    return "/proc/self/fd/" + std::to_string(converted_.get());
  }

  void AddCell(int32_t sheetNo, int32_t row, int32_t col, const std::string& data) {
    cellPlaces_.push_back(CellPlace{sheetNo, row, col});
    cellTexts_.push_back(RemoveLineBreaks(data));
  }

  void AddHit(const std::string& line, int64_t lineNo) {
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

  void Emit(const CheckListRow& row) {
    bool goOn = true;
    if (!headerSent_) {
      headerSent_ = true;
      CheckListRow header;
      header.header = true;
      header.kind = RowKind::kFileHeader;
      header.file = path_;
      header.text = ResultRowText(header);
      goOn = out_->Row(header);
    }
    // A header never stands without its first hit.
    goOn = out_->Row(row) && goOn;
    if (!goOn) throw StopRequest{};
  }

  void FlushHeldRows() {
    if (held_.empty()) return;
    AssignCellLabels();
    std::vector<CheckListRow> rows = std::move(held_);
    held_.clear();
    for (const CheckListRow& row : rows) Emit(row);
  }

  void FlushHeldQuietly() {
    try {
      FlushHeldRows();
    } catch (const StopRequest&) {
    }
  }

  void AssignCellLabels() {
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

  TGrep& grep_;
  TXBiff& xbiff_;
  TReadDoc& readDoc_;
  TempFolderLedger& tempFolder_;
  const RunPatterns* patterns_ = nullptr;
  RowOut* out_ = nullptr;
  std::stop_token stop_;
  TargetKind kind_ = TargetKind::kText;
  TextEncoding encoding_ = TextEncoding::kShiftJis;  // of the text file being searched
  // The converted text of the file being searched, and the pieces it is made in.
  Descriptor converted_;
  std::unique_ptr<char[]> pieceIn_;
  std::string pieceOut_;
  std::string path_;                    // the file being searched
  bool headerSent_ = false;             // for the file being searched
  CheckListRow textHit_;                // a text file's hit row, refilled for each hit
  std::vector<CheckListRow> held_;      // a spreadsheet's hits until its cells are labelled
  std::vector<std::string> cellTexts_;  // ListBoxExcel while a spreadsheet is read
  struct CellPlace {
    int sheet, row, column;
  };
  std::vector<CellPlace> cellPlaces_;  // of each cell text, for its hit's label
};

TSearchStage::TSearchStage(SearchStageParts parts)
    : p_(parts),
      here_(std::make_unique<FileSearch>(p_.grep, p_.xbiff, p_.readDoc, p_.tempFolder)) {}

TSearchStage::~TSearchStage() = default;

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

SearchEnd TSearchStage::Run(const std::vector<CheckListRow>& targets, SearchSink& sink,
                            const SearchRunOptions& options) {
  const int workers = options.workers > 0 ? options.workers : DefaultSearchWorkers();
  if (workers == 1) return RunHere(targets, sink, options.stop);
  return RunInParallel(targets, sink, workers, options.stop);
}

SearchEnd TSearchStage::RunHere(const std::vector<CheckListRow>& targets, SearchSink& sink,
                                const std::stop_token& stop) {
  SinkOut out(sink);
  const RunPatterns patterns{pattern_, compiled_, shiftJisString_, shiftJisCompiled_, encodings_};
  // Files of one folder come one after the other: each is opened by its name in the folder.
  OpenFolderHint folderHint;
  const int n = static_cast<int>(targets.size());
  for (int i = 0; i < n; ++i) {
    const CheckListRow& row = targets[static_cast<size_t>(i)];
    if (stop.stop_requested() || !sink.OnTarget(i, n)) return SearchEnd::kStopped;
    if (row.header || !row.checked) continue;
    if (const size_t slash = row.text.rfind('/'); slash != std::string::npos)
      folderHint.Use(std::string_view(row.text).substr(0, slash));
    SearchFileFailure failure;
    switch (here_->Search(row.text, patterns, out, stop, failure)) {
      case FileSearch::Outcome::kDone:
      case FileSearch::Outcome::kPassedOver:
        break;
      case FileSearch::Outcome::kStopped:
        return SearchEnd::kStopped;
      case FileSearch::Outcome::kFailed:
        sink.OnFileFailed(failure);
        return SearchEnd::kFailed;
      case FileSearch::Outcome::kRefused:
        sink.OnFileRefused(failure);
        break;
    }
  }
  return SearchEnd::kCompleted;
}

namespace {

// A file's rows as a worker hands them on, packed one after the other in one text so that a
// hit costs no allocation of its own, with marks for the calls between them.
class RowRecords {
 public:
  enum Tag : uint8_t { kRow, kProgress, kFailing };

  void AddRow(const CheckListRow& row, const std::string& path) {
    Fixed f{};
    f.tag = kRow;
    f.header = row.header;
    f.checked = row.checked;
    f.kind = static_cast<uint8_t>(row.kind);
    f.encoding = static_cast<uint8_t>(row.encoding);
    f.ownFile = row.file == path;
    f.sheet = row.sheet;
    f.cellRow = row.cellRow;
    f.cellColumn = row.cellColumn;
    f.lineNo = row.lineNo;
    f.lineTo = row.lineTo;
    f.textSize = row.text.size();
    f.lineTextSize = row.lineText.size();
    f.fileSize = f.ownFile ? 0 : row.file.size();
    const size_t at = bytes_.size();
    bytes_.resize(at + sizeof f + f.textSize + f.lineTextSize + f.fileSize);
    char* p = bytes_.data() + at;
    std::memcpy(p, &f, sizeof f);
    p += sizeof f;
    std::memcpy(p, row.text.data(), f.textSize);
    p += f.textSize;
    std::memcpy(p, row.lineText.data(), f.lineTextSize);
    p += f.lineTextSize;
    if (!f.ownFile) std::memcpy(p, row.file.data(), f.fileSize);
  }
  void AddMark(Tag tag) { bytes_.push_back(static_cast<char>(tag)); }

  // The record at at (moved on past it): its tag, and for a row the row, whose texts' room
  // is reused.
  Tag Next(size_t& at, CheckListRow& row, const std::string& path) const {
    const auto tag = static_cast<Tag>(bytes_[at]);
    if (tag != kRow) {
      ++at;
      return tag;
    }
    Fixed f;
    std::memcpy(&f, bytes_.data() + at, sizeof f);
    const char* p = bytes_.data() + at + sizeof f;
    row.header = f.header;
    row.checked = f.checked;
    row.kind = static_cast<RowKind>(f.kind);
    row.encoding = static_cast<TextEncoding>(f.encoding);
    row.sheet = f.sheet;
    row.cellRow = f.cellRow;
    row.cellColumn = f.cellColumn;
    row.lineNo = f.lineNo;
    row.lineTo = f.lineTo;
    row.text.assign(p, f.textSize);
    p += f.textSize;
    row.lineText.assign(p, f.lineTextSize);
    p += f.lineTextSize;
    if (f.ownFile) {
      if (row.file != path) row.file = path;
    } else {
      row.file.assign(p, f.fileSize);
    }
    at += sizeof f + f.textSize + f.lineTextSize + f.fileSize;
    return tag;
  }

  size_t Size() const { return bytes_.size(); }
  bool Empty() const { return bytes_.empty(); }
  void Clear() { bytes_.clear(); }
  // Appends other's records and empties other.
  void Take(RowRecords& other) {
    if (bytes_.empty())
      bytes_.swap(other.bytes_);
    else
      bytes_ += other.bytes_;
    other.bytes_.clear();
  }

 private:
  struct Fixed {
    uint8_t tag, header, checked, kind, encoding, ownFile;
    int32_t sheet, cellRow, cellColumn;
    int64_t lineNo, lineTo;
    size_t textSize, lineTextSize, fileSize;
  };
  std::string bytes_;
};

// A worker hands its rows on in batches of about this size.
constexpr size_t kBatchBytes = 64 * 1024;
// Workers take no file this far ahead of the one being reported...
constexpr size_t kFilesAhead = 64;
// ...nor while this much of the rows of later files waits; a worker of a later file that
// has more to hand on waits then too.
constexpr size_t kHeldBytes = 8 * 1024 * 1024;
// The writer is woken for this many finished files at a time (or when a worker waits, or
// no file is left to take): a wake for each small file would cost more than its search.
constexpr size_t kWakeFiles = 16;

// What the workers and the thread reporting to the sink (the writer) share. Each takes the
// lock about once per file: a worker when it hands a file over and takes the next, the
// writer for all the files that are done when it wakes.
class Pool {
 public:
  using Outcome = TSearchStage::FileSearch::Outcome;

  // What a file's search handed on and the writer has not taken yet; the writer takes the
  // slots of finished files whole.
  struct Slot {
    RowRecords records;
    bool finished = false;
    Outcome outcome = Outcome::kDone;
    SearchFileFailure failure;
    std::exception_ptr error;  // a worker's own failure, thrown to the caller
  };

  explicit Pool(std::vector<int> files) : files(std::move(files)) {}

  void RequestStop() {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop.request_stop();
    writerWakes_.notify_all();
    workersWake_.notify_all();
  }

  // Hands the file a worker searched over (done, unless null) and takes the next one to
  // search (a position in files). False when there is none or the run stops.
  bool Next(size_t& file, Slot* done) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (done != nullptr) {
      Slot& slot = SlotOf(file);
      held_ += done->records.Size();
      slot.records.Take(done->records);
      slot.finished = true;
      slot.outcome = done->outcome;
      slot.failure = std::move(done->failure);
      slot.error = std::move(done->error);
      ++finished_;
      if (WriterMayGoOn()) writerWakes_.notify_one();
    }
    WaitAsWorker(lock, [&] {
      return stop.stop_requested() || next_ == files.size() || next_ == head_ ||
             (next_ < head_ + kFilesAhead && held_ < kHeldBytes);
    });
    if (stop.stop_requested() || next_ == files.size()) return false;
    file = next_++;
    return true;
  }

  // Hands a batch of the rows of a file still searched on; a worker of a later file waits
  // while too much is held. False when the run stops.
  bool Hand(size_t file, RowRecords& batch) {
    std::unique_lock<std::mutex> lock(mutex_);
    held_ += batch.Size();
    SlotOf(file).records.Take(batch);
    if (file == head_) writerWakes_.notify_one();
    WaitAsWorker(lock,
                 [&] { return stop.stop_requested() || file == head_ || held_ < kHeldBytes; });
    return !stop.stop_requested();
  }

  // Waits until there is something for the writer and appends it to ready: the slots of
  // the finished files from the one reported next on, then what the first file not
  // finished handed on so far (a slot not finished). False when the run stops.
  bool Take(std::vector<Slot>& ready) {
    std::unique_lock<std::mutex> lock(mutex_);
    writerWakes_.wait(lock, [&] { return stop.stop_requested() || WriterMayGoOn(); });
    if (stop.stop_requested()) return false;
    while (SlotOf(head_).finished) {
      Slot& slot = SlotOf(head_);
      held_ -= slot.records.Size();
      ready.push_back(std::move(slot));
      slot = Slot();
      ++head_;
      --finished_;
    }
    if (Slot& slot = SlotOf(head_); !slot.records.Empty()) {
      held_ -= slot.records.Size();
      ready.emplace_back().records.Take(slot.records);
    }
    workersWake_.notify_all();
    return true;
  }

  const std::vector<int> files;  // the target rows to search, in list order
  std::stop_source stop;

 private:
  Slot& SlotOf(size_t file) { return slots_[file % kFilesAhead]; }

  // True when the file reported next has something for the writer and it is worth waking
  // for: rows handed on while the file is searched, or enough files done, or a worker waits
  // for the writer, or no file is left to take.
  bool WriterMayGoOn() {
    const Slot& slot = SlotOf(head_);
    if (!slot.finished) return !slot.records.Empty();
    return finished_ >= kWakeFiles || waiting_ > 0 || next_ == files.size();
  }

  // A worker waits for the writer, which is then woken to make room.
  template <typename Ready>
  void WaitAsWorker(std::unique_lock<std::mutex>& lock, Ready ready) {
    if (ready()) return;
    ++waiting_;
    if (WriterMayGoOn()) writerWakes_.notify_one();
    workersWake_.wait(lock, ready);
    --waiting_;
  }

  std::mutex mutex_;
  std::condition_variable writerWakes_;
  std::condition_variable workersWake_;
  size_t next_ = 0;      // the next file a worker takes
  size_t head_ = 0;      // the file the writer reports next
  size_t held_ = 0;      // bytes of records handed on and not taken
  size_t finished_ = 0;  // files done and not yet taken
  size_t waiting_ = 0;   // workers waiting for the writer
  Slot slots_[kFilesAhead];
};

// A worker's rows go to its file's slot.
class SlotOut : public RowOut {
 public:
  SlotOut(Pool& pool, size_t file, const std::string& path)
      : pool_(pool), file_(file), path_(path) {}
  RowRecords batch;

  bool Row(const CheckListRow& row) override {
    batch.AddRow(row, path_);
    if (batch.Size() >= kBatchBytes) return pool_.Hand(file_, batch);
    return !pool_.stop.stop_requested();
  }
  // Handed on at once, so the writer asks its sink as one worker would.
  bool Progress() override {
    batch.AddMark(RowRecords::kProgress);
    return pool_.Hand(file_, batch);
  }
  void Failing() override { batch.AddMark(RowRecords::kFailing); }

 private:
  Pool& pool_;
  size_t file_;
  const std::string& path_;
};

}  // namespace

SearchEnd TSearchStage::RunInParallel(const std::vector<CheckListRow>& targets, SearchSink& sink,
                                      int workers, const std::stop_token& stop) {
  std::vector<int> files;
  for (size_t i = 0; i < targets.size(); ++i)
    if (!targets[i].header && targets[i].checked) files.push_back(static_cast<int>(i));
  Pool pool(std::move(files));
  const RunPatterns patterns{pattern_, compiled_, shiftJisString_, shiftJisCompiled_, encodings_};
  // Each worker reads with its own components; the compiled pattern is shared.
  struct Worker {
    explicit Worker(TempFolderLedger& ledger) : search(grep, xbiff, readDoc, ledger) {}
    TGrep grep;
    TXBiff xbiff;
    TReadDoc readDoc;
    FileSearch search;
  };
  std::vector<std::unique_ptr<Worker>> parts;
  const size_t count =
      std::min(static_cast<size_t>(workers), std::max<size_t>(pool.files.size(), 1));
  for (size_t w = 0; w < count; ++w) parts.push_back(std::make_unique<Worker>(p_.tempFolder));

  const auto work = [&](Worker& worker) {
    OpenFolderHint folderHint;
    size_t file = 0;
    Pool::Slot done;
    for (bool searched = false; pool.Next(file, searched ? &done : nullptr); searched = true) {
      const std::string& path = targets[static_cast<size_t>(pool.files[file])].text;
      if (const size_t slash = path.rfind('/'); slash != std::string::npos)
        folderHint.Use(std::string_view(path).substr(0, slash));
      SlotOut out(pool, file, path);
      done = Pool::Slot();
      done.outcome = FileSearch::Outcome::kStopped;
      try {
        done.outcome =
            worker.search.Search(path, patterns, out, pool.stop.get_token(), done.failure);
      } catch (...) {
        done.error = std::current_exception();
      }
      done.records.Take(out.batch);
    }
  };

  // The workers end, whichever way the run does, before what they use goes.
  struct Threads {
    Pool& pool;
    std::vector<std::jthread> threads;
    ~Threads() {
      pool.RequestStop();
      threads.clear();
    }
  } threads{pool, {}};
  const std::stop_callback forward(stop, [&] { pool.RequestStop(); });
  for (auto& worker : parts) threads.threads.emplace_back([&work, &worker] { work(*worker); });

  // The sink gets every call one worker would give, in the same order.
  std::vector<Pool::Slot> ready;  // taken from the pool, for the files from file on
  size_t readyAt = 0;
  CheckListRow row;
  const int n = static_cast<int>(targets.size());
  size_t file = 0;
  for (int i = 0; i < n; ++i) {
    if (pool.stop.stop_requested() || !sink.OnTarget(i, n)) return SearchEnd::kStopped;
    if (file == pool.files.size() || pool.files[file] != i) continue;
    const std::string& path = targets[static_cast<size_t>(i)].text;
    bool failing = false;
    bool headerSaidStop = false;
    bool sinkSaidStop = false;
    for (;;) {
      if (readyAt == ready.size()) {
        ready.clear();
        readyAt = 0;
        if (!pool.Take(ready)) return SearchEnd::kStopped;
      }
      Pool::Slot& part = ready[readyAt++];
      const RowRecords& records = part.records;
      for (size_t at = 0; at < records.Size() && !sinkSaidStop;) {
        switch (records.Next(at, row, path)) {
          case RowRecords::kRow: {
            const bool goOn = sink.OnRow(row);
            // A header never stands without its first hit.
            if (row.header)
              headerSaidStop = !goOn;
            else
              sinkSaidStop = !goOn || headerSaidStop;
            break;
          }
          case RowRecords::kProgress:
            sinkSaidStop = !sink.OnProgress();
            break;
          case RowRecords::kFailing:
            failing = true;
            break;
        }
      }
      // After a failure the held rows are reported as far as the sink takes them, and then
      // the failure.
      if (sinkSaidStop && !failing) return SearchEnd::kStopped;
      if (!part.finished) continue;
      if (part.error) std::rethrow_exception(part.error);
      if (part.outcome == FileSearch::Outcome::kStopped) return SearchEnd::kStopped;
      if (part.outcome == FileSearch::Outcome::kFailed) {
        sink.OnFileFailed(part.failure);
        return SearchEnd::kFailed;
      }
      if (part.outcome == FileSearch::Outcome::kRefused) sink.OnFileRefused(part.failure);
      break;
    }
    ++file;
  }
  return SearchEnd::kCompleted;
}

}  // namespace skarvo
