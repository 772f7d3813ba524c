#include "ops/replace.h"

#include <utility>

#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "results/result_rules.h"
#include "search/search_text.h"

namespace skarvo {

const std::string& OpsCaption() { return Sjis("Skarvo"); }

void OpsNotice(OpsParts& parts, const std::string& text) {
  parts.port.SetStatusText(text);
  parts.statusTimer.SetEnabled(true);
}

bool UndoListEndsWith(const CheckList& undoList, const std::string& marker) {
  return !undoList.Empty() && undoList.Text(undoList.Count() - 1) == marker;
}

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

// The row text after the replace: its prefix kept, its line substituted.
std::string ReplacedRowText(const CheckListRow& row, const SubstitutionRule& rule,
                            const std::string& replacement, TAWKStr& awk) {
  if (std::optional<std::string> prefix = RowPrefix(row))
    return *prefix + SubstituteLine(rule, replacement, row.lineText, awk);
  return SubstituteLine(rule, replacement, row.text, awk);
}

bool IsOfficePath(const std::string& path) { return ClassifyTarget(path) != TargetKind::kText; }

void SwapWithUndoRow(OpsParts& p, int i) {
  std::string shown = p.resultList.Text(i);
  p.resultList.SetText(i, p.undoList.Text(i));
  p.undoList.SetText(i, std::move(shown));
}

void CheckFileHits(OpsParts& p, bool on) {
  CheckList& result = p.resultList;
  const int header = result.ItemIndex();
  if (header < 0 || header >= result.Count() || !result.Header(header)) return;
  if (on && IsOfficePath(HeaderRowPath(result.Text(header)))) {
    OpsNotice(p, Sjis("Excel、Wordファイルはチェック対象にできません。"));
    return;
  }
  const bool swapping = UndoListEndsWith(p.undoList, Sjis("置換"));
  const bool pending = p.state.replacePending && swapping;
  // The marker row pairs with no result row.
  const int paired = swapping ? p.undoList.Count() - 1 : 0;
  for (int i = header + 1; i < result.Count() && !result.Header(i); ++i) {
    if (result.Checked(i) != on && swapping && i < paired) SwapWithUndoRow(p, i);
    result.SetChecked(i, on);
    if (pending && i < paired) p.undoList.SetChecked(i, on);
  }
}

}  // namespace

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

std::optional<std::string> RowPrefix(const CheckListRow& row) {
  if (row.header || row.lineNo <= 0) return std::nullopt;
  if (row.text.size() < row.lineText.size() ||
      row.text.compare(row.text.size() - row.lineText.size(), std::string::npos, row.lineText) != 0)
    return std::nullopt;
  return row.text.substr(0, row.text.size() - row.lineText.size());
}

void Replace1Click(OpsParts& p, const OpsCommandSwitches& switches) {
  // 1.
  if (p.state.searchText.empty()) return OpsNotice(p, Sjis("検索がされていません！"));
  // 2. An empty entry is accepted: the matches are then deleted.
  std::optional<std::string> replacement =
      p.port.InputText(Sjis("置換"), Sjis("置き換える文字列を入力してください！"), std::string());
  if (!replacement) return;
  const SubstitutionRule rule = RuleOfLastSearch(p.state);
  try {
    // A replacement the matcher cannot expand, or a search text it no longer compiles
    // (another fuzzy setting), is reported before anything changes.
    // "&" brings only the matched text, so the expansion without it holds every byte the
    // replacement itself adds. A zero byte would end the line model of every later read.
    if (ExpandReplacement(*replacement, std::string()).find('\0') != std::string::npos)
      throw Exception(Sjis("置き換える文字列がNUL文字を含むため、置換できません。"));
    if (rule.regex) {
      p.awk.SetUseFuzzyCharDic(rule.fuzzy);
      p.awk.SetRegExp(rule.searchText);
    } else {
      CheckPlainSearchText(rule.searchText);
    }
  } catch (const Exception& e) {
    p.port.ShowError(e.Message(), OpsCaption());
    return;
  }
  // 4. A pending replace is taken back first.
  if (UndoListEndsWith(p.undoList, Sjis("置換"))) {
    p.port.ShowMessage(
        Sjis("検索結果") + p.state.searchText + "\r\n" + Sjis("に戻した後に置換えを実行します。"),
        OpsCaption());
    UndoPendingReplace(p.resultList, p.undoList, p.state.replaceText, p.state.replacePending);
  }
  // 5. Every hit row gets the replacement; the undo list keeps the found text.
  p.undoList.Clear();
  for (int i = 0; i < p.resultList.Count(); ++i) {
    CheckListRow row = p.resultList.Row(i);
    p.undoList.Insert(p.undoList.Count(), row);
    if (!row.header) p.resultList.SetText(i, ReplacedRowText(row, rule, *replacement, p.awk));
  }
  // 6. An unchecked row shows the found text again; its undo row keeps the replaced one.
  for (int i = 0; i < p.resultList.Count(); ++i)
    if (!p.resultList.Header(i) && !p.resultList.Checked(i)) SwapWithUndoRow(p, i);
  // 7. - 10.
  p.undoList.Add(Sjis("置換"));
  if (switches.enableOverwrite) switches.enableOverwrite(true);
  if (switches.enableRestore) switches.enableRestore(true);
  p.port.ShowMessage(
      Sjis("実際のファイルは、まだ置換えられていません。\r\n上書き保存で、Checkの入った所"
           "のみ置換えが実行されます！"),
      OpsCaption());
  p.state.replaceText = *replacement;
  p.state.replacePending = true;
  p.activePage = 0;
  p.resultList.SetItemIndex(0);
}

void CheckOnFile1Click(OpsParts& parts) { CheckFileHits(parts, true); }
void CheckOFFFile1Click(OpsParts& parts) { CheckFileHits(parts, false); }

}  // namespace skarvo
