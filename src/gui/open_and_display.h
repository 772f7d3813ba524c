// What the main window's opening and display commands need besides the main window: the
// display settings dialog (made once, loaded then), the built-in editor's host and the
// office backend, bound to the core window's slots. Closing the main window closes the
// built-in editor first, with its question about unsaved text; when the editor stays open
// (its save failed), the main window stays too.
#pragma once

#include <memory>

#include "gui/display_settings_dialog.h"
#include "gui/editor_window.h"
#include "platform/office_automation.h"

namespace skarvo::gui {

class MainWindow;

class OpenAndDisplay {
 public:
  // Without an office backend of the caller's, the LibreOffice one.
  OpenAndDisplay(MainWindow& window, UiPort& port,
                 std::unique_ptr<OfficeAutomation> office = nullptr);
  ~OpenAndDisplay();

  DisplaySettingsCore& Form4() { return *form4_; }
  DisplaySettingsDialog* Dialog() const { return dialog_; }
  EditorWindowHost& Editor() { return *editor_; }

 private:
  MainWindow& window_;
  QObject* closeGuard_ = nullptr;  // owned by the main window
  std::unique_ptr<DisplaySettingsCore> form4_;
  DisplaySettingsDialog* dialog_;
  std::unique_ptr<EditorWindowHost> editor_;
  std::unique_ptr<OfficeAutomation> office_;
};

}  // namespace skarvo::gui
