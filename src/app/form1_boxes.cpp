// The two history boxes: typing, Enter, choosing an entry, and the clipboard commands of
// their context menus, which act on the selection of the box's edit field.
#include <algorithm>

#include "app/form1.h"

namespace skarvo {

void TForm1::ComboBox1Change(const std::string& text) {
  if (Busy()) return;
  ComboBox1.SetText(text);
  boxSelections_[0] = {text.size(), 0};
}

void TForm1::ComboBox1KeyEnter() {
  if (Busy() || !ComboBox1.Enabled()) return;
  run_.ComboBox1KeyEnter();
  RequestFocus(TFocusTarget::kSearchBox);
}

void TForm1::ComboBox1Select(int index) {
  if (Busy() || !ComboBox1.Enabled()) return;
  run_.ComboBox1Select(index);
  RequestFocus(TFocusTarget::kSearchBox);
}

void TForm1::ComboBox2Change(const std::string& text) {
  if (Busy()) return;
  ComboBox2.SetText(text);
  boxSelections_[1] = {text.size(), 0};
}

void TForm1::ComboBox2KeyEnter() {
  if (Busy()) return;
  targets_.ComboBox2KeyEnter();
  UpdateTargetMenuStates();
}

void TForm1::ComboBox2Select(int index) {
  if (Busy()) return;
  targets_.ComboBox2Select(index);
  UpdateTargetMenuStates();
}

void TForm1::SetBoxSelection(THistoryBox box, size_t start, size_t length) {
  if (Busy()) return;
  const size_t size = Box(box).Text().size();
  start = std::min(start, size);
  length = std::min(length, size - start);
  boxSelections_[box == THistoryBox::kSearch ? 0 : 1] = {start, length};
}

TextSelection TForm1::BoxSelection(THistoryBox box) const {
  TextSelection selection = boxSelections_[box == THistoryBox::kSearch ? 0 : 1];
  const size_t size = (box == THistoryBox::kSearch ? ComboBox1 : ComboBox2).Text().size();
  selection.start = std::min(selection.start, size);
  selection.length = std::min(selection.length, size - selection.start);
  return selection;
}

void TForm1::BoxCut(THistoryBox box) {
  if (!Box(box).Enabled()) return;
  const TextSelection s = BoxSelection(box);
  // Cutting copies only: the text stays in the box, and an empty selection empties the
  // clipboard's text.
  clipboard_.SetText(Box(box).Text().substr(s.start, s.length));
}

void TForm1::BoxCopy(THistoryBox box) {
  if (!Box(box).Enabled()) return;
  const TextSelection s = BoxSelection(box);
  if (s.length > 0) clipboard_.SetText(Box(box).Text().substr(s.start, s.length));
}

void TForm1::BoxPaste(THistoryBox box) {
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
