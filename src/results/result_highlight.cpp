#include "results/result_highlight.h"

#include "platform/error.h"

namespace skarvo {

const std::string& HighlightPattern(const CheckListRow& row, const std::string& searchText,
                                    const std::string& replaceText) {
  if (replaceText.empty() || !row.checked) return searchText;
  return replaceText;
}

RowHighlight RowHighlightOf(const CheckListRow& row, const std::string& searchText,
                            const std::string& replaceText, const Settings& settings,
                            TAWKStr& awk) {
  RowHighlight result;
  result.color = !replaceText.empty() && row.checked ? settings.replaceColor : settings.hitColor;
  if (row.header || !settings.useRegex) return result;
  int position = 0;
  int length = 0;
  try {
    awk.SetRegExp(HighlightPattern(row, searchText, replaceText));
    awk.SetUseFuzzyCharDic(settings.useFuzzyDictionary);
    awk.Match(row.text, position, length);
  } catch (const Exception&) {
    return result;
  }
  if (position < 1 || length <= 0) return result;
  const size_t start = static_cast<size_t>(position - 1);
  if (start >= row.text.size()) return result;
  result.prefix = row.text.substr(0, start);
  result.match = row.text.substr(start, static_cast<size_t>(length));
  return result;
}

}  // namespace skarvo
