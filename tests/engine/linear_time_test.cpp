// Matching work grows with the text, not with its square, and big patterns compile (or are
// refused) with work that grows with the pattern. The work is counted in steps (workDone),
// which no load on the machine changes; the bounds leave room for a constant factor, the
// faults they guard against take many thousand times more.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/awk_str.h"
#include "engine/grep.h"
#include "engine/re_dfa.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "platform/work_done.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

// Steps a piece of work takes on this thread.
template <typename Work>
uint64_t StepsOf(Work&& work) {
  const uint64_t before = workDone;
  work();
  return workDone - before;
}

class LinearTimeTest : public testing::TempFolderTest {
 protected:
  // Lines reported by grep for pattern in a file of bytes, and the steps it took.
  int GrepCount(const std::string& pattern, const std::string& path, uint64_t& steps) {
    TGrep grep;
    grep.SetRegExp(pattern);
    int count = 0;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t&) { ++count; });
    steps = StepsOf([&] { grep.Grep(path); });
    return count;
  }
};

TEST_F(LinearTimeTest, GrepOnAOneMegabyteLine) {
  const std::string line(1 << 20, 'a');
  const std::string plain = Write(line + "\n");
  const std::string withEnd = Write(line + "bcx\n" + line + "\n");
  // A long periodic string: every start is alive at once (the fixed-string search and the
  // automaton's walk).
  const std::string periodic(10000, 'a');
  const struct {
    std::string pattern;
    int plainHits;
    int withEndHits;
  } rows[] = {{"a*b", 0, 1},
              {"(a|b)*c", 0, 1},
              {".*x", 0, 1},
              {"a.*b.*c", 0, 1},
              {"a*b$", 0, 0},
              {periodic + "b", 0, 1},
              {periodic + "[bc]", 0, 1},
              {periodic + "bcx$", 0, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    // A periodic pattern keeps some fifty steps a character (every start is alive); a search
    // that starts over at each place takes thousands.
    uint64_t steps = 0;
    EXPECT_EQ(GrepCount(row.pattern, plain, steps), row.plainHits);
    EXPECT_LT(steps, 128 * line.size());
    EXPECT_EQ(GrepCount(row.pattern, withEnd, steps), row.withEndHits);
    EXPECT_LT(steps, 256 * line.size());
  }
}

TEST_F(LinearTimeTest, GrepWithAPatternRunningAcrossManyLines) {
  std::string lines;
  for (int i = 0; i < 200000; ++i) lines += "a\n";
  const std::string noEnd = Write(lines);
  const std::string farEnd = Write(lines + "z\n");
  uint64_t steps = 0;
  EXPECT_EQ(GrepCount("a(.|\\n)*z", noEnd, steps), 0);
  EXPECT_LT(steps, 32 * lines.size());
  // Every line starts a match that ends at the very end.
  EXPECT_EQ(GrepCount("a(.|\\n)*z", farEnd, steps), 200000);
  EXPECT_LT(steps, 32 * lines.size());
  EXPECT_EQ(GrepCount("a\\n(a\\n)*z", farEnd, steps), 200000);
  EXPECT_LT(steps, 32 * lines.size());
}

TEST(LinearTime, MatchOnAOneMegabyteText) {
  const std::string text = std::string(1 << 20, 'a') + "\r\n";
  const struct {
    std::string pattern;
    int position;
    int length;
  } rows[] = {{"a*b", 0, 0},
              {"(a|b)*c", 0, 0},
              {".*x", 0, 0},
              {"a.*b.*c", 0, 0},
              {"a*$", 1, 1 << 20},
              {"^a*b|a*\\r", 1, (1 << 20) + 1},
              {std::string(10000, 'a') + "b", 0, 0},
              {std::string(10000, 'a') + "\\r", (1 << 20) - 9999, 10001},
              {std::string(10000, 'a') + "b$", 0, 0},
              {std::string(10000, 'a') + "$", (1 << 20) - 9999, 10000}};
  TAWKStr awk;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    awk.SetRegExp(row.pattern);
    int position = -1;
    int length = -1;
    EXPECT_LT(StepsOf([&] { awk.Match(text, position, length); }), 128 * text.size());
    EXPECT_EQ(position, row.position);
    EXPECT_EQ(length, row.length);
  }
}

