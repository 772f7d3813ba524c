// The user guide in a window of the program: the guide shipped with it (HTML, Japanese)
// in a QTextBrowser, opened by "Help" and F1 when no help file of the user's own is at
// home. No outside viewer is needed.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace skarvo {
class MainWindowCore;
}

namespace skarvo::gui {

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // Binds itself to the main window's help command.
  HelpWindow(MainWindowCore& form, QWidget* owner);

  QTextBrowser* Browser() const { return browser_; }
  // Loads the guide (again) and shows the window in front.
  void ShowGuide();

 private:
  QTextBrowser* browser_ = nullptr;
};

}  // namespace skarvo::gui
