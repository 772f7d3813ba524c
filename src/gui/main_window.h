// MainWindow: the main window as a passive view over TForm1. It builds its menus and tool
// buttons from the command table, shows the target list, the folder history box and the
// status text, forwards every user event to the core and re-reads the core's state after
// each one. A core exception ends the event and is shown as a message box.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>

#include "app/form1.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QTabWidget;
class QToolBar;

namespace skarvo::gui {

class CheckListView;
class TimerDriver;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Creates the core window (its start-up runs here) over the given port.
  explicit MainWindow(UiPort& port, QWidget* parent = nullptr);
  ~MainWindow() override;

  TForm1& Form() { return *form_; }
  QAction* Action(CommandId id) const { return actions_.at(id); }
  CheckListView* TargetList() const { return targetList_; }
  QComboBox* FolderBox() const { return folderBox_; }
  QLabel* StatusLabel() const { return statusLabel_; }
  QTabWidget* Pages() const { return pages_; }
  TimerDriver* StatusTimer() const { return timer1_; }

  // Shows a status text at once (the Qt UI port's status sink).
  void ShowStatus(const std::string& text);
  // Re-reads every piece of core state the window shows.
  void Refresh();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Runs one forwarded event: catches the core's errors, then refreshes.
  template <typename F>
  void Forward(F&& handler);
  void BuildCommands();
  void BuildBars();
  void ApplyDisplay();
  void RefreshFolderBox();

  std::unique_ptr<TForm1> form_;
  UiPort& port_;
  std::map<CommandId, QAction*> actions_;
  QToolBar* toolBar1_ = nullptr;
  QToolBar* toolBar2_ = nullptr;
  QComboBox* folderBox_ = nullptr;
  QTabWidget* pages_ = nullptr;
  CheckListView* targetList_ = nullptr;
  QMenu* targetMenu_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  TimerDriver* timer1_ = nullptr;
  uint64_t shownFolderBoxRevision_ = ~uint64_t{0};
  std::string shownCoreStatus_;
  bool closing_ = false;
};

}  // namespace skarvo::gui
