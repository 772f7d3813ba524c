#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "platform/codepage.h"
#include "platform/compound_file_builder.h"
#include "platform/compound_storage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "readers/xbiff.h"
#include "readers/xbiff_builder.h"

namespace skarvo {
namespace {

using testing::BiffStream;
using testing::BuildCompoundFile;

struct CellEvent {
  int32_t sheet, row, col;
  std::string data;
  bool operator==(const CellEvent&) const = default;
};

std::ostream& operator<<(std::ostream& os, const CellEvent& e) {
  return os << "{" << e.sheet << "," << e.row << "," << e.col << ",\"" << e.data << "\"}";
}

const std::string kData = SKARVO_TEST_DATA "/readers/";

std::vector<CellEvent> ReadCells(const std::string& path, TXBiff& x) {
  std::vector<CellEvent> cells;
  x.OnReadCell = [&](TXBiff&, int32_t s, int32_t r, int32_t c, int32_t, const std::string& d,
                     bool&) {
    cells.push_back({s, r, c, d});
  };
  x.ReadWorkbook(path);
  return cells;
}

// A private folder for files made by a test, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/xbiff_test_XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempFolder() { DeleteFolderTree(path_); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::string path = path_ + "/" + name;
    EXPECT_TRUE(WriteFileAtomic(path, bytes));
    return path;
  }

 private:
  std::string path_;
};

// The long texts of the second sheet, as the fixture script makes them.
std::string LongText(int i) {
  std::string unit = i % 2 == 0 ? "あいうえおかきくけこ" : "abcdefghij";
  std::string s = "行" + std::to_string(i) + " ";
  for (int k = 0; k < 40; ++k) s += unit;
  return Utf8ToCp932Lossy(s);
}

TEST(XBiffFiles, LibreOfficeWorkbookGivesEveryCellInRecordOrder) {
  TXBiff x;
  std::vector<std::string> sheetNames;
  x.OnReadSheetName = [&](TXBiff&, const std::string& name) { sheetNames.push_back(name); };
  std::vector<CellEvent> cells = ReadCells(kData + "xls_libreoffice.xls", x);
  EXPECT_EQ(x.Layout(), TBiffLayout::Biff8);
  EXPECT_EQ(x.FileName(), kData + "xls_libreoffice.xls");
  EXPECT_EQ(sheetNames, (std::vector<std::string>{Sjis("売上"), "Data"}));

  std::vector<CellEvent> expected = {
      {1, 0, 0, "abc"},
      {1, 0, 1, Sjis("日本語テキスト")},
      {1, 0, 2, "1"},
      {1, 0, 3, "-5"},
      {1, 1, 0, "0.5"},
      {1, 1, 1, "123.45"},
      {1, 1, 2, "0.333333333333333"},
      {1, 1, 3, "1E020"},
      {1, 2, 0, "1E-005"},
      {1, 2, 1, "0.0001"},
      {1, 2, 2, "123456789012345"},
      {1, 2, 3, "12345"},
      {1, 3, 0, "-4"},
      {1, 3, 1, "abcd"},
      {1, 3, 2, "TRUE"},
      {1, 3, 3, "FALSE"},
      {1, 3, 4, "#DIV/0!"},
      {1, 3, 5, Sjis("計") + "abc"},
      {1, 4, 0, "Mixed " + Sjis("日本") + " text"},
      {1, 4, 3, Sjis("ｶﾀｶﾅ～－￥")},
  };
  for (int i = 1; i <= 30; ++i) {
    expected.push_back({2, i - 1, 0, LongText(i)});
    expected.push_back({2, i - 1, 1, std::to_string(i)});
  }
  ASSERT_EQ(cells.size(), expected.size());
  for (size_t i = 0; i < cells.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cells[i], expected[i]);
  }
}

