// The one formatter of the text a result row shows, made from the row's typed fields. The
// search stage fills every row's text through it, and the operations that show a row with
// another line (a replace's preview, a restore's line put back) go through its WithLine
// form; the result list's view and skarvo-cli print that text as it is. Every text is CP932.
#pragma once

#include <string>
#include <string_view>

#include "targets/check_list.h"

namespace skarvo {

// By the row's kind:
//   kFileHeader  `"<file>",の検索結果`
//   kTextLine    "【<lineNo>列目】<line>"
//   kCell        "【Excel,Sheet<sheet>,<column letters><cellRow + 1>セル】<line>" for a hit
//                that took a cell's label (sheet >= 0), else the line alone
//   kParagraph   "【Wordファイル】<line>"
//   kPlain       the row's own text (a plain row has no fields to make one from)
// where <line> is the row's lineText.
std::string ResultRowText(const CheckListRow& row);

// The same with shownLine in the place of the row's lineText; a plain row shows shownLine
// alone, a header ignores it.
std::string ResultRowTextWithLine(const CheckListRow& row, std::string_view shownLine);

// ResultRowTextWithLine put into out, whose room is reused: rows made one after another
// allocate only while their texts grow.
void AssignResultRowText(std::string& out, const CheckListRow& row, std::string_view shownLine);

}  // namespace skarvo
