// TGrep on files: which lines are reported with which numbers and texts, the fixed-string and
// automaton routines agreeing, the end of the file, errors and cancelling.
#include "engine/grep.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/regexp_error.h"
#include "platform/codepage.h"
#include "support/line_hit.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using namespace std::string_literals;

using testing::Hit;

class GrepTest : public testing::TempFolderTest {
 protected:
  enum class Routine { kChosen, kAutomaton };

  std::vector<Hit> Run(TGrep& grep, const std::string& path, Routine routine = Routine::kChosen) {
    std::vector<Hit> hits;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& info) {
      hits.push_back({info.LineNo, info.Line});
    });
    if (routine == Routine::kChosen)
      grep.Grep(path);
    else
      grep.GrepDFA(path);
    return hits;
  }

  std::vector<Hit> Find(const std::string& pattern, const std::string& bytes, bool fuzzy = false) {
    TGrep grep;
    grep.SetUseFuzzyCharDic(fuzzy);
    grep.SetRegExp(pattern);
    const std::string path = Write(bytes);
    std::vector<Hit> hits = Run(grep, path);
    // The fixed-string routine must give what the automaton gives.
    if (grep.UsesLiteralSearch()) {
      EXPECT_EQ(Run(grep, path, Routine::kAutomaton), hits);
    }
    return hits;
  }
};

TEST_F(GrepTest, ReportsEachMatchingLineOnce) {
  struct Row {
    std::string pattern;
    std::string bytes;
    std::vector<Hit> hits;
  };
  const std::vector<Row> rows = {
      {"b", "abcb\r\nxyz\nb", {{1, "abcb"}, {3, "b"}}},
      {"a*", "xa\nb\naa\n", {{1, "xa"}, {3, "aa"}}},  // a match consumes a character
      {"a\\nb", "xa\r\nby\nb", {{1, "xa"}}},          // reported where it starts
      // A CR LF pair is one line end to a walk that runs over it, also when a line follows.
      {"ab\\nc", "ab\r\ncd\r\n", {{1, "ab"}}},
      {"a\\n\\nb", "a\r\n\r\nb", {{1, "a"}}},
      // A lead byte takes the line end after it into its character, whose line then ends:
      // the match starting at that character belongs to the next line.
      {".\\n", "a\x82\n\r\n", {{2, ""}}},
      {".\\n", "a\x82\r\n\r\n", {{2, ""}}},
      {"^ab", "ab\nxab\rab", {{1, "ab"}, {3, "ab"}}},
      {"ab$", "ab\r\nabx\nab", {{1, "ab"}, {3, "ab"}}},
      {"^$", "a\n\r\nb\n", {{2, ""}}},
      {"^", "a\nb", {{1, "a"}, {2, "b"}}},
      {"ab",
       "\x82\x61"
       "b\nab",
       {{2, "ab"}}},  // a second byte is never a start
      {Sjis("[あ-う]b"), Sjis("いb\nえb\nあab"), {{1, Sjis("いb")}}},
      {"b", "a\0b\0"s, {{1, "a b "}}},  // zero bytes read as spaces
      {"a b", "a\0b"s, {{1, "a b"}}},
      {"x", "", {}},
      {"", "abc\n", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    EXPECT_EQ(Find(row.pattern, row.bytes), row.hits);
  }
}

// Lone lead bytes and runs of line ends, as the reader presents them: a lead byte takes the
// byte after it, even a line end, into its character.
TEST_F(GrepTest, MalformedTextAndRunsOfLineEnds) {
  struct Row {
    std::string bytes;
    std::vector<Hit> anyChar;    // pattern "."
    std::vector<Hit> emptyLine;  // pattern "^$"
  };
  const std::vector<Row> rows = {
      {"a\x82", {{1, "a\x82"}}, {}},
      {"a\x82\r\nb", {{1, "a\x82"}, {2, "b"}}, {}},
      {"\x82\n\x82\nb", {{2, "\x82"}, {3, "b"}}, {}},
      {"\r", {}, {{1, ""}}},
      {"x\r\r\r", {{1, "x"}}, {{2, ""}, {3, ""}}},
      {"\n\n\n", {}, {{1, ""}, {2, ""}, {3, ""}}},
      {"\0\0\0"s, {{1, "   "}}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.bytes));
    EXPECT_EQ(Find(".", row.bytes), row.anyChar);
    EXPECT_EQ(Find("^$", row.bytes), row.emptyLine);
  }
}

TEST_F(GrepTest, FuzzyPatternFindsTheOtherForms) {
  EXPECT_EQ(Find("ab", Sjis("ＡＢ\nab\nAｂ\nアb\n"), true),
            (std::vector<Hit>{{1, Sjis("ＡＢ")}, {2, "ab"}, {3, Sjis("Aｂ")}}));
  EXPECT_EQ(Find(Sjis("か゛"), Sjis("が\nｶﾞ\nか\n"), true),
            (std::vector<Hit>{{1, Sjis("が")}, {2, Sjis("ｶﾞ")}}));
}

