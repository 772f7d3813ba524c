// The grep's required-text skip: which texts a pattern yields, the reader's traps it must
// respect (each a row), and the grep with and without it on seeded random files and
// patterns, which must report the same lines.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/grep.h"
#include "engine/grep_needles.h"
#include "platform/codepage.h"
#include "support/line_hit.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using testing::Hit;

class GrepPrefilterTest : public testing::TempFolderTest {
 protected:
  std::vector<Hit> Run(const std::string& pattern, const std::string& path, bool prefilter) {
    TGrep grep;
    grep.SetRegExp(pattern);
    grep.SetUsePrefilter(prefilter);
    std::vector<Hit> hits;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& i) { hits.push_back({i.LineNo, i.Line}); });
    grep.Grep(path);
    return hits;
  }
};

TEST_F(GrepPrefilterTest, RequiredTextsOfPatterns) {
  struct Row {
    std::string pattern;
    std::vector<std::string> needles;
  };
  const std::vector<Row> rows = {
      {Sjis("ファイル"), {Sjis("ファイル")}},
      {Sjis("オプション|引数"), {Sjis("オプション"), Sjis("引数")}},
      {Sjis("[0-9]+バイト"), {Sjis("バイト")}},
      {Sjis("エラー.*失敗"), {Sjis("エラー")}},
      {Sjis("(エラー|警告)[0-9]+"), {Sjis("エラー"), Sjis("警告")}},
      // The start state's acceptance and moves out of accepting states do not count.
      {"a*", {"a"}},
      {"xa*", {"x"}},
      // A space, CR or LF never stands in a needle: "a b" may match "a", zero byte, "b".
      {"a b", {"a"}},
      {"^abc", {"abc"}},
      {"abc$", {"abc"}},
      // A needle after a line end that is not the first character would lie in a later line.
      {"ab\\ncd", {"ab"}},
      {"\\ncd", {"cd"}},
      // No safe text at all.
      {".", {}},
      {"[a-z]+", {}},
      {"(.|\\n)*z", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Cp932ToUtf8Lossy(row.pattern));
    TGrep grep;
    grep.SetRegExp(row.pattern);
    EXPECT_EQ(grep.Needles(), row.needles);
  }
}

