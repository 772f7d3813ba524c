// Narrowing (N3Click, ToolButton11Click, and the first half of File3Click): the result of
// a search becomes the target list of the next one. The target list keeps only the files
// that were searched (checked before), each checked when it has a checked hit, or, for a
// spreadsheet or word-processor file, when it is still in the office file list (any hit
// counts once: the list is used up). Folders left without files lose their row. The whole
// target list is kept in the undo list first, ended by "絞込", for the restore.
#pragma once

#include "ops/ops_parts.h"

namespace skarvo {

// Narrows the target list and enables the restore commands; the target-list tab becomes
// the active page. The target count follows the checks that are left.
void NarrowTargetList(OpsParts& parts, const OpsCommandSwitches& switches);

}  // namespace skarvo
