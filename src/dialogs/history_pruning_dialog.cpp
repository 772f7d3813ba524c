#include "dialogs/history_pruning_dialog.h"

#include <vector>

#include "platform/codepage.h"

namespace skarvo {

HistoryPruningDialogCore::HistoryPruningDialogCore(HistoryBox& searchHistory,
                                                   HistoryBox& folderHistory)
    : searchHistory_(searchHistory), folderHistory_(folderHistory) {
  statusTimer.SetHandler([this] { OnStatusTimer(); });
}

void HistoryPruningDialogCore::Show() {
  visible_ = true;
  FormActivate();
}

void HistoryPruningDialogCore::FormActivate() {
  targetList.Clear();
  for (const std::string& entry : searchHistory_.Items()) targetList.Add(entry, false, true);
  joinList.Clear();
  const std::string& newFolder = Sjis("新規フォルダ");
  for (const std::string& entry : folderHistory_.Items()) {
    const bool header = entry == newFolder;
    joinList.Add(entry, header, !header);
  }
  ShowHint();
}

void HistoryPruningDialogCore::ShowHint() {
  statusText_ = Sjis("チェックのはずされた項目は、履歴から削除されます。");
  // Started again from here, as a fresh notice.
  statusTimer.SetEnabled(false);
  statusTimer.SetEnabled(true);
}

void HistoryPruningDialogCore::OnStatusTimer() {
  statusTimer.SetEnabled(false);
  statusText_.clear();
}

void HistoryPruningDialogCore::ClickCheck(TPruneList list, int index) {
  CheckList& rows = List(list);
  if (!visible_ || index < 0 || index >= rows.Count() || rows.Header(index)) return;
  rows.SetChecked(index, !rows.Checked(index));
  ShowHint();
}

void HistoryPruningDialogCore::SetAll(TPruneList list, bool checked) {
  if (!visible_) return;
  CheckList& rows = List(list);
  for (int i = 0; i < rows.Count(); ++i) rows.SetChecked(i, checked);
}

void HistoryPruningDialogCore::AllOn(TPruneList list) { SetAll(list, true); }
void HistoryPruningDialogCore::AllOff(TPruneList list) { SetAll(list, false); }

void HistoryPruningDialogCore::OkClick() {
  if (!visible_) return;
  auto keep = [](CheckList& rows) {
    std::vector<bool> marked(rows.Count());
    for (int i = 0; i < rows.Count(); ++i) marked[i] = !rows.Header(i) && !rows.Checked(i);
    rows.DeleteMarked(marked);
    std::vector<std::string> entries;
    for (const CheckListRow& row : rows.Rows()) entries.push_back(row.text);
    return entries;
  };
  // The box keeps its selected entry when that entry stays.
  auto replace = [](HistoryBox& box, std::vector<std::string> entries) {
    const std::string selected = box.ItemIndex() >= 0 ? box.Item(box.ItemIndex()) : std::string();
    const bool hadSelection = box.ItemIndex() >= 0;
    box.SetItems(std::move(entries));
    if (hadSelection && box.IndexOf(selected) >= 0) box.SetItemIndex(box.IndexOf(selected));
  };
  replace(searchHistory_, keep(targetList));
  replace(folderHistory_, keep(joinList));
  visible_ = false;
}

void HistoryPruningDialogCore::CancelClick() { visible_ = false; }

}  // namespace skarvo
