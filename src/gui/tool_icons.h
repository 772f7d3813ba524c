// The images of the upper tool bar, drawn by the program: a small picture per command in
// a few flat colours, so the bar looks the same on every desktop.
#pragma once

#include <QIcon>

#include "app/commands.h"

namespace skarvo::gui {

// The picture of a tool button's command; an empty icon for commands without one.
QIcon ToolIcon(CommandId id);
// The picture of the search tool button while a search runs and the button stops it.
QIcon StopIcon();

}  // namespace skarvo::gui
