// The program's icon, drawn here at every size so no image plugin is needed; the same
// figure ships as data/icons/skarvo.svg for the desktop.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace skarvo::gui {

// The icon at one size (pixels).
QPixmap ProgramIconPixmap(int size);
// The icon with its usual sizes.
QIcon ProgramIcon();

}  // namespace skarvo::gui