TEST_F(GrepTest, FixedStringsWhoseCodesDoNotComeBackUseTheAutomaton) {
  struct Row {
    std::string pattern;
    std::string bytes;
    bool literalSearch;
    std::vector<Hit> hits;
  };
  const std::vector<Row> rows = {
      {"ab", "ab", true, {{1, "ab"}}},
      {"\\x82a0", Sjis("xあ"), true, {{1, Sjis("xあ")}}},
      {"\\x4142", "AB\nB\n", false, {}},  // no file character has this code
      {"a\\x82",
       "a\x82\na\x82"
       "b",
       false,
       {}},
      {"a\\0", "a\0"s, false, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pattern);
    TGrep grep;
    grep.SetRegExp(row.pattern);
    EXPECT_TRUE(grep.IsLiteral());
    EXPECT_EQ(grep.UsesLiteralSearch(), row.literalSearch);
    EXPECT_EQ(Run(grep, Write(row.bytes)), row.hits);
  }
}

TEST_F(GrepTest, PatternThatStepsOnCodeZeroEndsAtTheEndOfTheFile) {
  EXPECT_EQ(Find("a\\n\\0*b", "xa"), std::vector<Hit>{});
  EXPECT_EQ(Find("a\\n\\0*b", "xa\nb"), (std::vector<Hit>{{1, "xa"}}));
  EXPECT_EQ(Find("a\\n\\0*", "xa"), (std::vector<Hit>{{1, "xa"}}));
}

TEST_F(GrepTest, ErrorsAndNothingToDo) {
  TGrep grep;
  grep.SetRegExp("a");
  EXPECT_THROW(Run(grep, dir_ + "/missing.txt"), EFileNotFound);
  EXPECT_TRUE(Run(grep, Write("")).empty());
  // Without a handler nothing is opened, so a missing file is no error.
  grep.SetOnMatch(nullptr);
  EXPECT_NO_THROW(grep.Grep(dir_ + "/missing.txt"));
}

TEST_F(GrepTest, LongLinesAndBlockBoundaries) {
  const size_t block = TTxtFile::BlockSize;
  const std::string longLine = std::string(block + 7, 'x');
  struct Row {
    const char* name;
    std::string pattern;
    std::string bytes;
    std::vector<Hit> hits;
  };
  const std::vector<Row> rows = {
      {"line longer than a block", "y", "a\n" + longLine + "y\r\nb", {{2, longLine + "y"}}},
      {"match across the boundary",
       "x(ab)+c",
       std::string(block - 4, 'x') + "ababc\n",
       {{1, std::string(block - 4, 'x') + "ababc"}}},
      {"automaton across the boundary after a line end",
       "z\\nw*q",
       "z\n" + std::string(block, 'w') + "q",
       {{1, "z"}}},
      // The first block holds file bytes 0 to block - 1, so this 2-byte character is its last
      // two bytes and the match goes on in the next block.
      {"2-byte character ending the first block",
       "x\x82\xA0y",
       std::string(block - 3, 'w') + "x\x82\xA0y\n",
       {{1, std::string(block - 3, 'w') + "x\x82\xA0y"}}},
      {"2-byte character before a zero byte of the file",
       "x\x82\xA0 y",
       "ax\x82\xA0"s + '\0' + "y\n",
       {{1, "ax\x82\xA0 y"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Find(row.pattern, row.bytes), row.hits);
  }
}

TEST_F(GrepTest, CancelFromAHandlerStopsTheSearch) {
  int calls = 0;
  TGrep grep;
  grep.SetRegExp("a");
  std::string bytes;
  for (int i = 0; i < 20; ++i) bytes += "a\n";
  const std::string path = Write(bytes);
  // Calls: 1 after the block, then one before each reported line.
  grep.SetMessagePump([&] {
    if (++calls == 4) grep.SetCancel(true);
    return false;
  });
  std::vector<Hit> hits;
  grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& info) {
    hits.push_back({info.LineNo, info.Line});
  });
  try {
    grep.Grep(path);
    FAIL() << "not cancelled";
  } catch (const EGrepCancel& e) {
    EXPECT_EQ(e.Message(), "CancelRequest");
  }
  EXPECT_EQ(hits.size(), 2u);
  // A new search resets the flag.
  grep.SetMessagePump(nullptr);
  hits.clear();
  grep.Grep(path);
  EXPECT_EQ(hits.size(), 20u);
}

TEST_F(GrepTest, HandlerMaySetAnotherPatternDuringTheSearch) {
  TGrep grep;
  grep.SetRegExp("a.");
  std::vector<int> lines;
  grep.SetOnMatch([&](TGrep& g, const RE_LineInfo_t& info) {
    lines.push_back(info.LineNo);
    for (int i = 0; i < 40; ++i) g.SetRegExp("p" + std::to_string(i));  // evicts "a."
  });
  grep.Grep(Write("ab\nx\nac\n"));
  EXPECT_EQ(lines, (std::vector<int>{1, 3}));
}

}  // namespace
}  // namespace skarvo
