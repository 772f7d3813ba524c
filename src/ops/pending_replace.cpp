#include "ops/pending_replace.h"

#include <algorithm>

namespace skarvo {

bool ReplacePending(const ResultSession& session) {
  return session.search.replacePending && std::holds_alternative<PendingReplaceUndo>(session.undo);
}

void TakeBackPendingReplace(ResultSession& session) {
  session.search.replacePending = false;
  session.search.replaceText.clear();
  if (const auto* pending = std::get_if<PendingReplaceUndo>(&session.undo)) {
    CheckList& rows = session.rows;
    const std::vector<CheckListRow>& other = pending->otherRows;
    const int paired = std::min(rows.Count(), static_cast<int>(other.size()));
    for (int i = 0; i < paired; ++i) {
      const CheckListRow& found = other[static_cast<size_t>(i)];
      if (rows.Checked(i)) {
        rows.SetText(i, found.text);
        rows.SetChecked(i, false);
      }
      if (!rows.Header(i)) rows.SetChecked(i, found.checked);
    }
  }
  session.undo = NoUndo{};
}

}  // namespace skarvo
