#include "search/search_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/work_done.h"
#include "search/row_text.h"
#include "support/peak_memory.h"

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

std::string Times(const std::string& text, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += text;
  return out;
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
      // Found only on second bytes, more often than a few times: a trail byte is not a
      // character, even where the search goes on in one pass.
      {Times("\x82\x41", 8) + "x", "A", true, false},
      {Times("\x82\x41", 8) + "xA", "A", true, true},
      {Times("\x82"
             "BBABBBB",
             8) +
           "ABBBABBBBAAABA",
       "BBABBBB", true, true},
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
  // Bytes looked at, over all passes: a few per byte of the line.
  const uint64_t before = workDone;
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
  EXPECT_LT(workDone - before, 16 * (2 * line.size() + 3 * seconds.size()));
}

// A plain search text is read character by character from its start: a lead byte in the
// last place has lost its second byte, and such a text is refused.
TEST(CheckPlainSearchText, RefusesATextEndingInALoneLeadByte) {
  const std::pair<std::string, bool> rows[] = {
      {"", false},
      {"a", false},
      {"\x82", true},
      {"\x82\xA0", false},
      {"a\x82", true},
      {"\x82\x82", false},
      {"\x82\x82\x82", true},
      {"\xA0\x82", true},
      {"\x82\xA0\x82", true},
      {"\xFC\x40", false},
      {"\xE0", true},
      {"\x81\x81\x81\x81", false},
  };
  for (const auto& [text, lone] : rows) {
    SCOPED_TRACE(::testing::PrintToString(text));
    EXPECT_EQ(EndsInLoneLeadByte(text), lone);
    if (lone)
      EXPECT_THROW(CheckPlainSearchText(text), Exception);
    else
      EXPECT_NO_THROW(CheckPlainSearchText(text));
  }
}

TEST(RowTexts, HeaderAndHitRowsOfEachKind) {
  EXPECT_EQ(FileHeaderRowText("/d/a.txt"), Sjis("\"/d/a.txt\",の検索結果"));
  EXPECT_EQ(TextHitRowText(12, "line"), Sjis("【12列目】line"));
  EXPECT_EQ(WordHitRowText("w"), Sjis("【Wordファイル】w"));
  EXPECT_EQ(NotFoundMessage("a.b"), Sjis("\"a.b\"は見つかりませんでした。"));
}

