// TSearchRun: the main window's search run and its four triggers, around the search stage.
// It puts the search text on top of the history (asking for one when the box is empty),
// builds the target list when it is empty, hands the target rows to TSearchStage, shows
// its progress and hits on the status bar, collects its rows in the result session,
// activates the search tab and reports a failed file,
// a rejected pattern or an empty result in a message box. The window (MainWindowCore) owns every
// piece and hands references to them in SearchRunParts.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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
  TSearchRun(const TSearchRun&) = delete;
  TSearchRun& operator=(const TSearchRun&) = delete;

  // The search run. Does nothing while a run is in progress.
  void RunSearch();

  // The triggers. Each does nothing while a run is in progress.
  void SearchToolButtonClick();         // tool button "検索": needs a target count above 0
  void SearchMenuClick();               // menu item "検索": needs a row in the target list
  void OnSearchBoxEnter();              // Enter in the search box: nothing when it is empty
  void OnSearchHistoryPick(int index);  // an entry of the search history was chosen

  // While a run works: the stop command (tool button "中止", Esc) asks it to end at the
  // next chance; the rows found so far stay.
  void RequestStop();
  // Lets window messages run at most every kPumpInterval while a run works, so a search
  // costs the window little; true when the run must stop. The grep component calls it.
  bool LetMessagesRun();
  static constexpr std::chrono::milliseconds kPumpInterval{50};
  // Run just before window messages are let through while a run works (the window shows
  // the rows found so far).
  void SetOnMessages(std::function<void()> handler) { onMessages_ = std::move(handler); }
  // For tests: another interval (0: at every chance).
  void SetPumpInterval(std::chrono::milliseconds interval) { pumpInterval_ = interval; }

  // Run when a run ends what the session held before it.
  void SetOnNewSearch(std::function<void()> handler) { onNewSearch_ = std::move(handler); }

 private:
  class StatusSink;

  void PutSearchTextOnTop();
  void NoTargetsNotice();
  void SetStatus(const std::string& text);
  void Finish(bool reachedResults);
  // Empties the result rows; the old ones are freed on another thread.
  void ClearResults();

  SearchRunParts p_;
  std::string statusText_;  // the status text as the run last set it
  std::chrono::steady_clock::time_point lastPump_;
  std::chrono::milliseconds pumpInterval_ = kPumpInterval;
  std::function<void()> onMessages_;
  std::function<void()> onNewSearch_;
  std::jthread releaser_;  // frees the rows of the run before; joined before the next one
};

}  // namespace skarvo
