// The rewritten patterns compiled by the engine: what a fuzzy pattern finds in a text.
#include <gtest/gtest.h>

#include <string>

#include "engine/fuzzy_dictionary.h"
#include "engine/match_core.h"
#include "engine/regular_expression.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

class FuzzyMatch : public ::testing::Test {
 protected:
  FuzzyMatch() {
    re_.FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
    re_.SetUseFuzzyCharDic(true);
  }

  // The leftmost-longest match of pattern in text, or "<none>".
  std::string Find(const char* pattern, const char* text) {
    re_.SetRegExp(Sjis(pattern));
    const std::string& subject = Sjis(text);
    TMatchCORE core(&re_.CurrentDFA());
    const TMatchRange m = core.FindFirst(subject.c_str());
    if (!m.Found()) return "<none>";
    return std::string(m.start, m.end);
  }

  TRegularExpression re_;
};

TEST_F(FuzzyMatch, OneWrittenFormFindsTheOthers) {
  struct Row {
    const char* pattern;
    const char* text;
    const char* match;  // nullptr: no match
  } rows[] = {
      {"abc", "xＡｂCy", "ＡｂC"},
      {"abc", "abd", nullptr},
      {"ＡＢＣ", "abc", "abc"},
      {"か゛", "ｶﾞ", "ｶﾞ"},
      {"か゛", "カ゛", "カ゛"},
      {"ｶﾞ", "が", "が"},
      {"が", "か", nullptr},
      {"ピュタ", "ﾋﾟｭｰﾀ", nullptr},  // ｰ in the text is not in the pattern
      {"コンピューター", "こんぴゅーたー", "こんぴゅーたー"},
      {"コンピューター", "ｺﾝﾋﾟｭｰﾀ", "ｺﾝﾋﾟｭｰﾀ"},  // the long vowel mark may be left out
      {"コンピューター", "コンピュ～タ", "コンピュ～タ"},
      {"1番", "壱番", "壱番"},
      {"1番", "①番", "①番"},
      {"1番", "Ⅰ番", "Ⅰ番"},
      {"ヴァ", "ｳﾞｧ", "ｳﾞｧ"},
      {"ヴァ", "ば", "ば"},
      {"ウァ", "ｳｧ", "ｳｧ"},
      {"ウァ", "わ", nullptr},
      {"ス゛", "ず", "ず"},
      {"す゛", "ず", nullptr},  // す゛ is not among the written forms of ず
      {"\\.", "a。b", "。"},
      {"\\(", "x（y", "（"},
      {"\\\\", "C:￥", "￥"},
      {"a b", "A　B", "A　B"},
      {"[a]", "A", nullptr},  // a class is not rewritten
      {"a+", "-aAａＡ-", "aAａＡ"},
      {"か゛+", "がガｶﾞか゛", "がガｶﾞか゛"},
      {"x.z", "X-Ｚ", "X-Ｚ"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.pattern) + " / " + row.text);
    EXPECT_EQ(Find(row.pattern, row.text), row.match ? Sjis(row.match) : "<none>");
  }
}

TEST_F(FuzzyMatch, TheLongVowelMarkAloneMatchesTheEmptyString) { EXPECT_EQ(Find("ー", "abc"), ""); }

TEST_F(FuzzyMatch, WithoutTheSwitchOnlyTheWrittenFormMatches) {
  re_.SetUseFuzzyCharDic(false);
  EXPECT_EQ(Find("abc", "ABC abc"), "abc");
  EXPECT_EQ(Find("が", "ｶﾞ"), "<none>");
}

}  // namespace
}  // namespace skarvo
