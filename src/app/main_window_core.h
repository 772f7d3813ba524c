// MainWindowCore: the main window's logic, without a window. It owns the four check lists, the
// hidden cell lists, the history boxes, the pattern and reader components, the folder
// picker component, the timers, the settings, the search state, the mode number, the
// active page and one state record per command; its methods are the window's event
// handlers. The gui's MainWindow shows this state and forwards the user's events here,
// re-reading the state after each one.
//
// A search runs on a worker thread while the window goes on, so the window repaints and the
// user may click meanwhile. Every handler here holds off while a run is in progress: it
// returns at once and changes nothing (but the stop and the exit, which stops the run and
// closes after it), and the window's next refresh shows the rows the run has handed over.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_dispatcher.h"
#include "app/commands.h"
#include "app/search_triggers.h"
#include "app/status_keeping_port.h"
#include "app/ui_prompter.h"
#include "app/window_size.h"
#include "dialogs/display_settings.h"
#include "engine/awk_str.h"
#include "engine/grep.h"
#include "ops/file_backup.h"
#include "ops/join_split.h"
#include "ops/open_hit.h"
#include "ops/result_session.h"
#include "platform/app_identity.h"
#include "platform/clipboard_port.h"
#include "platform/core_timer.h"
#include "platform/error.h"
#include "platform/process_port.h"
#include "platform/ui_port.h"
#include "readers/read_doc.h"
#include "readers/xbiff.h"
#include "results/result_highlight.h"
#include "search/search_run.h"
#include "search/search_stage.h"
#include "search/temp_folder_ledger.h"
#include "settings/settings.h"
#include "targets/check_list.h"
#include "targets/history_box.h"
#include "targets/select_folder_dialog.h"
#include "targets/target_files.h"

namespace skarvo {

// Raised at start-up when the home folder cannot be named in CP932: every path the program
// builds starts there, so it must not run with another one.
class EHomeFolder : public Exception {
 public:
  EHomeFolder();
};

// The notice shown when typed text holds a character that has no CP932 form.
const std::string& UnrepresentableInputText();

// The pages of the tab control, in tab order.
enum TPage : int { kPageSearch = 0, kPageJoin = 1, kPageTargets = 2 };
inline constexpr int kPageCount = 3;

// A control the window should give the keyboard focus to.
enum class TFocusTarget { kNone, kJoinList, kTargetList, kSearchBox };

// The two history boxes, for the handlers they share.
enum class THistoryBox { kSearch, kFolder };

// The selection in a history box's edit field, in bytes of its CP932 text.
struct TextSelection {
  size_t start = 0;
  size_t length = 0;
};

// The dialogs the window shows. Each is shown modally by its command; while a slot is
// empty its commands do nothing.
struct MainWindowDialogs {
  std::function<void()> showSettings;  // SettingsDialogCore "設定画面"
  std::function<void()> showVersion;   // VersionDialogCore "Version情報"
  std::function<void()>
      showDisplaySettings;  // DisplaySettingsCore "表示の設定" (and its first page next time)
  std::function<void()> showHistoryPruning;  // HistoryPruningDialogCore "検索条件削除"
  std::function<void()> showHelp;            // the user guide, when no help file is at home
};

class MainWindowCore {
 public:
  // The window's creation (FormCreate): the home folder becomes the current folder, the
  // mode number 0 and the search mode is entered, then the start-up settings and the
  // stored window size are loaded. EHomeFolder when the current folder has no CP932 name.
  MainWindowCore(UiPort& port, ClipboardPort& clipboard, ProcessPort& processes);
  MainWindowCore(const MainWindowCore&) = delete;
  MainWindowCore& operator=(const MainWindowCore&) = delete;

