#include "ops/replace.h"

#include <utility>

#include "engine/regexp_error.h"
#include "ops/pending_replace.h"
#include "ops/result_checks.h"
#include "platform/codepage.h"
#include "platform/text_encoding.h"
#include "search/row_text.h"
#include "search/search_text.h"

namespace skarvo {

SubstitutionRule RuleOfLastSearch(const SearchState& state) {
  return SubstitutionRule{state.searchText, state.searchUsedRegex, state.searchCaseSensitive,
                          state.searchFuzzy};
}

namespace {

std::string SubstituteLiteral(const SubstitutionRule& rule, const std::string& replacement,
                              const std::string& line) {
  const std::string& needle = rule.searchText;
  // Half a character matches nothing: a match always covers whole characters.
  if (needle.empty() || EndsInLoneLeadByte(needle)) return line;
  // Upper-casing keeps every byte's place, so positions found in the folded copies hold
  // in the line itself.
  const std::string haystack = rule.caseSensitive ? line : UpperCaseCp932(line);
  const std::string key = rule.caseSensitive ? needle : UpperCaseCp932(needle);
  std::string out;
  out.reserve(line.size());
  size_t i = 0;
  while (i < line.size()) {
    if (haystack.compare(i, key.size(), key) == 0) {
      out += ExpandReplacement(replacement, line.substr(i, key.size()));
      i += key.size();
      continue;
    }
    const size_t step =
        IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
    out.append(line, i, step);
    i += step;
  }
  return out;
}

// The row text after the replace: a hit row shows its substituted line in its own frame
// (line number, cell label...); a row without fields is all line.
std::string ReplacedRowText(const CheckListRow& row, const SubstitutionRule& rule,
                            const std::string& replacement, TAWKStr& awk) {
  if (row.kind != RowKind::kPlain && !row.header && row.lineNo > 0) {
    if (row.encoding != TextEncoding::kShiftJis)
      return ResultRowTextWithLine(row, SubstituteLine(rule, replacement, row.lineText, awk));
    return ResultRowTextWithLine(
        row, SubstituteLine(ShiftJisRule(rule), ToShiftJisPattern(replacement), row.lineText, awk));
  }
  return SubstituteLine(ShiftJisRule(rule), ToShiftJisPattern(replacement), row.text, awk);
}

bool IsOfficePath(const std::string& path) { return ClassifyTarget(path) != TargetKind::kText; }

OpOutcome Notice(const std::string& text) {
  OpOutcome outcome;
  outcome.notice = text;
  return outcome;
}

}  // namespace

SubstitutionRule ShiftJisRule(const SubstitutionRule& rule) {
  SubstitutionRule shiftJis = rule;
  shiftJis.searchText = ToShiftJisPattern(rule.searchText);
  return shiftJis;
}

std::string SubstituteLine(const SubstitutionRule& rule, const std::string& replacement,
                           const std::string& line, TAWKStr& awk) {
  if (!rule.regex) return SubstituteLiteral(rule, replacement, line);
  // The drawing sets other patterns on the same matcher: set it right before each use.
  awk.SetUseFuzzyCharDic(rule.fuzzy);
  awk.SetRegExp(rule.searchText);
  std::string text = line;
  awk.GSub(replacement, text);
  return text;
}

const std::string& NotSearchedYetText() { return Sjis("検索がされていません！"); }

OpOutcome Replace(ResultSession& session, const std::string& replacement, TAWKStr& awk,
                  Prompter& prompter) {
  SearchState& state = session.search;
  if (state.searchText.empty()) return Notice(NotSearchedYetText());
  const SubstitutionRule rule = RuleOfLastSearch(state);
  try {
    // A replacement the matcher cannot expand, or a search text it no longer compiles
    // (another fuzzy setting), is reported before anything changes.
    // "&" brings only the matched text, so the expansion without it holds every byte the
    // replacement itself adds. A zero byte would end the line model of every later read.
    if (ExpandReplacement(replacement, std::string()).find('\0') != std::string::npos)
      throw Exception(Sjis("置き換える文字列がNUL文字を含むため、置換できません。"));
    if (rule.regex) {
      awk.SetUseFuzzyCharDic(rule.fuzzy);
      awk.SetRegExp(ToShiftJisPattern(rule.searchText));
      awk.SetRegExp(rule.searchText);
    } else {
      CheckPlainSearchText(ToShiftJisPattern(rule.searchText));
      CheckPlainSearchText(rule.searchText);
    }
  } catch (const Exception& e) {
    prompter.TellError(e.Message());
    return {};
  }
  // A pending replace is taken back first.
  if (std::holds_alternative<PendingReplaceUndo>(session.undo)) {
    prompter.Tell(Sjis("検索結果") + state.searchText + "\r\n" +
                  Sjis("に戻した後に置換えを実行します。"));
    TakeBackPendingReplace(session);
  }
  // Every hit row gets the replacement; the record keeps the found text.
  CheckList& rows = session.rows;
  PendingReplaceUndo pending;
  pending.otherRows.reserve(static_cast<size_t>(rows.Count()));
  for (int i = 0; i < rows.Count(); ++i) {
    CheckListRow row = rows.Row(i);
    pending.otherRows.push_back(row);
    if (!row.header) rows.SetText(i, ReplacedRowText(row, rule, replacement, awk));
  }
  // An unchecked row shows the found text again; its partner keeps the replaced one.
  for (int i = 0; i < rows.Count(); ++i)
    if (!rows.Header(i) && !rows.Checked(i))
      SwapWithPartner(rows, pending.otherRows[static_cast<size_t>(i)], i);
  session.undo = std::move(pending);
  state.replaceText = replacement;
  state.replacePending = true;
  rows.SetItemIndex(0);
  OpOutcome outcome;
  outcome.overwriteReady = true;
  outcome.restoreReady = true;
  outcome.message = Sjis(
      "実際のファイルは、まだ置換えられていません。\r\n上書き保存で、Checkの入った所"
      "のみ置換えが実行されます！");
  outcome.page = 0;
  return outcome;
}

OpOutcome CheckFileHits(ResultSession& session, bool on) {
  CheckList& rows = session.rows;
  const int header = rows.ItemIndex();
  if (header < 0 || header >= rows.Count() || !rows.Header(header)) return {};
  if (on && IsOfficePath(rows.Row(header).file))
    return Notice(Sjis("Excel、Wordファイルはチェック対象にできません。"));
  auto* swapping = std::get_if<PendingReplaceUndo>(&session.undo);
  const bool pending = session.search.replacePending && swapping != nullptr;
  const int paired = swapping ? static_cast<int>(swapping->otherRows.size()) : 0;
  for (int i = header + 1; i < rows.Count() && !rows.Header(i); ++i) {
    CheckListRow* other = i < paired ? &swapping->otherRows[static_cast<size_t>(i)] : nullptr;
    if (rows.Checked(i) != on && other != nullptr) SwapWithPartner(rows, *other, i);
    rows.SetChecked(i, on);
    if (pending && other != nullptr) other->checked = on;
  }
  return {};
}

}  // namespace skarvo
