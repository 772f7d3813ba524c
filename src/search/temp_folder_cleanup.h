// Shut-down's deletion of the temp folder. The tree of home + "/Temp" is listed with
// ScanFolderTree (its progress texts included); the files of each folder are deleted in
// that order, then the folders from the deepest to the temp folder itself, each step
// reported on the status bar as the path followed by "を削除中" or by
// "の削除に失敗しました。". Only what the ledger allows goes: all of a temp folder the
// program made, else only the files it wrote and the folders it created. Nothing is
// deleted through a folder link inside the tree; a link itself is removed, never its
// target. A temp folder that is itself a link is its target's folder: there only the
// files this run wrote and the folders it made go, and the link stays.
#pragma once

#include "platform/ui_port.h"
#include "search/temp_folder_ledger.h"
#include "targets/check_list.h"

namespace skarvo {

// Deletes what the ledger allows of the temp folder. Does nothing when the program never
// needed the temp folder. True when it listed the folder's tree (the window then ends what
// the last operation left to take back, as it always has).
bool DeleteTempFolder(const TempFolderLedger& ledger, UiPort& ui);

}  // namespace skarvo
