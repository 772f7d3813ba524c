// A replace waiting for the overwrite. While one is pending, result row i and row i of the
// session's PendingReplaceUndo hold the replaced and the found text of one hit: a checked
// row shows the replaced text, an unchecked one the found text, and every check change
// swaps them.
#pragma once

#include "ops/result_session.h"

namespace skarvo {

// True when a replace is pending: the flag is set and the undo record is the replace's.
bool ReplacePending(const ResultSession& session);

// Takes a pending replace back: the flag and the replacement are cleared; each checked
// result row gets the found text back and loses its check; every hit row then takes the
// check its partner keeps; nothing is left to take back. Rows without a
// partner keep what they have. Without a pending replace's record only the flag and the
// replacement are cleared.
void TakeBackPendingReplace(ResultSession& session);

}  // namespace skarvo