TEST(XBiffFiles, LibreOfficeSharedStringsRunOverContinueRecords) {
  // Guards the fixture itself: the table must really be split, or the test above would
  // not cover the joining of split strings.
  auto storage = CompoundStorage::Open(kData + "xls_libreoffice.xls");
  ASSERT_TRUE(storage);
  auto stream = storage->ReadStream("workbook");
  ASSERT_TRUE(stream);
  size_t continues = 0;
  for (size_t pos = 0; pos + 4 <= stream->size();) {
    unsigned id =
        static_cast<uint8_t>((*stream)[pos]) | (static_cast<uint8_t>((*stream)[pos + 1]) << 8);
    unsigned len =
        static_cast<uint8_t>((*stream)[pos + 2]) | (static_cast<uint8_t>((*stream)[pos + 3]) << 8);
    if (id == 0x3C) ++continues;
    pos += 4 + len;
  }
  EXPECT_GE(continues, 2u);
}

TEST(XBiffFiles, SheetJsWorkbooksOfEachGeneration) {
  std::vector<CellEvent> first = {
      {1, 0, 0, "abc"},   {1, 0, 1, "1"},      {1, 0, 2, "-5"},
      {1, 1, 0, "0.5"},   {1, 1, 1, "123.45"}, {1, 1, 2, "xyz"},
      {1, 2, 0, "1E020"}, {1, 2, 1, "1E-005"}, {1, 2, 2, "12345"},
  };
  std::vector<CellEvent> both = first;
  for (CellEvent e : {CellEvent{2, 0, 0, "second"}, CellEvent{2, 0, 1, "2"},
                      CellEvent{2, 1, 0, "3.25"}, CellEvent{2, 1, 1, "end"}})
    both.push_back(e);
  struct Case {
    const char* file;
    TBiffLayout layout;
    std::vector<CellEvent> cells;
  } cases[] = {
      {"xls_sheetjs_biff2.xls", TBiffLayout::Plain, first},
      {"xls_sheetjs_biff5.xls", TBiffLayout::Book, both},
      {"xls_sheetjs_biff8.xls", TBiffLayout::Biff8, both},
      // Boolean and error constants are shown as the sheet shows them.
      {"xls_sheetjs_boolerr.xls",
       TBiffLayout::Biff8,
       {{1, 0, 0, "flags"},
        {1, 0, 1, "TRUE"},
        {1, 0, 2, "FALSE"},
        {1, 1, 0, "errors"},
        {1, 1, 1, "#DIV/0!"},
        {1, 1, 2, "#N/A"},
        {1, 2, 0, "two\nlines"},
        {1, 2, 1, "a\tb\r\nc"},
        {1, 2, 2, Sjis("C:\\ソ\\")}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TXBiff x;
    EXPECT_EQ(ReadCells(kData + c.file, x), c.cells);
    EXPECT_EQ(x.Layout(), c.layout);
  }
}

TEST(XBiffFiles, ContainersAndTheirStreams) {
  TempFolder temp;
  std::string records = BiffStream().Bof(0x0809, 0x0500, 0x10).Rk(0, 0, 6).Eof().Str();
  std::string biff2 = BiffStream().Bof(0x0009, 2, 0x10).Rk(0, 0, 6).Str();
  std::string hugeStream = BuildCompoundFile({{"Workbook", biff2 + std::string(5000, '\0')}});
  testing::SetStreamSize(hugeStream, "Workbook", 0x7FFFFFF0);
  struct Case {
    const char* name;
    std::string bytes;
    TBiffLayout layout;
    std::vector<CellEvent> cells;
  } cases[] = {
      {"stream name in another case",
       BuildCompoundFile({{"WORKBOOK", records}}),
       TBiffLayout::Workbook,
       {{1, 0, 0, "1"}}},
      {"Workbook preferred to Book",
       BuildCompoundFile({{"Book", BiffStream().Bof(0x0809, 0x0500, 0x10).Rk(0, 0, 10).Str()},
                          {"Workbook", records}}),
       TBiffLayout::Workbook,
       {{1, 0, 0, "1"}}},
      {"book", BuildCompoundFile({{"book", records}}), TBiffLayout::Book, {{1, 0, 0, "1"}}},
      {"bare BIFF2 record file", biff2, TBiffLayout::Plain, {{1, 0, 0, "1"}}},
      {"compound document with neither stream holds no records",
       BuildCompoundFile({{"Other", biff2}}),
       TBiffLayout::Plain,
       {}},
      {"workbook stream whose declared size passes the end of the file",
       hugeStream,
       TBiffLayout::Plain,
       {}},
      {"empty file", "", TBiffLayout::Plain, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TXBiff x;
    EXPECT_EQ(ReadCells(temp.Write("case.xls", c.bytes), x), c.cells);
    EXPECT_EQ(x.Layout(), c.layout);
  }
}

TEST(XBiffFiles, UnreadableFilesRaiseTheOpenError) {
  TempFolder temp;
  std::string damaged =
      BuildCompoundFile({{"Workbook", BiffStream().Bof8(0x10).Rk(0, 0, 6).Str()}});
  damaged.resize(1000);  // the directory and the stream's sectors cut off
  std::string paths[] = {
      kData + "no_such_file.xls",
      kData,  // a folder
      temp.Write("cut_compound.xls", damaged),
  };
  for (const auto& path : paths) {
    SCOPED_TRACE(path);
    TXBiff x;
    bool events = false;
    x.OnProgress = [&](TXBiff&, int32_t) { events = true; };
    try {
      ReadCells(path, x);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Sjis("ﾌｧｲﾙを開くことに失敗しました"));
    }
    EXPECT_FALSE(events);
    EXPECT_EQ(x.FileName(), path);
  }
}

TEST(XBiffFiles, BrokenSectorChainsRaiseTheOpenError) {
  // A stream of more than 4096 bytes lives in regular sectors chained through the FAT.
  std::string records = BiffStream().Bof8(0x10).Rk(0, 0, 6).Str() + std::string(6000, '\0');
  std::string good = BuildCompoundFile({{"Workbook", records}});
  uint32_t first = testing::StreamStartSector(good, "Workbook");
  struct Case {
    const char* name;
    uint32_t next;  // what the first sector's FAT entry is made to say
  } cases[] = {
      {"chain loops back to its start", first},
      {"chain points past the end of the file", 0x00FFFFF0},
      {"chain ends too early", 0xFFFFFFFE},
  };
  TempFolder temp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string damaged = good;
    testing::PutU32(damaged, testing::FatEntryOffset(damaged, first), c.next);
    TXBiff x;
    try {
      ReadCells(temp.Write("chain.xls", damaged), x);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Sjis("ﾌｧｲﾙを開くことに失敗しました"));
    }
  }
}