// Every kind of result row, its text made from the typed fields, with its own line and
// with another line shown in its place; the text of the same parts as the search made it
// before rows had kinds is the reference.
TEST(ResultRowText, EachKindFromItsFields) {
  const auto make = [](RowKind kind, std::string line, int64_t lineNo = 0, int sheet = -1,
                       int cellRow = 0, int cellColumn = 0) {
    CheckListRow row;
    row.kind = kind;
    row.header = kind == RowKind::kFileHeader;
    row.file = "/d/a,\"b\".xls";
    row.lineText = std::move(line);
    row.lineNo = lineNo;
    row.sheet = sheet;
    row.cellRow = cellRow;
    row.cellColumn = cellColumn;
    row.text = "stale";
    return row;
  };
  const std::string line = Sjis("表の中,身");
  struct Row {
    CheckListRow row;
    std::string text;   // with its own line
    std::string other;  // with "X" shown instead
  } rows[] = {
      {make(RowKind::kFileHeader, line), FileHeaderRowText("/d/a,\"b\".xls"),
       FileHeaderRowText("/d/a,\"b\".xls")},
      {make(RowKind::kTextLine, line, 12), TextHitRowText(12, line), Sjis("【12列目】X")},
      {make(RowKind::kTextLine, "", INT64_MAX), TextHitRowText(INT64_MAX, ""),
       TextHitRowText(INT64_MAX, "X")},
      {make(RowKind::kCell, line, 3, 2, 6, 2), CellLabel(2, 6, 2) + line,
       Sjis("【Excel,Sheet2, C7セル】X")},
      {make(RowKind::kCell, line, 3, 0, 65535, 701), CellLabel(0, 65535, 701) + line,
       Sjis("【Excel,Sheet0,ZZ65536セル】X")},
      {make(RowKind::kCell, line, 3, 1, 0, 702), CellLabel(1, 0, 702) + line,
       Sjis("【Excel,Sheet1,ErrA1セル】X")},
      {make(RowKind::kCell, line, 3), line, "X"},  // took no cell's label
      {make(RowKind::kParagraph, line, 4), WordHitRowText(line), Sjis("【Wordファイル】X")},
      {make(RowKind::kPlain, line), "stale", "X"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(Cp932ToUtf8Lossy(r.text));
    EXPECT_EQ(ResultRowText(r.row), r.text);
    EXPECT_EQ(ResultRowTextWithLine(r.row, "X"), r.other);
    // Refilling one string row after row gives the same texts.
    std::string reused = "a long text left over from an earlier row of the list";
    AssignResultRowText(reused, r.row, "X");
    EXPECT_EQ(reused, r.other);
  }
}

TEST(ClassifyTarget, ExtensionWithoutCaseFromTheLastPathElement) {
  struct Row {
    std::string path;
    TargetKind kind;
  } rows[] = {
      {"/d/a.xls", TargetKind::kSpreadsheet},    {"/d/A.XLS", TargetKind::kSpreadsheet},
      {"/d/a.Doc", TargetKind::kWordProcessor},  {"/d/a.xlsx", TargetKind::kSpreadsheet},
      {"/d/a.DocX", TargetKind::kWordProcessor}, {"/d/a.xlsxx", TargetKind::kText},
      {"/d.docx/a", TargetKind::kText},          {"/d.xls/a", TargetKind::kText},
      {"/d/a.txt", TargetKind::kText},           {"/d/xls", TargetKind::kText},
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
  std::string Write(const std::string& data) {
    std::string path = dir_ + "/f.txt";
    std::ofstream(path, std::ios::binary) << data;
    return path;
  }
  // "<lineNo>:<text>" of each line holding needle, and the count of all lines.
  std::vector<std::string> Hits(const std::string& data, const std::string& needle,
                                bool caseSensitive = true, size_t piece = kLinePiece) {
    return HitsIn(Write(data), needle, caseSensitive, piece);
  }
  std::vector<std::string> HitsIn(const std::string& path, const std::string& needle,
                                  bool caseSensitive, size_t piece) {
    std::vector<std::string> hits;
    int64_t count = 0;
    EXPECT_TRUE(ForEachTextLine(
        path, needle, caseSensitive,
        [&](int64_t no, const std::string* hit) {
          EXPECT_EQ(no, ++count);
          if (hit) hits.push_back(std::to_string(no) + ":" + *hit);
          return true;
        },
        piece));
    lines_ = count;
    return hits;
  }
  std::string dir_;
  int64_t lines_ = 0;
};

TEST_F(LineFile, SplitsAtCrLfLoneCrAndLoneLf) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Hits("", "a"), V{});
  EXPECT_EQ(lines_, 0);
  EXPECT_EQ(Hits("ab\r\ncd\ref", "d"), V{"2:cd"});
  EXPECT_EQ(lines_, 3);
  EXPECT_EQ(Hits("a\n\nb\n", "b"), V{"3:b"});
  EXPECT_EQ(lines_, 3);
  EXPECT_EQ(Hits("a\r\n\r\n", "a"), V{"1:a"});
  EXPECT_EQ(lines_, 2);
  EXPECT_EQ(Hits("a\n\r", "a"), V{"1:a"});
  EXPECT_EQ(lines_, 2);
  EXPECT_EQ(Hits(std::string("a\0b\nc", 5), "a b"), V{"1:a b"});
  // A CR LF pair split over two reads is still one line end.
  std::string big(64 * 1024 - 1, 'x');
  EXPECT_EQ(Hits(big + "\r\ny", "y"), V{"2:y"});
  EXPECT_EQ(lines_, 2);
  EXPECT_FALSE(ForEachTextLine(dir_ + "/missing", "a", true,
                               [](int64_t, const std::string*) { return true; }));
}

