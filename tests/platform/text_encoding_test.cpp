#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/codepage.h"

namespace skarvo {
namespace {

std::string Sj(const char* utf8) {
  std::string out;
  EXPECT_TRUE(Utf8ToCp932(utf8, out)) << utf8;
  return out;
}

std::string Euc(const char* utf8) {
  std::string out;
  EXPECT_TRUE(FromInternalForm(Sj(utf8), TextEncoding::kEucJp, out)) << utf8;
  return out;
}

TEST(TextEncodingTest, DetectsShortAndAmbiguousTexts) {
  const struct {
    const char* what;
    std::string bytes;
    TextEncoding expected;
  } cases[] = {
      {"empty", "", TextEncoding::kShiftJis},
      {"pure ASCII", "hello, world\r\n", TextEncoding::kShiftJis},
      {"Shift-JIS kanji", Sj("日本語のテキストです。"), TextEncoding::kShiftJis},
      {"Shift-JIS two kanji", Sj("漢字"), TextEncoding::kShiftJis},
      {"half-width katakana", Sj("ﾃｽﾄ"), TextEncoding::kShiftJis},
      // Also two UTF-8 characters of 2 bytes ("±"): too few to leave Shift-JIS.
      {"half-width katakana valid as UTF-8", Sj("ﾂｱ"), TextEncoding::kShiftJis},
      {"half-width katakana run", Sj("ｱｲｳｴｵ"), TextEncoding::kShiftJis},
      {"UTF-8 one character", "あ", TextEncoding::kUtf8},
      {"UTF-8 a few characters", "日本語", TextEncoding::kUtf8},
      {"UTF-8 sentence", "日本語のテキストです。\n", TextEncoding::kUtf8},
      {"UTF-8 emoji", "ok 😀", TextEncoding::kUtf8},
      {"UTF-8 BOM",
       "\xEF\xBB\xBF"
       "abc",
       TextEncoding::kUtf8Bom},
      {"UTF-16LE BOM",
       std::string("\xFF\xFE"
                   "a\0",
                   4),
       TextEncoding::kUtf16Le},
      {"UTF-16BE BOM", std::string("\xFE\xFF\0a", 4), TextEncoding::kUtf16Be},
      {"EUC-JP not Shift-JIS", Euc("漢字"), TextEncoding::kEucJp},
      {"EUC-JP sentence", Euc("カタカナとひらがなの文章です"), TextEncoding::kEucJp},
      // Every byte pair here is half-width katakana in Shift-JIS as well: not clearly EUC-JP.
      {"EUC-JP also valid Shift-JIS", Euc("あい"), TextEncoding::kShiftJis},
      {"binary", std::string("\x80\x00\xFF\xA0", 4), TextEncoding::kShiftJis},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectEncoding(c.bytes, true), c.expected) << c.what;
  // A character cut at the end of a head that is not the whole file is no fault.
  const std::string cut = std::string("日本語").substr(0, 7);
  EXPECT_EQ(DetectEncoding(cut, false), TextEncoding::kUtf8);
}

// Every encoding: a file's bytes to the internal form and back give the same bytes, also in
// pieces cut anywhere, and the internal form is the Shift-JIS form where CP932 has one.
TEST(TextEncodingTest, ConvertsThereAndBackInPieces) {
  const std::string text = "一行目 abc\r\n〜－‖ 𠮷野家 한국어 😀\nｶﾀｶﾅ\r末尾";
  std::string internal;
  ASSERT_TRUE(Utf8ToInternal(text, internal));
  EXPECT_EQ(InternalToUtf8(internal), text);
  EXPECT_TRUE(HoldsUnit(internal));
  EXPECT_EQ(internal.substr(0, 12), Sj("一行目 abc\r\n"));
  std::string shiftJis;
  EXPECT_FALSE(FromInternalForm(internal, TextEncoding::kShiftJis, shiftJis));
  std::string euc;
  EXPECT_FALSE(FromInternalForm(internal, TextEncoding::kEucJp, euc)) << "emoji";

  std::mt19937 random(7);
  for (TextEncoding e : {TextEncoding::kUtf8, TextEncoding::kUtf8Bom, TextEncoding::kUtf16Le,
                         TextEncoding::kUtf16Be, TextEncoding::kEucJp}) {
    std::string sample = internal;
    if (e == TextEncoding::kEucJp) {
      ASSERT_TRUE(Utf8ToInternal("一行目 abc\r\n〜−‖ ｶﾀｶﾅ\r末尾", sample));
    }
    std::string bytes;
    ASSERT_TRUE(FromInternalForm(sample, e, bytes)) << EncodingName(e);
    bytes = std::string(ByteOrderMark(e)) + bytes;
    EXPECT_EQ(ToInternalForm(bytes, e), sample) << EncodingName(e);
    for (int round = 0; round < 50; ++round) {
      InternalFormWriter writer(e);
      std::string pieces;
      size_t at = 0;
      while (at < bytes.size()) {
        const size_t n = std::min(bytes.size() - at, size_t{random() % 5});
        writer.Convert(std::string_view(bytes).substr(at, n), pieces, false);
        at += n;
      }
      writer.Convert("", pieces, true);
      ASSERT_EQ(pieces, sample) << EncodingName(e) << " round " << round;
    }
  }
  // Bytes that are no character survive the way there and back.
  const std::string broken("a\xE3\x81\n\xFF\x80z", 7);
  std::string back;
  ASSERT_TRUE(
      FromInternalForm(ToInternalForm(broken, TextEncoding::kUtf8), TextEncoding::kUtf8, back));
  EXPECT_EQ(back, broken);
  const std::string oddUtf16(
      "\xFF\xFE"
      "a\0\n\0\x41",
      7);
  ASSERT_TRUE(FromInternalForm(ToInternalForm(oddUtf16, TextEncoding::kUtf16Le),
                               TextEncoding::kUtf16Le, back));
  EXPECT_EQ(back, oddUtf16.substr(2));
}

}  // namespace
}  // namespace skarvo
