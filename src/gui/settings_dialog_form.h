// The window of the settings dialog "設定画面" over the core SettingsDialogCore: one widget per
// control of the control table, placed in its group; every click and edit goes to the core, and the
// widgets then show the core's states. The category captions use a fixed-pitch font so
// their colons line up.
#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "dialogs/settings_dialog.h"

class QGroupBox;

namespace skarvo {
class MainWindowCore;
}

namespace skarvo::gui {

class SettingsDialogForm : public QDialog {
  Q_OBJECT

 public:
  // Binds itself to the main window's "設定" commands; port: the dialog's boxes.
  SettingsDialogForm(MainWindowCore& form, UiPort& port, QWidget* owner);
  ~SettingsDialogForm() override;

  SettingsDialogCore& Core() { return *core_; }
  QWidget* Widget(SettingsControl id) const { return widgets_[static_cast<size_t>(id)]; }
  QGroupBox* Group(SettingsGroup group) const { return groups_[static_cast<size_t>(group)]; }
  // The fixed-pitch font of the category captions.
  static QFont CategoryFont();

  // Opens the dialog in the core and shows its state, without entering the modal loop.
  void Prepare();
  // Shows the dialog modally until the core closes it.
  void Run();
  // Shows the core's states.
  void Refresh();

 protected:
  void reject() override;

 private:
  void Build();
  void Forward(const std::function<void()>& handler);

  std::unique_ptr<SettingsDialogCore> core_;
  std::array<QWidget*, kSettingsControlCount> widgets_{};
  std::array<QGroupBox*, 6> groups_{};
  bool refreshing_ = false;
};

}  // namespace skarvo::gui
