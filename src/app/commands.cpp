#include "app/commands.h"

namespace skarvo {

const std::array<CommandInfo, kCommandCount>& CommandTable() {
  using P = CommandPlace;
  using C = CommandId;
  static const std::array<CommandInfo, kCommandCount> table = {{
      {C::kFolderSelect, P::kMainMenu, "ファイル", "フォルダの選択", true, true},
      {C::kFolderAdd, P::kMainMenu, "ファイル", "フォルダの追加", true, true},
      {C::kExit, P::kMainMenu, "ファイル", "終了", true, true},
      {C::kToolFolderSelect, P::kToolButton, nullptr, "フォルダの選択", true, true},
      {C::kToolFolderAdd, P::kToolButton, nullptr, "フォルダの追加", true, true},
      {C::kTargetCheckOnFolder, P::kTargetListMenu, nullptr, "CheckON(フォルダ全体)", false, true},
      {C::kTargetCheckOffFolder, P::kTargetListMenu, nullptr, "CheckOFF(フォルダ全体)", false,
       true},
      {C::kTargetAllOn, P::kTargetListMenu, nullptr, "全てON", true, true},
      {C::kTargetAllOff, P::kTargetListMenu, nullptr, "全てOFF", true, true},
  }};
  return table;
}

const CommandInfo& Command(CommandId id) { return CommandTable()[static_cast<size_t>(id)]; }

}  // namespace skarvo
