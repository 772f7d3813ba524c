#include "results/result_rules.h"

#include <algorithm>

#include "platform/codepage.h"

namespace skarvo {

namespace {
bool StartsWith(std::string_view text, const std::string& prefix) {
  return text.substr(0, prefix.size()) == prefix;
}
}  // namespace

bool IsOfficeHitRow(std::string_view rowText) {
  return StartsWith(rowText, Sjis("【Excel")) || StartsWith(rowText, Sjis("【Word"));
}

bool IsReplacePending(bool replacePendingFlag, const CheckList& undoList) {
  return replacePendingFlag && !undoList.Empty() &&
         undoList.Text(undoList.Count() - 1) == Sjis("置換");
}

void ApplyResultCheckRules(CheckList& resultList, CheckList& undoList, bool replacePendingFlag,
                           UiPort& ui, CoreTimer& statusTimer) {
  int index = resultList.ItemIndex();
  if (index < 0 || index >= resultList.Count()) return;
  if (IsOfficeHitRow(resultList.Text(index))) {
    ui.SetStatusText(Sjis("Excel、Wordファイルはチェック対象にできません。"));
    statusTimer.SetEnabled(true);
    resultList.SetChecked(index, false);
    // The row is back in the state it had before the click, so it keeps its text.
    return;
  }
  // The marker row itself is never paired with a result row.
  if (!IsReplacePending(replacePendingFlag, undoList) || index >= undoList.Count() - 1) return;
  std::string shown = resultList.Text(index);
  resultList.SetText(index, undoList.Text(index));
  undoList.SetText(index, std::move(shown));
  undoList.SetChecked(index, resultList.Checked(index));
}

void ClickResultCheckBox(int index, CheckList& resultList, CheckList& undoList,
                         bool replacePendingFlag, UiPort& ui, CoreTimer& statusTimer) {
  if (index < 0 || index >= resultList.Count() || resultList.Header(index)) return;
  resultList.SetItemIndex(index);
  resultList.SetChecked(index, !resultList.Checked(index));
  ApplyResultCheckRules(resultList, undoList, replacePendingFlag, ui, statusTimer);
}

void UndoPendingReplace(CheckList& resultList, CheckList& undoList, std::string& replaceText,
                        bool& replacePendingFlag) {
  replacePendingFlag = false;
  replaceText.clear();
  // The marker row at the end pairs with no result row.
  const int paired = std::min(resultList.Count(), std::max(0, undoList.Count() - 1));
  for (int i = 0; i < paired; ++i) {
    if (resultList.Checked(i)) {
      resultList.SetText(i, undoList.Text(i));
      resultList.SetChecked(i, false);
    }
    if (!resultList.Header(i)) resultList.SetChecked(i, undoList.Checked(i));
  }
  undoList.Clear();
}

ResultMenuState ResultContextMenu(const CheckList& resultList) {
  ResultMenuState state;
  int index = resultList.ItemIndex();
  bool selected = index >= 0 && index < resultList.Count();
  bool header = selected && resultList.Header(index);
  state.checkOnFile = header;
  state.checkOffFile = header;
  state.splitFile = header;
  state.narrowJoin = header;
  state.changeText = selected && !header;
  return state;
}

}  // namespace skarvo
