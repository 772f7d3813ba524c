// Patterns that run across lines, over files of several blocks: TGrep against a reference that
// decides every start by the automaton's definition, computed backwards (whether state s at
// character j reaches an accepting state), so it stays linear where walks run to the end of the
// file. And the reader's memory while such walks run far ahead of the line they decide.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "engine/grep.h"
#include "engine/re_state_walk.h"
#include "platform/codepage.h"
#include "platform/work_done.h"
#include "support/line_hit.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using namespace std::string_literals;
using testing::Hit;

// Unoptimised or sanitised builds run many times slower: smaller files there.
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
constexpr size_t kFileSize = 16 << 20;
#else
constexpr size_t kFileSize = 32 << 20;
#endif

// Line k is reported when a walk from the LF before it or from one of its characters reaches an
// accepting state after at least one character. A character holding an LF byte (an LF, or a
// lead byte that took the line end) ends a line and is the next line's first start; the final
// one starts nothing. After a reported line the reader stands on the LF byte itself, so a lead
// byte that took it is not part of the next line's first start.
std::vector<Hit> Reference(const TRE_DFA& dfa, const std::string& bytes) {
  std::vector<Hit> hits;
  if (bytes.empty()) return hits;
  const std::string s = testing::ReaderStream(bytes);
  std::vector<size_t> starts;
  std::vector<CharCode> codes;
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    starts.push_back(i);
    if (IsLeadByte(b) && i + 1 < s.size()) {
      codes.push_back(static_cast<CharCode>(b << 8 | static_cast<unsigned char>(s[i + 1])));
      i += 2;
    } else {
      codes.push_back(b);
      i += 1;
    }
  }
  const size_t n = codes.size();
  const auto states = static_cast<size_t>(dfa.StateCount());
  // reaches[s]: state s before character j reaches an accepting state from there on.
  std::vector<char> reaches(states, 0), before(states, 0);
  std::vector<char> startsMatch(n, 0), lfStartsMatch(n, 0);
  for (size_t j = n; j-- > 0;) {
    const int afterLf = dfa.Step(dfa.InitialState(), '\n');
    lfStartsMatch[j] = afterLf != TRE_DFA::kNone &&
                       (dfa.Accepting(afterLf) || reaches[static_cast<size_t>(afterLf)]);
    for (size_t st = 0; st < states; ++st) {
      const int next = dfa.Step(static_cast<int>(st), codes[j]);
      before[st] =
          next != TRE_DFA::kNone && (dfa.Accepting(next) || reaches[static_cast<size_t>(next)]);
    }
    reaches.swap(before);
    startsMatch[j] = reaches[static_cast<size_t>(dfa.InitialState())];
  }
  int64_t lineNo = 0;
  size_t lineStart = 0;
  bool reported = false;
  for (size_t k = 0; k + 1 < n; ++k) {
    const bool lineEnd = (codes[k] & 0xFF) == '\n' && (codes[k] == '\n' || codes[k] > 0xFF);
    bool matches = startsMatch[k];
    if (lineEnd) {
      ++lineNo;
      lineStart = s.find('\n', starts[k]) + 1;
      if (reported) matches = lfStartsMatch[k];
      reported = false;
    }
    if (reported || !matches) continue;
    reported = true;
    hits.push_back({lineNo, s.substr(lineStart, s.find('\n', lineStart) - lineStart)});
  }
  return hits;
}

// Short lines of common letters with rare ones between (so walks run far, over block ends),
// every kind of line end, zero bytes, and lead bytes before a line end or a zero byte.
std::string RandomText(std::mt19937& rng, size_t size) {
  static const std::vector<std::string> pieces = {
      "a",        "b",        "c",      " ",       "ab",       "\n",       "\r\n",
      "\r",       "\n",       "a\n",    "b\r\n",   "\n\n",     "\r\r",     std::string(1, '\0'),
      "\x82\n",   "\x82\r\n", "\x82\r", "\x82\0"s, "\x82\xa0", "\x82\xa4", "\x82\x62",
      "\x83\x41",
  };
  static const std::vector<std::string> rare = {"N", "z", "q", "x", "y"};
  std::string out;
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<size_t> pickRare(0, rare.size() - 1);
  std::uniform_int_distribution<int> rareness(0, 3000);
  while (out.size() < size) {
    out += rareness(rng) == 0 ? rare[pickRare(rng)] : pieces[pick(rng)];
  }
  // The file does not end inside a character.
  out += 'c';
  return out;
}

class GrepCrossLineTest : public testing::TempFolderTest {};

// Greps the file and compares with the reference; returns the number of lines reported.
size_t CompareWithReference(const std::string& pattern, const std::string& bytes,
                            const std::string& path) {
  TGrep grep;
  grep.SetRegExp(pattern);
  std::vector<Hit> hits;
  grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& i) { hits.push_back({i.LineNo, i.Line}); });
  grep.Grep(path);
  const std::vector<Hit> expected = Reference(grep.CurrentDFA(), bytes);
  if (hits != expected) {
    size_t i = 0;
    while (i < hits.size() && i < expected.size() && hits[i] == expected[i]) ++i;
    std::ofstream("/tmp/memory_fail.txt", std::ios::binary) << bytes;
    ADD_FAILURE() << "first difference at " << i << " got "
                  << (i < hits.size() ? ::testing::PrintToString(hits[i]) : "end") << " want "
                  << (i < expected.size() ? ::testing::PrintToString(expected[i]) : "end");
  }
  return hits.size();
}

