#include "results/result_highlight.h"

#include <optional>
#include <string_view>

#include "platform/codepage.h"
#include "platform/error.h"

namespace skarvo {

const std::string& HighlightPattern(const CheckListRow& row, const std::string& searchText,
                                    const std::string& replaceText) {
  if (replaceText.empty() || !row.checked) return searchText;
  return replaceText;
}

namespace {

bool StartsWith(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}
bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The bytes between a leading "【" and the first "】" (on character boundaries), or nullopt.
std::optional<std::string_view> BracketedHead(std::string_view text, size_t& end) {
  const std::string& open = Sjis("【");
  const std::string& close = Sjis("】");
  if (!StartsWith(text, open)) return std::nullopt;
  size_t i = open.size();
  while (i < text.size()) {
    if (text.substr(i, close.size()) == close) {
      end = i + close.size();
      return text.substr(open.size(), i - open.size());
    }
    i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
  }
  return std::nullopt;
}

}  // namespace

size_t HitLineOffset(const CheckListRow& row) {
  if (row.header) return 0;
  if (!row.lineText.empty() && EndsWith(row.text, row.lineText))
    return row.text.size() - row.lineText.size();
  size_t end = 0;
  const std::optional<std::string_view> head = BracketedHead(row.text, end);
  if (!head) return 0;
  const std::string& lineMark = Sjis("列目");
  if (EndsWith(*head, lineMark) && head->size() > lineMark.size()) {
    const std::string_view digits = head->substr(0, head->size() - lineMark.size());
    if (digits.find_first_not_of("0123456789") == std::string_view::npos) return end;
  }
  if (*head == Sjis("Wordファイル")) return end;
  if (StartsWith(*head, "Excel,Sheet") && EndsWith(*head, Sjis("セル"))) return end;
  return 0;
}

RowHighlight RowHighlightOf(const CheckListRow& row, const std::string& searchText,
                            const std::string& replaceText, const Settings& settings,
                            RowMatcher& matching) {
  RowHighlight result;
  result.color = !replaceText.empty() && row.checked ? settings.replaceColor : settings.hitColor;
  if (row.header || !settings.useRegex) return result;
  const size_t offset = HitLineOffset(row);
  // The line on its own, so "^" stands at the line's start and not at the prefix's.
  const std::string line = row.text.substr(offset);
  const char* base = line.c_str();
  std::vector<MatchSpan> spans;
  try {
    const CompiledPattern pattern = matching.patterns.Compile(
        HighlightPattern(row, searchText, replaceText), {.fuzzy = settings.useFuzzyDictionary});
    TMatchCursor cursor(matching.matcher, pattern, base, line.size());
    TMatchRange m = cursor.Next(base, true);
    while (m.Found()) {
      const size_t start = static_cast<size_t>(m.start - base);
      size_t end = static_cast<size_t>(m.end - base);
      if (end > start) spans.push_back({offset + start, end - start});
      if (end == start) {
        // An empty match: step over one whole character so the search moves on.
        if (start >= line.size()) break;
        end = start + (IsLeadByte(static_cast<unsigned char>(line[start])) ? 2 : 1);
      }
      if (end >= line.size()) break;
      // After an LF the rest begins a line; otherwise ^ must not match at its first byte.
      m = cursor.Next(base + end, line[end - 1] == '\n');
    }
  } catch (const Exception&) {
    return result;
  }
  if (spans.empty()) return result;
  // The first match is drawn as before; an empty first match draws none, later ones still do.
  result.prefix = row.text.substr(0, spans.front().start);
  result.match = row.text.substr(spans.front().start, spans.front().length);
  result.others.assign(spans.begin() + 1, spans.end());
  return result;
}

}  // namespace skarvo