// Every match is replaced, and each one found does not search the rest of the text again for
// a longer match that is not there.
TEST(LinearTime, ReplacementOnAOneMegabyteText) {
  const std::string text(1 << 20, 'a');
  const struct {
    const char* pattern;
    int count;
    std::string result;
  } rows[] = {{"a|a*b", 1 << 20, std::string(1 << 20, 'X')},
              {"a|(a|b)*c", 1 << 20, std::string(1 << 20, 'X')},
              {"aa|a*b", 1 << 19, std::string(1 << 19, 'X')},
              {"a|a*b$", 1 << 20, std::string(1 << 20, 'X')},
              {"^a|a|a*b$", 1 << 20, std::string(1 << 20, 'X')}};
  TAWKStr awk;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    awk.SetRegExp(row.pattern);
    std::string replaced = text;
    int count = 0;
    EXPECT_LT(StepsOf([&] { count = awk.GSub("X", replaced); }), 16 * text.size());
    EXPECT_EQ(count, row.count);
    EXPECT_EQ(replaced, row.result);
  }
}

// Damaged texts: an LF as the second byte of a 2-byte character (the replacement takes the
// place after it as a line start, the text does not) and zero bytes inside, where a pattern
// with anchors has its own rules. Each match found must not search the rest of the text.
TEST(LinearTime, ReplacementOnAOneMegabyteDamagedText) {
  const struct {
    std::string unit;
    const char* pattern;
    bool lf;
    int count;  // per unit
    std::string replaced;
  } rows[] = {{"\x82\n", "^.*b|.", false, 1, "X"},
              {"\x82\n", "^.*b$|.", true, 1, "X"},
              {"\x82\n", "^", false, 1, "X\x82\n"},
              {"a\x82\n", "^.*b|a.", false, 1, "X"},
              {"a\x82\n", "^a", false, 0, "a\x82\n"},
              {std::string(1, '\0'), "$", false, 1, std::string("X\0", 2)},
              {std::string("a\0", 2), "a$|$", false, 2, std::string("XX\0", 3)},
              {std::string("\n\0", 2), "x*", false, 2, std::string("X\nX\0", 4)}};
  TAWKStr awk;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    const std::size_t units = (std::size_t{1} << 20) / row.unit.size();
    std::string text;
    std::string expected;
    for (std::size_t i = 0; i < units; ++i) {
      text += row.unit;
      expected += row.replaced;
    }
    awk.SetLineSeparator(row.lf ? mcls_LF : mcls_CRLF);
    awk.SetRegExp(row.pattern);
    const size_t size = text.size();
    int count = 0;
    EXPECT_LT(StepsOf([&] { count = awk.GSub("X", text); }), 16 * size);
    // The first unit of "^a" is replaced, as its place is the text's start.
    if (row.count == 0) expected.replace(0, 1, "X");
    EXPECT_EQ(count, row.count == 0 ? 1 : static_cast<int>(units) * row.count);
    EXPECT_TRUE(text == expected);
  }
}

// Words of 2-byte characters, made up but valid: lead bytes 0x89-0x97, second bytes
// 0x40-0xFC without 0x7F.
std::string WordList(int count) {
  std::string pattern;
  unsigned seed = 12345;
  auto next = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int w = 0; w < count; ++w) {
    if (w > 0) pattern += '|';
    for (unsigned k = 3 + next(7); k > 0; --k) {
      pattern += static_cast<char>(0x89 + next(15));
      unsigned trail = 0x40 + next(0xBC);
      if (trail >= 0x7F) ++trail;
      pattern += static_cast<char>(trail);
    }
  }
  return pattern;
}

TEST(LinearTime, BigPatternsCompileAndBlowUpsAreRefusedQuickly) {
  TGrep grep;
  const std::string words = WordList(10000);
  EXPECT_LT(StepsOf([&] { grep.SetRegExp(words); }), 64 * words.size());

  std::string literal;
  for (int i = 0; i < 30000; ++i) literal += Sjis(i % 2 ? "あ" : "ア");
  EXPECT_LT(StepsOf([&] { grep.SetRegExp(literal); }), 64 * literal.size());
  EXPECT_TRUE(grep.IsLiteral());

  std::string blowUp;
  for (int i = 0; i < 49000; ++i) blowUp += "a?";
  // Refused by the construction's budget of gathered states, before it builds far.
  const uint64_t steps = StepsOf([&] {
    try {
      grep.SetRegExp(blowUp);
      ADD_FAILURE() << "compiled";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), Sjis("正規表現が複雑すぎます"));
    }
  });
  EXPECT_LT(steps, 4 * TRE_DFA::kMaxSetMembers);
}

}  // namespace
}  // namespace skarvo
