#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace skarvo {
namespace {

TEST(Sjis, AwkwardCharactersTakeTheCp932Bytes) {
  struct Row {
    const char* utf8;
    const char* cp932;
  } rows[] = {
      {"～", "\x81\x60"}, {"－", "\x81\x7C"}, {"￥", "\x81\x8F"},
      {"”", "\x81\x68"},  {"’", "\x81\x66"},  {"￣", "\x81\x50"},
      {"あ", "\x82\xA0"}, {"ア", "\x83\x41"}, {"検索終了", "\x8C\x9F\x8D\xF5\x8F\x49\x97\xB9"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(Sjis(row.utf8), row.cp932);
  }
}

TEST(Sjis, ReturnsTheSameStorageEachTime) { EXPECT_EQ(&Sjis("フォルダ"), &Sjis("フォルダ")); }

TEST(Conversion, RoundTripsAndRefusesWhatHasNoCp932Form) {
  std::string out;
  ASSERT_TRUE(Utf8ToCp932("a検索b", out));
  std::string back;
  ASSERT_TRUE(Cp932ToUtf8(out, back));
  EXPECT_EQ(back, "a検索b");
  EXPECT_FALSE(Utf8ToCp932("😀", out));
  EXPECT_FALSE(Cp932ToUtf8("\x82", out));  // a lone lead byte
  EXPECT_EQ(Utf8ToCp932Lossy("a😀b"), "a?b");
}

TEST(Conversion, Utf16ReplacesWhatHasNoCp932Form) {
  EXPECT_EQ(Utf16ToCp932(u"xあ"), "x\x82\xA0");
  EXPECT_EQ(Utf16ToCp932(u"a\U0001F600b"), "a?b");
}

TEST(UpperCase, ChangesAsciiOnlyAndStepsOverSecondBytes) {
  // 0x83 0x61 is a 2-byte character whose second byte looks like 'a'.
  EXPECT_EQ(UpperCaseCp932("ab\x83\x61z"), "AB\x83\x61Z");
  EXPECT_EQ(UpperCaseCp932("\xE0\x7A\x7A"), "\xE0\x7A\x5A");
}

TEST(LeadByte, Ranges) {
  EXPECT_FALSE(IsLeadByte(0x80));
  EXPECT_TRUE(IsLeadByte(0x81));
  EXPECT_TRUE(IsLeadByte(0x9F));
  EXPECT_FALSE(IsLeadByte(0xA0));
  EXPECT_FALSE(IsLeadByte(0xDF));
  EXPECT_TRUE(IsLeadByte(0xE0));
  EXPECT_TRUE(IsLeadByte(0xFC));
  EXPECT_FALSE(IsLeadByte(0xFD));
}

}  // namespace
}  // namespace skarvo

namespace skarvo {
namespace {

// Every character on its own converts as the converter gives it, and what does not convert
// is one replacement: a lead byte takes the byte after it along, a lone lead byte at the end
// goes alone. Texts of many characters are their characters' forms in a row.
TEST(Cp932ToUtf8LossyTest, EveryCharacterAsTheConverterGivesIt) {
  const std::string replacement = "\xEF\xBF\xBD";
  std::string all;
  std::string expectedAll;
  for (int b = 0; b < 256; ++b) {
    const auto lead = static_cast<unsigned char>(b);
    for (int t = 0; t < (IsLeadByte(lead) ? 256 : 1); ++t) {
      std::string text(1, static_cast<char>(b));
      if (IsLeadByte(lead)) text += static_cast<char>(t);
      std::string strict;
      const std::string expected = Cp932ToUtf8(text, strict) ? strict : replacement;
      ASSERT_EQ(Cp932ToUtf8Lossy(text), expected) << b << " " << t;
      all += text;
      expectedAll += expected;
    }
  }
  EXPECT_EQ(Cp932ToUtf8Lossy(all), expectedAll);
  EXPECT_EQ(Cp932ToUtf8Lossy("a\x82"), "a" + replacement);
}

// The form that writes into the caller's room gives the same bytes and stays inside the
// room: ASCII runs of every length up to 20 around 2-byte, 1-byte katakana, unconvertible
// and lone-lead characters, so the eight-at-a-time path starts and stops everywhere.
TEST(Cp932ToUtf8LossyTest, WritingIntoRoomGivesTheSameBytesWithinTheBound) {
  const std::string odd[] = {"\x83\x74", "\xB1", "\x80", "\x82", "\x81\x7F", "\xEA\xA4"};
  for (const std::string& middle : odd) {
    for (size_t before = 0; before <= 20; ++before) {
      for (size_t after = 0; after <= 20; ++after) {
        const std::string text = std::string(before, 'a') + middle + std::string(after, 'z') +
                                 (middle == "\x82" ? "" : middle);
        const size_t bound = Cp932ToUtf8LossyBound(text.size());
        std::string room(bound + 16, '#');
        const size_t n = Cp932ToUtf8LossyTo(text, room.data());
        ASSERT_EQ(room.substr(0, n), Cp932ToUtf8Lossy(text)) << before << " " << after;
        ASSERT_EQ(room.substr(bound), std::string(16, '#'));
      }
    }
  }
}

}  // namespace
}  // namespace skarvo
