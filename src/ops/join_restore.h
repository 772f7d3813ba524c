// What a join or a split replaces is kept, and both can be taken back.
//
// A join or a split that writes over a file that already exists first keeps a byte copy of
// it in the temp folder (home + "/Temp/~kept" + the file's full path), recorded so
// shut-down removes it. The undo list then names every file the operation wrote, each row checked
// when a copy was kept, and ends with the marker "結合" or "分割". Taking the operation back
// puts a kept copy back over its file, byte for byte, and deletes only the files that did
// not exist before, so a user's old file is never lost to a join or a split.
#pragma once

#include <string>

#include "platform/ui_port.h"
#include "search/temp_folder_ledger.h"
#include "targets/check_list.h"

namespace skarvo {

// Where the copy of a replaced file is kept: the temp folder + "/~kept" + its full path.
std::string KeptCopyPath(const TempFolderLedger& tempFolder, const std::string& path);

// The outcome of WriteKeepingOld.
enum class KeepWrite {
  kWrittenNew,       // the file did not exist and is written
  kWrittenReplaced,  // an old file was kept, then replaced
  kCopyFailed,       // the old file could not be kept: nothing is written
  kWriteFailed,      // the write failed: the old file (if any) is whole
};

// Writes data to path atomically; when path exists, its bytes are kept first (see above).
KeepWrite WriteKeepingOld(TempFolderLedger& tempFolder, const std::string& path,
                          const std::string& data);

// The undo list's markers.
const std::string& JoinMarker();   // "結合"
const std::string& SplitMarker();  // "分割"

// Taking back a join (the undo list ends with "結合"): asks "新規ファイルを消去しますか？";
// on OK every file the join wrote is deleted, or put back from its kept copy, each with its
// own report, and the undo list is cleared. Returns whether the user went ahead. Does
// nothing (false) when the undo list does not end with the marker.
bool RestoreJoin(CheckList& undoList, TempFolderLedger& tempFolder, UiPort& port);
// Taking back a split (the undo list ends with "分割"): the same after the question
// "更新しますか？", a file to delete first announced with "…を消去します。".
bool RestoreSplit(CheckList& undoList, TempFolderLedger& tempFolder, UiPort& port);

}  // namespace skarvo
