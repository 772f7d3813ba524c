#include "engine/re_dfa.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/awk_str.h"
#include "engine/re_compile.h"
#include "engine/re_nfa.h"
#include "engine/re_parser.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "platform/work_done.h"

namespace skarvo {
namespace {

// The construction's work in steps (NFA states gathered and closed): each automaton is
// decided, built or refused, within a few times its budget of set members.
template <typename Work>
uint64_t StepsOf(Work&& work) {
  const uint64_t before = workDone;
  work();
  return workDone - before;
}
constexpr uint64_t kDecidedWithin = 4 * TRE_DFA::kMaxSetMembers;

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
  const uint64_t steps = StepsOf([&] {
    try {
      CompileDFA(pattern);
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), Sjis("正規表現が複雑すぎます"));
      EXPECT_EQ(e.ErrorPos(), 1);
    }
  });
  EXPECT_LT(steps, kDecidedWithin);
  // Eleven positions stay within the bound: the initial state and 2^12 others.
  std::string fits = "(a|b)*a";
  for (int i = 0; i < 11; ++i) fits += "(a|b)";
  EXPECT_EQ(CompileDFA(fits)->StateCount(), (1 << 12) + 1);
}

// '.*' then a word then n single characters: the automaton keeps every placement of the word
// within the last n characters, so it grows steeply with n. Each of these is decided (built
// or refused) within the construction's budget.
TEST(TRE_DFA, BlowUpsAreDecidedQuickly) {
  const std::string word = "0$a1\x12\xc6\xb6\xae.\xe1\x60\x60";  // '$' here is a character
  const auto windowed = [&](int n) { return "\xff\xd7\xca.*" + word + std::string(n, '.'); };
  std::string optional;
  for (int i = 0; i < 49000; ++i) optional += "a?";
  struct Row {
    std::string pattern;
    bool fits;
    int dots;  // of a fitting windowed pattern, for the check of its match
  };
  const std::vector<Row> rows = {
      {windowed(32), true, 32}, {windowed(48), true, 48}, {windowed(64), false, 0},
      {windowed(96), false, 0}, {optional, false, 0},     {".*a" + std::string(20, '.'), false, 0}};
  for (const bool fuzzy : {false, true}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.pattern.substr(0, 40) + (fuzzy ? " fuzzy" : ""));
      TAWKStr awk;
      awk.SetLineSeparator(mcls_LF);
      awk.SetUseFuzzyCharDic(fuzzy);
      bool fits = false;
      EXPECT_LT(StepsOf([&] {
                  try {
                    awk.SetRegExp(row.pattern);
                    fits = true;
                  } catch (const ERegExpParser& e) {
                    EXPECT_EQ(e.Message(), Sjis("正規表現が複雑すぎます"));
                  }
                }),
                kDecidedWithin);
      EXPECT_EQ(fits, row.fits);
      if (!fits) continue;
      // One placement of the word, then more characters than the window needs.
      const std::string text = "\xff\xd7\xca--0$a1\x12\xc6\xb6\xae#\xe1\x60\x60" +
                               std::string(static_cast<std::size_t>(row.dots) + 5, 'y');
      int position = 0;
      int length = 0;
      awk.Match(text, position, length);
      EXPECT_EQ(position, 1);
      EXPECT_EQ(length, 17 + row.dots);
    }
  }
}

