#include "results/result_highlight.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace skarvo {
namespace {

TEST(RowHighlight, FirstMatchOfTheChosenPatternInTheWholeRowText) {
  TAWKStr awk;
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
    RowHighlight expected;
  } rows[] = {
      {"hit", hit, "abc", "", true, {Sjis("【12列目】x"), "abc", kClRed}},
      {"prefix takes part", hit, "[0-9]+", "", true, {Sjis("【"), "12", kClRed}},
      {"match at byte 1", hit, Sjis("【"), "", true, {"", Sjis("【"), kClRed}},
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
    EXPECT_EQ(RowHighlightOf(r.row, r.search, r.replace, settings, awk), r.expected);
  }
}

TEST(RowHighlight, FuzzyOptionComesFromTheSettings) {
  TAWKStr awk;
  Settings settings;
  const CheckListRow hit{Sjis("【1列目】ＡＢＣ"), false, true};
  settings.useFuzzyDictionary = false;
  EXPECT_EQ(RowHighlightOf(hit, "abc", "", settings, awk).match, "");
  settings.useFuzzyDictionary = true;
  EXPECT_EQ(RowHighlightOf(hit, "abc", "", settings, awk).match, Sjis("ＡＢＣ"));
  EXPECT_TRUE(awk.UseFuzzyCharDic());
}

}  // namespace
}  // namespace skarvo