TEST_F(GrepPrefilterTest, ReaderTraps) {
  const std::string block(TTxtFile::BlockSize, 'y');
  struct Row {
    const char* what;
    std::string pattern;
    std::string bytes;
    std::vector<Hit> hits;
  };
  const std::vector<Row> rows = {
      {"a lead byte pairs with the LF after a CR",
       "a.b",
       std::string("za\x82\r\nb\n"),
       {{1, "za\x82"}}},
      {"the LF after a lead byte is no place to rest",
       ".x",
       std::string("q\n\x82\r\nx\n"),
       {{3, "x"}}},
      {"after an odd run of lead bytes",
       ".x",
       std::string("q\n\x82\x82\x82\nx\nzz\n\x82\x82\nx\n"),
       {{3, "x"}}},
      {"a zero byte reads as a space", "a b", std::string("q\na\0b\n", 6), {{2, "a b"}}},
      {"a lead byte before a zero byte",
       Sjis("[^a]x"),
       std::string("q\nz\x82\0x\n", 8),
       {{2, "z\x82 x"}}},
      {"a match starting at an LF belongs to the next line",
       "a*\\nb",
       "xa\nb\n",
       {{1, "xa"}, {2, "b"}}},
      {"^ is the line end before the line", "^ab", "xab\nab\r\nqab\rab", {{2, "ab"}, {4, "ab"}}},
      {"lone CRs count as line ends", "ab", "x\rx\r\rab\r", {{4, "ab"}}},
      {"CR LF split over two blocks",
       "ab",
       block.substr(1) + "\r\nab\r\nxx\r\nab",
       {{2, "ab"}, {4, "ab"}}},
      {"lone CR at a block end", "ab", block.substr(1) + "\rab\rq", {{2, "ab"}}},
      {"a lead byte and an LF end the block", ".ab", block.substr(2) + "\x82\nab\n", {{2, "ab"}}},
      {"a match running into a later line", "ab\\ncd", "q\nab\ncd\nab\nx\n", {{2, "ab"}}},
      {"the start state's own acceptance", "a*", "bbb\nab\n\nqqa", {{2, "ab"}, {4, "qqa"}}},
      {"no final line end", Sjis("バイト"), Sjis("x\n1バイト"), {{2, Sjis("1バイト")}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::string path = Write(row.bytes);
    EXPECT_EQ(Run(row.pattern, path, false), row.hits);
    EXPECT_EQ(Run(row.pattern, path, true), row.hits);
  }
}

// Files over a block with long and short lines, lead bytes before CR, LF and zero bytes,
// lone CRs and CR LF pairs, and patterns drawn from the whole syntax.
std::string RandomBytes(std::mt19937& rng, size_t size) {
  static const std::vector<std::string> pieces = {
      "a",
      "b",
      "c",
      "x",
      "ab",
      " ",
      "\r\n",
      "\n",
      "\r",
      "\r\r\n",
      std::string(1, '\0'),
      "\x82",
      "\x83",
      "\x82\xa0",
      "\x83\x41",
      "\x82\x61",
      "\x83\x74\x83\x40\x83\x43\x83\x8b",
      "1",
      "9",
      "\x88\xf8\x90\x94",
  };
  std::string out;
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  std::uniform_int_distribution<int> roll(0, 999);
  while (out.size() < size) {
    const int r = roll(rng);
    if (r < 3) {
      out += std::string(std::uniform_int_distribution<size_t>(1, 4000)(rng), 'c');
    } else if (r < 150) {
      out += std::string(std::uniform_int_distribution<size_t>(1, 300)(rng), 'y');
    } else {
      out += pieces[pick(rng)];
    }
  }
  return out;
}

std::string RandomPattern(std::mt19937& rng, int depth = 0) {
  static const std::vector<std::string> atoms = {
      "a",
      "b",
      "c",
      "x",
      "ab",
      "abc",
      ".",
      "[ab]",
      "[^a]",
      "\\n",
      "^",
      "$",
      "1",
      "[0-9]",
      "ax",
      "ba",
      "\xe3\x82\xa2",
      "\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab",
      "\xe5\xbc\x95\xe6\x95\xb0",
      "\xe3\x81\x82",
  };
  std::uniform_int_distribution<int> roll(0, 9);
  std::string out;
  const int parts = 1 + roll(rng) % 3;
  for (int i = 0; i < parts; ++i) {
    std::string atom;
    if (depth < 2 && roll(rng) == 0)
      atom = "(" + RandomPattern(rng, depth + 1) + "|" + RandomPattern(rng, depth + 1) + ")";
    else
      atom = atoms[std::uniform_int_distribution<size_t>(0, atoms.size() - 1)(rng)];
    switch (roll(rng)) {
      case 0:
        atom += "*";
        break;
      case 1:
        atom += "+";
        break;
      case 2:
        atom += "?";
        break;
      default:
        break;
    }
    out += atom;
  }
  return out;
}

TEST_F(GrepPrefilterTest, SameLinesWithAndWithoutTheSkip) {
  std::mt19937 rng(20261207);
  int withNeedles = 0;
  size_t hits = 0;
  for (int f = 0; f < 4; ++f) {
    const std::string path = Write(RandomBytes(rng, 110000 + 60000 * static_cast<size_t>(f)));
    for (int p = 0; p < 40; ++p) {
      std::string pattern;
      if (!Utf8ToCp932(RandomPattern(rng), pattern)) continue;
      SCOPED_TRACE("file " + std::to_string(f) + " pattern " + Cp932ToUtf8Lossy(pattern));
      TGrep probe;
      try {
        probe.SetRegExp(pattern);
      } catch (const std::exception&) {
        continue;
      }
      if (!probe.Needles().empty()) ++withNeedles;
      const std::vector<Hit> exact = Run(pattern, path, false);
      ASSERT_EQ(Run(pattern, path, true), exact);
      hits += exact.size();
    }
  }
  EXPECT_GT(withNeedles, 40);
  EXPECT_GT(hits, 0u);
}

}  // namespace
}  // namespace skarvo