  // The window closes (FormClose) with the given size: the two histories and the window
  // size are written to the settings file, then what the program wrote to its temp folder
  // is deleted, each step on the status bar. A refused settings write does not keep the
  // temp folder: it is reported as an error box after the deletion. Does nothing while a
  // run is in progress (CanClose() is false then).
  void FormClose(int width, int height);
  // The screen's work area where the window is shown: the window's size is cut to it now
  // and again at FormClose (given each time the window starts and closes).
  void SetWorkArea(const WorkArea& area);
  // False while a search run is in progress: the window must wait before it closes.
  bool CanClose() const { return !search_.runInProgress; }

  // Runs a command of the menus, tool buttons or context menus through its registered
  // handler; a disabled or hidden command does nothing, and so does one whose operation
  // has not registered a handler.
  void Execute(CommandId id);
  // The handler table behind Execute. An operation on results (src/ops/) registers the
  // handlers of its commands here when it is wired to the window, e.g.
  //   form.Commands().Register({CommandId::kReplace, CommandId::kToolReplace}, ...);
  TCommandDispatcher& Commands() { return commands_; }
  // The stop (tool button "検索" while a run works, Esc, and the close): the run ends at its
  // next row, target or block with the rows found so far and says so on the status bar.
  // Nothing while no run works.
  void StopSearch();
  // Called on the search's worker thread when found rows wait: the window then calls
  // TakeFoundRows on its own thread. Must be safe to call from another thread.
  void SetSearchWake(std::function<void()> wake) { run_.SetWake(std::move(wake)); }
  // The window's thread, woken: the rows found so far go to the result list; when the
  // worker has ended, the run ends.
  void TakeFoundRows() { run_.TakeFound(); }
  // Whether the found rows waiting end the run (the window takes them at once then).
  bool SearchEndWaiting() const { return run_.EndWaiting(); }
  // Takes found rows until the run has ended (without an event loop: tests, scripts).
  void WaitForSearch() { run_.WaitForEnd(); }
  // While a search runs every command shows disabled but the search tool button, which
  // stops the run, and "終了", which stops it and closes the window after it.
  CommandState State(CommandId id) const;

  // Mode switches (also for the operations on results).
  void EnterSearchMode();
  void EnterJoinMode();
  // The user picked a tab: 0 enters the search mode, 1 the join (or split) mode, 2 gives
  // the target list the focus.
  void OnTabChange(int page);

  // Events of the search history box.
  void OnSearchBoxEdit(const std::string& text);  // the user typed into the box
  void OnSearchBoxEnter();                        // Enter in the box
  void OnSearchHistoryPick(int index);            // the user picked an entry
  // Events of the folder history box.
  void OnFolderBoxEdit(const std::string& text);
  void OnFolderBoxEnter();
  void OnFolderHistoryPick(int index);
  // The selection in a box's edit field changed (bytes; clipped to the text).
  void SetBoxSelection(THistoryBox box, size_t start, size_t length);
  TextSelection BoxSelection(THistoryBox box) const;

  // Events of the target list.
  void OnTargetSelect(int index);      // the user selected a row (-1: none)
  void OnTargetCheckClick(int index);  // the user clicked a row's check box
  // Events of the result list.
  void OnResultSelect(int index);
  void OnResultCheckClick(int index);  // check rules, office hit rows refused
  // Double-clicks on the lists: open the row's file, hit or folder (TOpenHit).
  void OnResultDoubleClick();
  void OnTargetDoubleClick();
  void OnJoinListDoubleClick();
  // Opening hits and files; its backends (office, built-in editor) are set by the window.
  TOpenHit& OpenHit() { return openHit_; }
  // The hidden menu items "エディタを開く" (the built-in editor, modally, when it exists) and
  // "エクスプローラを開く" (the user's home folder in the file manager).
  void OnOpenEditor() {
    if (!Busy()) openHit_.OnOpenEditor();
  }
  void OnOpenFileManager() {
    if (!Busy()) openHit_.OnOpenFileManager();
  }
  // The display settings dialog stored the section "表示": re-read and apply it, and mark
  // the result list's header rows again.
  void DisplaySettingsStored();
  // Changes whenever Display() changes.
  uint64_t DisplayRevision() const { return displayRevision_; }
  // The context menus are about to open: their enabled states follow the selected row.
  void TargetListMenuPopup();
  void ResultListMenuPopup();

