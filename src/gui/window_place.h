// Where the program's dialogs stand: centred on the window that owns them.
#pragma once

#include <QPoint>
#include <QWidget>

namespace skarvo::gui {

// Moves window so that its centre is the centre of its parent; nothing without a parent.
inline void CentreOnOwner(QWidget& window) {
  if (QWidget* owner = window.parentWidget())
    window.move(owner->geometry().center() - QPoint(window.width() / 2, window.height() / 2));
}

}  // namespace skarvo::gui
