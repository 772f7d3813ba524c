// The check rules of the result list: which rows may carry a check, and how a check click
// flips a row between its replaced and its found text while a replace is pending.
#pragma once

#include "ops/result_session.h"

namespace skarvo {

// Result row i and other (its partner in a pending replace's record) change texts.
void SwapWithPartner(CheckList& rows, CheckListRow& other, int i);

// The check rules, run after the user toggled the check box of the selected row. An
// office hit row loses its check again, and the outcome's notice is "Excel、Wordファイルは
// チェック対象にできません。". Otherwise, while a replace is pending, the row and its
// partner change texts and the partner takes the row's check state. A refused check leaves
// the texts alone, so an unchecked row keeps showing the text as found.
OpOutcome ApplyResultCheckRules(ResultSession& session);

// A user's click on the check box of row index: selects the row, toggles its check (a
// header row has none: nothing happens) and runs the check rules.
OpOutcome ClickResultCheckBox(ResultSession& session, int index);

}  // namespace skarvo
