#include "app/commands.h"

namespace skarvo {

const std::array<CommandInfo, kCommandCount>& CommandTable() {
  using P = CommandPlace;
  using C = CommandId;
  constexpr auto W = CommandReadiness::kWorks;
  constexpr auto L = CommandReadiness::kPending;
  static const std::array<CommandInfo, kCommandCount> table = {{
      {C::kFolderSelect, P::kMainMenu, "ファイル", "フォルダの選択", nullptr, true, true, false, W},
      {C::kFolderAdd, P::kMainMenu, "ファイル", "フォルダの追加", nullptr, true, true, false, W},
      {C::kSaveToNewFile, P::kMainMenu, "ファイル", "新規ファイルへ保存", nullptr, false, true,
       false, L},
      {C::kOverwriteSave, P::kMainMenu, "ファイル", "上書き保存", nullptr, false, true, false, W},
      {C::kExit, P::kMainMenu, "ファイル", "終了", nullptr, true, true, false, W},
      {C::kUndo, P::kMainMenu, "編集", "元に戻す", nullptr, false, true, false, W},
      {C::kSearch, P::kMainMenu, "編集", "検索", nullptr, true, true, false, W},
      {C::kReplace, P::kMainMenu, "編集", "置換", nullptr, true, true, false, W},
      {C::kNarrow, P::kMainMenu, "編集", "絞込み", nullptr, true, true, false, W},
      {C::kJoinFiles, P::kMainMenu, "編集", "ファイル結合", nullptr, false, true, false, L},
      {C::kPruneHistory, P::kMainMenu, "編集", "検索条件削除", nullptr, true, true, false, L},
      {C::kSearchMode, P::kMainMenu, "処理モード", "File検索", nullptr, true, true, true, W},
      {C::kJoinMode, P::kMainMenu, "処理モード", "File結合", nullptr, true, true, false, W},
      {C::kSettings, P::kMainMenu, "Option", "設定", nullptr, true, true, false, L},
      {C::kDisplaySettings, P::kMainMenu, "Option", "表示設定", nullptr, true, true, false, L},
      {C::kHelp, P::kMainMenu, "Help", "Help", nullptr, true, true, false, W},
      {C::kVersion, P::kMainMenu, "Help", "Ver.情報", nullptr, true, true, false, L},
      {C::kToolSaveNew, P::kToolButton, nullptr, "新規保存", nullptr, false, true, false, L},
      {C::kToolOverwriteSave, P::kToolButton, nullptr, "上書き保存", nullptr, false, true, false,
       W},
      {C::kToolUndo, P::kToolButton, nullptr, "やり直し", nullptr, false, true, false, W},
      {C::kToolSearch, P::kToolButton, nullptr, "検索", nullptr, true, true, false, W},
      {C::kToolReplace, P::kToolButton, nullptr, "置換", nullptr, true, true, false, W},
      {C::kToolNarrow, P::kToolButton, nullptr, "絞込み", nullptr, true, true, false, W},
      {C::kToolJoinFiles, P::kToolButton, nullptr, "ファイル結合", nullptr, false, true, false, L},
      {C::kToolFolderSelect, P::kToolButton, nullptr, "フォルダの選択", nullptr, true, true, false,
       W},
      {C::kToolFolderAdd, P::kToolButton, nullptr, "フォルダの追加", nullptr, true, true, false, W},
      {C::kToolSettings, P::kToolButton, nullptr, "設定", nullptr, true, true, false, L},
      {C::kToolDisplaySettings, P::kToolButton, nullptr, "表示設定", nullptr, true, true, false, L},
      {C::kToolSearchMode, P::kToolButton, nullptr, "検索モード", nullptr, true, true, true, W},
      {C::kToolJoinMode, P::kToolButton, nullptr, "File結合モード", nullptr, true, true, false, W},
      {C::kTargetCheckOnFolder, P::kTargetListMenu, nullptr, "CheckON(フォルダ全体)", nullptr,
       false, true, false, W},
      {C::kTargetCheckOffFolder, P::kTargetListMenu, nullptr, "CheckOFF(フォルダ全体)", nullptr,
       false, true, false, W},
      {C::kTargetOpenFile, P::kTargetListMenu, nullptr, "ファイルを開く", nullptr, true, true,
       false, W},
      {C::kTargetAllOn, P::kTargetListMenu, nullptr, "全てON", nullptr, true, true, false, W},
      {C::kTargetAllOff, P::kTargetListMenu, nullptr, "全てOFF", nullptr, true, true, false, W},
      {C::kResultCheckOnFile, P::kResultListMenu, nullptr, "CheckOn(対象File全体)", nullptr, false,
       true, false, W},
      {C::kResultCheckOffFile, P::kResultListMenu, nullptr, "CheckOFF(対象File全体)", nullptr,
       false, true, false, W},
      {C::kResultOpenFile, P::kResultListMenu, nullptr, "ファイルを開く", nullptr, true, true,
       false, W},
      {C::kResultSplitFile, P::kResultListMenu, nullptr, "ファイルの分割", nullptr, false, true,
       false, L},
      {C::kResultNarrowJoin, P::kResultListMenu, nullptr, "ファイルを絞込み結合", nullptr, false,
       true, false, W},
      {C::kSearchBoxCut, P::kSearchBoxMenu, nullptr, "切り取り(&T)", "Ctrl+X", true, true, false,
       W},
      {C::kSearchBoxCopy, P::kSearchBoxMenu, nullptr, "コピー(&C)", "Ctrl+C", true, true, false, W},
      {C::kSearchBoxPaste, P::kSearchBoxMenu, nullptr, "貼り付け(&P)", "Ctrl+V", true, true, false,
       W},
      {C::kFolderBoxCut, P::kFolderBoxMenu, nullptr, "切り取り(&T)", "Ctrl+X", true, true, false,
       W},
      {C::kFolderBoxCopy, P::kFolderBoxMenu, nullptr, "コピー(&C)", "Ctrl+C", true, true, false, W},
      {C::kFolderBoxPaste, P::kFolderBoxMenu, nullptr, "貼り付け(&P)", "Ctrl+V", true, true, false,
       W},
  }};
  return table;
}

const CommandInfo& Command(CommandId id) { return CommandTable()[static_cast<size_t>(id)]; }

}  // namespace skarvo
