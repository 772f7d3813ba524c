#include "gui/app_setup.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QTranslator>
#include <algorithm>

#include "gui/program_icon.h"
#include "platform/app_identity.h"

namespace skarvo::gui {

namespace {

// Shift+F10 asks for the context menu of the focused control, as the Menu key does: the
// window system turns only the Menu key into a context menu request, and keyboards without
// that key have Shift+F10 for it. A list's menu opens at its current row.
class ContextMenuKey : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier) return false;
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* target = widget;
    QPoint at = widget->rect().center();
    if (auto* view = qobject_cast<QAbstractItemView*>(widget)) {
      // Item views take their menu requests through the viewport, in its coordinates.
      target = view->viewport();
      at = target->rect().center();
      const QRect row = view->visualRect(view->currentIndex());
      if (row.isValid() && row.intersects(target->rect()))
        at =
            QPoint(std::clamp(row.left() + row.height(), 0, target->width() - 1), row.center().y());
    }
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at),
                           key->modifiers());
    QCoreApplication::sendEvent(target, &menu);
    return true;
  }
};

}  // namespace

void SetUpApplication(QApplication& app) {
  app.installEventFilter(new ContextMenuKey(&app));
  QApplication::setApplicationName(QString::fromUtf8(kApplicationTitle));
  QApplication::setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
  QApplication::setWindowIcon(ProgramIcon());
  // Ties the windows to the installed desktop entry (skarvo.desktop).
  QGuiApplication::setDesktopFileName(QStringLiteral("skarvo"));
  // The translator lives as long as the application that owns it.
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral("qtbase_ja"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(translator);
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
}

}  // namespace skarvo::gui
