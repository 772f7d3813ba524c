// TSearchStage: the search of a list of target files, without a window. Given the target
// rows, the pattern options and the temp folder for office files, it reads each checked
// file row in list order and reports result rows to a sink: a file's header row just
// before its first hit, then one row per matching line or cell. The sink may say stop at
// any row, at each target, or between lines (OnProgress); the grep component's own cancel
// (EGrepCancel) is a stop too, never a failure. A file that cannot be read, extracted or searched
// is reported as a typed event and ends the run; the rows it gave before are kept.
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
// of the k-th cell with that text.
//
// The stage knows no history box, tab, timer or message box: the window and skarvo-cli put
// those around it.
#pragma once

#include <cstdint>
#include <memory>
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

class TSearchStage {
 public:
  explicit TSearchStage(SearchStageParts parts);
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
  // reported to the sink, never thrown; an exception thrown by the sink propagates.
  SearchEnd Run(const std::vector<CheckListRow>& targets, SearchSink& sink);

  // The grep component's match event and the spreadsheet reader's cell event.
  void OnGrepMatch(TGrep& sender, const RE_LineInfo_t& lineInfo);
  void OnSheetCell(TXBiff& sender, int32_t sheetNo, int32_t row, int32_t col, int32_t rgbAttr,
                   const std::string& data, bool& cancel);

 private:
  void SearchFile(const std::string& path);
  std::string Extract(const std::string& path, const std::vector<std::string>& lines);
  std::string ExtractDocument(const std::string& path);
  std::string ConvertText(const std::string& path);
  void AddHit(const std::string& line, int64_t lineNo);
  void Emit(const CheckListRow& row);
  void FlushHeldRows();
  void AssignCellLabels();

  SearchStageParts p_;
  SearchPattern pattern_;
  // Keeps the last patterns compiled, so searching again with one compiles nothing.
  TPatternCompiler patterns_{PatternUse::kInFiles};
  CompiledPattern compiled_{patterns_.Empty()};  // pattern_'s, when useRegex
  // The pattern for Shift-JIS files and its compiled pattern (compiled_ is the internal
  // form's, for files converted to it).
  std::string shiftJisString_;
  CompiledPattern shiftJisCompiled_{patterns_.Empty()};
  TextEncoding encoding_ = TextEncoding::kShiftJis;  // of the text file being searched
  EncodingChoice encodings_ = EncodingChoice::kDetect;
  // The converted text of the file being searched, and the pieces it is made in.
  struct Descriptor {
    int fd = -1;
    ~Descriptor() { reset(); }
    int get() const { return fd; }
    void reset(int to = -1);
  };
  Descriptor converted_;
  std::unique_ptr<char[]> pieceIn_;
  std::string pieceOut_;
  SearchSink* sink_ = nullptr;
  TargetKind kind_ = TargetKind::kText;
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

}  // namespace skarvo
