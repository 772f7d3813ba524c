// The two history boxes: typing, Enter, choosing an entry, and the clipboard commands of
// their context menus, which act on the selection of the box's edit field.
#include <algorithm>

#include "app/main_window_core.h"

namespace skarvo {

void MainWindowCore::OnSearchBoxEdit(const std::string& text) {
  if (Busy()) return;
  searchHistory.SetText(text);
  boxSelections_[0] = {text.size(), 0};
}

void MainWindowCore::OnSearchBoxEnter() {
  if (Busy() || !searchHistory.Enabled()) return;
  run_.OnSearchBoxEnter();
  RequestFocus(TFocusTarget::kSearchBox);
}

void MainWindowCore::OnSearchHistoryPick(int index) {
  if (Busy() || !searchHistory.Enabled()) return;
  run_.OnSearchHistoryPick(index);
  RequestFocus(TFocusTarget::kSearchBox);
}

void MainWindowCore::OnFolderBoxEdit(const std::string& text) {
  if (Busy()) return;
  folderHistory.SetText(text);
  boxSelections_[1] = {text.size(), 0};
}

void MainWindowCore::OnFolderBoxEnter() {
  if (Busy()) return;
  targets_.OnFolderBoxEnter();
  UpdateTargetMenuStates();
}

void MainWindowCore::OnFolderHistoryPick(int index) {
  if (Busy()) return;
  targets_.OnFolderHistoryPick(index);
  UpdateTargetMenuStates();
}

void MainWindowCore::SetBoxSelection(THistoryBox box, size_t start, size_t length) {
  if (Busy()) return;
  const size_t size = Box(box).Text().size();
  start = std::min(start, size);
  length = std::min(length, size - start);
  boxSelections_[box == THistoryBox::kSearch ? 0 : 1] = {start, length};
}

TextSelection MainWindowCore::BoxSelection(THistoryBox box) const {
  TextSelection selection = boxSelections_[box == THistoryBox::kSearch ? 0 : 1];
  const size_t size = (box == THistoryBox::kSearch ? searchHistory : folderHistory).Text().size();
  selection.start = std::min(selection.start, size);
  selection.length = std::min(selection.length, size - selection.start);
  return selection;
}

void MainWindowCore::BoxCut(THistoryBox box) {
  if (!Box(box).Enabled()) return;
  const TextSelection s = BoxSelection(box);
  // Cutting copies only: the text stays in the box, and an empty selection empties the
  // clipboard's text.
  clipboard_.SetText(Box(box).Text().substr(s.start, s.length));
}

void MainWindowCore::BoxCopy(THistoryBox box) {
  if (!Box(box).Enabled()) return;
  const TextSelection s = BoxSelection(box);
  if (s.length > 0) clipboard_.SetText(Box(box).Text().substr(s.start, s.length));
}

void MainWindowCore::BoxPaste(THistoryBox box) {
  if (!Box(box).Enabled() || !clipboard_.HasText()) return;
  std::optional<std::string> pasted = clipboard_.Text();
  if (!pasted) {
    // Text with a character that has no CP932 form is refused, never changed.
    RefuseTypedText();
    return;
  }
  // The box holds one line: what follows a line break stays out.
  pasted->erase(std::min(pasted->find_first_of("\r\n"), pasted->size()));
  const TextSelection s = BoxSelection(box);
  std::string text = Box(box).Text();
  text.replace(s.start, s.length, *pasted);
  Box(box).SetText(text);
  boxSelections_[box == THistoryBox::kSearch ? 0 : 1] = {s.start + pasted->size(), 0};
}

}  // namespace skarvo
