#include "engine/pre_processor.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

std::string Fuzzy(const std::string& pattern) {
  return RewritePattern(pattern, true, false, {&BuiltInFuzzyDictionary()});
}

struct RewriteRow {
  const char* pattern;
  const char* rewritten;
};

void ExpectRewrites(const RewriteRow* begin, const RewriteRow* end) {
  for (const RewriteRow* row = begin; row != end; ++row) {
    SCOPED_TRACE(row->pattern);
    EXPECT_EQ(Fuzzy(Sjis(row->pattern)), Sjis(row->rewritten));
  }
}

TEST(FuzzyRewrite, DocumentedExamples) {
  const RewriteRow rows[] = {
      {"a", "(Ａ|ａ|A|a)"},
      {"a*b", "(Ａ|ａ|A|a)*(Ｂ|ｂ|B|b)"},
      {"か゛", "(が|ガ|ｶﾞ|か゛|カ゛)"},
      {".", "."},
      {"\\.", "(｡|\\.|。|．)"},
      {"[a]", "[a]"},
      {"ー", "(ー|～|ｰ|)"},
      {"か゛+", "(が|ガ|ｶﾞ|か゛|カ゛)+"},
      {"[^a]", "[^a]"},
      {"ヴァ", "(ば|バ|ﾊﾞ|は゛|ハ゛|ヴァ|う゛ぁ|ウ゛ァ|ｳﾞｧ)"},
      {"ウァ", "(う|ウ|ｳ|ぅ|ゥ|ｩ)(あ|ア|ｱ|ぁ|ァ|ｧ)"},
      {"\\(", "(\\(|（)"},
      {"", ""},
  };
  ExpectRewrites(std::begin(rows), std::end(rows));
}

TEST(FuzzyRewrite, OperatorsAndClassesAreCopiedAndRunsAreLookedUp) {
  const RewriteRow rows[] = {
      {"^ab$", "^(Ａ|ａ|A|a)(Ｂ|ｂ|B|b)$"},
      {"a|b", "(Ａ|ａ|A|a)|(Ｂ|ｂ|B|b)"},
      {"(a)?", "((Ａ|ａ|A|a))?"},
      {"[a-z]x", "[a-z](Ｘ|ｘ|X|x)"},
      {"[^\\]a]b", "[^\\]a](Ｂ|ｂ|B|b)"},
      {"[.*(]", "[.*(]"},
      {"[ア]ア", "[ア](あ|ア|ｱ|ぁ|ァ|ｧ)"},
      {"a b", "(Ａ|ａ|A|a)(　| )(Ｂ|ｂ|B|b)"},
      {"漢字", "漢字"},
      {"漢a字", "漢(Ａ|ａ|A|a)字"},
      // An escape is an ordinary character with its code: \x41 is A, \n matches no word and
      // keeps its written form.
      {"\\x41", "(Ａ|ａ|A|a)"},
      {"\\n", "\\n"},
      {"\\\\", "(\\\\|￥)"},
      {"\\|", "(\\||｜)"},
      {"\\?", "(\\?|？)"},
      {"\\あ", "(あ|ア|ｱ|ぁ|ァ|ｧ)"},
      {"\"", "(\"|”)"},
      {"1", "(1|１|一|①|Ⅰ|壱)"},
      {"Ⅳ", "(4|４|四|④|Ⅳ)"},
      {"-", "(-|ー|－|～|ｰ)"},
      {"～", "(ー|～|ｰ|)"},  // the first group holding the word wins
      {",", "(,|､|、|，)"},
      {"ｶﾞ*", "(が|ガ|ｶﾞ|か゛|カ゛)*"},
      {"ｶ", "(か|カ|ｶ)"},
      {"ﾊﾟ", "(ぱ|パ|ﾊﾟ|は゜|ハ゜)"},
      {"ス゛", "(ず|ズ|ｽﾞ|ス゛|ス゛|づ|ヅ|ﾂﾞ|つ゛|ツ゛)"},
      {"う゛", "(ぶ|ブ|ﾌﾞ|ふ゛|フ゛|ヴ|ウ゛|う゛|ｳﾞ)"},
      {"う゛ぁ", "(ば|バ|ﾊﾞ|は゛|ハ゛|ヴァ|う゛ぁ|ウ゛ァ|ｳﾞｧ)"},
      {"ゐ", "(ヰ|ゐ|うぃ|ウィ|ｳｨ)"},
      {"゛", "(ﾞ|゛)"},
      // A word never spans two runs of ordinary characters.
      {"か(゛)", "(か|カ|ｶ)((ﾞ|゛))"},
      {"か\\゛", "(が|ガ|ｶﾞ|か゛|カ゛)"},
      {"ab", "(Ａ|ａ|A|a)(Ｂ|ｂ|B|b)"},
      // Second byte 0x5C, the backslash: a 2-byte character is never quoted half-way.
      {"ソ表", "(そ|ソ|ｿ)表"},
  };
  ExpectRewrites(std::begin(rows), std::end(rows));
}