// The first code of walk k of a pattern of many alternatives (two letters, so there may be
// more than the letters).
std::string Walk(size_t k) {
  return {static_cast<char>('a' + k / 26), static_cast<char>('a' + k % 26)};
}

// count alternatives that each run across lines: the walk begun by "A" + Walk(k) ends at
// "Z" + Walk(k) (with the given text between), and the given others.
std::string Alternatives(size_t count, const std::string& between, const std::string& end = "",
                         const std::string& others = "") {
  std::string pattern;
  for (size_t k = 0; k < count; ++k)
    pattern += (k ? "|A" : "A") + Walk(k) + between + "Z" + Walk(k) + end;
  return pattern + others;
}

// Lines that begin one or two of count walks, some that match within themselves ("x"), some of
// the other pieces, rare ends of walks (never of every third walk, so a line may hold a walk that
// reaches its end and one that does not), every kind of line end.
std::string WalkLines(std::mt19937& rng, size_t size, size_t count) {
  static const std::vector<std::string> ends = {"\n", "\r\n", "\r", "\x82\n", "\n", "\n"};
  std::uniform_int_distribution<size_t> walk(0, count - 1);
  std::uniform_int_distribution<size_t> end(0, ends.size() - 1);
  std::uniform_int_distribution<int> kind(0, 999);
  std::string out;
  while (out.size() < size) {
    const int k = kind(rng);
    const size_t w = walk(rng);
    if (k < 3) {
      out += w % 3 == 2 ? "b" : "Z" + Walk(w);
    } else {
      out += k < 50 ? "x" : k < 100 ? "b c" : "A" + Walk(w);
      if (k >= 950) out += " A" + Walk(walk(rng));
    }
    out += ends[end(rng)];
  }
  return out + 'c';
}

TEST_F(GrepCrossLineTest, ReportsWhatTheAutomatonDecidesOverFilesOfSeveralBlocks) {
  const std::vector<std::string> patterns = {
      "N(.|\\n)*z",
      "a(.|\\n)*z",
      "x(.|\\n)*y",
      "(.|\\n)*q",
      "z[^N]*N",
      "a\\n(a\\n)*z",
      "\\n\\n\\nq",
      "b\\n\\nb",
      "a(.|\\n)*b\\n\\nc",
      "b[^a\\n]*\\n(a|\\n)*c",
      Sjis("(a|\\n|あ)*\\nう"),
      "a(.|\\n)*\\x82\\x62",
      "^b(.|\\n)*N$",
      "a(.|\\n)*z|b(.|\\n)*y",
      "c c",
  };
  std::mt19937 rng(16);
  size_t total = 0;
  const size_t block = TTxtFile::BlockSize;
  for (const size_t size : {size_t{3000}, block - 5, 2 * block + 300, 3 * block + 17}) {
    const std::string bytes = RandomText(rng, size);
    const std::string path = Write(bytes);
    for (const auto& pattern : patterns) {
      SCOPED_TRACE("size " + std::to_string(size) + " pattern " + pattern);
      total += CompareWithReference(pattern, bytes, path);
      ASSERT_FALSE(HasFailure());
    }
  }
  EXPECT_GT(total, 1000u);
}

TEST_F(GrepCrossLineTest, LinesThatBeginManyDifferentWalks) {
  // More different walks than any fixed number of remembered sets, lines with matches of their
  // own between them; all again with the walk cache taking every step (walks that meet on a
  // cached step must be joined again whenever the step is taken) and emptied all the time.
  const std::vector<std::string> patterns = {
      Alternatives(5, "(.|\\n)*"),
      Alternatives(70, "(.|\\n)*"),
      Alternatives(70, "(.|\\n)*", "", "|x"),
      Alternatives(26, "(.|\\n)*", "$", "|Ab\\n[^Z]*\\n\\n"),
      Alternatives(26, "\\n(A..\\n|x\\n)*"),
      Alternatives(70, "[^x]*"),
  };
  const TWalkCacheLimits saved = WalkCacheLimits();
  const std::vector<TWalkCacheLimits> limits = {saved, {2, 0, 1 << 20}, {1, 1, 4096}};
  std::mt19937 rng(61);
  size_t total = 0;
  const size_t block = TTxtFile::BlockSize;
  // Also a line whose walks reach their ends or not (only the first is known to reach a match),
  // each again later, once after a lead byte's line end.
  const std::string fixed = "Aab Aac\nAac\nAab\nx\nZab\nAac\nAaa\x82\nAac Aab\nZaa\nAab\nAac\n";
  for (const size_t size : {size_t{3000}, block + 99, fixed.size()}) {
    const std::string bytes = size == fixed.size() ? fixed : WalkLines(rng, size, 70);
    const std::string path = Write(bytes);
    for (size_t i = 0; i < patterns.size() * limits.size() && !HasFailure(); ++i) {
      SCOPED_TRACE("size " + std::to_string(size) + " pattern " +
                   std::to_string(i % patterns.size()) + " cache " +
                   std::to_string(i / patterns.size()));
      WalkCacheLimits() = limits[i / patterns.size()];
      total += CompareWithReference(patterns[i % patterns.size()], bytes, path);
    }
  }
  WalkCacheLimits() = saved;
  EXPECT_GT(total, 10000u);
}