// The subset construction in its plainest form: moves grouped by label in order of first
// appearance, taken last label first; when two labels of a state overlap, the disjoint
// pieces their bounds cut, ascending, each leading to the union of their targets. Returns
// per state its accepting flag and its transitions sorted by low code.
std::vector<std::pair<bool, std::vector<std::array<unsigned, 3>>>> PlainConstruction(
    const TRE_NFA& nfa) {
  const auto closure = [&](std::vector<int> set) {
    std::vector<bool> in(static_cast<std::size_t>(nfa.StateCount()));
    std::vector<int> out;
    while (!set.empty()) {
      const int i = set.back();
      set.pop_back();
      if (in[static_cast<std::size_t>(i)]) continue;
      in[static_cast<std::size_t>(i)] = true;
      out.push_back(i);
      for (const TRE_NFATransition& t : nfa.Transitions(i))
        if (t.IsEmptyStep()) set.push_back(t.Target);
    }
    std::sort(out.begin(), out.end());
    return out;
  };
  std::vector<std::vector<int>> sets{closure({nfa.EntryState()})};
  std::map<std::vector<int>, unsigned> known{{sets[0], 0u}};
  std::vector<std::pair<bool, std::vector<std::array<unsigned, 3>>>> states;
  for (std::size_t s = 0; s < sets.size(); ++s) {
    std::vector<std::pair<std::array<unsigned, 2>, std::vector<int>>> moves;
    for (const int i : sets[s]) {
      const auto& added = nfa.Transitions(i);
      for (auto t = added.rbegin(); t != added.rend(); ++t) {
        if (t->IsEmptyStep()) continue;
        const std::array<unsigned, 2> label{t->Low, t->High};
        auto m =
            std::find_if(moves.begin(), moves.end(), [&](auto& x) { return x.first == label; });
        if (m == moves.end()) m = moves.insert(moves.end(), {label, {}});
        m->second.push_back(t->Target);
      }
    }
    std::reverse(moves.begin(), moves.end());
    std::set<unsigned> cuts;
    bool overlap = false;
    for (const auto& x : moves) {
      for (const auto& y : moves)
        overlap = overlap || (&x != &y && x.first[0] <= y.first[1] && y.first[0] <= x.first[1]);
      cuts.insert({x.first[0], x.first[1] + 1});
    }
    if (overlap) {
      std::vector<std::pair<std::array<unsigned, 2>, std::vector<int>>> pieces;
      for (auto c = cuts.begin(); std::next(c) != cuts.end(); ++c) {
        std::vector<int> targets;
        for (const auto& m : moves)
          if (m.first[0] <= *c && *c <= m.first[1])
            targets.insert(targets.end(), m.second.begin(), m.second.end());
        if (!targets.empty()) pieces.push_back({{*c, *std::next(c) - 1}, targets});
      }
      moves = pieces;
    }
    std::vector<std::array<unsigned, 3>> transitions;
    for (const auto& m : moves) {
      const std::vector<int> set = closure(m.second);
      const auto [it, added] = known.emplace(set, static_cast<unsigned>(sets.size()));
      if (added) sets.push_back(set);
      transitions.push_back({m.first[0], m.first[1], it->second});
    }
    std::sort(transitions.begin(), transitions.end());
    states.push_back(
        {std::binary_search(sets[s].begin(), sets[s].end(), nfa.FinalState()), transitions});
  }
  return states;
}

