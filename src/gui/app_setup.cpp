#include "gui/app_setup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/form1.h"
#include "gui/program_icon.h"

namespace skarvo::gui {

void SetUpApplication(QApplication& app) {
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
