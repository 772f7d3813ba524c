#include "search/search_text.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {
namespace {

TEST(RemoveLineBreaks, DeletesBackslashNInEitherCaseAndEveryLineBreak) {
  struct Row {
    std::string in, out;
  } rows[] = {
      {"C:\\new", "C:ew"},
      {"a\\Nb", "ab"},
      {"a\r\nb\rc\nd", "abcd"},
      {"\\\\nn", "\\n"},  // one pass: the pair left behind is not looked at again
      {"end\\", "end\\"},
      {"x\\t", "x\\t"},
      // 0x95 0x5C is one character whose second byte is a backslash: its "n" stays.
      {"\x95\x5Cn", "\x95\x5Cn"},
      {Sjis("表\\n示"), Sjis("表示")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.in);
    EXPECT_EQ(RemoveLineBreaks(row.in), row.out);
  }
}

TEST(ColumnLetters, BlankFirstLetterBelowColumn26AndErrPastZZ) {
  struct Row {
    int col;
    std::string out;
  } rows[] = {{0, " A"},  {1, " B"},   {25, " Z"},  {26, "AA"},    {51, "AZ"},
              {52, "BA"}, {255, "IV"}, {701, "ZZ"}, {702, "ErrA"}, {65535, "ErrP"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.col);
    EXPECT_EQ(ColumnLetters(row.col), row.out);
  }
}

TEST(CellLabel, SheetColumnAndOneBasedRow) {
  EXPECT_EQ(CellLabel(1, 4, 1), Sjis("【Excel,Sheet1, B5セル】"));
  EXPECT_EQ(CellLabel(2, 0, 26), Sjis("【Excel,Sheet2,AA1セル】"));
  EXPECT_EQ(CellLabel(0, 65535, 0), Sjis("【Excel,Sheet0, A65536セル】"));
}

TEST(ContainsSearchString, DoubleByteAwareAndFoldsCaseOnlyWhenAsked) {
  struct Row {
    std::string line, search;
    bool caseSensitive, expected;
  } rows[] = {
      {"abcdef", "cd", true, true},
      {"abcdef", "CD", true, false},
      {"abcdef", "CD", false, true},
      {"ABC", "abc", false, true},
      {"abc", "", true, false},
      {"ab", "abc", true, false},
      // 0x82 0x61 is one character; "ab" must not be found on its second byte.
      {"\x82\x61"
       "b",
       "ab", true, false},
      {"\x82\x61"
       "b",
       "ab", false, false},
      {"x\x82\x61"
       "ab",
       "ab", true, true},
      // Upper-casing steps over 2-byte characters: 0x82 0x61 does not become 0x82 0x41.
      {"\x82\x41", "\x82\x61", false, false},
      {Sjis("全角ａｂｃ"), Sjis("ａｂｃ"), false, true},
      {Sjis("全角ａｂｃ"), Sjis("ＡＢＣ"), false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.line + " / " + row.search);
    EXPECT_EQ(ContainsSearchString(row.line, row.search, row.caseSensitive), row.expected);
  }
}

// Against a plain character-by-character search, on texts where the string keeps turning up
// on second bytes of 2-byte characters.
TEST(ContainsSearchString, AgreesWithAPlainSearchOnBoundaries) {
  std::mt19937 rng(5);
  const char bytes[] = {'a', 'b', '\x82'};
  auto random = [&](size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s += bytes[rng() % 3];
    return s;
  };
  auto plain = [](const std::string& line, const std::string& search) {
    for (size_t i = 0; i + search.size() <= line.size();
         i += IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1) {
      if (line.compare(i, search.size(), search) == 0) return true;
    }
    return false;
  };
  for (int k = 0; k < 20000; ++k) {
    const std::string line = k % 10 == 0 ? std::string(40, '\x82') + "a" + random(10) : random(60);
    const std::string search = random(1 + rng() % 4);
    SCOPED_TRACE(line + " / " + search);
    ASSERT_EQ(ContainsSearchString(line, search, true), plain(line, search));
  }
}

TEST(ContainsSearchString, LinearInTheLine) {
  // Every candidate place almost matches: a search that starts over at each costs minutes.
  const std::string line(32 << 20, 'a');
  const std::string search = std::string(10000, 'a') + "b";
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ContainsSearchString(line, search, true));
  EXPECT_TRUE(ContainsSearchString(line + "b", search, false));
  // Found only on second bytes, again and again.
  std::string seconds;
  for (int i = 0; i < 1000000; ++i)
    seconds +=
        "\x82"
        "a";
  std::string onSeconds;
  for (int i = 0; i < 1000; ++i) onSeconds += "a\x82";
  EXPECT_FALSE(ContainsSearchString(seconds, onSeconds, true));
  EXPECT_TRUE(ContainsSearchString(seconds + "xa\x82" + seconds, onSeconds, true));
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
  const double bound = 100;  // unoptimised or sanitised builds run many times slower
#else
  const double bound = 10;
#endif
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), bound);
}

