// The window of the history pruning dialog "検索条件削除" over the core HistoryPruningDialogCore:
// the two check lists in their groups, each with its "全てOn" / "全てOff" menu, "Ok", "Cancel" and
// a status bar driven by the core's 5-second timer.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "dialogs/history_pruning_dialog.h"

class QLabel;
class QMenu;
class QPushButton;

namespace skarvo {
class MainWindowCore;
}

namespace skarvo::gui {

class CheckListView;
class TimerDriver;

class HistoryPruningForm : public QDialog {
  Q_OBJECT

 public:
  // Binds itself to the main window's "検索条件削除" command.
  HistoryPruningForm(MainWindowCore& form, QWidget* owner);
  ~HistoryPruningForm() override;

  HistoryPruningDialogCore& Core() { return *core_; }
  CheckListView* List(TPruneList list) const {
    return list == TPruneList::kSearch ? searchList_ : folderList_;
  }
  QMenu* ListMenu(TPruneList list) const {
    return list == TPruneList::kSearch ? searchMenu_ : folderMenu_;
  }
  QLabel* StatusLabel() const { return status_; }
  QPushButton* OkButton() const { return ok_; }

  // Opens the dialog in the core and shows its state, without entering the modal loop.
  void Prepare();
  void Run();
  void Refresh();

 protected:
  void reject() override;

 private:
  CheckListView* BuildList(TPruneList which, QWidget* parent, QMenu*& menu);
  void Forward(const std::function<void()>& handler);

  std::unique_ptr<HistoryPruningDialogCore> core_;
  CheckListView* searchList_ = nullptr;
  CheckListView* folderList_ = nullptr;
  QMenu* searchMenu_ = nullptr;
  QMenu* folderMenu_ = nullptr;
  QLabel* status_ = nullptr;
  QPushButton* ok_ = nullptr;
  TimerDriver* timer_ = nullptr;
};

}  // namespace skarvo::gui
