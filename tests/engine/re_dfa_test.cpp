#include "engine/re_dfa.h"

#include <gtest/gtest.h>

#include <chrono>

#include "engine/re_compile.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

// The step as the plain walk of a sorted chain defines it.
int PlainWalk(const TRE_DFA& dfa, int state, CharCode code) {
  for (const TRE_DFATransition& t : dfa.State(state).Transitions) {
    if (t.Low > code) return TRE_DFA::kNone;
    if (t.High >= code) return t.Target;
  }
  return TRE_DFA::kNone;
}

// Walks like the file search: from each start, report whether an accepting state is reached.
bool AnyMatchWalkingFrom(const TRE_DFA& dfa, const std::string& text) {
  for (std::size_t s = 0; s < text.size(); ++s) {
    int state = dfa.InitialState();
    for (std::size_t q = s; q < text.size(); ++q) {
      state = dfa.Step(state, static_cast<unsigned char>(text[q]));
      if (state == TRE_DFA::kNone) break;
      if (dfa.Accepting(state)) return true;
    }
  }
  return false;
}

TEST(TRE_DFA, DetectsFixedStrings) {
  struct Row {
    const char* pattern;
    CharCode head;
    CharCode tail;
    bool literal;
    std::string text;
  } rows[] = {
      {"abc", 0xFFFD, 0xFFFE, true, "abc"},
      {"", 0xFFFD, 0xFFFE, true, ""},
      {"あいう", 0xFFFD, 0xFFFE, true, Sjis("あいう")},
      {"a\\.b", 0xFFFD, 0xFFFE, true, "a.b"},
      {"(ab)c", 0xFFFD, 0xFFFE, true, "abc"},
      {"a*", 0xFFFD, 0xFFFE, false, ""},
      {"ab|c", 0xFFFD, 0xFFFE, false, ""},
      {"[ab]", 0xFFFD, 0xFFFE, false, ""},
      {"a.c", 0xFFFD, 0xFFFE, false, ""},
      {"ab?", 0xFFFD, 0xFFFE, false, ""},
      {"^abc", '\n', '\n', true, "\nabc"},
      {"abc$", '\n', '\n', true, "abc\n"},
      {"a|a", 0xFFFD, 0xFFFE, true, "a"},
      {"\\xfffe", 0xFFFD, 0xFFFE, false, ""},  // holds no text code: matches nothing
      {"a[\\xfff0-\\xfffe]", 0xFFFD, 0xFFFE, false, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    auto dfa = CompileDFA(Sjis(row.pattern), row.head, row.tail);
    EXPECT_EQ(dfa->IsLiteral(), row.literal);
    EXPECT_EQ(dfa->LiteralText(), row.text);
  }
}

TEST(TRE_DFA, StepAgreesWithThePlainWalkOnEveryCode) {
  const char* patterns[] = {"[a-c]x|[e-g]y|.z",
                            "[^a]b",
                            "a^x|a.y",
                            "[ぁ-ん]+[ァ-ヶ]+",
                            "(ab|a[\\x01-\\xff]|あ|[亜-腕])*$",
                            "[\\x20-\\x7e]+|\\x82|ー"};
  for (const char* pattern : patterns) {
    SCOPED_TRACE(pattern);
    auto dfa = CompileDFA(Sjis(pattern));
    for (int s = 0; s < dfa->StateCount(); ++s) {
      const auto& ts = dfa->State(s).Transitions;
      for (std::size_t k = 1; k < ts.size(); ++k) {
        ASSERT_GT(ts[k].Low, ts[k - 1].High) << "transitions overlap or are out of order";
      }
      for (unsigned code = 0; code <= 0xFFFF; ++code) {
        const int expected = PlainWalk(*dfa, s, static_cast<CharCode>(code));
        ASSERT_EQ(dfa->Step(s, static_cast<CharCode>(code)), expected) << s << " " << code;
      }
    }
  }
}

TEST(TRE_DFA, OverlappingLabelsAreAllFollowed) {
  // '^' inside the pattern is the literal character, and '.' also holds it.
  auto memory = CompileDFA("a^x|a.y");
  int s = memory->Step(memory->InitialState(), 'a');
  s = memory->Step(s, '^');
  ASSERT_NE(s, TRE_DFA::kNone);
  EXPECT_NE(memory->Step(s, 'x'), TRE_DFA::kNone);
  EXPECT_NE(memory->Step(s, 'y'), TRE_DFA::kNone);

  // With the file codes the anchor is LF, which the class also holds.
  auto file = CompileDFA("^x|[\\x01-\\x7f]y", '\n', '\n');
  EXPECT_TRUE(AnyMatchWalkingFrom(*file, "\nx\n"));
  EXPECT_TRUE(AnyMatchWalkingFrom(*file, "\nay\n"));
  EXPECT_TRUE(AnyMatchWalkingFrom(*file, "\ny\n"));  // the LF itself is in the class
  EXPECT_FALSE(AnyMatchWalkingFrom(*file, "\nax\n"));

  auto tail = CompileDFA("x$|x[\\x01-\\x7f]y", '\n', '\n');
  EXPECT_TRUE(AnyMatchWalkingFrom(*tail, "\nax\n"));
  EXPECT_TRUE(AnyMatchWalkingFrom(*tail, "\nx\ny\n"));
  EXPECT_FALSE(AnyMatchWalkingFrom(*tail, "\nxa\n"));
}

TEST(TRE_DFA, PatternsWithoutOverlapsKeepTheirStates) {
  // (a|b)*abb: the five states of the textbook subset construction (not minimised).
  auto dfa = CompileDFA("(a|b)*abb");
  EXPECT_EQ(dfa->StateCount(), 5);
  auto single = CompileDFA("ab");
  EXPECT_EQ(single->StateCount(), 3);
  EXPECT_EQ(single->State(0).Transitions.size(), 1u);
  EXPECT_TRUE(single->Accepting(2));
  EXPECT_FALSE(single->Accepting(0));
}

TEST(TRE_DFA, ExplodingPatternIsRefusedQuickly) {
  std::string pattern = "(a|b)*a";
  for (int i = 0; i < 20; ++i) pattern += "(a|b)";
  const auto before = std::chrono::steady_clock::now();
  try {
    CompileDFA(pattern);
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), Sjis("正規表現が複雑すぎます"));
    EXPECT_EQ(e.ErrorPos(), 1);
  }
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - before);
  EXPECT_LT(seconds.count(), 20.0);
  // Eleven positions stay within the bound: the initial state and 2^12 others.
  std::string fits = "(a|b)*a";
  for (int i = 0; i < 11; ++i) fits += "(a|b)";
  EXPECT_EQ(CompileDFA(fits)->StateCount(), (1 << 12) + 1);
}

TEST(TRE_DFA, StartBytesCoverTwoByteCharactersAndLoneLeads) {
  auto dfa = CompileDFA(Sjis("[ぁ-ん]x"));
  EXPECT_TRUE(dfa->CanStartWith(0x82));
  EXPECT_FALSE(dfa->CanStartWith(0x83));
  EXPECT_FALSE(dfa->CanStartWith('x'));
  EXPECT_EQ(dfa->SoleStartByte(), 0x82);
  auto lone = CompileDFA("\\x83");  // a lead byte's own code, as a text's last byte reads
  EXPECT_TRUE(lone->CanStartWith(0x83));
  EXPECT_EQ(CompileDFA("[ab]")->SoleStartByte(), -1);
}

}  // namespace
}  // namespace skarvo