TEST(TREPreProcessor, WithBothFlagsOffThePatternIsNotEvenTokenised) {
  TREPreProcessor p;
  p.FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
  for (const std::string& pattern :
       {std::string("abc"), std::string("["), std::string("a\\"), std::string("x\x82")}) {
    SCOPED_TRACE(pattern);
    p.SetPattern(pattern);
    p.Run();
    EXPECT_EQ(p.OutputText(), pattern);
  }
}

TEST(TREPreProcessor, SynonymPassWithoutDictionariesKeepsThePattern) {
  TREPreProcessor p(Sjis("a*[b-c]ア\\."));
  p.SetUseSynonymDic(true);
  p.FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
  p.Run();
  EXPECT_EQ(p.OutputText(), Sjis("a*[b-c]ア\\."));
}

TEST(TREPreProcessor, SynonymPassRunsBeforeTheFuzzyPass) {
  TREDictionary synonyms;
  synonyms.AddCommaText("x,y.z");
  TREPreProcessor p("x+");
  p.SetUseSynonymDic(true);
  p.SynonymDictionaries().push_back(&synonyms);
  p.FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
  p.Run();
  EXPECT_EQ(p.OutputText(), "(x|y\\.z)+");
  p.SetUseFuzzyCharDic(true);
  p.Run();
  EXPECT_EQ(p.OutputText(), Sjis("((Ｘ|ｘ|X|x)|(Ｙ|ｙ|Y|y)(｡|\\.|。|．)(Ｚ|ｚ|Z|z))+"));
  // Running again starts from the caller's pattern, not from the last output.
  p.Run();
  EXPECT_EQ(p.OutputText(), Sjis("((Ｘ|ｘ|X|x)|(Ｙ|ｙ|Y|y)(｡|\\.|。|．)(Ｚ|ｚ|Z|z))+"));
}

TEST(TREPreProcessor, FirstDictionaryAndFirstGroupWin) {
  TREDictionary first;
  first.AddCommaText("a,one");
  first.AddCommaText("ab,two");  // longer, but a later group
  TREDictionary second;
  second.AddCommaText("bc,three");
  second.AddCommaText("b,four");
  TREPreProcessor p("abcb");
  p.SetUseFuzzyCharDic(true);
  p.FuzzyDictionaries() = {&first, &second};
  p.Run();
  EXPECT_EQ(p.OutputText(), "(a|one)(bc|three)(b|four)");
  p.FuzzyDictionaries() = {&second, &first};
  p.Run();
  EXPECT_EQ(p.OutputText(), "(a|one)(bc|three)(b|four)");
  p.SetPattern("xab");
  p.Run();
  EXPECT_EQ(p.OutputText(), "x(a|one)(b|four)");
}

TEST(TREPreProcessor, TokenRecordsCarryKindsCodesAndPositions) {
  TREPreProcessor p(Sjis("a[b-c]\\.ア"));
  p.Tokenize();
  p.Tokenize();  // a second call starts again from the first byte
  struct Row {
    TRETokenKind kind;
    unsigned code;
    unsigned codeHigh;
    int start;
    int end;
  } rows[] = {
      {TokChar, 'a', 0, 1, 2},       {TokClassOpen, '[', 0, 2, 3}, {TokRange, 'b', 'c', 3, 6},
      {TokClassClose, ']', 0, 6, 7}, {TokChar, '.', 0, 7, 9},      {TokChar, 0x8341, 0, 9, 11},
      {TokEnd, 0, 0, 0, 0},
  };
  ASSERT_EQ(p.Tokens().size(), std::size(rows));
  for (std::size_t n = 0; n < std::size(rows); ++n) {
    SCOPED_TRACE(n);
    const TRETokenRecord& t = p.Tokens()[n];
    EXPECT_EQ(t.kind, rows[n].kind);
    EXPECT_EQ(t.code, rows[n].code);
    EXPECT_EQ(t.start, rows[n].start);
    EXPECT_EQ(t.end, rows[n].end);
    EXPECT_EQ(t.codeHigh, rows[n].codeHigh);
  }
}

