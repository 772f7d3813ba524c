#include "gui/keyboard.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>

#include "gui/main_window.h"

namespace skarvo::gui {

QString MenuTitleWithMnemonic(const QString& title) {
  static const struct {
    const char* title;
    char key;
  } kKeys[] = {
      {"ファイル", 'F'}, {"編集", 'E'}, {"処理モード", 'M'}, {"Option", 'O'}, {"Help", 'H'}};
  for (const auto& k : kKeys)
    if (title == QString::fromUtf8(k.title))
      return title + QStringLiteral("(&") + QChar::fromLatin1(k.key) + QLatin1Char(')');
  return title;
}

void InstallKeyboard(MainWindow& window) {
  for (QAction* menu : window.menuBar()->actions())
    menu->setText(MenuTitleWithMnemonic(menu->text()));

  // F10 opens the first menu, as on other desktops.
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), &window);
  QObject::connect(f10, &QShortcut::activated, &window, [&window] {
    const QList<QAction*> menus = window.menuBar()->actions();
    if (!menus.isEmpty()) window.menuBar()->setActiveAction(menus.front());
  });
  auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &window);
  QObject::connect(find, &QShortcut::activated, &window, [&window] {
    window.SearchBox()->setFocus(Qt::ShortcutFocusReason);
    window.SearchBox()->lineEdit()->selectAll();
  });

  QAction* exit = window.Action(CommandId::kExit);
  exit->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_W)});
  exit->setShortcutContext(Qt::WindowShortcut);
  QAction* help = window.Action(CommandId::kHelp);
  help->setShortcut(QKeySequence(Qt::Key_F1));
  help->setShortcutContext(Qt::WindowShortcut);
  // F5 searches again, as it refreshes elsewhere: the menu item "検索".
  QAction* search = window.Action(CommandId::kSearch);
  search->setShortcut(QKeySequence(Qt::Key_F5));
  search->setShortcutContext(Qt::WindowShortcut);
  // Menu actions run their keys only when the window holds them.
  window.addAction(exit);
  window.addAction(help);
  window.addAction(search);

  // The mode items: one of them is on, shown with radio marks; the core still decides.
  auto* modes = new QActionGroup(&window);
  modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (CommandId id : {CommandId::kSearchMode, CommandId::kJoinMode}) {
    window.Action(id)->setCheckable(true);
    modes->addAction(window.Action(id));
  }
}

}  // namespace skarvo::gui
