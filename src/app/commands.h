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
  kSaveToNewFile,
  kOverwriteSave,
  kExit,
  // Menu "編集"
  kUndo,
  kSearch,
  kReplace,
  kNarrow,
  kJoinFiles,
  kPruneHistory,
  // Menu "処理モード"
  kSearchMode,
  kJoinMode,
  // Menu "Option"
  kSettings,
  kDisplaySettings,
  // Menu "Help"
  kHelp,
  kVersion,
  // Tool buttons
  kToolSaveNew,
  kToolOverwriteSave,
  kToolUndo,
  kToolSearch,
  kToolReplace,
  kToolNarrow,
  kToolJoinFiles,
  kToolFolderSelect,
  kToolFolderAdd,
  kToolSettings,
  kToolDisplaySettings,
  kToolSearchMode,
  kToolJoinMode,
  // Context menu of the target list
  kTargetCheckOnFolder,
  kTargetCheckOffFolder,
  kTargetOpenFile,
  kTargetAllOn,
  kTargetAllOff,
  // Context menu of the result list
  kResultCheckOnFile,
  kResultCheckOffFile,
  kResultOpenFile,
  kResultSplitFile,
  kResultNarrowJoin,
  // Context menu of the search history box
  kSearchBoxCut,
  kSearchBoxCopy,
  kSearchBoxPaste,
  // Context menu of the folder history box
  kFolderBoxCut,
  kFolderBoxCopy,
  kFolderBoxPaste,
  kCount
};

inline constexpr size_t kCommandCount = static_cast<size_t>(CommandId::kCount);

// Where a command appears.
enum class CommandPlace {
  kMainMenu,
  kToolButton,
  kTargetListMenu,
  kResultListMenu,
  kSearchBoxMenu,
  kFolderBoxMenu,
};

struct CommandInfo {
  CommandId id;
  CommandPlace place;
  const char* menu;      // UTF-8 caption of the main-menu column, nullptr elsewhere
  const char* caption;   // UTF-8 caption (menus) or hint (tool buttons)
  const char* shortcut;  // key sequence in portable text ("Ctrl+X"), nullptr when none
  bool startEnabled;
  bool startVisible;
  bool startChecked;  // a checked menu item, a pressed tool button
  // The program's name of the handler behind the command (docs/NAMES.md); a handler and its
  // tool button twin run the same work.
  const char* handler;
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
