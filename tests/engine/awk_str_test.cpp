// TAWKStr: the first match of a string, and substitution of every match.
#include "engine/awk_str.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

using namespace std::string_literals;

TEST(AWKStrMatchTest, PositionAndLengthOfTheFirstMatch) {
  struct Row {
    std::string pattern;
    std::string text;
    int position;
    int length;
    TMatchCORE_LineSeparator separator = mcls_CRLF;
  };
  const std::vector<Row> rows = {
      {"b+", "abbc", 2, 2},
      {"x", "abc", 0, 0},
      {"b*", "abc", 1, 0},
      {"x*", "", 1, 0},
      // The empty match of the alternatives without ^ on an empty line.
      {"a*|^b", "", 1, 0},
      {"^b|(a)*", "", 1, 0},
      {"a|ab", "xab", 2, 2},
      {"c$", "abc\r\nx", 3, 1},
      {"c$", "abc\nx", 0, 0},
      {"c$", "abc\nx", 3, 1, mcls_LF},
      {"^b", "ab\nbc", 4, 1},
      {"x*$", "ab", 3, 0},
      {"A", Sjis("ア"), 0, 0},  // 0x83 0x41: no match inside a character
      {Sjis("ア"), Sjis("xア"), 2, 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern + " on " + ::testing::PrintToString(row.text));
    TAWKStr awk;
    awk.SetLineSeparator(row.separator);
    awk.SetRegExp(row.pattern);
    int position = -1;
    int length = -1;
    EXPECT_EQ(awk.Match(row.text, position, length), row.position);
    EXPECT_EQ(position, row.position);
    EXPECT_EQ(length, row.length);
  }
}

TEST(AWKStrMatchTest, FuzzyMatchesOtherForms) {
  TAWKStr awk;
  awk.SetUseFuzzyCharDic(true);
  awk.SetRegExp("ab");
  int position = 0;
  int length = 0;
  EXPECT_EQ(awk.Match(Sjis("xＡｂ"), position, length), 2);
  EXPECT_EQ(length, 4);
}

TEST(AWKStrGSubTest, ReplacesEveryMatch) {
  struct Row {
    std::string pattern;
    std::string replacement;
    std::string text;
    std::string expected;
    int count;
    TMatchCORE_LineSeparator separator = mcls_CRLF;
  };
  const std::vector<Row> rows = {
      {"b", "[&]", "abcb", "a[b]c[b]", 2},
      {"b", "\\&", "abc", "a&c", 1},
      {"b", "x\\ny", "abc", "ax\nyc", 1},
      {"x*", "-", "ab", "-a-b", 2},
      {"x*", "-", "", "-", 1},
      {"^$", "E", "", "E", 1},
      {"a*|^b", "E", "", "E", 1},
      {"$", ";", "ab\r\ncd", "ab;\r\ncd;", 2},
      {"$", ";", "ab\ncd", "ab\ncd;", 1},
      {"$", ";", "ab\ncd", "ab;\ncd;", 2, mcls_LF},
      {"^", ">", "ab\ncd", ">ab\n>cd", 2},
      {"^a", "x", "aaa", "xaa", 1},
      {"x", "y", "abc", "abc", 0},
      {"a+", "<&>", "caaab", "c<aaa>b", 1},
      {"", "-", "ab", "-a-b", 2},
      {"x*", "-", Sjis("あa"), "-" + Sjis("あ") + "-a", 2},  // a 2-byte character carried whole
      // After an empty match at a lone CR only the CR is carried; what follows is searched.
      {"$|b", "#", "a\rb", "a#\r#", 2},
      {"$|b", "#", "a\r\nb", "a#\r\n#", 2},
      {"b", "&&", "bb", "bbbb", 2},  // replaced text is not searched again
      // After a match the longest match is taken from where it ended, even an empty one.
      {"b*", "-", "abc", "-a--c", 3},
      // Only the first CR of a CR CR LF stands alone: both get their line end.
      {"$", ";", "ab\r\r\ncd", "ab;\r;\r\ncd;", 3},
      // Past the first match the rest does not begin a line, so ^b no longer matches there.
      {"a|^b", "X", "bab", "XXb", 2},
      {"^a|b", "X", "bab", "XaX", 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern + " by " + row.replacement + " in " +
                 ::testing::PrintToString(row.text));
    TAWKStr awk;
    awk.SetLineSeparator(row.separator);
    awk.SetRegExp(row.pattern);
    std::string text = row.text;
    EXPECT_EQ(awk.GSub(row.replacement, text), row.count);
    EXPECT_EQ(text, row.expected);
  }
}

TEST(AWKStrGSubTest, BadReplacementLeavesTheTextAlone) {
  struct Row {
    std::string replacement;
    const char* message;
  };
  const std::vector<Row> rows = {{"b\\", "\"\\\"の次には文字が必要です。"},
                                 {"\\xz", "不正な１６進数コード表記です。"},
                                 {"\\777777", "不正な８進数コード表記です。"},
                                 {"\x82", "不正な２バイト文字コードです。"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.replacement);
    TAWKStr awk;
    awk.SetRegExp("a");
    std::string text = "xax";
    try {
      awk.GSub(row.replacement, text);
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), Sjis(row.message));
    }
    EXPECT_EQ(text, "xax");
  }
}

TEST(AWKStrGSubTest, EmbeddedZeroByteDoesNotStopProgress) {
  TAWKStr awk;
  awk.SetRegExp("x*");
  std::string text = "a\0b"s;
  EXPECT_GE(awk.GSub("-", text), 1);
  EXPECT_EQ(text.substr(0, 2), "-a");
}

}  // namespace
}  // namespace skarvo
