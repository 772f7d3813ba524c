#include "readers/read_doc.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>

#include "platform/codepage.h"
#include "platform/compound_file_builder.h"
#include "platform/work_done.h"
#include "readers/doc_builder.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using testing::BuildCompoundFile;
using testing::OldDocStream;
using testing::Utf16Bytes;
using Lines = std::vector<std::string>;

const std::string kData = SKARVO_TEST_DATA;

using testing::TempFile;

Lines ReadBytes(const std::string& bytes, Lines start = {}) {
  TReadDoc().ReadTextFromBytes(bytes, &start);
  return start;
}

Lines ReadDocStream(const std::string& stream, Lines start = {}) {
  return ReadBytes(BuildCompoundFile({{"WordDocument", stream}}), std::move(start));
}

TEST(ReadDocTest, LibreOfficeDocumentGivesItsParagraphs) {
  Lines lines;
  TReadDoc().ReadText(kData + "/readers/doc_paragraphs.doc", &lines);
  const Lines expected = {Sjis("検索対象の文書です。"),
                          "Hello, world: plain ASCII text.",
                          Sjis("全角ＡＢＣと半角ｶﾀｶﾅ、記号～－￥"),
                          "",
                          Sjis("Mixed 日本語 and English 123."),
                          Sjis("最後の段落")};
  EXPECT_EQ(lines, expected);
}

TEST(ReadDocTest, LongLibreOfficeDocumentGivesEveryParagraph) {
  Lines lines = {"old content"};
  TReadDoc().ReadText(kData + "/readers/doc_long.doc", &lines);
  ASSERT_EQ(lines.size(), 300u);
  for (int i : {1, 150, 300}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[i - 1], Sjis(("段落 " + std::to_string(i) +
                                  ": The quick brown fox jumps over the lazy dog. いろはにほへと")
                                     .c_str()));
  }
}

TEST(ReadDocTest, HandBuiltOlderDocuments) {
  struct Row {
    const char* file;
    Lines expected;
  } rows[] = {
      {"doc_8bit.doc", {"old", "8-bit document", Sjis("あいうえおの本文"), Sjis("ASCII and 全角")}},
      {"doc_fixed400.doc", {Sjis("固定位置の本文"), "Second line", Sjis("三行目")}},
      {"doc_word6.doc",
       {"Word 6/95 " + Sjis("文書"), Sjis("メモ：ソース表示"), "", Sjis("最後の行")}},
      {"doc_word95.doc",
       {"Word 6/95 " + Sjis("文書"), Sjis("メモ：ソース表示"), "", Sjis("最後の行")}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    Lines lines = {"old"};
    TReadDoc().ReadText(kData + "/readers/" + row.file, &lines);
    EXPECT_EQ(lines, row.expected);
  }
}

// A Word 6 or Word 95 header: ccpText bytes of code page text from fcMin, within the stream.
std::string Word6Stream(uint16_t version, uint32_t fcMin, uint32_t ccpText, const std::string& at,
                        const std::string& text) {
  std::string s(at.size() > 0x400 ? at.size() : 0x400, '\0');
  s.replace(0, at.size(), at);
  auto put = [&s](size_t offset, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) s[offset + i] = static_cast<char>(value >> (8 * i));
  };
  put(0, 0xA5DC, 2);
  put(2, version, 2);
  put(4, 0x204D, 2);
  put(0x18, fcMin, 4);
  put(0x34, ccpText, 4);
  put(0x4C, 0, 4);
  return s + text;
}

