#include "targets/check_list.h"

#include <algorithm>
#include <stdexcept>

namespace skarvo {

const CheckList::RowVector& CheckList::View() const {
  static const RowVector kNoRows;
  return rows_ ? *rows_ : kNoRows;
}

CheckList::RowVector& CheckList::Own() {
  if (!rows_)
    rows_ = std::make_shared<RowVector>();
  else if (rows_.use_count() > 1)
    rows_ = std::make_shared<RowVector>(*rows_);
  return *rows_;
}

std::shared_ptr<const CheckList::RowVector> CheckList::SharedRows() const {
  if (rows_) return rows_;
  return std::make_shared<const RowVector>();
}

void CheckList::ShareRowsOf(const CheckList& other) {
  rows_ = other.rows_;
  itemIndex_ = -1;
  topIndex_ = 0;
  Edited();
}

std::shared_ptr<const CheckList::RowVector> CheckList::TakeRows() {
  std::shared_ptr<const RowVector> old = std::move(rows_);
  rows_.reset();
  itemIndex_ = -1;
  topIndex_ = 0;
  Edited();
  return old;
}

void CheckList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw std::out_of_range("CheckList index out of range");
}

const CheckListRow& CheckList::Row(int index) const {
  CheckIndex(index);
  return View()[static_cast<size_t>(index)];
}

int CheckList::Add(std::string text, bool header, bool checked) {
  Own().push_back(CheckListRow{std::move(text), header, checked && !header});
  Touch();
  return Count() - 1;
}

void CheckList::Insert(int index, CheckListRow row) {
  if (index < 0 || index > Count()) throw std::out_of_range("CheckList index out of range");
  if (row.header) row.checked = false;
  RowVector& rows = Own();
  const bool appended = index == Count();
  rows.insert(rows.begin() + index, std::move(row));
  if (itemIndex_ >= index) ++itemIndex_;
  if (appended)
    Touch();
  else
    Edited();
}

void CheckList::Delete(int index) {
  CheckIndex(index);
  RowVector& rows = Own();
  rows.erase(rows.begin() + index);
  if (itemIndex_ == index)
    itemIndex_ = -1;
  else if (itemIndex_ > index)
    --itemIndex_;
  topIndex_ = std::clamp(topIndex_, 0, std::max(0, Count() - 1));
  Edited();
}

void CheckList::DeleteMarked(const std::vector<bool>& marked) {
  bool any = false;
  for (size_t i = 0; !any && i < marked.size() && i < View().size(); ++i) any = marked[i];
  if (!any) return;
  RowVector& rows = Own();
  size_t kept = 0;
  int newItemIndex = -1;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i < marked.size() && marked[i]) continue;
    if (static_cast<int>(i) == itemIndex_) newItemIndex = static_cast<int>(kept);
    if (kept != i) rows[kept] = std::move(rows[i]);
    ++kept;
  }
  rows.resize(kept);
  itemIndex_ = newItemIndex;
  topIndex_ = std::clamp(topIndex_, 0, std::max(0, Count() - 1));
  Edited();
}

void CheckList::Clear() {
  if (rows_ && rows_.use_count() == 1)
    rows_->clear();  // keeps the capacity for the next rows
  else
    rows_.reset();
  itemIndex_ = -1;
  topIndex_ = 0;
  Edited();
}

void CheckList::SetText(int index, std::string text) {
  CheckIndex(index);
  Own()[static_cast<size_t>(index)].text = std::move(text);
  Edited();
}

void CheckList::SetHeader(int index, bool header) {
  CheckIndex(index);
  auto& row = Own()[static_cast<size_t>(index)];
  row.header = header;
  if (header) row.checked = false;
  Edited();
}

void CheckList::SetChecked(int index, bool checked) {
  CheckIndex(index);
  const CheckListRow& now = View()[static_cast<size_t>(index)];
  if (now.header || now.checked == checked) return;
  Own()[static_cast<size_t>(index)].checked = checked;
  Edited();
}

void CheckList::Move(int from, int to) {
  CheckIndex(from);
  CheckIndex(to);
  if (from == to) return;
  RowVector& rows = Own();
  CheckListRow row = std::move(rows[static_cast<size_t>(from)]);
  rows.erase(rows.begin() + from);
  rows.insert(rows.begin() + to, std::move(row));
  if (itemIndex_ == from)
    itemIndex_ = to;
  else if (from < itemIndex_ && itemIndex_ <= to)
    --itemIndex_;
  else if (to <= itemIndex_ && itemIndex_ < from)
    ++itemIndex_;
  Edited();
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
  const RowVector& rows = View();
  return static_cast<int>(
      std::count_if(rows.begin(), rows.end(), [](const CheckListRow& r) { return r.header; }));
}

int CheckList::CheckedCount() const {
  const RowVector& rows = View();
  return static_cast<int>(
      std::count_if(rows.begin(), rows.end(), [](const CheckListRow& r) { return r.checked; }));
}

}  // namespace skarvo
