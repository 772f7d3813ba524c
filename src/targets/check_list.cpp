#include "targets/check_list.h"

#include <algorithm>
#include <stdexcept>

namespace skarvo {

void CheckList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("CheckList index out of range");
}

const CheckListRow& CheckList::Row(int index) const {
  CheckIndex(index);
  return rows_[static_cast<size_t>(index)];
}

int CheckList::Add(std::string text, bool header, bool checked) {
  rows_.push_back(CheckListRow{std::move(text), header, checked && !header});
  Touch();
  return Count() - 1;
}

void CheckList::Insert(int index, CheckListRow row) {
  if (index < 0 || index > Count()) throw std::out_of_range("CheckList index out of range");
  if (row.header) row.checked = false;
  rows_.insert(rows_.begin() + index, std::move(row));
  if (itemIndex_ >= index) ++itemIndex_;
  Touch();
}

void CheckList::Delete(int index) {
  CheckIndex(index);
  rows_.erase(rows_.begin() + index);
  if (itemIndex_ == index)
    itemIndex_ = -1;
  else if (itemIndex_ > index)
    --itemIndex_;
  topIndex_ = std::clamp(topIndex_, 0, std::max(0, Count() - 1));
  Touch();
}

void CheckList::DeleteMarked(const std::vector<bool>& marked) {
  size_t kept = 0;
  int newItemIndex = -1;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (i < marked.size() && marked[i]) continue;
    if (static_cast<int>(i) == itemIndex_) newItemIndex = static_cast<int>(kept);
    if (kept != i) rows_[kept] = std::move(rows_[i]);
    ++kept;
  }
  if (kept == rows_.size()) return;
  rows_.resize(kept);
  itemIndex_ = newItemIndex;
  topIndex_ = std::clamp(topIndex_, 0, std::max(0, Count() - 1));
  Touch();
}

void CheckList::Clear() {
  rows_.clear();
  itemIndex_ = -1;
  topIndex_ = 0;
  Touch();
}

void CheckList::SetText(int index, std::string text) {
  CheckIndex(index);
  rows_[static_cast<size_t>(index)].text = std::move(text);
  Touch();
}

void CheckList::SetHeader(int index, bool header) {
  CheckIndex(index);
  auto& row = rows_[static_cast<size_t>(index)];
  row.header = header;
  if (header) row.checked = false;
  Touch();
}

void CheckList::SetChecked(int index, bool checked) {
  CheckIndex(index);
  auto& row = rows_[static_cast<size_t>(index)];
  if (row.header || row.checked == checked) return;
  row.checked = checked;
  Touch();
}

void CheckList::Move(int from, int to) {
  CheckIndex(from);
  CheckIndex(to);
  if (from == to) return;
  CheckListRow row = std::move(rows_[static_cast<size_t>(from)]);
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, std::move(row));
  if (itemIndex_ == from)
    itemIndex_ = to;
  else if (from < itemIndex_ && itemIndex_ <= to)
    --itemIndex_;
  else if (to <= itemIndex_ && itemIndex_ < from)
    ++itemIndex_;
  Touch();
}

void CheckList::SetItemIndex(int index) {
  int value = (index >= 0 && index < Count()) ? index : -1;
  if (value == itemIndex_) return;
  itemIndex_ = value;
  Touch();
}

void CheckList::SetTopIndex(int index) {
  int value = std::clamp(index, 0, std::max(0, Count() - 1));
  if (value == topIndex_) return;
  topIndex_ = value;
  Touch();
}

int CheckList::HeaderCount() const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const CheckListRow& r) { return r.header; }));
}

int CheckList::CheckedCount() const {
  return static_cast<int>(
      std::count_if(rows_.begin(), rows_.end(), [](const CheckListRow& r) { return r.checked; }));
}

}  // namespace skarvo