// Damaged copies of the LibreOffice workbook: cut at many lengths, and bytes changed at
// random, in the file and in its record stream. Each read ends with cells or with one of
// the reader's own errors; the sanitizer builds catch any stray access.
TEST(XBiffFiles, DamagedCopiesNeverCrash) {
  std::string file = *ReadWholeFile(kData + "xls_libreoffice.xls");
  std::string stream =
      *CompoundStorage::Open(kData + "xls_libreoffice.xls")->ReadStream("Workbook");
  TempFolder temp;
  std::mt19937 random(20261207);
  auto readFile = [&](const std::string& bytes) {
    TXBiff x;
    try {
      ReadCells(temp.Write("damaged.xls", bytes), x);
    } catch (const Exception&) {
    }
  };
  auto readStream = [&](const std::string& bytes) {
    TXBiff x;
    x.OnReadCell = [](TXBiff&, int32_t, int32_t, int32_t, int32_t, const std::string&, bool&) {};
    try {
      x.ReadRecordStream(bytes, TBiffLayout::Workbook);
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Sjis("未知のフォーマット."));
    }
  };
  for (size_t cut = 0; cut < file.size(); cut += 997) readFile(file.substr(0, cut));
  for (size_t cut = 0; cut < stream.size(); cut += 101) readStream(stream.substr(0, cut));
  for (int round = 0; round < 60; ++round) {
    std::string f = file, s = stream;
    for (int k = 0; k < 8; ++k) {
      f[random() % f.size()] = static_cast<char>(random());
      s[random() % s.size()] = static_cast<char>(random());
    }
    readFile(f);
    readStream(s);
  }
}

}  // namespace
}  // namespace skarvo