size_t HeapInUse() { return mallinfo2().uordblks; }

TEST_F(GrepCrossLineTest, AWalkPastManyBlocksKeepsNoneOfThem) {
  // Tens of MB of short lines; only the first line begins with N, so its walk runs to the end
  // (or to the z there) before the next line is decided.
  const size_t lines = kFileSize / 18;
  std::string body;
  body.reserve(lines * 18 + 2);
  for (size_t i = 0; i < lines; ++i) body += "abcdefghij klmnop\n";
  struct Row {
    std::string pattern;
    std::string tail;
    size_t reports;
  };
  const std::vector<Row> rows = {{"N(.|\\n)*z", "", 0},
                                 {"N(.|\\n)*z", "z", 1},
                                 {"a(.|\\n)*z", "z", lines},
                                 {"(.|\\n)*z", "", 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pattern + " tail " + row.tail);
    const std::string path = Write("N" + body + row.tail);
    size_t peak = 0;
    // Messages run after every block read: the heap is looked at there and at each report.
    TGrep grep([&] {
      peak = std::max(peak, HeapInUse());
      return false;
    });
    grep.SetRegExp(row.pattern);
    size_t reports = 0;
    const size_t before = HeapInUse();
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t&) {
      if (reports++ % 4096 == 0) peak = std::max(peak, HeapInUse());
    });
    const uint64_t steps = workDone;
    grep.Grep(path);
    EXPECT_EQ(reports, row.reports);
    EXPECT_LT(peak - std::min(peak, before), size_t{8} << 20);
    EXPECT_LT(workDone - steps, 32 * body.size());
  }
}

TEST_F(GrepCrossLineTest, EachLineWhoseMatchLiesFarAheadHandsItsWalkOn) {
  // Every line's match ends at the very end of the file: the walk of one line must not be run
  // again from each later line (it was, once per line, so these took minutes).
  auto repeated = [](const std::string& lines, int times, const std::string& tail) {
    std::string bytes;
    for (int i = 0; i < times; ++i) bytes += lines;
    return bytes + tail;
  };
  // Lines that begin count walks in turn, then a line that ends them all.
  auto cycle = [](size_t count, size_t lines) {
    std::string bytes;
    for (size_t i = 0; i < lines; ++i) bytes += "A" + Walk(i % count) + "\n";
    for (size_t k = 0; k < count; ++k) bytes += "Z" + Walk(k) + " ";
    return bytes + "\n";
  };
  struct Row {
    std::string bytes;
    std::string pattern;
    int64_t reports;
  };
  const std::vector<Row> rows = {
      // Lines ending in a lead byte that takes their LF.
      {repeated("abc\x82\n", 200000, "q\n"), "(.|\\n)*q", 200001},
      {repeated("abc\x82\n", 200000, "q\n"), "a(.|\\n)*q", 200000},
      // Neighbouring lines whose walks hold different states.
      {repeated("a\nb\n", 100000, "yz\n"), "a(.|\\n)*z|b(.|\\n)*y", 200000},
      {repeated("a\nb\nc\n", 100000, "yz\n"), "a(.|\\n)*z|b(.|\\n)*y|c(.|\\n)*yz", 300000},
      // More different walks than a fixed number of sets kept (each far match was walked to
      // again from every line: minutes).
      {cycle(70, 40000), Alternatives(70, "(.|\\n)*"), 40000},
      // Lines with matches of their own between them (what was learnt was dropped there).
      {repeated("Aaa\nx\nAab\nx\n", 20000, "ZaaZab\n"), Alternatives(2, "(.|\\n)*", "", "|x"),
       80000},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pattern);
    const std::string path = Write(row.bytes);
    TGrep grep;
    grep.SetRegExp(row.pattern);
    int64_t reports = 0;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t&) { ++reports; });
    const uint64_t steps = workDone;
    grep.Grep(path);
    EXPECT_EQ(reports, row.reports);
    // Each character is stepped by the walks alive there, a few per alternative of the
    // pattern; walking again from each line costs the rest of the file per line.
    const auto alternatives = 1 + std::count(row.pattern.begin(), row.pattern.end(), '|');
    EXPECT_LT(workDone - steps, 16 * row.bytes.size() * static_cast<uint64_t>(alternatives));
  }
}

}  // namespace
}  // namespace skarvo
