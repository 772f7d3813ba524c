// Matching time grows with the text, not with its square, and big patterns compile (or are
// refused) quickly. The bounds are generous, so that a loaded machine cannot fail them; the
// work they guard against takes minutes.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/awk_str.h"
#include "engine/grep.h"
#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

// Unoptimised or sanitised builds run many times slower; the bounds grow with them.
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
constexpr double kSlowBuild = 10;
#else
constexpr double kSlowBuild = 1;
#endif

// Seconds since start, in an optimised build's terms.
double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
         kSlowBuild;
}

class LinearTimeTest : public testing::TempFolderTest {
 protected:
  // Lines reported by grep for pattern in a file of bytes, and the time it took.
  int GrepCount(const std::string& pattern, const std::string& path, double& seconds) {
    TGrep grep;
    grep.SetRegExp(pattern);
    int count = 0;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t&) { ++count; });
    const auto start = std::chrono::steady_clock::now();
    grep.Grep(path);
    seconds = SecondsSince(start);
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
    double seconds = 0;
    EXPECT_EQ(GrepCount(row.pattern, plain, seconds), row.plainHits);
    EXPECT_LT(seconds, 5.0);
    EXPECT_EQ(GrepCount(row.pattern, withEnd, seconds), row.withEndHits);
    EXPECT_LT(seconds, 5.0);
  }
}

TEST_F(LinearTimeTest, GrepWithAPatternRunningAcrossManyLines) {
  std::string lines;
  for (int i = 0; i < 200000; ++i) lines += "a\n";
  const std::string noEnd = Write(lines);
  const std::string farEnd = Write(lines + "z\n");
  double seconds = 0;
  EXPECT_EQ(GrepCount("a(.|\\n)*z", noEnd, seconds), 0);
  EXPECT_LT(seconds, 5.0);
  // Every line starts a match that ends at the very end.
  EXPECT_EQ(GrepCount("a(.|\\n)*z", farEnd, seconds), 200000);
  EXPECT_LT(seconds, 5.0);
  EXPECT_EQ(GrepCount("a\\n(a\\n)*z", farEnd, seconds), 200000);
  EXPECT_LT(seconds, 5.0);
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
    const auto start = std::chrono::steady_clock::now();
    awk.Match(text, position, length);
    EXPECT_LT(SecondsSince(start), 5.0);
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
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(awk.GSub("X", replaced), row.count);
    EXPECT_LT(SecondsSince(start), 5.0);
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
    const auto start = std::chrono::steady_clock::now();
    const int count = awk.GSub("X", text);
    EXPECT_LT(SecondsSince(start), 5.0);
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
  auto start = std::chrono::steady_clock::now();
  grep.SetRegExp(WordList(10000));
  EXPECT_LT(SecondsSince(start), 5.0);

  std::string literal;
  for (int i = 0; i < 30000; ++i) literal += Sjis(i % 2 ? "あ" : "ア");
  start = std::chrono::steady_clock::now();
  grep.SetRegExp(literal);
  EXPECT_LT(SecondsSince(start), 5.0);
  EXPECT_TRUE(grep.IsLiteral());

  std::string blowUp;
  for (int i = 0; i < 49000; ++i) blowUp += "a?";
  start = std::chrono::steady_clock::now();
  try {
    grep.SetRegExp(blowUp);
    ADD_FAILURE() << "compiled";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), Sjis("正規表現が複雑すぎます"));
  }
  EXPECT_LT(SecondsSince(start), 3.0);
}

}  // namespace
}  // namespace skarvo
