// The pieces of the main window that the operations on results work on (narrowing,
// restore, replace, overwrite), handed over by reference as the search run gets its own;
// the main window (and skarvo-cli, which has no window) owns them all.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/awk_str.h"
#include "platform/core_timer.h"
#include "platform/ui_port.h"
#include "search/search_run.h"
#include "search/temp_folder_ledger.h"
#include "targets/check_list.h"
#include "targets/target_files.h"

namespace skarvo {

// The page of the tab control that shows the target list.
inline constexpr int kTargetListPage = 2;

struct OpsParts {
  CheckList& targetList;                  // CheckListBox1
  CheckList& resultList;                  // CheckListBox3
  CheckList& joinList;                    // CheckListBox2
  CheckList& undoList;                    // CheckListBoxUNDO
  std::vector<std::string>& officeFiles;  // ListBoxExcel after a run
  SearchState& state;
  TAWKStr& awk;  // AWKStr1
  TargetFiles& targets;
  TempFolderLedger& tempFolder;  // home + "/Temp": where the overwrite keeps its backups
  int& activePage;
  CoreTimer& statusTimer;  // Timer1
  UiPort& port;
};

// The enabled states the operations switch: the overwrite commands (menu item and tool
// button "上書き保存") and the restore commands ("元に戻す", "やり直し"). Either may be empty.
struct OpsCommandSwitches {
  std::function<void(bool)> enableOverwrite;
  std::function<void(bool)> enableRestore;
};

// The caption of every box the operations show.
const std::string& OpsCaption();
// A status notice: the text, then the status message timer.
void OpsNotice(OpsParts& parts, const std::string& text);
// True when the undo list's last row is marker.
bool UndoListEndsWith(const CheckList& undoList, const std::string& marker);

}  // namespace skarvo
