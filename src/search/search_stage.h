// TSearchStage: the search of a list of target files, without a window. Given the target
// rows, the pattern options and the temp folder for office files, it reads each checked
// file row in list order and reports result rows to a sink: a file's header row just
// before its first hit, then one row per matching line or cell. The sink may say stop at
// any row, at each target, or between lines (OnProgress); so may a stop token, from any
// thread; the grep component's own cancel (EGrepCancel) is a stop too, never a failure. A
// file that cannot be read, extracted or searched is reported as a typed event and ends the
// run; the rows it gave before are kept. A zipped office file (.xlsx, .docx) that is damaged
// or no office file is reported as refused and the run goes on with the next file.
//
// A text file in another encoding than Shift-JIS is converted into the internal text form
// under the temp folder first and searched there with the pattern's internal form; its hit
// rows carry the encoding, and their line texts are in the internal form.
//
// Office files are read into an extracted text under the temp folder first (.xls: one line
// per cell in reading order, .doc: one line per text line, line breaks removed) and that
// text is searched. A spreadsheet's hit rows are held back until the file is done: each
// takes the label of a cell with the same text without regard to case, from the last hit
// back, the last such cell still unused; so the k-th hit with a given text gets the label
// of the k-th cell with that text. A .xlsx is read as a .xls, a .docx as a .doc.
//
// Files may be searched by several workers at once: each takes the file after the last one
// taken, in list order, and a worker that runs ahead of the sink holds its rows (a bounded
// number of files and bytes) until the files before are reported. So the sink sees the same
// calls whatever the number of workers.
//
// The stage knows no history box, tab, timer or message box: the window and skarvo-cli put
// those around it.
#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "engine/grep.h"
#include "platform/text_encoding.h"
#include "readers/read_doc.h"
#include "readers/xbiff.h"
#include "search/search_text.h"
#include "search/temp_folder_ledger.h"
#include "targets/check_list.h"

namespace skarvo {

// What to look for and how.
struct SearchPattern {
  std::string searchString;         // CP932, not empty
  bool useRegex = true;             // a pattern; otherwise a plain substring
  bool caseSensitive = true;        // plain search only
  bool useFuzzyDictionary = false;  // pattern search only
};

// A target that could not be read, extracted or searched.
struct SearchFileFailure {
  std::string path;    // the target row's path (CP932)
  std::string reason;  // the error's message (CP932)
};

// The message for a failed file: "新規検索エラー", then `<path>: <reason>` on the next line.
std::string SearchErrorMessage(const SearchFileFailure& failure);
// The same for several files, one `<path>: <reason>` line each, in order; for one file the
// same text as SearchErrorMessage.
std::string SearchErrorMessage(const std::vector<SearchFileFailure>& failures);

// How a run ended.
enum class SearchEnd { kCompleted, kStopped, kFailed };

// Receives what the stage finds, in order.
class SearchSink {
 public:
  virtual ~SearchSink() = default;
  // Row index of count rows of the target list is looked at next (every row, also folder
  // rows and rows passed over). False stops the run before that row.
  virtual bool OnTarget(int index, int count) {
    (void)index;
    (void)count;
    return true;
  }
  // A result row: a header (text `"<path>",の検索結果`) or a hit with lineNo and lineText
  // filled. False stops the run after this row; a header is always followed by its hit.
  virtual bool OnRow(const CheckListRow& row) = 0;
  // The file could not be read, extracted or searched; the run ends after this.
  virtual void OnFileFailed(const SearchFileFailure& failure) = 0;
  // A zipped office file was refused whole (no rows of it were reported); the run goes on.
  virtual void OnFileRefused(const SearchFileFailure& failure) = 0;
  // Asked now and then while a plain search reads lines (every kProgressLines lines), so a
  // long file without hits can be stopped too. False stops the run.
  virtual bool OnProgress() { return true; }
  static constexpr int64_t kProgressLines = 4096;
};

// The components the stage reads with; all outlive the stage.
struct SearchStageParts {
  TGrep& grep;    // its OnMatch is bound to the stage
  TXBiff& xbiff;  // its OnReadCell is bound to the stage
  TReadDoc& readDoc;
  TempFolderLedger& tempFolder;  // extracted texts are written and recorded here
};

// How a run works.
struct SearchRunOptions {
  // Files searched at the same time, each by a worker thread with readers of its own (the
  // parts' readers are then not used). Whatever the number, the sink gets exactly the calls
  // one worker gives, in the list's order, on the thread that called Run. 1: the run works
  // on the calling thread with the parts; 0: one worker per core (DefaultSearchWorkers).
  int workers = 1;
  // A stop that may be asked for from any thread: looked at before each target, after each
  // block a file's search reads and before each hit it reports, it ends the run (kStopped)
  // with the rows the sink was given so far.
  std::stop_token stop;
};

// One worker per core (at least one).
int DefaultSearchWorkers();

// One run at a time: SetPattern and Run are called by one thread, or one after the other.
class TSearchStage {
 public:
  explicit TSearchStage(SearchStageParts parts);
  ~TSearchStage();
  TSearchStage(const TSearchStage&) = delete;
  TSearchStage& operator=(const TSearchStage&) = delete;

  // Compiles a pattern (useRegex, with the fuzzy dictionary when asked) once for the whole
  // run. Throws the engine's error for a pattern it rejects, and CheckPlainSearchText's for a
  // plain text cut inside a 2-byte character; nothing else changes then.
  // searchString is in the internal form: files that are not Shift-JIS are searched with it
  // as it is, Shift-JIS files with its ToShiftJisPattern.
  void SetPattern(const SearchPattern& pattern);
  // How each text file's encoding is chosen (told from its bytes unless set).
  void SetEncodingChoice(EncodingChoice choice) { encodings_ = choice; }

  // Searches the checked file rows of targets with the pattern last set; header rows,
  // unchecked rows and files that no longer exist are passed over. Errors of a file are
  // reported to the sink, never thrown; an exception thrown by the sink propagates (after
  // the workers have stopped).
  SearchEnd Run(const std::vector<CheckListRow>& targets, SearchSink& sink,
                const SearchRunOptions& options = {});

  // A worker's search of one file after another (search_stage.cpp).
  class FileSearch;
  // The patterns a run's files are searched with (search_stage.cpp).
  struct RunPatterns;

 private:
  SearchEnd RunHere(const std::vector<CheckListRow>& targets, SearchSink& sink,
                    const std::stop_token& stop);
  SearchEnd RunInParallel(const std::vector<CheckListRow>& targets, SearchSink& sink, int workers,
                          const std::stop_token& stop);

  SearchStageParts p_;
  SearchPattern pattern_;
  // Keeps the last patterns compiled, so searching again with one compiles nothing.
  TPatternCompiler patterns_{PatternUse::kInFiles};
  CompiledPattern compiled_{patterns_.Empty()};  // pattern_'s, when useRegex
  std::unique_ptr<FileSearch> here_;             // with the parts
  // The pattern for Shift-JIS files and its compiled pattern (compiled_ is the internal
  // form's, for files converted to it).
  std::string shiftJisString_;
  CompiledPattern shiftJisCompiled_{patterns_.Empty()};
  EncodingChoice encodings_ = EncodingChoice::kDetect;
};

}  // namespace skarvo
