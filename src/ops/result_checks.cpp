#include "ops/result_checks.h"

#include <utility>

#include "ops/pending_replace.h"
#include "platform/codepage.h"
#include "results/result_rules.h"

namespace skarvo {

void SwapWithPartner(CheckList& rows, CheckListRow& other, int i) {
  std::string shown = rows.Text(i);
  rows.SetText(i, std::move(other.text));
  other.text = std::move(shown);
}

OpOutcome ApplyResultCheckRules(ResultSession& session) {
  CheckList& rows = session.rows;
  const int index = rows.ItemIndex();
  if (index < 0 || index >= rows.Count()) return {};
  if (IsOfficeHitRow(rows.Text(index))) {
    rows.SetChecked(index, false);
    // The row is back in the state it had before the click, so it keeps its text.
    OpOutcome outcome;
    outcome.notice = Sjis("Excel、Wordファイルはチェック対象にできません。");
    return outcome;
  }
  if (!ReplacePending(session)) return {};
  auto& other = std::get<PendingReplaceUndo>(session.undo).otherRows;
  if (index >= static_cast<int>(other.size())) return {};
  CheckListRow& partner = other[static_cast<size_t>(index)];
  SwapWithPartner(rows, partner, index);
  partner.checked = rows.Checked(index);
  return {};
}

OpOutcome ClickResultCheckBox(ResultSession& session, int index) {
  CheckList& rows = session.rows;
  if (index < 0 || index >= rows.Count() || rows.Header(index)) return {};
  rows.SetItemIndex(index);
  rows.SetChecked(index, !rows.Checked(index));
  return ApplyResultCheckRules(session);
}

}  // namespace skarvo
