#include "engine/char_codes.h"

#include <gtest/gtest.h>

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

TEST(ReadCharAt, ReadsOneAndTwoByteCharactersAndStopsOutsideTheText) {
  const std::string text =
      "a\x82\xA0"
      "b";
  struct Row {
    int index;
    CharCode code;
    int after;
  } rows[] = {{1, 'a', 2}, {2, 0x82A0, 4}, {4, 'b', 5}, {5, 0, 5}, {0, 0, 0}, {-3, 0, -3}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.index);
    int index = row.index;
    EXPECT_EQ(ReadCharAt(text, index), row.code);
    EXPECT_EQ(index, row.after);
  }
}

TEST(ReadCharAt, LoneLeadByteAtTheEndIsAnErrorAtItsIndex) {
  const std::string text = "ab\x82";
  int index = 3;
  try {
    ReadCharAt(text, index);
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_EQ(e.Message(), Sjis("不正な２バイト文字コードです。"));
    EXPECT_EQ(e.ErrorPos(), 3);
  }
}

TEST(StepBackChar, UsesTheParityOfTheLeadByteRun) {
  struct Row {
    const char* text;
    int index;
    int after;
  } rows[] = {
      {"ab", 1, 1},
      {"ab", 2, 1},
      {"ab", 3, 2},
      {"a\x82\xA0", 4, 2},         // over あ
      {"\x81\x81\x81\x41", 5, 3},  // two characters whose bytes all look like leads
      {"\x81\x81"
       "A",
       4, 3},  // A after a 2-byte character whose second byte is a lead value
      {"x\x83\x5C"
       "1",
       5, 4},  // the second byte 0x5C is not taken for a backslash
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    int index = row.index;
    StepBackChar(row.text, index);
    EXPECT_EQ(index, row.after);
  }
}

TEST(ReadEscape, DecodesEveryForm) {
  struct Row {
    const char* text;  // what follows the backslash
    CharCode code;
    int after;
  } rows[] = {
      {"b", 8, 2},           {"n", 10, 2},          {"r", 13, 2},
      {"t", 9, 2},           {"x41", 0x41, 4},      {"x82a0", 0x82A0, 6},
      {"x41424", 0x4142, 6}, {"xFfZ", 0xFF, 4},     {"101", 0x41, 4},
      {"0", 0, 2},           {"177777", 0xFFFF, 7}, {"1234567", 0xA72E, 7},
      {"18", 1, 2},          {".", '.', 2},         {"\\", '\\', 2},
      {"]", ']', 2},         {"-", '-', 2},         {"\x82\xA0", 0x82A0, 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    int index = 1;
    EXPECT_EQ(ReadEscape(row.text, index), row.code);
    EXPECT_EQ(index, row.after);
  }
}

TEST(ReadEscape, ReportsBadEscapesWithTheirTexts) {
  struct Row {
    const char* text;
    const char* message;
    int pos;
  } rows[] = {
      {"", "\"\\\"の次には文字が必要です。", 1},
      {"x", "不正な１６進数コード表記です。", 2},
      {"xg", "不正な１６進数コード表記です。", 2},
      {"200000", "不正な８進数コード表記です。", 7},
      {"x4\x82", "不正な２バイト文字コードです。", 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    int index = 1;
    try {
      ReadEscape(row.text, index);
      ADD_FAILURE() << "no error";
    } catch (const ERegExpParser& e) {
      EXPECT_EQ(e.Message(), Sjis(row.message));
      EXPECT_EQ(e.ErrorPos(), row.pos);
    }
  }
}

TEST(CodeToStr, TwoBytesOnlyForALeadByteHigh) {
  EXPECT_EQ(CodeToStr(0x82A0), "\x82\xA0");
  EXPECT_EQ(CodeToStr('a'), "a");
  EXPECT_EQ(CodeToStr(0x4142), "B");  // 0x41 is not a lead byte
  EXPECT_EQ(CodeToStr(0), std::string(1, '\0'));
}

TEST(ReadCharFromText, NeverPassesTheTerminator) {
  const char text[] = "a\x83\x41\x82";
  const char* p = text;
  EXPECT_EQ(ReadCharFromText(p), 'a');
  EXPECT_EQ(ReadCharFromText(p), 0x8341);
  EXPECT_EQ(ReadCharFromText(p), 0x82);  // lone lead byte: its own value, one byte
  EXPECT_EQ(p, text + 4);
  EXPECT_EQ(ReadCharFromText(p), 0);
  EXPECT_EQ(p, text + 4);
}

TEST(QuoteMetaChars, EscapesTheTwelveMetacharactersAndKeepsSecondBytes) {
  EXPECT_EQ(QuoteMetaChars("^(|)+*?.[]$\\"), "\\^\\(\\|\\)\\+\\*\\?\\.\\[\\]\\$\\\\");
  EXPECT_EQ(QuoteMetaChars("a-b{}"), "a-b{}");
  // ソ is 0x83 0x5C: its second byte must not be escaped.
  EXPECT_EQ(QuoteMetaChars("\x83\x5C."), "\x83\x5C\\.");
}

}  // namespace
}  // namespace skarvo
