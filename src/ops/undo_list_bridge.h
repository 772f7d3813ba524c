// The join and the split still keep what they did in a list of rows ended by a marker
// ("結合", "分割"; the split's preparation keeps its points there too). These carry the
// session's record into such a list before they run and the list back into the record after,
// so the restore sees what they did. Goes when they write the record themselves.
#pragma once

#include "ops/result_session.h"
#include "targets/check_list.h"

namespace skarvo {

// The record as the list the join and the split read: its rows, then its marker.
void UndoListOf(const UndoRecord& record, CheckList& list);
// The record a list names by its last row; NoUndo when it names none. An overwrite's list
// cannot name its record: kept is returned for it when kept is an overwrite.
UndoRecord UndoRecordOf(const CheckList& list, const UndoRecord& kept);

}  // namespace skarvo
