#include "targets/history_box.h"

#include <stdexcept>
#include <string_view>

namespace skarvo {

const std::string& HistoryBox::Item(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("HistoryBox index out of range");
  return items_[static_cast<size_t>(index)];
}

void HistoryBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  itemIndex_ = -1;
  ++revision_;
}

void HistoryBox::SetItemIndex(int index) {
  if (index >= 0 && index < Count()) {
    itemIndex_ = index;
    text_ = items_[static_cast<size_t>(index)];
  } else {
    itemIndex_ = -1;
  }
  ++revision_;
}

namespace {

// A folder path without its trailing "/" ("/" stays the root).
std::string_view WithoutTrailingSlash(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return path;
}

}  // namespace

bool HistoryBox::SameEntry(const std::string& a, const std::string& b) const {
  if (!folderPaths_) return a == b;
  return WithoutTrailingSlash(a) == WithoutTrailingSlash(b);
}

int HistoryBox::IndexOf(const std::string& text) const {
  for (int i = 0; i < Count(); ++i)
    if (SameEntry(items_[static_cast<size_t>(i)], text)) return i;
  return -1;
}

void HistoryBox::SetText(std::string text) {
  text_ = std::move(text);
  itemIndex_ = -1;
  ++revision_;
}

void HistoryBox::InsertTop(std::string entry) {
  items_.insert(items_.begin(), std::move(entry));
  if (itemIndex_ >= 0) ++itemIndex_;
  ++revision_;
}

void HistoryBox::RemoveDuplicatesOfTop() {
  if (items_.size() < 2) return;
  for (int i = Count() - 1; i >= 1; --i) {
    if (!SameEntry(items_[static_cast<size_t>(i)], items_[0])) continue;
    items_.erase(items_.begin() + i);
    if (itemIndex_ == i)
      itemIndex_ = -1;
    else if (itemIndex_ > i)
      --itemIndex_;
  }
  ++revision_;
}

void HistoryBox::MoveToTop(int index) {
  std::string entry = Item(index);
  items_.erase(items_.begin() + index);
  items_.insert(items_.begin(), std::move(entry));
  SetItemIndex(0);
}

void HistoryBox::SetEnabled(bool enabled) {
  enabled_ = enabled;
  ++revision_;
}

}  // namespace skarvo
