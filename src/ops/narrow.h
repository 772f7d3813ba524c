// Narrowing (OnNarrow, and the first half of OnNarrowAndJoin): the result of a search
// becomes the target list of the next one. The target list keeps only the files that were
// searched (checked before), each checked when it has a checked hit, or, for a spreadsheet
// or word-processor file, when it is still in the session's office files (any hit counts
// once: the list is used up). Folders left without files lose their row. The target list
// as it was is kept in the session's record, for the restore.
#pragma once

#include "ops/result_session.h"
#include "targets/target_files.h"

namespace skarvo {

// The page of the tab control that shows the target list.
inline constexpr int kTargetListPage = 2;

// Narrows targetList (the list targets builds); the outcome shows the target-list page and
// enables the restore. The target count follows the checks that are left.
OpOutcome Narrow(ResultSession& session, CheckList& targetList, TargetFileList& targets);

}  // namespace skarvo
