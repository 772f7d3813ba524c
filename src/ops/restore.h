// The restore (OnRestore): takes back what the session's record names.
//
//   a narrowing       the target list as it was before (after "絞込前の状態に戻しますか？")
//   a pending replace taken back, without a question
//   a join / a split  the files it wrote deleted, or put back from their kept copies
//                     (after "新規ファイルを消去しますか？" / "更新しますか？")
//   an overwrite      every file it wrote put back from its backup, byte for byte and
//                     atomically (after "元の状態に戻しますか？？"); a file that no longer
//                     holds what the overwrite wrote is put back only when the user agrees
//                     for that file; the result rows of the files put back show their lines
//                     as found again
//
// A question answered Cancel leaves the record, so the restore can run again later.
#pragma once

#include <string>

#include "ops/prompter.h"
#include "ops/result_session.h"
#include "search/temp_folder_ledger.h"
#include "targets/check_list.h"
#include "targets/target_files.h"

namespace skarvo {

// What the restore of a narrowing puts back besides the session: the target list (the one
// targets counts) and the join list, which it empties.
struct RestoreLists {
  CheckList& targetList;
  CheckList& joinList;
  TargetFileList& targets;
};

// The restore. With nothing to take back it tells "やり直せません！！". The outcome disables
// the overwrite, and the restore too unless a question was cancelled. The caller disables
// both before, so neither is offered while a question is open.
OpOutcome Restore(ResultSession& session, const RestoreLists& lists,
                  const TempFolderLedger& tempFolder, Prompter& prompter);

// The report of one file put back: "ファイル"<path>"の復元...OK" or "...の復元...NG。".
std::string RestoreReport(const std::string& path, bool ok);

}  // namespace skarvo
