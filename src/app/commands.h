// The commands of the main window: menu items, tool buttons and context-menu items, each
// with the caption or hint the window shows and the state record (enabled, checked,
// visible) that the core keeps and the gui shows. The table is the one place that says
// where a command appears; the gui builds its menus and bars from it.
#pragma once

#include <array>
#include <cstddef>

namespace skarvo {

enum class CommandId {
  // Menu "ファイル"
  kFolderSelect,
  kFolderAdd,
  kExit,
  // Tool buttons
  kToolFolderSelect,
  kToolFolderAdd,
  // Context menu of the target list
  kTargetCheckOnFolder,
  kTargetCheckOffFolder,
  kTargetAllOn,
  kTargetAllOff,
  kCount
};

inline constexpr size_t kCommandCount = static_cast<size_t>(CommandId::kCount);

// Where a command appears.
enum class CommandPlace { kMainMenu, kToolButton, kTargetListMenu };

struct CommandInfo {
  CommandId id;
  CommandPlace place;
  const char* menu;     // UTF-8 caption of the main-menu column, nullptr elsewhere
  const char* caption;  // UTF-8 caption (menus) or hint (tool buttons)
  bool startEnabled;
  bool startVisible;
};

// The table, in the order the commands appear within their place.
const std::array<CommandInfo, kCommandCount>& CommandTable();
const CommandInfo& Command(CommandId id);

struct CommandState {
  bool enabled = true;
  bool checked = false;
  bool visible = true;
  bool operator==(const CommandState&) const = default;
};

}  // namespace skarvo
