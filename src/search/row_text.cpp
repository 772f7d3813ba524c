#include "search/row_text.h"

#include "search/search_text.h"

namespace skarvo {

std::string ResultRowText(const CheckListRow& row) {
  if (row.kind == RowKind::kPlain) return row.text;
  return ResultRowTextWithLine(row, row.lineText);
}

std::string ResultRowTextWithLine(const CheckListRow& row, std::string_view shownLine) {
  std::string text;
  AssignResultRowText(text, row, shownLine);
  return text;
}

void AssignResultRowText(std::string& out, const CheckListRow& row, std::string_view shownLine) {
  switch (row.kind) {
    case RowKind::kFileHeader:
      out = FileHeaderRowText(row.file);
      return;
    case RowKind::kTextLine:
      AssignTextHitRowText(out, row.lineNo, shownLine);
      return;
    case RowKind::kCell:
      if (row.sheet >= 0) {
        out = CellLabel(row.sheet, row.cellRow, row.cellColumn);
        out.append(shownLine);
      } else {
        out.assign(shownLine);
      }
      return;
    case RowKind::kParagraph:
      out = WordHitRowText(shownLine);
      return;
    case RowKind::kPlain:
      break;
  }
  out.assign(shownLine);
}

}  // namespace skarvo
