// The replace (a preview in the result list) and the check commands that keep a pending
// replace consistent. A hit row keeps its line text apart from its displayed text; the
// substitution runs over that line text only, never over the row's prefix ("【", line
// number, "列目】", a cell label or "【Wordファイル】"), so a search text that matches digits
// or "列" changes neither the prefix nor the line the overwrite writes later.
//
// While a replace is pending, result row i and row i of the session's PendingReplaceUndo
// hold the replaced and the found text of one hit: a checked row shows the replaced text,
// an unchecked one the found text, and every check change swaps them.
#pragma once

#include <optional>
#include <string>

#include "engine/awk_str.h"
#include "ops/prompter.h"
#include "ops/result_session.h"
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

// The rule for a line of a Shift-JIS file: the search text (in the internal text form, as
// typed) as ToShiftJisPattern gives it. A file in another encoding takes the rule as it is.
SubstitutionRule ShiftJisRule(const SubstitutionRule& rule);

// The status text of a replace before any search; the caller shows it instead of asking
// for the replacement.
const std::string& NotSearchedYetText();

// The replace (OnReplace) with the replacement the user typed (may be empty: the matches are
// then deleted): takes a pending replace back first (telling so), then previews the
// replacement in every hit row (shown on the checked ones) and keeps the other texts in the
// session's record. The outcome shows the search page, enables the overwrite and the
// restore, and carries the note that no file has changed yet. Nothing reaches a file.
OpOutcome Replace(ResultSession& session, const std::string& replacement, TAWKStr& awk,
                  Prompter& prompter);

// "CheckOn(対象File全体)" / "CheckOFF(対象File全体)" on the selected header row: checks or
// unchecks every hit row of that file, swapping texts while a replace is pending. Checking
// an office file's hits is refused with the status text.
OpOutcome CheckFileHits(ResultSession& session, bool on);

}  // namespace skarvo