// The construction gives the plain one's automaton state for state, numbers included, over
// patterns with '.', classes, a '$' or '^' inside, 2-byte characters and alternations.
TEST(TRE_DFA, SameAutomatonAsThePlainConstruction) {
  const std::vector<std::string> atoms = {"a",
                                          "b",
                                          ".",
                                          "[ab]",
                                          "[^a]",
                                          "^",
                                          "$",
                                          "\\$",
                                          Sjis("あ"),
                                          Sjis("[あ-ん]"),
                                          "[\\x01-\\x7f]",
                                          "0",
                                          "[aAｱ]",
                                          "(a|b)",
                                          "(.|\\n)",
                                          "x*",
                                          ".+",
                                          "a?"};
  unsigned seed = 20261207;
  const auto next = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  int compared = 0;
  for (int p = 0; p < 400; ++p) {
    std::string pattern;
    for (unsigned k = 1 + next(7); k > 0; --k) {
      pattern += atoms[next(static_cast<unsigned>(atoms.size()))];
      if (next(4) == 0) pattern += next(2) ? "|" : "*";
    }
    if (pattern.back() == '|') pattern += "b";
    for (const CharCode lineCode : {CharCode{'\n'}, kMemoryLineTailCode}) {
      SCOPED_TRACE(pattern);
      TREParser parser(pattern);
      TRE_NFA nfa(parser, lineCode, lineCode == '\n' ? lineCode : kMemoryLineHeadCode);
      TRE_DFA dfa(nfa);
      try {
        parser.Run();
        nfa.Build();
        dfa.Build();
      } catch (const ERegExpParser&) {
        continue;  // a malformed pattern (a '*' after '|' or '^')
      }
      const auto plain = PlainConstruction(nfa);
      ASSERT_EQ(dfa.StateCount(), static_cast<int>(plain.size()));
      for (int s = 0; s < dfa.StateCount(); ++s) {
        std::vector<std::array<unsigned, 3>> transitions;
        for (const TRE_DFATransition& t : dfa.State(s).Transitions)
          transitions.push_back({t.Low, t.High, static_cast<unsigned>(t.Target)});
        EXPECT_EQ(transitions, plain[static_cast<std::size_t>(s)].second) << "state " << s;
        EXPECT_EQ(dfa.Accepting(s), plain[static_cast<std::size_t>(s)].first);
      }
      ++compared;
    }
  }
  EXPECT_GT(compared, 600);
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

// A state with more labels open at one code than the pairwise listing takes still follows
// every overlapping label, the lowest one included. The parser leaves too few overlaps for
// that, so the automaton is given directly: \x7f([\x01-\x7e]A|~B) beside 65 classes [k-z]C
// (k = 0x02 .. 0x42) that all reach "z" and stay open together.
TEST(TRE_DFA, OverlapsAmongManyOpenLabelsAreAllFollowed) {
  TREParser parser("ab");
  TRE_NFA nfa(parser, kMemoryLineTailCode, kMemoryLineHeadCode);
  parser.Run();
  nfa.Build();
  const auto label = [](CharCode low, CharCode high) {
    return std::uint32_t{low} | std::uint32_t{high} << 16;
  };
  const auto step = [&](int from, CharCode low, CharCode high, int to) {
    nfa.AddTransition(from, to, label(low, high));
  };
  const int afterX = nfa.AddState();
  const int beforeA = nfa.AddState();
  const int beforeB = nfa.AddState();
  const int beforeC = nfa.AddState();
  step(nfa.EntryState(), 0x7f, 0x7f, afterX);
  step(afterX, 0x01, 0x7e, beforeA);
  step(afterX, '~', '~', beforeB);
  step(beforeA, 'A', 'A', nfa.FinalState());
  step(beforeB, 'B', 'B', nfa.FinalState());
  for (CharCode low = 0x02; low <= 0x42; ++low) step(nfa.EntryState(), low, 'z', beforeC);
  step(beforeC, 'C', 'C', nfa.FinalState());
  TRE_DFA dfa(nfa);
  dfa.Build();
  const struct Row {
    std::string text;
    bool found;
  } rows[] = {{"\x7f~B", true},
              {"\x7f~A", true},
              {"\x7fyA", true},
              {"\x02"
               "C",
               true},
              {"ab", true},
              {"\x7f~C", false},
              {"\x7fyB", false}};
  for (const Row& row : rows) EXPECT_EQ(AnyMatchWalkingFrom(dfa, row.text), row.found) << row.text;
}

// A pattern refused on the early estimate of its tables says so at position 1, as every
// refusal for size does: a fuzzy '.*', a word and 64 characters more.
TEST(TRE_DFA, ARefusalOnTheEstimatedTablesPointsAtTheStart) {
  const std::string word = "0$a1\x12\xc6\xb6\xae.\xe1\x60\x60";
  TAWKStr awk;
  awk.SetLineSeparator(mcls_LF);
  awk.SetUseFuzzyCharDic(true);
  try {
    awk.SetRegExp("\xff\xd7\xca.*" + word + std::string(64, '.'));
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), Sjis("正規表現が複雑すぎます"));
    EXPECT_EQ(e.ErrorPos(), 1);
  }
}

}  // namespace
}  // namespace skarvo
