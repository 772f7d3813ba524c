// TSearchRun: the main window's search run and its four triggers, around the search stage.
// It puts the search text on top of the history (asking for one when the box is empty),
// builds the target list when it is empty, hands a snapshot of the target rows to
// TSearchStage on a worker thread, shows its progress and hits on the status bar, collects
// its rows in the result session as they come, activates the search tab and reports a
// failed file, a rejected pattern or an empty result in a message box. The window
// (MainWindowCore) owns every piece and hands references to them in SearchRunParts.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/search_handoff.h"
#include "ops/result_session.h"
#include "platform/core_timer.h"
#include "platform/ui_port.h"
#include "search/search_run.h"
#include "search/search_stage.h"
#include "settings/settings.h"
#include "targets/check_list.h"
#include "targets/history_box.h"
#include "targets/target_files.h"

namespace skarvo {

// The pieces of the main window the run works on; all outlive TSearchRun.
struct SearchRunParts {
  CheckList& targetList;                 // targetList
  ResultSession& session;                // what the run leaves: rows, state, office files
  std::vector<std::string>& cellLabels;  // emptied by every run
  HistoryBox& searchHistory;             // searchHistory
  HistoryBox& folderHistory;             // folderHistory
  const Settings& settings;
  TargetFiles& targets;  // the target list's builder and the target count
  TSearchStage& stage;
  int& activePage;         // the tab control's page: 0 "検索モード"
  CoreTimer& statusTimer;  // statusTimer
  UiPort& port;
};

class TSearchRun {
 public:
  explicit TSearchRun(SearchRunParts parts) : p_(parts) {}
  ~TSearchRun();
  TSearchRun(const TSearchRun&) = delete;
  TSearchRun& operator=(const TSearchRun&) = delete;

  // The search run: asks for the text when the box is empty, builds an empty target list,
  // sets the pattern and starts the search of the target rows as they are now on a worker
  // thread. Returns once the worker runs; its rows come through TakeFound. Does nothing
  // while a run is in progress.
  void RunSearch();
  // Starts the worker over targets with pattern, set on the stage before.
  void Start(const SearchPattern& pattern,
             std::shared_ptr<const std::vector<CheckListRow>> targets);

  // The triggers. Each does nothing while a run is in progress.
  void SearchToolButtonClick();         // tool button "検索": needs a target count above 0
  void SearchMenuClick();               // menu item "検索": needs a row in the target list
  void OnSearchBoxEnter();              // Enter in the search box: nothing when it is empty
  void OnSearchHistoryPick(int index);  // an entry of the search history was chosen

  // While a run works: the stop command (tool button "中止", Esc) asks it to end at its
  // next row, target or block read; the rows found so far stay. Any thread.
  void RequestStop();

  // Called on the worker's thread when found rows wait for TakeFound, at most once until
  // they are taken, and when the run ends. Must be safe to call from another thread.
  void SetWake(std::function<void()> wake) { wake_ = std::move(wake); }
  // The window's thread, when woken: puts the waiting rows into the result session and the
  // progress on the status bar; when the worker has ended, ends the run (messages, status).
  // Rethrows here an exception the stage let through, after the run has ended.
  void TakeFound();
  // Whether the rows waiting for TakeFound end the run.
  bool EndWaiting() const { return running_.handoff && running_.handoff->EndWaiting(); }
  // Takes found rows until the run has ended and its worker's thread with it (for callers
  // without an event loop).
  void WaitForEnd();
  // Batches of at most rows rows or interval of time (tests: 1 row hands each at once).
  void SetBatching(size_t rows, std::chrono::milliseconds interval) {
    batchRows_ = rows;
    batchInterval_ = interval;
  }

  // Run when a run ends what the session held before it.
  void SetOnNewSearch(std::function<void()> handler) { onNewSearch_ = std::move(handler); }

 private:
  void PutSearchTextOnTop();
  void NoTargetsNotice();
  void SetStatus(const std::string& text);
  void ShowProgress(const SearchProgress& progress);
  void Complete(const SearchBatch& last);
  // Joins the thread of the run that ended last.
  void ReleaseEnded();
  void Finish(bool reachedResults);
  // Empties the result rows; the old ones are freed on another thread.
  void ClearResults();

  SearchRunParts p_;
  std::function<void()> onNewSearch_;
  std::function<void()> wake_;
  size_t batchRows_ = 1000;
  std::chrono::milliseconds batchInterval_{50};
  SearchPattern pattern_;  // of the run in progress
  // The run in progress, and the one that ended last, whose thread may still be returning
  // from its last hand-over: each worker goes before the handoff it hands to.
  struct Worker {
    std::unique_ptr<SearchHandoff> handoff;
    std::unique_ptr<SearchWorker> worker;
  };
  Worker running_;
  Worker ended_;
  std::jthread releaser_;  // frees the rows of the run before; joined before the next one
};

}  // namespace skarvo