TEST(ReadDocTest, Word6AndWord95Text) {
  const std::string text = Sjis("一行目\r\nソ\\メ\r") + "x";
  struct Row {
    const char* what;
    std::string stream;
    Lines expected;
  } rows[] = {
      {"Word 6",
       Word6Stream(101, 0x400, text.size(), "", text),
       {Sjis("一行目"), Sjis("ソ\\メ"), "x"}},
      {"Word 95", Word6Stream(104, 0x400, 6, "", text), {Sjis("一行目")}},
      {"count past the stream is cut",
       Word6Stream(105, 0x400, 0xFFFFFFFF, "", text),
       {Sjis("一行目"), Sjis("ソ\\メ"), "x"}},
      {"start past the stream", Word6Stream(101, 0xFFFFFFF0, 100, "", text), {}},
      {"a zero byte ends the text",
       Word6Stream(101, 0x400, 100, "", std::string("ab\0cd", 5)),
       {"ab"}},
      // Word 97's version keeps the 16-bit path: count 0 at 0x4C gives nothing.
      {"Word 97 header", Word6Stream(193, 0x400, text.size(), "", text), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ReadDocStream(row.stream, {"earlier"}), row.expected);
  }
}

TEST(ReadDocTest, SixteenBitTextAtFixedOffsetWithoutPieceTable) {
  const std::string abcde = Utf16Bytes(u"abc\rde");
  struct Row {
    const char* what;
    std::string stream;
    Lines expected;
  } rows[] = {
      {"count 6", OldDocStream(0x00, 6, 0x400, abcde), {"abc", "de"}},
      {"count 5", OldDocStream(0x00, 5, 0x400, abcde), {"abc", "d"}},
      {"count 0", OldDocStream(0x00, 0, 0x400, abcde), {}},
      {"zero character ends the text",
       OldDocStream(0x00, 6, 0x400, Utf16Bytes(u"ab\0c\rd")),
       {"ab"}},
      {"count past the stream is cut", OldDocStream(0x00, 0x7FFFFFFF, 0x400, abcde), {"abc", "de"}},
      {"largest count", OldDocStream(0x00, 0xFFFFFFFF, 0x400, abcde + "\x41"), {"abc", "de"}},
      {"CR LF and LF end lines too",
       OldDocStream(0x00, 11, 0x400, Utf16Bytes(u"a\r\nb\nc\r\r\nd")),
       {"a", "b", "c", "", "d"}},
      {"Japanese text becomes CP932",
       OldDocStream(0x00, 4, 0x400, Utf16Bytes(u"日本\r語")),
       {Sjis("日本"), Sjis("語")}},
      {"character without a CP932 form, cut by a conversion window",
       OldDocStream(0x00, 34, 0x400, Utf16Bytes(std::u16string(31, u'a') + u"\U0001F600b")),
       {std::string(31, 'a') + "?b"}},
      {"stream ends before the text", OldDocStream(0x00, 6, 0x300, ""), {}},
      {"stream shorter than its header", std::string("\x01\x02\x03", 3), {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ReadDocStream(row.stream, {"earlier"}), row.expected);
  }
}

TEST(ReadDocTest, TextWithoutCp932FormTakesLinearTime) {
  // Every character fails to convert; each must cost no more than a clean one.
  const std::u16string hangul(1 << 20, u'\uAC00');
  const std::string stream = OldDocStream(0x00, hangul.size(), 0x400, Utf16Bytes(hangul));
  // Bytes read and handed to the converter: each character that fails costs one window.
  const uint64_t before = workDone;
  Lines lines = ReadDocStream(stream);
  EXPECT_LT(workDone - before, 48 * stream.size());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string(hangul.size(), '?'));
}

