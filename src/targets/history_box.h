// HistoryBox: the data of an editable drop-down list that keeps a history (the folder
// history box, the search history box): its entries, most recent first, the selected entry
// and the text in its edit field. Typing into the field clears the selection; selecting an
// entry puts its text into the field.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace skarvo {

class HistoryBox {
 public:
  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // The entry at index; throws std::out_of_range outside 0..Count()-1.
  const std::string& Item(int index) const;
  // Replaces every entry; nothing is selected afterwards and the text stays.
  void SetItems(std::vector<std::string> items);

  // The selected entry, -1 when none.
  int ItemIndex() const { return itemIndex_; }
  // Selects an entry and shows its text; an index outside the list clears the selection
  // and leaves the text.
  void SetItemIndex(int index);
  // Index of the first entry equal to text (exact comparison, or the folder rule), -1 when
  // none.
  int IndexOf(const std::string& text) const;
  // Folder paths: entries that differ only by a trailing "/" are one folder, for IndexOf
  // and RemoveDuplicatesOfTop ("/" itself stays the root).
  void SetFolderPaths(bool on) { folderPaths_ = on; }
  bool SameEntry(const std::string& a, const std::string& b) const;

  // The text of the edit field.
  const std::string& Text() const { return text_; }
  // What the user typed: the selection goes.
  void SetText(std::string text);

  // Inserts an entry at the top; the selection stays on the entry it was on.
  void InsertTop(std::string entry);
  // Removes every entry after the top one that equals it (as IndexOf compares), scanning
  // from the bottom up to the second entry.
  void RemoveDuplicatesOfTop();
  // Puts the entry at index at the top and selects it there.
  void MoveToTop(int index);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Changes with every change of entries, selection, text or enabled state.
  uint64_t Revision() const { return revision_; }

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
  std::string text_;
  bool enabled_ = true;
  bool folderPaths_ = false;
  uint64_t revision_ = 0;
};

}  // namespace skarvo
