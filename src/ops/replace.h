// The replace (a preview in the result list) and the check commands that keep a pending
// replace consistent. A hit row keeps its line text apart from its displayed text; the
// substitution runs over that line text only, never over the row's prefix ("【", line
// number, "列目】", a cell label or "【Wordファイル】"), so a search text that matches digits
// or "列" changes neither the prefix nor the line the overwrite writes later.
//
// While a replace is pending (the undo list ends with "置換"), result row i and undo row i
// hold the replaced and the found text of one hit: a checked row shows the replaced text,
// an unchecked one the found text, and every check change swaps them.
#pragma once

#include <optional>
#include <string>

#include "engine/awk_str.h"
#include "ops/ops_parts.h"
#include "search/search_run.h"
#include "targets/check_list.h"

namespace skarvo {

// How the last search matched: the substitution falls exactly on what it found.
struct SubstitutionRule {
  std::string searchText;
  bool regex = true;          // a pattern search; false: the text is matched literally
  bool caseSensitive = true;  // literal matching only
  bool fuzzy = false;         // pattern matching only
};
SubstitutionRule RuleOfLastSearch(const SearchState& state);

// Every match of the rule in line replaced by replacement ("&" stands for the matched
// text, backslash escapes decoded, as GSub has them). A pattern search goes through awk's
// GSub with the search text as its pattern; a literal search replaces each occurrence of
// the search text, never starting on the second byte of a 2-byte character, compared
// without ASCII case when the search was. Raises ERegExpParser for a bad replacement.
std::string SubstituteLine(const SubstitutionRule& rule, const std::string& replacement,
                           const std::string& line, TAWKStr& awk);

// The displayed text of a hit row before its own line text; nullopt when the row keeps no
// line record (then the whole text is its line).
std::optional<std::string> RowPrefix(const CheckListRow& row);

// The replace (Replace1Click, ToolButton10Click): asks for the replacement in the input box
// "置換", undoes a pending replace first (with its message), then previews the replacement
// in every hit row (shown on the checked ones), appends "置換" to the undo list and enables
// the overwrite and restore commands. Nothing reaches a file.
void Replace1Click(OpsParts& parts, const OpsCommandSwitches& switches);

// "CheckOn(対象File全体)" / "CheckOFF(対象File全体)" on the selected header row: checks or
// unchecks every hit row of that file, swapping texts while a replace is pending. Checking
// an office file's hits is refused with the status text.
void CheckOnFile1Click(OpsParts& parts);
void CheckOFFFile1Click(OpsParts& parts);

}  // namespace skarvo
