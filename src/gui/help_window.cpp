#include "gui/help_window.h"

#include <QFile>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "app/main_window_core.h"
#include "dialogs/version_dialog.h"
#include "gui/qt_text.h"

namespace skarvo::gui {

HelpWindow::HelpWindow(MainWindowCore& form, QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(Lit("Skarvo 説明書"));
  resize(640, 560);
  browser_ = new QTextBrowser(this);
  browser_->setOpenExternalLinks(false);
  browser_->setOpenLinks(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  // Esc closes the guide, as it closes the program's dialogs.
  auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(close, &QShortcut::activated, this, &QWidget::close);
  hide();
  form.Dialogs().showHelp = [this] { ShowGuide(); };
}

void HelpWindow::ShowGuide() {
  const std::string guide = ShippedFile("guide.html", "data/help/guide.html");
  if (guide.empty()) {
    browser_->setHtml(Lit("<p>説明書 guide.html が見つかりません。</p>"));
  } else {
    browser_->setSource(QUrl::fromLocalFile(ToQt(guide)));
  }
  show();
  raise();
  activateWindow();
}

}  // namespace skarvo::gui
