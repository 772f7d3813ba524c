// The program entry: the application set-up, the Qt UI port and the main window, then the
// message loop until the main window closes.
#include <QApplication>
#include <QMessageBox>
#include <memory>

#include "gui/app_setup.h"
#include "gui/help_window.h"
#include "gui/history_pruning_form.h"
#include "gui/main_window.h"
#include "gui/open_and_display.h"
#include "gui/qt_text.h"
#include "gui/qt_ui_port.h"
#include "gui/settings_dialog_form.h"
#include "gui/version_form.h"
#include "platform/app_identity.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  skarvo::gui::QtUiPort port;
  skarvo::SystemProcessPort processes;  // shared by the main window and the version dialog
  std::unique_ptr<skarvo::gui::MainWindow> window;
  try {
    window = std::make_unique<skarvo::gui::MainWindow>(port, nullptr, &processes);
  } catch (const skarvo::Exception& e) {
    QMessageBox::critical(nullptr, QString::fromUtf8(skarvo::kApplicationTitle),
                          skarvo::gui::ToQt(e.Message()));
    return 1;
  }
  // The dialogs come after the main window, created hidden, in this order: the settings
  // dialog (SettingsDialogCore "設定画面"), the version dialog (VersionDialogCore "Version情報"),
  // the display settings dialog (DisplaySettingsCore "表示の設定"), the built-in editor (EditorCore
  // "Editer") and the history pruning dialog (HistoryPruningDialogCore "検索条件削除"). Each binds
  // itself to its commands through window->Form().Dialogs().
  skarvo::MainWindowCore& form = window->Form();
  new skarvo::gui::SettingsDialogForm(form, port, window.get());  // SettingsDialogCore
  new skarvo::gui::VersionForm(form, processes, window.get());    // VersionDialogCore
  skarvo::gui::OpenAndDisplay openAndDisplay(*window, port);  // DisplaySettingsCore and EditorCore
  new skarvo::gui::HistoryPruningForm(form, window.get());    // HistoryPruningDialogCore
  new skarvo::gui::HelpWindow(form, window.get());            // the guide of "Help" and F1
  port.SetOwner(window.get());
  port.SetStatusSink([w = window.get()](const std::string& text) { w->ShowStatus(text); });
  window->show();
  return app.exec();
}
