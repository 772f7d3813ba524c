// CheckList: the data of a list of rows with check boxes, as the target list, the result
// list, the join list and the hidden undo list hold it. Each row has a text, a header
// flag and a check state; a hit row of the result list also keeps its line number and the
// line's own text apart from the displayed text, so later operations never parse them
// back out of a prefix. Header rows carry no check box. The list also keeps the selected row and a
// revision number that changes with every change, so a view can tell when to re-read it.
// Lists may share their rows (the undo list holds what the result list shows after a search):
// the rows are copied only when one of the lists changes them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/text_encoding.h"

namespace skarvo {

// What a row of the result list stands for, so no later step reads it back out of the
// displayed text. Rows of the other lists are kPlain.
enum class RowKind : uint8_t { kPlain, kFileHeader, kTextLine, kCell, kParagraph };

struct CheckListRow {
  // Most rows are built from text, header flag and check state alone; hit rows add the rest.
  CheckListRow(std::string text = {}, bool header = false, bool checked = false, int64_t lineNo = 0,
               std::string lineText = {})
      : text(std::move(text)),
        header(header),
        checked(checked),
        lineNo(lineNo),
        lineText(std::move(lineText)) {}

  std::string text;  // CP932
  bool header = false;
  bool checked = false;
  // Hit rows only: the line number the search counted (0 when unknown) and the line's own
  // text (CP932) without the row's prefix.
  int64_t lineNo = 0;
  std::string lineText;
  // Result rows only: the kind, and the file searched (CP932) of a header and of each hit.
  RowKind kind = RowKind::kPlain;
  std::string file;
  // kCell rows whose cell was found: the reader's sheet number and the 0-based row and
  // column; sheet is -1 for a spreadsheet hit that took no cell's label.
  int sheet = -1;
  int cellRow = 0;
  int cellColumn = 0;
  // Join list rows: a content row's file in `file`; a split part row's file in `file` and
  // its lines in lineNo..lineTo.
  int64_t lineTo = 0;
  // Text hit rows: the encoding of the file; lineText is in the internal text form when it is
  // not Shift-JIS.
  TextEncoding encoding = TextEncoding::kShiftJis;
  bool operator==(const CheckListRow&) const = default;
};

class CheckList {
 public:
  using RowVector = std::vector<CheckListRow>;

  int Count() const { return static_cast<int>(View().size()); }
  bool Empty() const { return View().empty(); }
  // The row at index; index must be in 0..Count()-1 (checked, throws std::out_of_range).
  const CheckListRow& Row(int index) const;
  const std::string& Text(int index) const { return Row(index).text; }
  bool Header(int index) const { return Row(index).header; }
  bool Checked(int index) const { return Row(index).checked; }
  // Valid until the list changes its rows.
  const RowVector& Rows() const { return View(); }
  // The rows as they are now; they stay so whatever later happens to the list.
  std::shared_ptr<const RowVector> SharedRows() const;
  // Makes the rows those of other (shared until either list changes them); no row selected,
  // top row 0.
  void ShareRowsOf(const CheckList& other);

  // Appends a row and returns its index.
  int Add(std::string text, bool header = false, bool checked = false);
  // Inserts a row before index (index == Count() appends).
  void Insert(int index, CheckListRow row);
  // Removes one row; the selection follows the rows it stood on, or becomes -1.
  void Delete(int index);
  // Removes every row whose entry in marked is true (marked may be shorter than the list),
  // in one pass; the selection follows its row as with Delete.
  void DeleteMarked(const std::vector<bool>& marked);
  void Clear();
  // Clears the list and hands its old rows over, so the caller decides when they are freed
  // (a large list's rows cost time to free).
  std::shared_ptr<const RowVector> TakeRows();
  void SetText(int index, std::string text);
  void SetHeader(int index, bool header);
  // Header rows have no check box: setting their check state does nothing.
  void SetChecked(int index, bool checked);
  // Moves the row at from so that it stands at to afterwards.
  void Move(int from, int to);

  // The selected row, -1 when none.
  int ItemIndex() const { return itemIndex_; }
  // Selects a row; an index outside the list clears the selection.
  void SetItemIndex(int index);
  // The first row shown at the top of a view (for lists that scroll by row).
  int TopIndex() const { return topIndex_; }
  void SetTopIndex(int index);

  // Counts of rows by kind.
  int HeaderCount() const;
  int CheckedCount() const;  // checked rows (header rows are never checked)

  // Changes with every change of rows, selection or top row.
  uint64_t Revision() const { return revision_; }
  // Changes with every change of rows other than appending rows at the end, so a view that
  // finds it unchanged has only the appended rows to read.
  uint64_t EditRevision() const { return edits_; }

 private:
  void CheckIndex(int index) const;
  void Touch() { ++revision_; }
  void Edited() {
    ++edits_;
    Touch();
  }
  const RowVector& View() const;
  // The rows for changing: a copy of its own first when they are shared.
  RowVector& Own();

  std::shared_ptr<RowVector> rows_;  // null: no rows
  int itemIndex_ = -1;
  int topIndex_ = 0;
  uint64_t revision_ = 0;
  uint64_t edits_ = 0;
};

}  // namespace skarvo
