// The main window's keyboard: mnemonics on the menu titles (Alt+letter), F10 for the menu
// bar, Ctrl+F for the search box, Ctrl+Q / Ctrl+W for "終了", F1 for "Help", and the
// "処理モード" items as one exclusive group with radio marks.
#pragma once

#include <QString>

namespace skarvo::gui {

class MainWindow;

// The menu title with its mnemonic ("ファイル" -> "ファイル(&F)"); other texts unchanged.
QString MenuTitleWithMnemonic(const QString& title);
// Installs the keys and the group on a built window.
void InstallKeyboard(MainWindow& window);

}  // namespace skarvo::gui
