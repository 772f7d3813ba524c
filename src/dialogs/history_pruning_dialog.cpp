#include "dialogs/history_pruning_dialog.h"

#include <vector>

#include "platform/codepage.h"

namespace skarvo {

TForm5::TForm5(HistoryBox& searchHistory, HistoryBox& folderHistory)
    : searchHistory_(searchHistory), folderHistory_(folderHistory) {
  Timer1.SetHandler([this] { Timer1Timer(); });
}

void TForm5::Show() {
  visible_ = true;
  FormActivate();
}

void TForm5::FormActivate() {
  CheckListBox1.Clear();
  for (const std::string& entry : searchHistory_.Items()) CheckListBox1.Add(entry, false, true);
  CheckListBox2.Clear();
  const std::string& newFolder = Sjis("新規フォルダ");
  for (const std::string& entry : folderHistory_.Items()) {
    const bool header = entry == newFolder;
    CheckListBox2.Add(entry, header, !header);
  }
  ShowHint();
}

void TForm5::ShowHint() {
  statusText_ = Sjis("チェックのはずされた項目は、履歴から削除されます。");
  // Started again from here, as a fresh notice.
  Timer1.SetEnabled(false);
  Timer1.SetEnabled(true);
}

void TForm5::Timer1Timer() {
  Timer1.SetEnabled(false);
  statusText_.clear();
}

void TForm5::ClickCheck(TPruneList list, int index) {
  CheckList& rows = List(list);
  if (!visible_ || index < 0 || index >= rows.Count() || rows.Header(index)) return;
  rows.SetChecked(index, !rows.Checked(index));
  ShowHint();
}

void TForm5::SetAll(TPruneList list, bool checked) {
  if (!visible_) return;
  CheckList& rows = List(list);
  for (int i = 0; i < rows.Count(); ++i) rows.SetChecked(i, checked);
}

void TForm5::AllOn(TPruneList list) { SetAll(list, true); }
void TForm5::AllOff(TPruneList list) { SetAll(list, false); }

void TForm5::OkClick() {
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
  replace(searchHistory_, keep(CheckListBox1));
  replace(folderHistory_, keep(CheckListBox2));
  visible_ = false;
}

void TForm5::CancelClick() { visible_ = false; }

}  // namespace skarvo
