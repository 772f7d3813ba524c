#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/compound_file_builder.h"
#include "platform/compound_storage.h"
#include "readers/doc_builder.h"
#include "readers/doc_pieces.h"
#include "readers/read_doc.h"

namespace skarvo {
namespace {

using testing::BuildCompoundFile;
using testing::BuildWord97;
using testing::PieceSpec;
using testing::PutLE;
using testing::Utf16Bytes;
using testing::Word97Doc;
using testing::Word97Options;
using Lines = std::vector<std::string>;

const std::string kData = SKARVO_TEST_DATA;

Lines ReadDoc(const Word97Doc& doc, bool tableOne = true, const std::string& otherTable = "") {
  std::vector<testing::StreamEntry> streams = {{"WordDocument", doc.wordDocument},
                                               {tableOne ? "1Table" : "0Table", doc.table}};
  if (!otherTable.empty()) streams.push_back({tableOne ? "0Table" : "1Table", otherTable});
  Lines lines = {"earlier"};
  TReadDoc().ReadTextFromBytes(BuildCompoundFile(streams), &lines);
  return lines;
}

PieceSpec Wide(std::u16string_view text) { return {Utf16Bytes(text), false}; }
PieceSpec Narrow(std::string bytes) { return {std::move(bytes), true}; }

TEST(ReadDocPiecesTest, TextFollowsThePieceTable) {
  const std::vector<PieceSpec> pieces = {Narrow("Hello \x93quoted\x94\r"), Wide(u"日本語の段落\r"),
                                         Narrow("end\r")};
  const Lines all = {"Hello " + Sjis("“quoted”"), Sjis("日本語の段落"), "end"};
  const uint32_t total = 15 + 7 + 4;
  struct Row {
    const char* what;
    Word97Options options;
    Lines expected;
  } rows[] = {
      {"three pieces", {.ccpText = total}, all},
      {"pieces stored in reverse order", {.ccpText = total, .reverseFileOrder = true}, all},
      {"table 0", {.ccpText = total, .tableOne = false}, all},
      {"no property runs", {.ccpText = total, .withPrc = false}, all},
      {"count ends inside a 16-bit piece", {.ccpText = 15 + 3}, {all[0], Sjis("日本語")}},
      {"count ends inside a compressed piece", {.ccpText = 5}, {"Hello"}},
      {"count past the pieces", {.ccpText = 0xFFFFFFFF}, all},
      {"count 0", {.ccpText = 0}, {}},
      {"text at 0x400 is ignored when the pieces say otherwise",
       {.ccpText = total, .junkAt400 = Utf16Bytes(u"wrong\r")},
       all},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ReadDoc(BuildWord97(pieces, row.options), row.options.tableOne,
                      "garbage in the other table stream"),
              row.expected);
  }
}

TEST(ReadDocPiecesTest, UnusablePieceTableFallsBackToFixedOffset) {
  const Word97Options base{.ccpText = 6, .junkAt400 = Utf16Bytes(u"old\rtx")};
  const Lines fixed = {"old", "tx"};
  struct Row {
    const char* what;
    void (*damage)(Word97Doc&);
  } rows[] = {
      {"no FIB identifier", [](Word97Doc& d) { PutLE(d.wordDocument, 0, 0x1234, 2); }},
      {"older FIB layout", [](Word97Doc& d) { PutLE(d.wordDocument, 0x20, 0x0D, 2); }},
      {"too few offset pairs", [](Word97Doc& d) { PutLE(d.wordDocument, 0x98, 33, 2); }},
      {"empty CLX", [](Word97Doc& d) { PutLE(d.wordDocument, 0x1A6, 0, 4); }},
      {"CLX past the table stream",
       [](Word97Doc& d) { PutLE(d.wordDocument, 0x1A2, d.table.size() - 4, 4); }},
      {"CLX offset far past the table",
       [](Word97Doc& d) { PutLE(d.wordDocument, 0x1A2, 0xFFFFFFF0, 4); }},
      {"CLX size overflows", [](Word97Doc& d) { PutLE(d.wordDocument, 0x1A6, 0xFFFFFFFF, 4); }},
      {"unknown CLX entry", [](Word97Doc& d) { d.table[0x40] = 0x07; }},
      {"property run longer than the CLX", [](Word97Doc& d) { PutLE(d.table, 0x41, 0x7FFF, 2); }},
      {"negative property run size", [](Word97Doc& d) { PutLE(d.table, 0x41, 0x8000, 2); }},
      {"piece table size not a whole count",
       [](Word97Doc& d) { PutLE(d.table, 0x47, 4 + 12 + 1, 4); }},
      {"piece table past the CLX", [](Word97Doc& d) { PutLE(d.table, 0x47, 4 + 12 * 50, 4); }},
      {"first position not 0", [](Word97Doc& d) { PutLE(d.table, 0x4B, 1, 4); }},
      {"positions go backwards",
       [](Word97Doc& d) {
         PutLE(d.table, 0x4B + 4, 100, 4);
         PutLE(d.table, 0x4B + 8, 50, 4);
       }},
      {"no table stream", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Word97Doc doc = BuildWord97({Wide(u"piece text\r"), Wide(u"more\r")}, base);
    if (row.damage) {
      row.damage(doc);
      EXPECT_EQ(ReadDoc(doc), fixed);
    } else {
      Lines lines;
      TReadDoc().ReadTextFromBytes(BuildCompoundFile({{"WordDocument", doc.wordDocument}}), &lines);
      EXPECT_EQ(lines, fixed);
    }
  }
}

TEST(ReadDocPiecesTest, PiecesRunningPastTheStreamEndTheText) {
  Word97Doc doc = BuildWord97({Wide(u"first\r"), Wide(u"second\r")}, {.ccpText = 13});
  // The second piece now starts 4 bytes before the end of the stream: 2 characters left.
  const size_t secondFc = doc.wordDocument.size() - 14;
  doc.wordDocument.resize(secondFc + 4);
  EXPECT_EQ(ReadDoc(doc), (Lines{"first", "se"}));

  // A compressed piece cut the same way.
  doc = BuildWord97({Narrow("abc\r"), Narrow("defg\r")}, {.ccpText = 9});
  doc.wordDocument.resize(doc.wordDocument.size() - 3);
  EXPECT_EQ(ReadDoc(doc), (Lines{"abc", "de"}));
}

TEST(ReadDocPiecesTest, OverlappingPiecesCannotOutgrowTheStream) {
  // Many pieces over the same bytes, with a huge count: the text stays within the stream.
  std::vector<PieceSpec> pieces(200, Wide(u"0123456789abcdef"));
  Word97Doc doc = BuildWord97(pieces, {.ccpText = 0xFFFFFFFF});
  const size_t firstFc = 0x800;
  for (size_t i = 0; i < pieces.size(); ++i)
    PutLE(doc.table, 0x4B + 4 * 201 + 12 * i + 2, firstFc, 4);
  auto parsed = ParseDocPieceTable(doc.wordDocument, doc.table);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(parsed->size(), 200u);
  std::u16string text = DocPieceText(doc.wordDocument, *parsed, 0xFFFFFFFF);
  EXPECT_LE(text.size(), doc.wordDocument.size());
  EXPECT_EQ(text.substr(0, 16), u"0123456789abcdef");
}

TEST(ReadDocPiecesTest, CompressedBytesAreWindows1252) {
  struct Row {
    unsigned char byte;
    char16_t expected;
  } rows[] = {{'A', u'A'},  {0x80, u'€'}, {0x92, u'’'}, {0x97, u'—'}, {0x9F, u'Ÿ'},
              {0x81, 0x81}, {0xA0, 0xA0}, {0xE9, u'é'}, {0xFF, u'ÿ'}};
  for (const Row& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.byte));
    EXPECT_EQ(DocCompressedChar(row.byte), row.expected);
  }
  // A character with a CP932 form comes out in CP932, one without becomes "?": no byte of
  // the text is taken as a lead byte that would swallow the next character.
  Word97Doc doc = BuildWord97({Narrow("don\x92t caf\xE9!\r")}, {.ccpText = 12});
  EXPECT_EQ(ReadDoc(doc), (Lines{"don" + Sjis("’") + "t caf?!"}));
}

TEST(ReadDocPiecesTest, LibreOfficeTextIsNotAtTheFixedOffset) {
  // Why the piece table matters: the old fixed offset finds nothing of the text here.
  auto storage = CompoundStorage::Open(kData + "/readers/doc_paragraphs.doc");
  ASSERT_NE(storage, nullptr);
  auto stream = storage->ReadStream("WordDocument");
  ASSERT_TRUE(stream.has_value());
  std::string fixed = Utf16ToCp932(FixedOffsetDocText(*stream, 200));
  EXPECT_EQ(fixed.find(Sjis("検索対象")), std::string::npos);
  ASSERT_TRUE(DocTableStreamName(*stream).has_value());
  auto table = storage->ReadStream(*DocTableStreamName(*stream));
  ASSERT_TRUE(table.has_value());
  auto pieces = ParseDocPieceTable(*stream, *table);
  ASSERT_TRUE(pieces.has_value());
  EXPECT_NE(Utf16ToCp932(DocPieceText(*stream, *pieces, 200)).find(Sjis("検索対象")),
            std::string::npos);
}

}  // namespace
}  // namespace skarvo
