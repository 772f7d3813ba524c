// Replacement texts: what each sequence produces, and the errors of bad ones.
#include <gtest/gtest.h>

#include <string>

#include "engine/awk_str.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

using namespace std::string_literals;

TEST(ExpandReplacementTest, EachSequenceProducesItsText) {
  struct Row {
    std::string replacement;
    std::string matched;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"&", "b", "b"},
      {"[&]", "b", "[b]"},
      {"a&&z", "b", "abbz"},
      {"&", "", ""},
      {"&", "x&y", "x&y"},  // the matched text is not read again
      {"\\&", "b", "&"},
      {"\\\\&", "b", "&"},      // no way to put a backslash before the match
      {"\\\\\\&", "b", "\\&"},  // an escaped backslash, then a literal ampersand
      {"x\\ny", "b", "x\ny"},
      {"\\t\\r\\b", "b", "\t\r\b"},
      {"\\x41\\x4a", "b", "AJ"},
      {"\\x82a0", "b", Sjis("あ")},
      {"\\101\\0", "b", "A\0"s},
      {"\\\\", "b", "\\"},
      {"\\q\\.", "b", "q."},
      {"\\" + Sjis("あ"), "b", Sjis("あ")},
      {Sjis("表&"), "b", Sjis("表") + "b"},  // 0x95 0x5C: the second byte is no backslash
      {"", "b", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.replacement);
    EXPECT_EQ(ExpandReplacement(row.replacement, row.matched), row.expected);
  }
}

TEST(ExpandReplacementTest, BadReplacementsRaiseTheEscapeErrors) {
  struct Row {
    std::string replacement;
    const char* message;
  };
  const std::vector<Row> rows = {
      {"b\\", "\"\\\"の次には文字が必要です。"},    {"\\", "\"\\\"の次には文字が必要です。"},
      {"\\x", "不正な１６進数コード表記です。"},    {"\\xg", "不正な１６進数コード表記です。"},
      {"\\200000", "不正な８進数コード表記です。"}, {"a\x82", "不正な２バイト文字コードです。"},
      {"\\x82", "不正な２バイト文字コードです。"},  // decodes to a lone lead byte
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.replacement);
    try {
      ExpandReplacement(row.replacement, "m");
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), Sjis(row.message));
    }
  }
}

TEST(UnescapeTextTest, DecodesEscapesAndCopiesTheRest) {
  EXPECT_EQ(UnescapeText("a\\n\\x42\\\\c\\&"), "a\nB\\c&");
  EXPECT_EQ(UnescapeText("\\x4142"), "B");  // a code whose high byte is no lead byte
  EXPECT_EQ(UnescapeText(Sjis("ソ") + "\\n"), Sjis("ソ") + "\n");
}

}  // namespace
}  // namespace skarvo
