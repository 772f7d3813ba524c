#include "readers/xbiff_strings.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "readers/xbiff_builder.h"

namespace skarvo {
namespace {

using testing::BiffBytes;

BiffContinuedBody Bodies(std::initializer_list<std::string> pieces) {
  BiffContinuedBody body;
  for (const auto& p : pieces) body.Append(p);
  return body;
}

std::vector<std::string> Strings(const SharedStringTable& table) {
  std::vector<std::string> out;
  for (size_t i = 0; i < table.Size(); ++i) out.emplace_back(table.At(i));
  return out;
}

TEST(SharedStringTable, JoinsAStringSplitFromEightBitToSixteenBit) {
  // "abcdef" then "Japanese" continued: 3 ASCII characters before the split, the rest
  // in 16-bit characters after a fresh options byte.
  std::string first =
      BiffBytes().U32(2).U32(2).U16(2).U8(0).Raw("xy").U16(5).U8(0).Raw("abc").Str();
  std::string second = BiffBytes().U8(1).Wide(u"日本").U16(1).U8(0).Raw("z").Str();
  SharedStringTable table;
  table.Build(Bodies({first, second}));
  EXPECT_EQ(Strings(table), (std::vector<std::string>{"xy", "abc" + Sjis("日本"), "z"}));
}

TEST(SharedStringTable, SplitsAndRunsAcrossSeveralBodies) {
  struct Case {
    const char* name;
    std::vector<std::string> pieces;
    std::vector<std::string> expected;
  } cases[] = {
      {"sixteen-bit to eight-bit",
       {BiffBytes().U32(1).U32(1).U16(4).U8(1).Wide(u"あ").Str(),
        BiffBytes().U8(0).Raw("bcd").Str()},
       {Sjis("あ") + "bcd"}},
      {"split over three bodies",
       {BiffBytes().U32(1).U32(1).U16(6).U8(0).Raw("ab").Str(), BiffBytes().U8(0).Raw("cd").Str(),
        BiffBytes().U8(1).Wide(u"ef").U16(1).U8(0).Raw("g").Str()},
       {"abcdef", "g"}},
      {"header ends a body, characters begin the next with their own options",
       {BiffBytes().U32(1).U32(1).U16(2).U8(0).Str(), BiffBytes().U8(1).Wide(u"いう").Str()},
       {Sjis("いう")}},
      {"formatting runs run on into the next body",
       {BiffBytes().U32(2).U32(2).U16(1).U8(8).U16(2).Raw("r").U32(0).Str(),
        BiffBytes().U32(0).U16(1).U8(0).Raw("s").Str()},
       {"r", "s"}},
      {"extension data skipped",
       {BiffBytes()
            .U32(2)
            .U32(2)
            .U16(1)
            .U8(4)
            .U32(3)
            .Raw("e")
            .Raw("xxx")
            .U16(1)
            .U8(0)
            .Raw("f")
            .Str()},
       {"e", "f"}},
      {"empty continuation bodies are stepped over",
       {BiffBytes().U32(1).U32(1).U16(2).U8(0).Raw("a").Str(), "",
        BiffBytes().U8(0).Raw("b").Str()},
       {"ab"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BiffContinuedBody body;
    for (const auto& p : c.pieces) body.Append(p);
    SharedStringTable table;
    table.Build(body);
    EXPECT_EQ(Strings(table), c.expected);
  }
}

TEST(SharedStringTable, DamagedTablesKeepWhatWasReadBefore) {
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<std::string> expected;
  } cases[] = {
      {"counts only", BiffBytes().U32(5).U32(5).Str(), {}},
      {"cut inside the counts", "\x01\x00", {}},
      {"string longer than the table",
       BiffBytes().U32(2).U32(2).U16(1).U8(0).Raw("a").U16(50).U8(0).Raw("bc").Str(),
       {"a"}},
      {"cut inside a header", BiffBytes().U32(2).U32(2).U16(1).U8(0).Raw("a").U8(3).Str(), {"a"}},
      {"huge run count", BiffBytes().U32(2).U32(2).U16(1).U8(8).U16(0xFFFF).Raw("a").Str(), {"a"}},
      {"huge extension size",
       BiffBytes().U32(2).U32(2).U16(1).U8(4).U32(0xFFFFFFFF).Raw("a").U16(1).U8(0).Raw("b").Str(),
       {"a"}},
      {"16-bit characters cut after an odd byte",
       BiffBytes().U32(2).U32(2).U16(1).U8(0).Raw("a").U16(2).U8(1).U16(u'x').U8(0).Str(),
       {"a"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SharedStringTable table;
    table.Build(Bodies({c.bytes}));
    EXPECT_EQ(Strings(table), c.expected);
  }
}

TEST(SharedStringTable, BuildReplacesTheOldTable) {
  SharedStringTable table;
  table.Build(Bodies({BiffBytes().U32(1).U32(1).U16(1).U8(0).Raw("a").Str()}));
  table.Build(Bodies({BiffBytes().U32(1).U32(1).U16(1).U8(0).Raw("b").Str()}));
  EXPECT_EQ(Strings(table), std::vector<std::string>{"b"});
}

TEST(Biff8UnitsToCp932, StopsAtZeroAndConvertsWhatIsNotAscii) {
  EXPECT_EQ(Biff8UnitsToCp932(u"abc"), "abc");
  EXPECT_EQ(Biff8UnitsToCp932(std::u16string(u"ab\0cd", 5)), "ab");
  EXPECT_EQ(Biff8UnitsToCp932(u"表計算"), Sjis("表計算"));
  EXPECT_EQ(Biff8UnitsToCp932(u"\U0001F600x"), "?x");
}

TEST(CutCp932Text, StopsAtZeroAndNeverSplitsACharacter) {
  EXPECT_EQ(CutCp932Text(std::string("ab\0cd", 5), 10), "ab");
  EXPECT_EQ(CutCp932Text("abcdef", 4), "abcd");
  std::string kanji = Sjis("漢字");  // 4 bytes
  EXPECT_EQ(CutCp932Text("a" + kanji, 4), "a" + Sjis("漢"));
  EXPECT_EQ(CutCp932Text(kanji, 3), Sjis("漢"));
}

}  // namespace
}  // namespace skarvo
