// Documents far larger than a fixture: the readers keep a window of what they read, not the
// file, and reading in pieces gives exactly what reading the whole would.
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <random>

#include "platform/codepage.h"
#include "platform/compound_file_builder.h"
#include "platform/work_done.h"
#include "readers/doc_builder.h"
#include "readers/read_doc.h"
#include "readers/xbiff.h"
#include "readers/xbiff_builder.h"
#include "support/peak_memory.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using testing::BiffBytes;
using testing::BiffStream;
using testing::OldDocStream;
using testing::PieceSpec;

constexpr size_t kMegabyte = size_t{1} << 20;

// A stream written as its head, then `padding` bytes from fill (given the offset in the
// padding and a count), then its tail.
struct BigStream {
  const char* name;
  std::string head;
  size_t padding = 0;
  std::string tail = {};
};

// Writes a compound document to path a megabyte at a time, so the test itself stays small.
void WriteCompoundFile(const std::string& path, const std::vector<BigStream>& streams,
                       const std::function<std::string(size_t, size_t)>& fill) {
  gsf_init();
  GsfOutput* file = gsf_output_stdio_new(path.c_str(), nullptr);
  ASSERT_NE(file, nullptr);
  GsfOutfile* root = gsf_outfile_msole_new(file);
  auto write = [](GsfOutput* out, const std::string& bytes) {
    gsf_output_write(out, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
  };
  for (const BigStream& s : streams) {
    GsfOutput* child = gsf_outfile_new_child(root, s.name, FALSE);
    write(child, s.head);
    for (size_t done = 0; done < s.padding; done += kMegabyte)
      write(child, fill(done, std::min(kMegabyte, s.padding - done)));
    write(child, s.tail);
    gsf_output_close(child);
    g_object_unref(child);
  }
  gsf_output_close(GSF_OUTPUT(root));  // closes the file too
  g_object_unref(root);
  g_object_unref(file);
}

using testing::PeakGrowthMb;

// 128 MB of stream the readers need not keep: a document's stream padded after its text,
// a workbook's chain of continuations after a cell's text.
TEST(LargeDocuments, AreReadInAWindowNotWhole) {
  constexpr size_t kPadding = 128 * kMegabyte;

  const std::u16string text = u"先頭の行\r\nneedle in a large document\rlast line";
  testing::Word97Doc doc = testing::BuildWord97({PieceSpec{testing::Utf16Bytes(text)}},
                                                {.ccpText = static_cast<uint32_t>(text.size())});
  testing::TempFile docFile("");
  WriteCompoundFile(docFile.path(),
                    {{"WordDocument", doc.wordDocument, kPadding, ""}, {"1Table", doc.table}},
                    [](size_t, size_t n) { return std::string(n, '\0'); });
  std::vector<std::string> lines;
  uint64_t before = workDone;
  const long docGrowth = PeakGrowthMb([&] { TReadDoc().ReadText(docFile.path(), &lines); });
  // The stream is read through once to check it, then its text: not again and again.
  EXPECT_LT(workDone - before, kPadding + (uint64_t{4} << 20));
  EXPECT_EQ(lines, (std::vector<std::string>{Sjis("先頭の行"), "needle in a large document",
                                             "last line"}));

  BiffStream head, tail;
  head.Bof8(0x0010).Record(0x0204, BiffBytes().U16(1).U16(2).U16(15).U16(6).U8(0).Raw("needle"));
  tail.Record(0x0204, BiffBytes().U16(3).U16(4).U16(15).U16(4).U8(0).Raw("last")).Eof();
  // CONTINUE records of 8224 zero bytes after the first cell's text: more than any text
  // needs, as only a damaged or hostile file has them.
  BiffStream drawing;
  drawing.Record(0x003C, std::string(8224, '\0'));
  const size_t records = kPadding / drawing.Str().size();
  testing::TempFile xlsFile("");
  WriteCompoundFile(xlsFile.path(),
                    {{"Workbook", head.Str(), records * drawing.Str().size(), tail.Str()}},
                    [&](size_t offset, size_t n) {
                      const std::string& record = drawing.Str();
                      std::string bytes(n, '\0');
                      for (size_t i = 0; i < n; ++i)
                        bytes[i] = record[(offset + i) % record.size()];
                      return bytes;
                    });
  std::vector<std::string> cells;
  TXBiff xls;
  xls.OnReadCell = [&](TXBiff&, int32_t, int32_t row, int32_t col, int32_t, const std::string& data,
                       bool&) {
    cells.push_back(std::to_string(row) + "," + std::to_string(col) + ":" + data);
  };
  before = workDone;
  const long xlsGrowth = PeakGrowthMb([&] { xls.ReadWorkbook(xlsFile.path()); });
  // The stream is checked once and its records read once.
  EXPECT_LT(workDone - before, 2 * kPadding + (uint64_t{4} << 20));
  EXPECT_EQ(cells, (std::vector<std::string>{"1,2:needle", "3,4:last"}));

  if (docGrowth < 0 || xlsGrowth < 0) GTEST_SKIP() << "the peak resident size cannot be reset";
  // Reading either whole costs at least 128 MB more; the window is a few.
  EXPECT_LT(docGrowth, 48) << "MB";
  EXPECT_LT(xlsGrowth, 48) << "MB";
}

// Text of some megabytes with a CR LF, a surrogate pair and a CR at the end of every
// megabyte-sized read, and random text between: read in pieces it gives the lines of the
// whole text converted at once.
TEST(LargeDocuments, TextReadInPiecesEqualsTheWholeText) {
  std::mt19937 random(16);
  const char16_t alphabet[] = {u'a', u'Z', u'\r', u'\n', u'あ', u'～', 0xD83D, 0xDE00, u'é'};
  std::u16string text(3 * kMegabyte / 2 + 77, u'x');
  for (char16_t& c : text) c = alphabet[random() % std::size(alphabet)];
  // The reads begin at 0x400 and take 1050624 bytes (525312 characters) each.
  for (size_t cut : {size_t{525312}, size_t{2 * 525312}}) {
    text[cut - 1] = 0xD83D;  // a pair cut between reads would turn into two "?"
    text[cut] = 0xDE00;
    text[cut + 200] = u'\r';
    text[cut + 201] = u'\n';
  }
  text[525312 + 1000 - 1] = u'\r';
  text[525312 + 1000] = u'\n';
  std::vector<std::string> expected;
  SplitDocLines(Utf16ToCp932(text), expected);

  std::vector<std::string> lines;
  TReadDoc().ReadTextFromBytes(
      testing::BuildCompoundFile(
          {{"WordDocument", OldDocStream(0, static_cast<uint32_t>(text.size()), 0x400,
                                         testing::Utf16Bytes(text))}}),
      &lines);
  EXPECT_TRUE(lines == expected) << lines.size() << " lines, expected " << expected.size();

  // A plain text file: CR at the end of a read, its LF at the start of the next.
  std::string plain(3 * kMegabyte, 'q');
  for (size_t i = 0; i < plain.size(); i += 1 + random() % 5000) plain[i] = "\r\n"[random() % 2];
  plain[513 * 2048 - 1] = '\r';
  plain[513 * 2048] = '\n';
  SplitDocLines(plain, expected);
  testing::TempFile plainFile(plain);
  TReadDoc().ReadText(plainFile.path(), &lines);
  EXPECT_TRUE(lines == expected) << lines.size() << " lines, expected " << expected.size();
}

// Records of every length, straddling the reader's window many times, after 1.5 MB of
// bytes before the first BOF.
TEST(LargeDocuments, RecordsAcrossTheWindowAreReadWhole) {
  std::mt19937 random(7);
  BiffStream stream;
  stream.Raw(std::string(3 * kMegabyte / 2, 'x')).Bof8(0x0010);
  std::vector<std::string> expected;
  for (unsigned row = 0; stream.Str().size() < 4 * kMegabyte; ++row) {
    std::string text(random() % 8000, 'a' + row % 26);
    stream.Record(0x0204,
                  BiffBytes().U16(row % 65536).U16(1).U16(15).U16(text.size()).U8(0).Raw(text));
    expected.push_back(text);
  }
  stream.Eof();
  std::vector<std::string> cells;
  TXBiff xls;
  xls.OnReadCell = [&](TXBiff&, int32_t, int32_t, int32_t, int32_t, const std::string& data,
                       bool&) { cells.push_back(data); };
  xls.ReadRecordStream(stream.Str(), TBiffLayout::Workbook);
  EXPECT_TRUE(cells == expected) << cells.size() << " cells, expected " << expected.size();
}

// 96 MB of 16-bit text (48 MB of CP932 lines): handed on line by line, none of it is held,
// and every line arrives in order.
TEST(LargeDocuments, LinesHandedOnOneByOneAreNotHeld) {
  const std::u16string line = u"line of a large document, \u3042 and more text\r\n";
  const std::string unit = testing::Utf16Bytes(line);
  const size_t lineCount = 96 * kMegabyte / unit.size();
  const size_t padding = lineCount * unit.size();
  testing::TempFile docFile("");
  // No table stream: the text is taken from 0x400 of the document stream.
  WriteCompoundFile(
      docFile.path(),
      {{"WordDocument", OldDocStream(0, static_cast<uint32_t>(padding / 2), 0x400, ""), padding}},
      [&](size_t offset, size_t n) {
        std::string bytes(n, '\0');
        for (size_t i = 0; i < n; ++i) bytes[i] = unit[(offset + i) % unit.size()];
        return bytes;
      });
  const std::string expected = Sjis("line of a large document, あ and more text");
  size_t lines = 0;
  size_t wrong = 0;
  const size_t heapBefore = testing::LiveHeapBytes();
  size_t heapPeak = heapBefore;
  long growth = PeakGrowthMb([&] {
    TReadDoc().ReadLines(docFile.path(), [&](std::string& text) {
      ++lines;
      if (text != expected) ++wrong;
      if (testing::kResidentSizeMisleads && lines % 1024 == 0)
        heapPeak = std::max(heapPeak, testing::LiveHeapBytes());
    });
  });
  if (testing::kResidentSizeMisleads)
    growth = static_cast<long>((heapPeak - heapBefore) / kMegabyte);
  EXPECT_EQ(lines, lineCount);
  EXPECT_EQ(wrong, 0u);
  if (growth < 0) GTEST_SKIP() << "the peak resident size cannot be reset";
  // Holding the lines costs over 48 MB; reading costs a few.
  EXPECT_LT(growth, 24) << "MB";
}

}  // namespace
}  // namespace skarvo
