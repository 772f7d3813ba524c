// What the result list draws for a row: the whole row text in black, then, for a hit row,
// the first match of the chosen pattern drawn again over it in the hit or replace colour.
// The owner-drawn list asks RowHighlightOf for each row it paints and draws the match text
// at the row's left edge plus the width of the prefix.
#pragma once

#include <string>
#include <vector>

#include "engine/awk_str.h"
#include "settings/color.h"
#include "settings/settings.h"
#include "targets/check_list.h"

namespace skarvo {

// The colour every row text is drawn in, whatever the display settings say.
inline constexpr Color kResultRowTextColor = kClBlack;

// A further match of a row: its byte offset in the row text and its length.
struct MatchSpan {
  size_t start = 0;
  size_t length = 0;
  bool operator==(const MatchSpan&) const = default;
};

struct RowHighlight {
  std::string prefix;  // the row's bytes before the match
  std::string match;   // the matched bytes; empty when nothing is highlighted
  Color color = kClRed;
  std::vector<MatchSpan> others;  // the row's later matches, drawn in the same colour
  bool operator==(const RowHighlight&) const = default;
};

// Where a hit row's own line starts in its text: after the "【N列目】", "【Wordファイル】" or
// cell label prefix the search gave it (the row's lineText, when kept, says it directly);
// 0 for rows without such a prefix.
size_t HitLineOffset(const CheckListRow& row);

// The pattern a row is highlighted with: the search text while no replace is pending
// (empty replaceText), else the replacement text for a checked row and the search text for
// an unchecked one.
const std::string& HighlightPattern(const CheckListRow& row, const std::string& searchText,
                                    const std::string& replaceText);

// What rows are highlighted with: the compiler, which keeps the patterns it compiled so
// drawing row after row compiles each once, and the scratch of the matching.
struct RowMatcher {
  TPatternCompiler patterns{PatternUse::kInMemory};
  TMatchCORE matcher;  // line separator CR LF
};

// The highlight of one row. Header rows and plain-string searches (useRegex off) have none.
// With useRegex on, the chosen pattern is compiled with settings.useFuzzyDictionary (found in
// the cache after the first row) and matched over the row's own line (HitLineOffset on: a pattern
// never lights up the line number or the cell label): its first match is the match, every later
// non-empty one goes to others. A pattern the matcher rejects (a replacement text need not be a
// valid pattern) gives no highlight: drawing never reports an error. The colour is
// settings.replaceColor for a checked row while a replace is pending, else settings.hitColor.
RowHighlight RowHighlightOf(const CheckListRow& row, const std::string& searchText,
                            const std::string& replaceText, const Settings& settings,
                            RowMatcher& matching);

}  // namespace skarvo