  // The join list's drag: a drag-over at the cursor's screen y starts the scroll timer, a
  // drop (or the end of the drag) stops it.
  void OnJoinListDragOver(int screenY);
  void OnJoinListDragEnd();
  // A dragged row dropped on row dropRow (join mode); the drag ends.
  void OnJoinListDrop(int dropRow);
  // The join list's other events, its context menu and the narrow-and-join.
  void OnJoinListSelect(int index);
  void OnJoinListCheckClick(int index);
  void OnJoinListExit();
  void JoinListMenuPopup();
  void ExecuteJoinListCommand(JoinListCommand command);
  void OnNarrowAndJoin();
  TJoinSplit& JoinSplit() { return joinSplit_; }
  // Where the cursor is on the screen now (y); set by the window, used by OnDragScrollTimer.
  void SetCursorSource(std::function<int()> screenY) { cursorScreenY_ = std::move(screenY); }

  // Typed text was refused for a character without a CP932 form: says so on the status bar.
  void RefuseTypedText();
  // A status notice: the text, cleared by the status message timer after 5 seconds.
  void ShowNotice(const std::string& text);
  // Status message timer: switches itself off and empties the status text.
  void OnStatusTimer();
  // Drag scroll timer: while the join list is dragged, scrolls it one row towards the
  // cursor (down when the cursor is below the last drag-over point, up when above).
  void OnDragScrollTimer();

