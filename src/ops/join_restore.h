// What a join or a split replaces is kept, and both can be taken back.
//
// A join or a split that writes over a file that already exists first keeps a byte copy of
// it in the temp folder (home + "/Temp/~kept" + the file's full path), recorded so
// shut-down removes it. The session's record then names every file the operation wrote, and
// whether a copy was kept of it. Taking the operation back
// puts a kept copy back over its file, byte for byte, and deletes only the files that did
// not exist before, so a user's old file is never lost to a join or a split.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ops/prompter.h"
#include "ops/result_session.h"
#include "platform/file_system.h"
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
// keep, and the copy is checked to be another file holding exactly those bytes. An empty
// keep replaces an existing file without a copy (a file the user named as the output).
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

// Taking back the join or the split the session's record names (a CreatedFilesUndo): asks
// "新規ファイルを消去しますか？" for a join, "更新しますか？" for a split; on OK every file it
// wrote is deleted (for a split first announced with "…を消去します。"), or put back from its
// kept copy, each with its own report, and nothing is left to take back. Returns whether
// the user went ahead; false without a question when the record is not a join's or a split's.
bool RestoreCreatedFiles(ResultSession& session, const TempFolderLedger& tempFolder,
                         Prompter& prompter);

}  // namespace skarvo
