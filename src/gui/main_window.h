// MainWindow: the main window as a passive view over MainWindowCore. It builds its menus, tool
// buttons and context menus from the command table, shows the three pages (result list,
// join list, target list) with their tabs at the bottom, the two history boxes and the
// status text, forwards every user event to the core and re-reads the core's state after
// each one. A core exception ends the event and is shown as a message box.
//
// While a search run lets window messages through, the window repaints and forwards events
// as usual; the core holds them off, and the refresh after each shows the core unchanged. A
// request to close the window meanwhile waits until the run has ended.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

#include "app/main_window_core.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;

namespace skarvo::gui {

class CheckListView;
class EventLog;
class JoinListView;
class ResultListView;
class TimerDriver;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Creates the core window (its start-up runs here) over the given ports; without a
  // clipboard or process port the window uses the desktop's own.
  explicit MainWindow(UiPort& port, ClipboardPort* clipboard = nullptr,
                      ProcessPort* processes = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  MainWindowCore& Form() { return *form_; }
  QAction* Action(CommandId id) const { return actions_.at(id); }
  ResultListView* ResultList() const { return resultList_; }
  JoinListView* JoinList() const { return joinList_; }
  // The join list's context menu (its actions in JoinListCommand order).
  QMenu* JoinListMenu() const { return joinListMenu_; }
  CheckListView* TargetList() const { return targetList_; }
  QComboBox* SearchBox() const { return searchBox_; }
  QComboBox* FolderBox() const { return folderBox_; }
  QLabel* StatusLabel() const { return statusLabel_; }
  QTabWidget* Pages() const { return pages_; }
  TimerDriver* StatusTimer() const { return timer1_; }
  // The context menus (for tests and for the window's own use).
  QMenu* ContextMenu(CommandPlace place) const { return menus_.at(place); }

  // Shows a status text (the Qt UI port's status sink): at once, or during a search run at
  // the next refresh.
  void ShowStatus(const std::string& text);
  // Re-reads every piece of core state the window shows.
  void Refresh();
  // While a search runs, woken by its worker (through the event queue): the rows found so
  // far go to the list; once the worker has ended, the run ends.
  void TakeFoundRows();
  // The worker's wake-up call the window gives the core (any thread): TakeFoundRows runs
  // on the window's thread, at most every kTakeInterval.
  void PostTakeFoundRows();
  static constexpr int kTakeInterval = 50;  // ms

 private slots:
  // On the window's thread, after PostTakeFoundRows: starts the take timer.
  void ScheduleTake();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs one forwarded event: catches the core's errors, then refreshes.
  void Forward(const std::function<void()>& handler);
  void BuildPages();
  JoinListView* BuildJoinList();  // main_window_join.cpp
  void BuildCommands();
  void BuildBars();
  void BuildHistoryBox(QComboBox* box, THistoryBox which);
  void ApplyDisplay();
  // Tells the core the work area of the screen the window is on.
  void ForwardWorkArea();
  void RefreshBox(QComboBox* widget, const HistoryBox& box, THistoryBox which,
                  uint64_t& shownRevision);
  // Hands the edit field's selection to the core before a clipboard command.
  void SyncSelection(THistoryBox which);
  QComboBox* BoxWidget(THistoryBox which) const;
  CommandId ClipboardCommand(THistoryBox which, int key) const;
  void ShowContextMenu(CommandPlace place, const QPoint& globalPos);
  // The busy cursor over the lists and the stop caption of the search button during a run.
  void ShowRunning(bool running);
  void ApplyStatus();

  std::unique_ptr<ClipboardPort> ownClipboard_;
  std::unique_ptr<ProcessPort> ownProcesses_;
  std::unique_ptr<MainWindowCore> form_;
  UiPort& port_;
  std::map<CommandId, QAction*> actions_;
  std::map<CommandPlace, QMenu*> menus_;
  QToolBar* toolBar1_ = nullptr;
  QToolBar* toolBar2_ = nullptr;
  QComboBox* searchBox_ = nullptr;
  QComboBox* folderBox_ = nullptr;
  QTabWidget* pages_ = nullptr;
  ResultListView* resultList_ = nullptr;
  JoinListView* joinList_ = nullptr;
  QMenu* joinListMenu_ = nullptr;
  CheckListView* targetList_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  TimerDriver* timer1_ = nullptr;
  TimerDriver* timer2_ = nullptr;
  uint64_t shownSearchBoxRevision_ = ~uint64_t{0};
  uint64_t shownFolderBoxRevision_ = ~uint64_t{0};
  uint64_t shownFocusRequests_ = 0;
  uint64_t shownDisplayRevision_ = 0;
  std::string shownCoreStatus_;
  SearchState shownSearch_;
  bool shownRunning_ = false;
  QElapsedTimer lastStatusPaint_;
  QTimer* takeTimer_ = nullptr;  // single shot: the next TakeFoundRows
  QElapsedTimer lastTake_;
  std::string pendingStatus_;
  bool statusPending_ = false;
  std::unique_ptr<EventLog> eventLog_;  // SKARVO_EVENT_LOG, for outside drivers
  bool closing_ = false;
  bool closeWaiting_ = false;
};

}  // namespace skarvo::gui