TEST_F(LineFile, ReadsOnlyWhatTheFileHeldWhenOpened) {
  const std::string path = Write("one\ntwo\nthree");
  std::vector<int64_t> lines;
  std::ofstream more(path, std::ios::binary | std::ios::app);
  EXPECT_TRUE(ForEachTextLine(path, "o", true, [&](int64_t no, const std::string*) {
    lines.push_back(no);
    // Each line read makes the file longer; without a bound the search would never end.
    more << "\nmore" << std::string(100000, 'x') << std::flush;
    return lines.size() < 1000;
  }));
  EXPECT_EQ(lines, (std::vector<int64_t>{1, 2, 3}));
}

// Long lines are looked at a piece at a time: the hits must be those of the whole lines,
// whatever the piece and wherever the string lies against the cuts (2-byte characters whose
// second byte looks like the string's first, zero bytes, case, line ends of every kind).
TEST_F(LineFile, LongLinesLookedAtInPiecesGiveTheHitsOfWholeLines) {
  std::mt19937 random(7);
  const std::vector<std::string> parts = {
      "a",    "b",  "A",  "\x82\x61",           "\x82", "\x61\x82", "ab",
      "\r\n", "\n", "\r", std::string(1, '\0'), "x",    "aB"};
  const std::vector<std::string> needles = {"a",        "ab",  "aba", "\x82\x61",
                                            "\x61\x82", "bab", "a b", "AB"};
  for (int round = 0; round < 40; ++round) {
    std::string data;
    const int pieces = 50 + static_cast<int>(random() % 3000);
    for (int k = 0; k < pieces; ++k) {
      const std::string& part = parts[random() % parts.size()];
      // Line ends are rare, so most lines are long against the pieces below.
      if ((part[0] == '\r' || part[0] == '\n') && random() % 8 != 0) continue;
      data += part;
    }
    const std::string path = Write(data);
    for (const std::string& needle : needles) {
      for (const bool caseSensitive : {true, false}) {
        std::vector<std::string> whole;  // the reference: every line held whole
        {
          std::string line;
          int64_t no = 0;
          bool afterCr = false;
          auto end = [&] {
            ++no;
            if (ContainsSearchString(line, needle, caseSensitive))
              whole.push_back(std::to_string(no) + ":" + line);
            line.clear();
          };
          for (const char c : data) {
            if (c == '\n' && afterCr) {
              afterCr = false;
              continue;
            }
            afterCr = c == '\r';
            if (c == '\r' || c == '\n')
              end();
            else
              line.push_back(c == '\0' ? ' ' : c);
          }
          if (!line.empty()) end();
        }
        for (const size_t piece : {1, 2, 5, 64}) {
          EXPECT_EQ(HitsIn(path, needle, caseSensitive, piece), whole)
              << "round " << round << " needle " << needle << " piece " << piece;
        }
      }
    }
  }
}

// A 32 MB line is searched without being held; the one line that holds the string (after
// its 32 MB head) is reported whole.
TEST_F(LineFile, ALongLineIsHeldOnlyWhenItHoldsTheString) {
  const size_t size = size_t{32} << 20;
  {
    std::ofstream out(dir_ + "/f.txt", std::ios::binary);
    const std::string block(1 << 16, 'x');
    for (size_t k = 0; k < size; k += block.size()) out << block;
    out << "\n" << std::string(size, 'y') << "needle\n";
  }
  size_t reported = 0;
  std::vector<int64_t> lines;
  const long growth = testing::PeakGrowthMb([&] {
    EXPECT_TRUE(
        ForEachTextLine(dir_ + "/f.txt", "needle", true, [&](int64_t no, const std::string* hit) {
          lines.push_back(no);
          if (hit) {
            reported = hit->size();
            EXPECT_EQ(hit->find_first_not_of('y'), size);
          }
          return no < 1;  // stop before the reported line is kept
        }));
  });
  EXPECT_EQ(lines, (std::vector<int64_t>{1}));
  EXPECT_EQ(reported, 0u);
  if (growth >= 0) {
    EXPECT_LT(growth, 16) << "MB held for a line without the string";
  }
  EXPECT_TRUE(
      ForEachTextLine(dir_ + "/f.txt", "needle", true, [&](int64_t no, const std::string* hit) {
        if (hit) reported = no == 2 ? hit->size() : 0;
        return true;
      }));
  EXPECT_EQ(reported, size + 6);
}

}  // namespace
}  // namespace skarvo
