// TGrep against a plain reference on seeded random files. The reference normalises the file as
// the reader presents it (an LF before the first line, every line end one LF, zero bytes as
// spaces, a final line end) and reports line k when some start in it (the LF before it or any
// of its characters) begins a walk of the automaton that reaches an accepting state after at
// least one character.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/grep.h"
#include "engine/re_state_walk.h"
#include "platform/codepage.h"
#include "support/line_hit.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using testing::Hit;

std::vector<Hit> Reference(const TRE_DFA& dfa, const std::string& bytes) {
  std::vector<Hit> hits;
  if (bytes.empty()) return hits;
  const std::string s = testing::ReaderStream(bytes);
  // Character starts of the stream (generated files never end a line inside a character).
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); i += IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1)
    starts.push_back(i);
  auto codeAt = [&](size_t i) -> CharCode {
    const auto b = static_cast<unsigned char>(s[i]);
    return IsLeadByte(b) ? static_cast<CharCode>(b << 8 | static_cast<unsigned char>(s[i + 1])) : b;
  };
  auto matchesFrom = [&](size_t k) {
    int state = dfa.InitialState();
    for (size_t j = k; j < starts.size(); ++j) {
      state = dfa.Step(state, codeAt(starts[j]));
      if (state == TRE_DFA::kNone) return false;
      if (dfa.Accepting(state)) return true;
    }
    return false;
  };
  int lineNo = 0;
  size_t lineStart = 0;
  bool reported = false;
  for (size_t k = 0; k + 1 < starts.size(); ++k) {  // the final LF is no start
    const size_t at = starts[k];
    if (s[at] == '\n') {
      ++lineNo;
      lineStart = at + 1;
      reported = false;
    }
    if (reported || !matchesFrom(k)) continue;
    reported = true;
    hits.push_back({lineNo, s.substr(lineStart, s.find('\n', lineStart) - lineStart)});
  }
  return hits;
}

// Lines are `lineBreaks` times rarer than usual when it is above 1.
std::string RandomFile(std::mt19937& rng, size_t size, int lineBreaks = 1) {
  static const std::vector<std::string> pieces = {
      "a",        "b", "a", "b", "ab", " ", "c", "\r\n", "\n", "\r", std::string(1, '\0'),
      "\x82\xa0",  // あ
      "\x82\xa4",  // う
      "\x83\x41",  // ア, second byte 'A'
      "\x82\x61",  // second byte 'a'
      "\x82\x62",  // second byte 'b'
  };
  std::string out;
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> longRun(0, 200);
  std::uniform_int_distribution<int> keepBreak(1, lineBreaks);
  while (out.size() < size) {
    if (longRun(rng) == 0) {
      out += std::string(std::uniform_int_distribution<size_t>(1, size / 3 + 1)(rng), 'c');
    } else {
      const std::string& piece = pieces[pick(rng)];
      if ((piece[0] == '\r' || piece[0] == '\n') && keepBreak(rng) != 1) continue;
      out += piece;
    }
  }
  return out;
}

class GrepDifferentialTest : public testing::TempFolderTest {
 protected:
  void Compare(const std::vector<std::string>& patterns, int files, size_t minSize, size_t maxSize,
               unsigned seed, int lineBreaks = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> sizes(minSize, maxSize);
    size_t totalHits = 0;
    for (int f = 0; f < files; ++f) {
      const std::string bytes = RandomFile(rng, sizes(rng), lineBreaks);
      const std::string path = Write(bytes);
      for (const auto& pattern : patterns) {
        SCOPED_TRACE("file " + std::to_string(f) + " pattern " + pattern);
        TGrep grep;
        grep.SetRegExp(pattern);
        std::vector<Hit> hits;
        grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& i) {
          hits.push_back({i.LineNo, i.Line});
        });
        grep.Grep(path);
        const std::vector<Hit> expected = Reference(grep.CurrentDFA(), bytes);
        ASSERT_EQ(hits, expected);
        totalHits += hits.size();
      }
    }
    EXPECT_GT(totalHits, 0u);
  }

  const std::vector<std::string> patterns_ = {
      "a",   "ab",        "ba*b",  "a*",      "(a|b)b",  "[ab]+c",   "^a",
      "b$",  "^$",        "a\\nb", "b\\n\\n", "A",       Sjis("あ"), Sjis("[あ-う]b"),
      "c c", "(ab|b)*a$", "^b*$",  "a b",     "\\x82a1", "^c+",
  };
  // Matches that run across lines, or run long before they fail (the reference walks them
  // from every start, so only on smaller files).
  const std::vector<std::string> longWalks_ = {
      "a(.|\\n)*b\\n\\nc",
      "b[^a\\n]*\\n(a|\\n)*c",
      Sjis("(a|\\n|あ)*\\nう"),
      "a(.|\\n)*\\x82\\x62",
      "(a|b)*c",
      ".*x",
      "a.*b.*c",
      "a*b*a*c$",
  };
  // Fixed strings that overlap themselves, within a line and across line ends.
  const std::vector<std::string> literals_ = {
      "aab", "abab", "ccccb", "cc\\ncc", "a\\na\\nb", Sjis("ああう"), "bab$", "^ccc",
  };
};

TEST_F(GrepDifferentialTest, SmallFiles) {
  Compare(patterns_, 300, 0, 200, 11);
  Compare(literals_, 300, 0, 200, 16);
  Compare(longWalks_, 300, 0, 200, 14);
}

TEST_F(GrepDifferentialTest, FilesLargerThanTwoBlocks) {
  const size_t block = TTxtFile::BlockSize;
  Compare(patterns_, 4, 2 * block + 1, 3 * block, 12);
}

TEST_F(GrepDifferentialTest, LongLines) {
  Compare(patterns_, 30, 500, 4000, 13, 200);
  Compare(longWalks_, 30, 500, 4000, 15, 200);
  Compare(literals_, 30, 500, 4000, 17, 200);
}

// The same with the walk's cache taking every step, emptied every few contents (tiny budget)
// or kept, and going back to the plain walk at once or never.
TEST_F(GrepDifferentialTest, WithTheWalkCacheEverywhere) {
  const TWalkCacheLimits saved = WalkCacheLimits();
  for (const TWalkCacheLimits limits :
       {TWalkCacheLimits{1, 1, 40}, TWalkCacheLimits{2, 0, 1 << 20}}) {
    WalkCacheLimits() = limits;
    Compare(patterns_, 150, 0, 200, 21);
    Compare(longWalks_, 150, 0, 200, 24);
    Compare(longWalks_, 10, 500, 4000, 25, 200);
  }
  WalkCacheLimits() = saved;
}

}  // namespace
}  // namespace skarvo
