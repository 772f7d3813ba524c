#include "results/result_highlight.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace skarvo {
namespace {

TEST(RowHighlight, FirstMatchOfTheChosenPatternInTheRowsOwnLine) {
  RowMatcher awk;
  Settings settings;
  settings.hitColor = kClRed;
  settings.replaceColor = kClGreen;
  const CheckListRow hit{Sjis("【12列目】xabcx"), false, true};
  const CheckListRow unchecked{Sjis("【Wordファイル】abc"), false, false};
  const CheckListRow header{Sjis("\"/d/a.txt\",の検索結果"), true, false};
  struct Row {
    const char* name;
    CheckListRow row;
    std::string search, replace;
    bool regex;
    struct {
      std::string prefix, match;
      Color color;
    } expected;
  } rows[] = {
      {"hit", hit, "abc", "", true, {Sjis("【12列目】x"), "abc", kClRed}},
      // The line number prefix is no part of the line.
      {"prefix takes no part", hit, "[0-9]+", "", true, {"", "", kClRed}},
      {"bracket of the prefix", hit, Sjis("【"), "", true, {"", "", kClRed}},
      {"anchored at the line", hit, "^x", "", true, {Sjis("【12列目】"), "x", kClRed}},
      {"no match", hit, "zzz", "", true, {"", "", kClRed}},
      {"plain search draws none", hit, "abc", "", false, {"", "", kClRed}},
      {"header draws none", header, "a", "", true, {"", "", kClRed}},
      {"empty match draws none", hit, "q*", "", true, {"", "", kClRed}},
      // While a replace is pending: checked rows show the replacement in its colour,
      // unchecked rows the search text in the hit colour.
      {"pending, checked", hit, "abc", "x", true, {Sjis("【12列目】"), "x", kClGreen}},
      {"pending, unchecked",
       unchecked,
       "abc",
       "x",
       true,
       {Sjis("【Wordファイル】"), "abc", kClRed}},
      {"bad replacement pattern", hit, "abc", "(x", true, {"", "", kClGreen}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    settings.useRegex = r.regex;
    const RowHighlight h = RowHighlightOf(r.row, r.search, r.replace, settings, awk);
    EXPECT_EQ(h.prefix, r.expected.prefix);
    EXPECT_EQ(h.match, r.expected.match);
    EXPECT_EQ(h.color, r.expected.color);
  }
}

TEST(RowHighlight, EveryMatchOfTheLineAfterEachKindOfPrefix) {
  RowMatcher awk;
  Settings settings;
  const struct {
    const char* name;
    std::string text;
    std::string lineText;
    std::string pattern;
    size_t offset;
    std::vector<std::pair<size_t, size_t>> spans;  // offset in the line, length
  } rows[] = {
      {"digits after a line number",
       Sjis("【1列目】a1b22c333"),
       "",
       "[0-9]+",
       9,
       {{1, 1}, {3, 2}, {6, 3}}},
      {"the mark itself", Sjis("【7列目】列目と列目"), "", Sjis("列"), 9, {{0, 2}, {6, 2}}},
      {"word file", Sjis("【Wordファイル】x1x1"), "", "1", 16, {{1, 1}, {3, 1}}},
      {"cell label", Sjis("【Excel,Sheet1,AB12セル】9x9"), "", "[0-9]", 25, {{0, 1}, {2, 1}}},
      {"kept line text",
       Sjis("【3列目】【9列目】7"),
       Sjis("【9列目】7"),
       "[0-9]",
       9,
       {{2, 1}, {9, 1}}},
      {"no known prefix", Sjis("【メモ】1"), "", "[0-9]", 0, {{8, 1}}},
      {"empty matches step on", "xaax", "", "a*", 0, {{1, 2}}},
      {"2-byte characters", Sjis("【2列目】ＡａＡ"), "", Sjis("Ａ"), 9, {{0, 2}, {4, 2}}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    CheckListRow row{r.text, false, true};
    row.lineText = r.lineText;
    EXPECT_EQ(HitLineOffset(row), r.offset);
    const RowHighlight h = RowHighlightOf(row, r.pattern, "", settings, awk);
    std::vector<std::pair<size_t, size_t>> spans;
    if (!h.match.empty()) spans.push_back({h.prefix.size() - r.offset, h.match.size()});
    for (const MatchSpan& s : h.others) spans.push_back({s.start - r.offset, s.length});
    EXPECT_EQ(spans, r.spans);
  }
}

TEST(RowHighlight, FuzzyOptionComesFromTheSettings) {
  RowMatcher awk;
  Settings settings;
  const CheckListRow hit{Sjis("【1列目】ＡＢＣ"), false, true};
  settings.useFuzzyDictionary = false;
  EXPECT_EQ(RowHighlightOf(hit, "abc", "", settings, awk).match, "");
  settings.useFuzzyDictionary = true;
  EXPECT_EQ(RowHighlightOf(hit, "abc", "", settings, awk).match, Sjis("ＡＢＣ"));
  // Drawing row after row finds both compiled patterns again: nothing is compiled per row.
  const int compiled = awk.patterns.CompileCount();
  for (const bool fuzzy : {false, true, false, true}) {
    settings.useFuzzyDictionary = fuzzy;
    EXPECT_EQ(RowHighlightOf(hit, "abc", "", settings, awk).match, fuzzy ? Sjis("ＡＢＣ") : "");
  }
  EXPECT_EQ(awk.patterns.CompileCount(), compiled);
}

}  // namespace
}  // namespace skarvo
