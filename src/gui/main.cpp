// The program entry: the application set-up, the Qt UI port and the main window, then the
// message loop until the main window closes.
#include <QApplication>
#include <QMessageBox>
#include <memory>

#include "gui/app_setup.h"
#include "gui/main_window.h"
#include "gui/qt_text.h"
#include "gui/qt_ui_port.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  skarvo::gui::SetUpApplication(app);
  skarvo::gui::QtUiPort port;
  std::unique_ptr<skarvo::gui::MainWindow> window;
  try {
    window = std::make_unique<skarvo::gui::MainWindow>(port);
  } catch (const skarvo::Exception& e) {
    QMessageBox::critical(nullptr, QString::fromUtf8(skarvo::kApplicationTitle),
                          skarvo::gui::ToQt(e.Message()));
    return 1;
  }
  port.SetOwner(window.get());
  port.SetStatusSink([w = window.get()](const std::string& text) { w->ShowStatus(text); });
  window->show();
  return app.exec();
}
