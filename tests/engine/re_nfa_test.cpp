#include "engine/re_nfa.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine/re_parser.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

// Every transition as "from>to:label", labels as "eps", "c" or "lo-hi" in hex, in state
// order and chain order.
std::string Dump(const TRE_NFA& nfa) {
  std::string out;
  for (int s = 0; s < nfa.StateCount(); ++s) {
    const auto& added = nfa.Transitions(s);
    for (auto chain = added.rbegin(); chain != added.rend(); ++chain) {
      const TRE_NFATransition& t = *chain;
      char buf[48];
      if (t.IsEmptyStep()) {
        std::snprintf(buf, sizeof buf, "%d>%d:eps ", s, t.Target);
      } else if (t.Low == t.High) {
        std::snprintf(buf, sizeof buf, "%d>%d:%X ", s, t.Target, t.Low);
      } else {
        std::snprintf(buf, sizeof buf, "%d>%d:%X-%X ", s, t.Target, t.Low, t.High);
      }
      out += buf;
    }
  }
  if (!out.empty()) out.pop_back();
  return out;
}

struct Built {
  explicit Built(const std::string& pattern, CharCode head = 0xFFFD, CharCode tail = 0xFFFE)
      : parser(pattern), nfa(parser, tail, head) {
    parser.Run();
    nfa.Build();
  }
  TREParser parser;
  TRE_NFA nfa;
};

TEST(TRE_NFA, NumbersStatesInConstructionOrder) {
  struct Row {
    const char* pattern;
    int states;
    const char* transitions;
  } rows[] = {
      {"", 2, "0>1:eps"},
      {"ab", 3, "0>2:61 2>1:62"},
      {"a*", 4, "0>2:eps 2>1:eps 2>3:61 3>2:eps"},
      {"^a", 3, "0>2:FFFD 2>1:61"},
      {"\\xffff", 2, "0>1:eps"},
      {"a|b", 2, "0>1:62 0>1:61"},
      {"a+", 5, "0>2:61 2>3:eps 3>1:eps 3>4:61 4>3:eps"},
      {"(a|b)c", 3, "0>2:62 0>2:61 2>1:63"},
      {"a?", 2, "0>1:eps 0>1:61"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    Built b(row.pattern);
    EXPECT_EQ(b.nfa.StateCount(), row.states);
    EXPECT_EQ(Dump(b.nfa), row.transitions);
    EXPECT_EQ(b.nfa.EntryState(), 0);
    EXPECT_EQ(b.nfa.FinalState(), 1);
  }
}

TEST(TRE_NFA, AnchorsOnlyWhereNothingCanComeBeforeOrAfter) {
  struct Row {
    const char* pattern;
    bool headUsed;
    bool tailUsed;
    bool literalCaret;   // some transition on '^' itself
    bool literalDollar;  // some transition on '$' itself
  } rows[] = {
      {"^abc", true, false, false, false}, {"(^a)", true, false, false, false},
      {"a|^b", true, false, false, false}, {"a^b", false, false, true, false},
      {"a*^b", false, false, true, false}, {"^+", true, false, true, false},
      {"abc$", false, true, false, false}, {"a$|b", false, true, false, false},
      {"a$b", false, false, false, true},  {"$*", false, false, false, true},
      {"$+", false, false, false, true},   {"^$", true, true, false, false},
      {"(^)*", false, false, true, false}, {"(a|^)b", true, false, false, false},
      {"^?a", true, false, false, false},  {"a$?", false, true, false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    Built b(row.pattern);
    EXPECT_EQ(b.nfa.LineHeadUsed(), row.headUsed);
    EXPECT_EQ(b.nfa.LineTailUsed(), row.tailUsed);
    bool caret = false;
    bool dollar = false;
    for (int s = 0; s < b.nfa.StateCount(); ++s) {
      for (const auto& t : b.nfa.Transitions(s)) {
        caret = caret || (t.Low == '^' && t.High == '^');
        dollar = dollar || (t.Low == '$' && t.High == '$');
      }
    }
    EXPECT_EQ(caret, row.literalCaret);
    EXPECT_EQ(dollar, row.literalDollar);
  }
}

TEST(TRE_NFA, AnchorsTakeTheCodesTheOwnerGives) {
  Built b("^a$", '\n', '\n');
  EXPECT_EQ(Dump(b.nfa), "0>3:A 2>1:A 3>2:61");
}

TEST(TRE_NFA, RangesNeverHoldTheInMemoryAnchorCodes) {
  // Cut back to the last code a text holds, or dropped when wholly above it; the states
  // are numbered as before. With LF as the anchor code nothing is cut.
  EXPECT_EQ(Dump(Built("[a-\\xffff]").nfa), "0>1:61-FCFF");
  EXPECT_EQ(Dump(Built("[\\xfff0-\\xfffe]b").nfa), "2>1:62");
  EXPECT_EQ(Dump(Built("[\\xfd00-\\xfffc]").nfa), "0>1:FD00-FFFC");
  EXPECT_EQ(Dump(Built("[a-\\xffff]", '\n', '\n').nfa), "0>1:61-FFFF");
  EXPECT_EQ(Dump(Built("\\xffff").nfa), "0>1:eps");
}

TEST(TRE_NFA, VeryLongPatternsBuildWithoutDeepRecursion) {
  Built b(std::string(100000, 'a') + "|b");
  EXPECT_EQ(b.nfa.StateCount(), 100001);
}

TEST(TRE_NFA, NestedPlusThatDoublesEachLevelIsRefused) {
  std::string pattern = "a";
  for (int i = 0; i < 40; ++i) pattern = "(" + pattern + ")+";
  TREParser parser(pattern);
  parser.Run();  // the tree itself stays small: the operand is shared
  TRE_NFA nfa(parser, 0xFFFE, 0xFFFD);
  try {
    nfa.Build();
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), Sjis("正規表現が複雑すぎます"));
    EXPECT_EQ(e.ErrorPos(), 1);
  }
}

TEST(TRE_NFA, PatternsWithMillionsOfTransitionsAreRefused) {
  // 2000 distinct characters cut '.' into about 4000 pieces, so each '.' becomes 4000
  // transitions; 1000 of them pass the bound.
  std::string pattern;
  char code[16];
  for (int i = 0; i < 2000; ++i) {
    std::snprintf(code, sizeof code, "\\x%04x", 0x2000 + 2 * i);
    pattern += code;
  }
  pattern += std::string(1000, '.');
  TREParser parser(pattern);
  parser.Run();
  TRE_NFA nfa(parser, 0xFFFE, 0xFFFD);
  try {
    nfa.Build();
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), Sjis("正規表現が複雑すぎます"));
    EXPECT_EQ(e.ErrorPos(), 1);
  }
}

TEST(TRE_NFAStateSet, BitsAndEquality) {
  TRE_NFAStateSet a(17);
  TRE_NFAStateSet b(17);
  EXPECT_EQ(a.ByteCount(), 3u);
  EXPECT_TRUE(a.Equals(b));
  a.Include(16);
  a.Include(3);
  EXPECT_TRUE(a.Has(16));
  EXPECT_TRUE(a.Has(3));
  EXPECT_FALSE(a.Has(2));
  EXPECT_FALSE(a.Equals(b));
  EXPECT_EQ(a.Bytes()[0], char(0x08));
  EXPECT_EQ(a.Bytes()[2], char(0x01));
  b.IncludeAll(a);
  EXPECT_TRUE(a.Equals(b));
}

}  // namespace
}  // namespace skarvo