TEST(RowTexts, HeaderAndHitRowsOfEachKind) {
  EXPECT_EQ(FileHeaderRowText("/d/a.txt"), Sjis("\"/d/a.txt\",の検索結果"));
  EXPECT_EQ(TextHitRowText(12, "line"), Sjis("【12列目】line"));
  EXPECT_EQ(WordHitRowText("w"), Sjis("【Wordファイル】w"));
  EXPECT_EQ(NotFoundMessage("a.b"), Sjis("\"a.b\"は見つかりませんでした。"));
}

TEST(ClassifyTarget, ExtensionWithoutCaseFromTheLastPathElement) {
  struct Row {
    std::string path;
    TargetKind kind;
  } rows[] = {
      {"/d/a.xls", TargetKind::kSpreadsheet},
      {"/d/A.XLS", TargetKind::kSpreadsheet},
      {"/d/a.Doc", TargetKind::kWordProcessor},
      {"/d/a.xlsx", TargetKind::kText},
      {"/d.xls/a", TargetKind::kText},
      {"/d/a.txt", TargetKind::kText},
      {"/d/xls", TargetKind::kText},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(ClassifyTarget(row.path), row.kind);
  }
}

TEST(HeaderRowPath, ReadsPathsWithQuotesAndCommasBack) {
  for (std::string path : {"/d/a.xls", "/d/a,b.doc", "/d/say \"hi\".xls", "/d/x y.doc"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(HeaderRowPath(FileHeaderRowText(path)), path);
  }
  EXPECT_EQ(HeaderRowPath("\"/d/x\",other"), "/d/x");
}

TEST(SearchProgressText, BarGrowsWithTheRowIndex) {
  EXPECT_EQ(SearchProgressText(0, 11), Sjis("□□□□□□□□□□検索中"));
  EXPECT_EQ(SearchProgressText(3, 11), Sjis("■■■□□□□□□□検索中"));
  EXPECT_EQ(SearchProgressText(10, 11), Sjis("■■■■■■■■■■検索中"));
  EXPECT_EQ(SearchProgressText(1, 3), Sjis("■■■■■□□□□□検索中"));
  EXPECT_EQ(SearchProgressText(0, 1), Sjis("■■■■■■■■■■検索中"));
}

TEST(ExtractedTextPath, TargetPathUnderTheTempFolderNeverOutsideIt) {
  struct Row {
    std::string target, out;
  } rows[] = {
      {"/data/a.xls", "/h/Temp/data/a.xls"},        {"rel/a.doc", "/h/Temp/rel/a.doc"},
      {"/data/./x/../a.xls", "/h/Temp/data/a.xls"}, {"/../../etc/a.xls", "/h/Temp/etc/a.xls"},
      {"//data//a.xls", "/h/Temp/data/a.xls"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.target);
    EXPECT_EQ(ExtractedTextPath("/h/Temp", row.target), row.out);
  }
}

class LineFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/skarvo-lines-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  void TearDown() override { DeleteFolderTree(dir_); }
  std::vector<std::string> Lines(const std::string& data) {
    std::string path = dir_ + "/f.txt";
    std::ofstream(path, std::ios::binary) << data;
    std::vector<std::string> lines;
    EXPECT_TRUE(ForEachTextLine(path, [&](int64_t no, const std::string& line) {
      EXPECT_EQ(no, static_cast<int64_t>(lines.size()) + 1);
      lines.push_back(line);
      return true;
    }));
    return lines;
  }
  std::string dir_;
};

TEST_F(LineFile, SplitsAtCrLfLoneCrAndLoneLf) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("ab\r\ncd\ref"), (V{"ab", "cd", "ef"}));
  EXPECT_EQ(Lines("a\n\nb\n"), (V{"a", "", "b"}));
  EXPECT_EQ(Lines("a\r\n\r\n"), (V{"a", ""}));
  EXPECT_EQ(Lines("a\n\r"), (V{"a", ""}));
  EXPECT_EQ(Lines(std::string("a\0b\nc", 5)), (V{"a b", "c"}));
  // A CR LF pair split over two reads is still one line end.
  std::string big(64 * 1024 - 1, 'x');
  EXPECT_EQ(Lines(big + "\r\ny"), (V{big, "y"}));
  EXPECT_FALSE(
      ForEachTextLine(dir_ + "/missing", [](int64_t, const std::string&) { return true; }));
}

TEST_F(LineFile, ReadsOnlyWhatTheFileHeldWhenOpened) {
  const std::string path = dir_ + "/growing.txt";
  std::ofstream(path, std::ios::binary) << "one\ntwo\nthree";
  std::vector<std::string> lines;
  std::ofstream more(path, std::ios::binary | std::ios::app);
  EXPECT_TRUE(ForEachTextLine(path, [&](int64_t, const std::string& line) {
    lines.push_back(line);
    // Each line read makes the file longer; without a bound the search would never end.
    more << "\nmore" << std::string(100000, 'x') << std::flush;
    return lines.size() < 1000;
  }));
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three"}));
}

}  // namespace
}  // namespace skarvo
