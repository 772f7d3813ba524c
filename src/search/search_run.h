// TSearchRun: the search run of the main window and its four triggers. It searches every
// checked file row of the target list in list order, reading .xls and .doc files into an
// extracted text file under the temp folder first, and fills the result list with one
// header row per file that has hits followed by one row per matching line or cell. The
// main window (and skarvo-cli, which has no window) owns every piece the run works on and
// hands references to them in SearchRunParts; the window's handlers forward here.
//
// The run is built in the undo list and copied to the result list at the end. Spreadsheet
// hits get their cell labels after each file: the cells were listed in reading order
// (ListBoxExcel: text, ListBoxCell: label) and each unchecked hit row, from the last back
// to the file's header, takes the label of the last remaining cell with the same text
// without regard to case, which is then used up; so the k-th hit with a given text gets the
// label of the k-th cell with that text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/grep.h"
#include "platform/core_timer.h"
#include "platform/ui_port.h"
#include "readers/read_doc.h"
#include "readers/xbiff.h"
#include "search/search_text.h"
#include "search/temp_folder_ledger.h"
#include "settings/settings.h"
#include "targets/check_list.h"
#include "targets/history_box.h"
#include "targets/target_files.h"

namespace skarvo {

// What a run leaves for later commands (replace, narrowing, opening a hit, drawing).
struct SearchState {
  std::string searchText;       // the search string of the last run that reached its end
  std::string replaceText;      // emptied by every run
  bool replacePending = false;  // cleared by every run
  // How the last run that reached its end matched, so a replace falls exactly on its hits.
  bool searchUsedRegex = true;
  bool searchCaseSensitive = true;
  bool searchFuzzy = false;
  // True while a run works. A pattern search lets window messages through, so the window
  // repaints; every command must check this and wait until the run has ended.
  bool runInProgress = false;
};

// The pieces of the main window the run works on; all outlive TSearchRun.
struct SearchRunParts {
  CheckList& targetList;                   // CheckListBox1
  CheckList& resultList;                   // CheckListBox3
  CheckList& undoList;                     // CheckListBoxUNDO
  std::vector<std::string>& listBoxExcel;  // cell texts; after a run, the office file list
  std::vector<std::string>& listBoxCell;   // cell labels
  HistoryBox& searchHistory;               // ComboBox1
  HistoryBox& folderHistory;               // ComboBox2
  const Settings& settings;
  TargetFiles& targets;  // the target list's builder and the target count
  TGrep& grep;           // Grep2
  TXBiff& xbiff;         // XBiff1
  TReadDoc& readDoc;     // ReadDoc1
  TempFolderLedger& tempFolder;
  SearchState& state;
  int& activePage;         // the tab control's page: 0 "検索モード"
  CoreTimer& statusTimer;  // Timer1
  UiPort& port;
};

class TSearchRun {
 public:
  // Binds Grep2's OnMatch and XBiff1's OnReadCell to the handlers below.
  explicit TSearchRun(SearchRunParts parts);
  TSearchRun(const TSearchRun&) = delete;
  TSearchRun& operator=(const TSearchRun&) = delete;

  // The search run. Does nothing while a run is in progress.
  void RunSearch();

  // The triggers. Each does nothing while a run is in progress.
  void SearchToolButtonClick();     // tool button "検索": needs a target count above 0
  void SearchMenuClick();           // menu item "検索": needs a row in the target list
  void ComboBox1KeyEnter();         // Enter in the search box: nothing when it is empty
  void ComboBox1Select(int index);  // an entry of the search history was chosen

  // The grep component's match event: one hit row for the file being searched.
  void Grep2Match(TGrep& sender, const RE_LineInfo_t& lineInfo);
  // The spreadsheet reader's cell event: the cell's label and its text (line breaks
  // removed) go to ListBoxCell and ListBoxExcel. rgbAttr is not read, cancel not touched.
  void XBiff1ReadCell(TXBiff& sender, int32_t sheetNo, int32_t row, int32_t col, int32_t rgbAttr,
                      const std::string& data, bool& cancel);

  // Appends to ListBoxExcel the path of every header row of the result list whose file is
  // a .xls or .doc file (extension without case).
  void CollectOfficeFiles();

 private:
  void PutSearchTextOnTop();
  void NoTargetsNotice();
  void SetStatus(const std::string& text);
  // Reads, extracts and searches one target; throws on any failure.
  void SearchTarget(const std::string& path, TargetKind kind, const std::string& searchString);
  std::string Extract(const std::string& path, const std::vector<std::string>& lines);
  void AddHitRow(const std::string& line, int64_t lineNo);
  void DropHeaderWithoutHits(int headerRow);
  void AssignCellLabels(int headerRow);
  void Finish(bool reachedResults);

  SearchRunParts p_;
  TargetKind currentKind_ = TargetKind::kText;
  std::string statusText_;  // the status text as the run last set it
};

}  // namespace skarvo