TEST(ReadDocTest, EightBitTextWithSwappedPairs) {
  struct Row {
    const char* what;
    uint8_t product;
    std::string text;
    Lines expected;
  } rows[] = {
      {"ASCII line", 0x69, "abc\r", {"abc"}},
      {"swapped pair comes out in order", 0xC0, "\xA0\x82\r", {"\x82\xA0"}},
      {"text after the last CR is not a line", 0xE0, "one\rtwo\rrest", {"one", "two"}},
      {"pair between ASCII",
       0x69,
       "ab\xA0\x82"
       "c\r",
       {"ab\x82\xA0"
        "c"}},
      {"second byte of a pair that is itself a lead byte", 0x69, "\x81\x81\r", {"\x81\x81"}},
      {"zero bytes inside are dropped", 0x69, std::string("a\0b\0\0c\r", 7), {"abc"}},
      {"empty lines", 0x69, "\r\ra\r", {"", "", "a"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // Lines are added to what the list already holds.
    EXPECT_EQ(ReadDocStream(OldDocStream(row.product, 0, 0x300, row.text, 0x1000), {"kept"}), [&] {
      Lines all = {"kept"};
      all.insert(all.end(), row.expected.begin(), row.expected.end());
      return all;
    }());
  }
}

TEST(ReadDocTest, EightBitTextAcrossChunks) {
  // Lines long enough to cross the reader's chunk boundaries, and a stream that ends
  // without zero padding after a short last chunk: nothing may be read twice.
  std::string text;
  Lines expected;
  for (int i = 0; i < 40; ++i) {
    std::string line = "line" + std::to_string(i) + std::string(37 + i, 'a' + i % 26);
    text += line + "\r";
    expected.push_back(line);
  }
  for (size_t tail : {size_t{0}, size_t{1}, size_t{100}, size_t{512}}) {
    SCOPED_TRACE(tail);
    std::string body = text + std::string(tail, 'z');
    Lines lines = ReadDocStream(OldDocStream(0x69, 0, 0x300, body));
    EXPECT_EQ(lines, expected);
  }
}

TEST(ReadDocTest, EightBitStreamShorterThanItsTextOffset) {
  EXPECT_EQ(ReadDocStream(OldDocStream(0x69, 0, 0x100, "abc\r"), {"kept"}), Lines{"kept"});
}

TEST(ReadDocTest, PlainTextFileIsReadLineByLine) {
  struct Row {
    const char* what;
    std::string bytes;
    Lines expected;
  } rows[] = {
      {"CR LF, CR and LF", "one\r\ntwo\rthree\nfour", {"one", "two", "three", "four"}},
      {"final line end adds no line", "a\r\n", {"a"}},
      {"blank lines stay", "a\r\n\r\nb\n\n", {"a", "", "b", ""}},
      {"Shift-JIS bytes untouched", Sjis("日本語\r\nテキスト"), {Sjis("日本語"), Sjis("テキスト")}},
      {"empty file", "", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempFile file(row.bytes);
    Lines lines = {"replaced"};
    TReadDoc().ReadText(file.path(), &lines);
    EXPECT_EQ(lines, row.expected);
  }
}

TEST(ReadDocTest, MissingFileFailsWithMessage) {
  Lines lines;
  try {
    TReadDoc().ReadText("/nonexistent/skarvo/none.doc", &lines);
    FAIL() << "no exception";
  } catch (const EReadDoc& e) {
    EXPECT_EQ(e.Message(), Sjis("ﾌｧｲﾙを開くことに失敗しました"));
  }
}

TEST(ReadDocTest, NullListDoesNothing) {
  EXPECT_NO_THROW(TReadDoc().ReadText("/nonexistent/skarvo/none.doc", nullptr));
  EXPECT_NO_THROW(TReadDoc().ReadText(kData + "/readers/doc_paragraphs.doc", nullptr));
}

TEST(ReadDocTest, CompoundDocumentWithoutWordStreamReadsTheWholeFile) {
  // The file's own bytes become the document stream: its byte 4 (0xA1 in every compound
  // document) picks the 16-bit path, and the count at 0x4C is cut to the file.
  std::string file = BuildCompoundFile({{"Other", std::string(5000, 'q')}});
  testing::PutU32(file, 0x4C, 0xFFFFFFF0);
  Lines lines = ReadBytes(file, {"earlier"});
  size_t total = 0;
  for (const auto& line : lines) total += line.size();
  EXPECT_LE(total, file.size());
  EXPECT_NE(lines, Lines{"earlier"});
}

}  // namespace
}  // namespace skarvo
