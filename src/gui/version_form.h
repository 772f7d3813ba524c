// The window of the version dialog "Version情報" over the core VersionDialogCore: the title line,
// the link line (opens the documentation shipped with the program), two lines, the program's icon
// and "Close".
#pragma once

#include <QDialog>
#include <QWidget>
#include <memory>

#include "dialogs/version_dialog.h"

class QLabel;
class QPushButton;

namespace skarvo {
class MainWindowCore;
}

namespace skarvo::gui {

class VersionForm : public QDialog {
  Q_OBJECT

 public:
  // Binds itself to the main window's "Ver.情報" command.
  VersionForm(MainWindowCore& form, ProcessPort& processes, QWidget* owner);
  ~VersionForm() override;

  VersionDialogCore& Core() { return *core_; }
  QLabel* TitleLabel() const { return title_; }
  QLabel* LinkLabel() const { return link_; }
  QPushButton* CloseButton() const { return close_; }

  void Prepare();
  void Run();

 protected:
  void reject() override;

 private:
  std::unique_ptr<VersionDialogCore> core_;
  QLabel* title_ = nullptr;
  QLabel* link_ = nullptr;
  QPushButton* close_ = nullptr;
};

}  // namespace skarvo::gui
