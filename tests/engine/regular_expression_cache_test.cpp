// The pattern object's cache: what is compiled, what is found, what is evicted, and what a
// failed compile or rewrite leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "engine/grep.h"
#include "engine/regexp_error.h"
#include "engine/regular_expression.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

TEST(RegularExpressionCacheTest, StartsWithTheEmptyPattern) {
  TRegularExpression re;
  EXPECT_EQ(re.RegExp(), "");
  EXPECT_TRUE(re.IsLiteral());
  EXPECT_EQ(re.LiteralText(), "");
  EXPECT_EQ(re.CacheCount(), 1);
  EXPECT_EQ(re.CurrentIndex(), 0);
  EXPECT_EQ(re.CompileCount(), 1);
}

TEST(RegularExpressionCacheTest, FoundEntriesAreNotCompiledAgainNorMoved) {
  TRegularExpression re;
  re.SetRegExp("abc");
  re.SetRegExp("xyz");
  EXPECT_EQ(re.CompileCount(), 3);
  re.SetRegExp("abc");
  EXPECT_EQ(re.CompileCount(), 3);
  EXPECT_EQ(re.CurrentIndex(), 2);
  EXPECT_EQ(re.RegExp(), "abc");
  EXPECT_EQ(re.LiteralText(), "abc");
  re.SetRegExp("");
  EXPECT_EQ(re.CurrentIndex(), 0);
  EXPECT_EQ(re.CompileCount(), 3);
  EXPECT_EQ(re.CacheKey(1), "xyz");
}

TEST(RegularExpressionCacheTest, ThirtyEntriesAtMostOldestEvicted) {
  TRegularExpression re;
  for (int i = 1; i <= 30; ++i) {
    re.SetRegExp("p" + std::to_string(i));
    EXPECT_EQ(re.CacheCount(), std::min(i + 1, 30));
  }
  EXPECT_EQ(re.CompileCount(), 31);
  EXPECT_EQ(re.CacheKey(0), "");
  EXPECT_EQ(re.CacheKey(1), "p30");
  EXPECT_EQ(re.CacheKey(29), "p2");
  re.SetRegExp("p2");  // still there
  EXPECT_EQ(re.CompileCount(), 31);
  re.SetRegExp("p1");  // evicted when p30 arrived
  EXPECT_EQ(re.CompileCount(), 32);
  EXPECT_EQ(re.CacheCount(), 30);
  EXPECT_EQ(re.CacheKey(1), "p1");
}

TEST(RegularExpressionCacheTest, CompileErrorLeavesTheEmptyPattern) {
  TRegularExpression re;
  re.SetRegExp("abc");
  try {
    re.SetRegExp("(ab");
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), Sjis("右(閉じ)括弧が必要です"));
  }
  EXPECT_EQ(re.RegExp(), "");
  EXPECT_EQ(re.CurrentIndex(), 0);
  EXPECT_EQ(re.CacheCount(), 2);  // the failed entry is not kept
  EXPECT_TRUE(re.IsLiteral());
  EXPECT_EQ(re.LiteralText(), "");
  re.SetRegExp("abc");
  EXPECT_EQ(re.CompileCount(), 2);
}

TEST(RegularExpressionCacheTest, RewriteErrorKeepsThePreviousPattern) {
  TRegularExpression re;
  re.SetUseFuzzyCharDic(true);
  re.SetRegExp("abc");
  const int compiled = re.CompileCount();
  EXPECT_THROW(re.SetRegExp("a[b"), ERegExpParser);  // refused by the rewrite's scanner
  EXPECT_EQ(re.RegExp(), "abc");
  EXPECT_EQ(re.CurrentIndex(), 1);
  EXPECT_EQ(re.CompileCount(), compiled);
}

TEST(RegularExpressionCacheTest, FuzzySwitchGivesTwoEntriesBothFoundAfterwards) {
  TGrep grep;  // holds the built-in fuzzy dictionary
  grep.SetRegExp("ab");
  grep.SetUseFuzzyCharDic(true);
  EXPECT_EQ(grep.CompileCount(), 3);
  EXPECT_EQ(grep.CacheKey(1), Sjis("(Ａ|ａ|A|a)(Ｂ|ｂ|B|b)"));
  EXPECT_EQ(grep.RegExp(), "ab");
  EXPECT_FALSE(grep.IsLiteral());
  grep.SetUseFuzzyCharDic(false);
  EXPECT_TRUE(grep.IsLiteral());
  grep.SetUseFuzzyCharDic(true);
  EXPECT_EQ(grep.CompileCount(), 3);
  EXPECT_TRUE(grep.UseFuzzyCharDic());
  // Without dictionaries the synonym switch changes nothing but compiles nothing either.
  grep.SetUseSynonymDic(true);
  EXPECT_EQ(grep.CompileCount(), 3);
}

TEST(RegularExpressionCacheTest, LineCodesDependOnTheObject) {
  TRegularExpression memory;
  memory.SetRegExp("^ab");
  EXPECT_TRUE(memory.LineHeadUsed());
  EXPECT_EQ(memory.CurrentDFA().LineHeadCode(), 0xFFFD);
  EXPECT_EQ(memory.CurrentDFA().LineTailCode(), 0xFFFE);
  TGrep grep;
  grep.SetRegExp("^ab$");
  EXPECT_TRUE(grep.IsLiteral());
  EXPECT_EQ(grep.LiteralText(), "\nab\n");
}

}  // namespace
}  // namespace skarvo
