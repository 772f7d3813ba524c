// What a join or a split replaces is kept, and both can be taken back.
//
// A join or a split that writes over a file that already exists first keeps a byte copy of
// it in the temp folder (home + "/Temp/~kept" + the file's full path), recorded so
// shut-down removes it. The undo list then names every file the operation wrote, each row checked
// when a copy was kept, and ends with the marker "結合" or "分割". Taking the operation back
// puts a kept copy back over its file, byte for byte, and deletes only the files that did
// not exist before, so a user's old file is never lost to a join or a split.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/ui_port.h"
#include "search/temp_folder_ledger.h"
#include "targets/check_list.h"

namespace skarvo {

// Where the copy of a replaced file is kept: the temp folder + "/~kept" + its full path.
std::string KeptCopyPath(const TempFolderLedger& tempFolder, const std::string& path);

// What lies at a path a join or a split wants to write a new file at.
enum class NewFilePlace {
  kFree,      // nothing: a new file
  kExisting,  // a regular file with this one name: it may be replaced, once kept
  kLink,      // a symbolic link, or a file with other names: writing would reach them too
  kInput,     // the very file the operation reads (the split file, a join input)
  kNotAFile,  // a folder or another kind of node
};
// Looks at path without following a link at its end. inputs are the files the operation
// reads; a place that is one of them, by any name, is kInput.
NewFilePlace PlaceForNewFile(const std::string& path, const std::vector<FileIdentity>& inputs);

// The outcome of WriteKeepingOld.
enum class KeepWrite {
  kWrittenNew,       // the file did not exist and is written
  kWrittenReplaced,  // an old file was kept, then replaced
  kCopyFailed,       // the old file could not be kept: nothing is written
  kWriteFailed,      // the write failed: the old file (if any) is whole
  kRefusedLink,      // path is a link or has other names: nothing is written
  kRefusedInput,     // path is one of the inputs: nothing is written
};

// Keeps the old bytes of the file at path somewhere the restore finds them; returns where,
// or nullopt when they could not be kept.
using KeepOldFile =
    std::function<std::optional<std::string>(const std::string& path, const std::string& old)>;

// The window's keeping: the copy goes to KeptCopyPath in the temp folder, recorded there.
KeepOldFile KeepInTempFolder(TempFolderLedger& tempFolder);

// Writes data to path atomically as a new file of the operation. Never writes through a
// link, onto one of inputs, or onto a folder; when path exists, its bytes are kept first by
// keep, and the copy is checked to be another file holding exactly those bytes.
KeepWrite WriteKeepingOld(const KeepOldFile& keep, const std::string& path, const std::string& data,
                          const std::vector<FileIdentity>& inputs = {});
KeepWrite WriteKeepingOld(TempFolderLedger& tempFolder, const std::string& path,
                          const std::string& data, const std::vector<FileIdentity>& inputs = {});

// Why a split part is not written at a place (CP932 text after the quoted path, UTF-8 here);
// nullptr for a place a part may take (kFree, kExisting).
const char* PartRefusal(NewFilePlace place);
// Why a part's write did not happen, for an outcome other than written.
const char* PartWriteFailure(KeepWrite result);

// Keeps the old bytes in a folder of the user's choosing (skarvo-cli's backup folder):
// folder + "/~kept" + the file's full path, or that path + ".1", ".2"... when an earlier run
// left a copy there, so no copy is ever replaced. Folders are made 0700 and the copy 0600.
KeepOldFile KeepInFolder(const std::string& folder);

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