  // State the window shows.
  const std::string& Caption() const { return caption_; }
  const std::string& StatusText() const { return port_.StatusText(); }
  const std::string& HomeFolder() const { return homeFolder_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int ModeNumber() const { return modeNumber_; }
  int ActivePage() const { return activePage_; }
  // The caption of a page ("検索モード", "ファイル結合モード" or "ファイル分割モード",
  // "対象File一覧").
  const std::string& PageCaption(int page) const;
  bool JoinListDragEnabled() const { return joinListDragEnabled_; }
  bool JoinListDragging() const { return joinListDragging_; }
  // The control to focus and a number that changes with every request.
  TFocusTarget FocusTarget() const { return focusTarget_; }
  uint64_t FocusRequestCount() const { return focusRequests_; }
  int TargetCount() const { return targets_.TargetCount(); }
  const Settings& CurrentSettings() const { return settings_; }
  const DisplaySettings& Display() const { return display_; }
  const SearchState& Search() const { return search_; }
  // The highlight of a result row as it is drawn now: the search state and the settings as
  // they stand (results/result_highlight.h).
  RowHighlight ResultRowHighlight(const CheckListRow& row) {
    return RowHighlightOf(row, search_.searchText, search_.replaceText, settings_, rowMatcher_);
  }
  // True once the command "終了" asked the window to close.
  bool CloseRequested() const { return closeRequested_; }
  const TempFolderLedger& TempFolder() const { return ledger_; }

  // For the operations on results and the dialogs.
  void SetModeNumber(int mode) { modeNumber_ = mode; }
  void SetActivePage(int page);
  void SetPage1Caption(std::string caption) { page1Caption_ = std::move(caption); }
  void SetJoinListDragEnabled(bool enabled) { joinListDragEnabled_ = enabled; }
  void SetCommandEnabled(CommandId id, bool enabled) { MutableState(id).enabled = enabled; }
  SearchState& MutableSearch() { return search_; }
  Settings& MutableSettings() { return settings_; }
  TargetFiles& Targets() { return targets_; }
  TSearchRun& SearchRun() { return run_; }
  // What the last search left and the operations on results work on.
  ResultSession& Session() { return session_; }
  const ResultSession& Session() const { return session_; }

  // The operations on results (their commands run these).
  void OnNarrow();                // "絞込み"
  void OnReplace();               // "置換"
  void OnOverwrite();             // "上書き保存"
  void OnRestore();               // "元に戻す" / "やり直し"
  void OnCheckFileHits(bool on);  // "CheckOn(対象File全体)" / "CheckOFF(対象File全体)"
  TempFolderLedger& MutableTempFolder() { return ledger_; }
  // The dialogs' slots; see MainWindowDialogs.
  MainWindowDialogs& Dialogs() { return dialogs_; }

 private:
  ResultSession session_;

 public:
  CheckList targetList;                   // target list
  CheckList& resultList = session_.rows;  // result list
  CheckList joinList;                     // join list
  std::vector<std::string> cellLabels;    // cell labels
  HistoryBox searchHistory;               // search history
  HistoryBox folderHistory;               // folder history
  TSelectFolderDialog folderPicker;
  FileChoiceRequest saveDialog;           // the save dialog of the join and the split
  CoreTimer statusTimer{5000, false};     // status message timer
  CoreTimer dragScrollTimer{150, false};  // drag scroll timer of the join list
  // Asks the search's worker between blocks whether to stop (and hands it the time to pass
  // its rows on).
  TGrep grep{[] { return SearchWorker::PollCurrent(); }};
  TAWKStr matcher;         // replace matcher, line separator CR LF
  RowMatcher rowMatcher_;  // the highlight's, whose patterns are found again for every row
  TXBiff sheetReader;
  TReadDoc docReader;

 private:
  void FormCreate();
  JoinSplitWindow JoinWindow();
  void ShowJoinSplitOutcome(const JoinSplitOutcome& outcome);
  void OnJoinFiles();
  void OnSaveToNewFile();
  void OnSplitFile();
  void RegisterOwnHandlers();
  void UpdateTargetMenuStates();
  void SearchModeCommand();
  void JoinModeCommand();
  void Help();
  void BoxCut(THistoryBox box);
  void BoxCopy(THistoryBox box);
  void BoxPaste(THistoryBox box);
  void RunDialog(const std::function<void()>& show);
  void RequestFocus(TFocusTarget target);
  void Enable(std::initializer_list<CommandId> ids, bool enabled);
  // Shows what an operation on results left to show.
  void Apply(const OpOutcome& outcome);
  // The session's record ended by a search, a folder listing or the close.
  void UndoEnded();
  void Check(CommandId id, bool checked) { MutableState(id).checked = checked; }
  bool Busy() const { return search_.runInProgress; }
  HistoryBox& Box(THistoryBox box) {
    return box == THistoryBox::kSearch ? searchHistory : folderHistory;
  }
  CommandState& MutableState(CommandId id) { return states_[static_cast<size_t>(id)]; }

  StatusKeepingPort port_;
  ClipboardPort& clipboard_;
  ProcessPort& processes_;
  std::string homeFolder_;
  std::string caption_;
  Settings settings_;
  DisplaySettings display_;
  int width_ = kDesignWindowWidth;
  int height_ = kDesignWindowHeight;
  WorkArea workArea_;
  int modeNumber_ = 0;
  int activePage_ = kPageSearch;
  std::string page1Caption_;
  bool joinListDragEnabled_ = false;
  bool joinListDragging_ = false;
  int dragScreenY_ = 0;
  std::function<int()> cursorScreenY_;
  TFocusTarget focusTarget_ = TFocusTarget::kNone;
  uint64_t focusRequests_ = 0;
  std::array<TextSelection, 2> boxSelections_{};
  bool closeRequested_ = false;
  std::array<CommandState, kCommandCount> states_{};
  TCommandDispatcher commands_;
  MainWindowDialogs dialogs_;
  TargetFiles targets_;
  TempFolderLedger ledger_;
  SearchState& search_ = session_.search;
  UiPrompter prompter_{port_, caption_, saveDialog};
  TFileBackup backup_;  // the overwrite's backups: home + "/Temp"
  TSearchStage stage_;
  TSearchRun run_;
  TJoinSplit joinSplit_;
  TOpenHit openHit_;
  uint64_t displayRevision_ = 0;
};

}  // namespace skarvo