TEST(TREPreProcessor, MatchWordNeedsTheWholeWordInsideTheRun) {
  TREPreProcessor p("abc");
  p.Tokenize();
  struct Row {
    const char* word;
    int i;
    int j;
    int result;
  } rows[] = {
      {"ab", 0, 3, 2}, {"abc", 0, 3, 3}, {"abcd", 0, 3, -1}, {"abc", 0, 2, -1}, {"b", 1, 3, 2},
      {"x", 0, 3, -1}, {"", 0, 3, -1},   {"a", 3, 3, -1},    {"a", -1, 3, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.word);
    EXPECT_EQ(p.MatchWord(row.word, row.i, row.j), row.result);
  }
}

TEST(TREPreProcessor, TryDictionarySetsGroupTextOnlyOnAHit) {
  TREPreProcessor p("ba");
  p.Tokenize();
  const TREDictionary& d = BuiltInFuzzyDictionary();
  EXPECT_EQ(p.TryDictionary(d, 1, 2), 2);
  EXPECT_EQ(p.GroupText(), Sjis("(Ａ|ａ|A|a)"));
  TREDictionary none;
  none.AddCommaText("q,r");
  EXPECT_EQ(p.TryDictionary(none, 0, 2), -1);
  EXPECT_EQ(p.GroupText(), Sjis("(Ａ|ａ|A|a)"));
}

TEST(TREPreProcessor, ScannerErrorsPropagateWithTheirPositions) {
  struct Row {
    std::string pattern;
    const char* message;
    int position;
  } rows[] = {
      {"ab[c", "右ブラケット\"]\"が必要です", 5},
      {"a[", "右ブラケット\"]\"が必要です", 3},
      {"ab\\", "\"\\\"の次には文字が必要です。", 4},
      {"x\\xg", "不正な１６進数コード表記です。", 4},
      {"[z-a]", "不正なキャラクタ範囲です", 5},
      {"ab\x82", "不正な２バイト文字コードです。", 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pattern);
    for (int flags = 1; flags <= 3; ++flags) {
      SCOPED_TRACE(flags);
      TREPreProcessor p(row.pattern);
      p.SetUseFuzzyCharDic(flags & 1);
      p.SetUseSynonymDic(flags & 2);
      p.FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
      try {
        p.Run();
        ADD_FAILURE() << "no error";
      } catch (const ERegExpParser& e) {
        EXPECT_EQ(e.Message(), Sjis(row.message));
        EXPECT_EQ(e.ErrorPos(), row.position);
      }
    }
  }
}

TEST(TREPreProcessor, AfterAnErrorTheNextPatternIsRewrittenFromScratch) {
  TREPreProcessor p("[a");
  p.SetUseFuzzyCharDic(true);
  p.FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
  EXPECT_THROW(p.Run(), ERegExpParser);
  p.SetPattern("a");
  p.Run();
  EXPECT_EQ(p.OutputText(), Sjis("(Ａ|ａ|A|a)"));
}

TEST(TREPreProcessor, LongPatternsRewriteInOnePassPerCharacter) {
  // Every character of the pattern is a word of the dictionary; the output is the
  // concatenation of their groups, so its size is known exactly.
  std::string pattern;
  std::string expected;
  for (int n = 0; n < 20000; ++n) {
    pattern += Sjis("ガa");
    expected += Sjis("(が|ガ|ｶﾞ|か゛|カ゛)(Ａ|ａ|A|a)");
  }
  EXPECT_EQ(Fuzzy(pattern), expected);
}

}  // namespace
}  // namespace skarvo
