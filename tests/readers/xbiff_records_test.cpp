#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/codepage.h"
#include "platform/error.h"
#include "readers/xbiff.h"
#include "readers/xbiff_builder.h"

namespace skarvo {
namespace {

using testing::BiffBytes;
using testing::BiffStream;
using testing::SstBody;

struct CellEvent {
  int32_t sheet, row, col;
  std::string data;
  bool operator==(const CellEvent&) const = default;
};

std::ostream& operator<<(std::ostream& os, const CellEvent& e) {
  return os << "{" << e.sheet << "," << e.row << "," << e.col << ",\"" << e.data << "\"}";
}

// Reads `stream` and returns the cell events.
std::vector<CellEvent> Cells(std::string_view stream, TBiffLayout container = TBiffLayout::Plain,
                             TXBiff* reader = nullptr) {
  TXBiff local;
  TXBiff& x = reader ? *reader : local;
  std::vector<CellEvent> cells;
  x.OnReadCell = [&](TXBiff&, int32_t sheet, int32_t row, int32_t col, int32_t,
                     const std::string& data, bool&) {
    cells.push_back({sheet, row, col, data});
  };
  x.ReadRecordStream(stream, container);
  return cells;
}

// A BIFF8 worksheet stream with the given records between its BOF and EOF.
std::string Biff8Sheet(const BiffStream& records) {
  return BiffStream().Bof8(0x0010).Raw(records.Str()).Eof().Str();
}

TEST(XBiffCells, EachRecordKindGivesItsText) {
  struct Case {
    const char* name;
    std::string stream;
    std::vector<CellEvent> expected;
  } cases[] = {
      {"BIFF2 INTEGER",
       BiffStream()
           .Bof(0x0009, 2, 0x10)
           .Record(2, BiffBytes().U16(1).U16(2).U8(0).U8(0).U8(0).U16(65535))
           .Str(),
       {{1, 1, 2, "65535"}}},
      {"BIFF2 NUMBER",
       BiffStream()
           .Bof(0x0009, 2, 0x10)
           .Record(3, BiffBytes().U16(0).U16(0).U8(0).U8(0).U8(0).F64(-2.25))
           .Str(),
       {{1, 0, 0, "-2.25"}}},
      {"NUMBER", Biff8Sheet(BiffStream().Number(3, 4, 1e20)), {{1, 3, 4, "1E020"}}},
      {"RK", Biff8Sheet(BiffStream().Rk(0, 1, (12345u << 2) | 3)), {{1, 0, 1, "123.45"}}},
      {"BIFF2 LABEL",
       BiffStream()
           .Bof(0x0009, 2, 0x10)
           .Record(4, BiffBytes().U16(0).U16(0).U8(0).U8(0).U8(0).U8(3).Raw("abc"))
           .Str(),
       {{1, 0, 0, "abc"}}},
      {"BIFF5 LABEL with a Shift-JIS text",
       BiffStream()
           .Bof(0x0809, 0x0500, 0x10)
           .Record(0x0204, BiffBytes().U16(2).U16(0).U16(15).U16(4).Raw(Sjis("日本")))
           .Str(),
       {{1, 2, 0, Sjis("日本")}}},
      {"LABEL text ends at a zero byte",
       BiffStream()
           .Bof(0x0209, 0, 0x10)
           .Record(0x0204, BiffBytes().U16(0).U16(0).U16(15).U16(5).Raw(std::string("ab\0cd", 5)))
           .Str(),
       {{1, 0, 0, "ab"}}},
      {"BIFF8 LABEL is a BIFF8 string",
       Biff8Sheet(BiffStream().Record(
           0x0204, BiffBytes().U16(0).U16(5).U16(15).U16(2).U8(1).Wide(u"表計"))),
       {{1, 0, 5, Sjis("表計")}}},
      {"BIFF5 RSTRING skips its formatting runs",
       BiffStream()
           .Bof(0x0809, 0x0500, 0x10)
           .Record(0xD6,
                   BiffBytes().U16(1).U16(1).U16(15).U16(3).Raw("xyz").U8(1).U8(0).U8(0).U8(0))
           .Rk(1, 2, (7u << 2) | 2)
           .Str(),
       {{1, 1, 1, "xyz"}, {1, 1, 2, "7"}}},
      {"BIFF8 RSTRING",
       Biff8Sheet(BiffStream().Record(
           0xD6, BiffBytes().U16(0).U16(0).U16(15).U16(2).U8(0).Raw("hi").U16(0))),
       {{1, 0, 0, "hi"}}},
      {"MULRK gives one cell per value",
       Biff8Sheet(BiffStream().Record(0xBD, BiffBytes()
                                                .U16(7)
                                                .U16(2)
                                                .U16(15)
                                                .U32((1u << 2) | 2)
                                                .U16(15)
                                                .U32(0x3FF00000u)
                                                .U16(15)
                                                .U32((250u << 2) | 3)
                                                .U16(4))),
       {{1, 7, 2, "1"}, {1, 7, 3, "1"}, {1, 7, 4, "2.5"}}},
      {"BOOLERR: TRUE, FALSE, an error code and an unknown one",
       Biff8Sheet(BiffStream()
                      .Record(0x0205, BiffBytes().U16(0).U16(0).U16(15).U8(1).U8(0))
                      .Record(0x0205, BiffBytes().U16(0).U16(1).U16(15).U8(0).U8(0))
                      .Record(0x0205, BiffBytes().U16(0).U16(2).U16(15).U8(0x2A).U8(1))
                      .Record(0x0205, BiffBytes().U16(0).U16(3).U16(15).U8(0x99).U8(1))
                      .Record(0x0205, BiffBytes().U16(0).U16(4).U16(15).U8(1))),
       {{1, 0, 0, "TRUE"}, {1, 0, 1, "FALSE"}, {1, 0, 2, "#N/A"}}},
      {"BIFF2 BOOLERR",
       BiffStream()
           .Bof(0x0009, 2, 0x10)
           .Record(5, BiffBytes().U16(3).U16(1).U8(0).U8(0).U8(0).U8(2).U8(0))
           .Record(5, BiffBytes().U16(3).U16(2).U8(0).U8(0).U8(0).U8(0x07).U8(1))
           .Str(),
       {{1, 3, 1, "TRUE"}, {1, 3, 2, "#DIV/0!"}}},
      {"LABELSST",
       Biff8Sheet(
           BiffStream().Record(0xFC, SstBody({"abc", "def"})).LabelSst(0, 0, 1).LabelSst(0, 1, 0)),
       {{1, 0, 0, "def"}, {1, 0, 1, "abc"}}},
      {"LABELSST index past the table gives nothing",
       Biff8Sheet(BiffStream()
                      .Record(0xFC, SstBody({"abc"}))
                      .LabelSst(0, 0, 1)
                      .LabelSst(0, 0, 0xFFFFFFFF)
                      .LabelSst(0, 1, 0)),
       {{1, 0, 1, "abc"}}},
      {"LABELSST before any SST gives nothing", Biff8Sheet(BiffStream().LabelSst(0, 0, 0)), {}},
      {"unknown records and EOF are stepped over",
       BiffStream().Bof8(0x10).Record(0x0225, BiffBytes().U16(0).U16(300)).Eof().Rk(0, 0, 6).Str(),
       {{1, 0, 0, "1"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Cells(c.stream), c.expected);
  }
}

TEST(XBiffCells, FormulaResults) {
  auto formula = [](BiffBytes result) {
    return Biff8Sheet(BiffStream().Record(
        6, BiffBytes().U16(4).U16(5).U16(15).Raw(result.Str()).U16(0).U32(0).U16(0)));
  };
  auto marker = [](unsigned type, unsigned value) {
    return BiffBytes().U8(type).U8(0).U8(value).U8(0).U16(0).U16(0xFFFF);
  };
  struct Case {
    const char* name;
    std::string stream;
    std::vector<CellEvent> expected;
  } cases[] = {
      {"number", formula(BiffBytes().F64(42.5)), {{1, 4, 5, "42.5"}}},
      // A number whose lowest byte is 1 is still a number, not a boolean.
      {"number with a low byte of 1",
       formula(BiffBytes().U32(1).U32(0x3FF00000u)),
       {{1, 4, 5, "1"}}},
      {"TRUE", formula(marker(1, 1)), {{1, 4, 5, "TRUE"}}},
      {"FALSE", formula(marker(1, 0)), {{1, 4, 5, "FALSE"}}},
      {"error", formula(marker(2, 0x07)), {{1, 4, 5, "#DIV/0!"}}},
      {"error #N/A", formula(marker(2, 0x2A)), {{1, 4, 5, "#N/A"}}},
      {"unknown error code", formula(marker(2, 0x99)), {}},
      {"empty", formula(marker(3, 0)), {}},
      {"text, then the STRING at the formula's cell",
       formula(marker(0, 0)) + BiffStream().Record(7, BiffBytes().U16(3).U8(0).Raw("abc")).Str(),
       {{1, 4, 5, "abc"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Cells(c.stream), c.expected);
  }
}

TEST(XBiffCells, StringRecordFollowsTheLayout) {
  std::string biff2Formula = BiffBytes()
                                 .U16(1)
                                 .U16(1)
                                 .U8(0)
                                 .U8(0)
                                 .U8(0)
                                 .U8(0)
                                 .U8(0)
                                 .U8(0)
                                 .U8(0)
                                 .U16(0)
                                 .U16(0xFFFF)
                                 .U8(0)
                                 .U8(0)
                                 .Str();
  std::string laterFormula =
      BiffBytes().U16(1).U16(1).U16(15).U8(0).U8(0).U8(0).U8(0).U16(0).U16(0xFFFF).U16(0).Str();
  struct Case {
    const char* name;
    std::string stream;
    TBiffLayout container;
    TBiffLayout layout;
    std::string text;
  } cases[] = {
      {"BIFF2: 8-bit count",
       BiffStream()
           .Bof(0x0009, 2, 0x10)
           .Record(6, biff2Formula)
           .Record(7, BiffBytes().U8(2).Raw("hi"))
           .Str(),
       TBiffLayout::Plain, TBiffLayout::Plain, "hi"},
      {"BIFF3: 16-bit count",
       BiffStream()
           .Bof(0x0209, 0, 0x10)
           .Record(0x0206, laterFormula)
           .Record(0x0207, BiffBytes().U16(2).Raw("ok"))
           .Str(),
       TBiffLayout::Plain, TBiffLayout::Biff3, "ok"},
      {"BIFF4 bare file: later layouts",
       BiffStream()
           .Bof(0x0409, 0, 0x10)
           .Record(0x0406, laterFormula)
           .Record(0x0207, BiffBytes().U16(2).Raw("b4"))
           .Str(),
       TBiffLayout::Plain, TBiffLayout::Biff3, "b4"},
      {"BIFF5 in a Book stream",
       BiffStream()
           .Bof(0x0809, 0x0500, 0x10)
           .Record(6, laterFormula)
           .Record(0x0207, BiffBytes().U16(3).Raw(Sjis("円") + "!"))
           .Str(),
       TBiffLayout::Book, TBiffLayout::Book, Sjis("円") + "!"},
      {"BIFF5 in a Workbook stream",
       BiffStream()
           .Bof(0x0809, 0x0500, 0x10)
           .Record(6, laterFormula)
           .Record(0x0207, BiffBytes().U16(1).Raw("w"))
           .Str(),
       TBiffLayout::Workbook, TBiffLayout::Workbook, "w"},
      {"BIFF8: 16-bit characters",
       BiffStream()
           .Bof8(0x10)
           .Record(6, laterFormula)
           .Record(0x0207, BiffBytes().U16(2).U8(1).Wide(u"結果"))
           .Str(),
       TBiffLayout::Workbook, TBiffLayout::Biff8, Sjis("結果")},
      {"BIFF8: 8-bit characters are widened, not taken as Shift-JIS bytes",
       BiffStream()
           .Bof8(0x10)
           .Record(6, laterFormula)
           .Record(0x0207, BiffBytes().U16(3).U8(0).U8('a').U8(0xD7).U8('b'))
           .Str(),
       TBiffLayout::Workbook, TBiffLayout::Biff8, "a" + Sjis("×") + "b"},
      {"BIFF8: a long text goes on in a CONTINUE record",
       BiffStream()
           .Bof8(0x10)
           .Record(6, laterFormula)
           .Record(0x0207, BiffBytes().U16(4).U8(0).Raw("ab"))
           .Record(0x3C, BiffBytes().U8(1).Wide(u"表c"))
           .Rk(9, 9, 6)
           .Str(),
       TBiffLayout::Workbook, TBiffLayout::Biff8, "ab" + Sjis("表") + "c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TXBiff x;
    std::vector<CellEvent> cells = Cells(c.stream, c.container, &x);
    EXPECT_EQ(x.Layout(), c.layout);
    ASSERT_GE(cells.size(), 1u);
    EXPECT_EQ(cells[0], (CellEvent{1, 1, 1, c.text}));
  }
}

TEST(XBiffSheets, OnlyWorksheetsAreCounted) {
  std::string stream = BiffStream()
                           .Bof8(0x0005)  // workbook globals
                           .Record(0xFC, SstBody({"abc"}))
                           .Eof()
                           .Bof8(0x0010)
                           .LabelSst(0, 0, 0)
                           .Eof()
                           .Bof8(0x0020)
                           .Number(0, 0, 9)
                           .Eof()  // chart sheet
                           .Bof8(0x0010)
                           .Number(1, 1, 2)
                           .Eof()
                           .Str();
  EXPECT_EQ(Cells(stream, TBiffLayout::Workbook),
            (std::vector<CellEvent>{{1, 0, 0, "abc"}, {1, 0, 0, "9"}, {2, 1, 1, "2"}}));
}

TEST(XBiffSheets, CellsBeforeAnyWorksheetHaveSheetZero) {
  std::string stream = BiffStream().Bof8(0x0005).Rk(0, 0, 6).Bof8(0x10).Rk(0, 0, 10).Str();
  EXPECT_EQ(Cells(stream), (std::vector<CellEvent>{{0, 0, 0, "1"}, {1, 0, 0, "2"}}));
}

TEST(XBiffSheets, SheetNamesOfWorksheetsOnly) {
  auto names = [](const std::string& stream) {
    TXBiff x;
    std::vector<std::string> out;
    x.OnReadSheetName = [&](TXBiff&, const std::string& name) { out.push_back(name); };
    x.ReadRecordStream(stream, TBiffLayout::Workbook);
    return out;
  };
  std::string biff8 = BiffStream()
                          .Bof8(0x0005)
                          .Record(0x85, BiffBytes().U32(0).U16(0x0000).U8(2).U8(1).Wide(u"売上"))
                          .Record(0x85, BiffBytes().U32(0).U16(0x0200).U8(5).U8(0).Raw("Chart"))
                          .Record(0x85, BiffBytes().U32(0).U16(0x0001).U8(4).U8(0).Raw("Hide"))
                          .Str();
  EXPECT_EQ(names(biff8), (std::vector<std::string>{Sjis("売上"), "Hide"}));
  std::string biff5 = BiffStream()
                          .Bof(0x0809, 0x0500, 0x0005)
                          .Record(0x85, BiffBytes().U32(0).U16(0).U8(4).Raw(Sjis("表１")))
                          .Str();
  EXPECT_EQ(names(biff5), (std::vector<std::string>{Sjis("表１")}));
}

TEST(XBiffColumns, ColInfoReportsEachColumn) {
  TXBiff x;
  std::vector<std::array<int32_t, 3>> widths;
  x.OnReadColW = [&](TXBiff&, int32_t sheet, int32_t col, int32_t width) {
    widths.push_back({sheet, col, width});
  };
  x.ReadRecordStream(
      Biff8Sheet(BiffStream()
                     .Record(0x7D, BiffBytes().U16(2).U16(4).U16(3000).U16(15).U16(0).U16(0))
                     .Record(0x7D, BiffBytes().U16(9).U16(8).U16(1).U16(15).U16(0).U16(0))
                     .Record(0x7D, BiffBytes().U16(254).U16(0xFFFF).U16(7).U16(15).U16(0).U16(0))),
      TBiffLayout::Plain);
  EXPECT_EQ(widths, (std::vector<std::array<int32_t, 3>>{
                        {1, 2, 3000}, {1, 3, 3000}, {1, 4, 3000}, {1, 254, 7}, {1, 255, 7}}));
}

TEST(XBiffCancel, StopsAfterTheCurrentRecord) {
  std::string stream =
      Biff8Sheet(BiffStream()
                     .Rk(0, 0, 6)
                     .Record(0xBD, BiffBytes().U16(1).U16(2).U16(15).U32(6).U16(15).U32(10).U16(3))
                     .Rk(2, 0, 6));
  for (size_t cancelAt : {0u, 1u}) {
    SCOPED_TRACE(cancelAt);
    TXBiff x;
    std::vector<CellEvent> cells;
    int progressEvents = 0;
    x.OnProgress = [&](TXBiff&, int32_t) { ++progressEvents; };
    x.OnReadCell = [&](TXBiff&, int32_t s, int32_t r, int32_t c, int32_t, const std::string& d,
                       bool& cancel) {
      cells.push_back({s, r, c, d});
      if (cells.size() == cancelAt + 1) cancel = true;
    };
    x.ReadRecordStream(stream, TBiffLayout::Plain);
    if (cancelAt == 0) {
      EXPECT_EQ(cells, (std::vector<CellEvent>{{1, 0, 0, "1"}}));
      EXPECT_EQ(progressEvents, 2);  // the RK record's, then the closing 0
    } else {
      // The other value of the MULRK record still arrives.
      EXPECT_EQ(cells, (std::vector<CellEvent>{{1, 0, 0, "1"}, {1, 1, 2, "1"}, {1, 1, 3, "2"}}));
    }
  }
}

TEST(XBiffProgress, OneEventPerRecordThenZero) {
  std::string stream = Biff8Sheet(BiffStream().Rk(0, 0, 6).Rk(0, 1, 6));
  TXBiff x;
  std::vector<int32_t> progress;
  x.OnProgress = [&](TXBiff&, int32_t p) { progress.push_back(p); };
  x.ReadRecordStream(stream, TBiffLayout::Plain);
  // BOF 20 bytes, two RK records of 14, EOF 4: 52 bytes in all.
  EXPECT_EQ(progress, (std::vector<int32_t>{34 * 100 / 52, 48 * 100 / 52, 100, 0}));
  EXPECT_EQ(x.Progress(), 0);
}

TEST(XBiffProgress, NoBofMeansNoCellsAndOneZero) {
  for (std::string stream :
       {std::string(), std::string("\x01"), std::string("not a workbook at all"),
        // a BOF id at an odd offset is not looked at
        std::string("x\x09\x00\x04\x00\x02\x00\x10\x00", 9)}) {
    SCOPED_TRACE(stream);
    TXBiff x;
    std::vector<int32_t> progress;
    x.OnProgress = [&](TXBiff&, int32_t p) { progress.push_back(p); };
    EXPECT_TRUE(Cells(stream, TBiffLayout::Plain, &x).empty());
    EXPECT_EQ(progress, std::vector<int32_t>{0});
  }
}

TEST(XBiffProgress, BytesBeforeTheFirstBofAreSkipped) {
  std::string stream = "\x00\x00junk" + BiffStream().Bof(0x0009, 2, 0x10).Rk(0, 0, 6).Str();
  EXPECT_EQ(Cells(stream), (std::vector<CellEvent>{{1, 0, 0, "1"}}));
}

TEST(XBiffSst, TooLongPiecesAreAnUnknownFormat) {
  std::string big(8225, '\0');
  std::string okSst = SstBody({"a"}).Str();
  struct Case {
    const char* name;
    std::string records;
  } cases[] = {
      {"SST", BiffStream().Record(0xFC, big).Str()},
      {"CONTINUE", BiffStream().Record(0xFC, okSst).Record(0x3C, big).Str()},
      {"CONTINUE that claims more than the stream holds",
       BiffStream().Record(0xFC, okSst).RecordWithLength(0x3C, 9000, "xx").Str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string stream = BiffStream().Bof8(0x10).Rk(0, 0, 6).Raw(c.records).Rk(0, 1, 6).Str();
    std::vector<CellEvent> cells;
    TXBiff x;
    x.OnReadCell = [&](TXBiff&, int32_t s, int32_t r, int32_t col, int32_t, const std::string& d,
                       bool&) {
      cells.push_back({s, r, col, d});
    };
    try {
      x.ReadRecordStream(stream, TBiffLayout::Workbook);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), Sjis("未知のフォーマット."));
    }
    EXPECT_EQ(cells, (std::vector<CellEvent>{{1, 0, 0, "1"}}));
  }
}

TEST(XBiffSst, PiecesOfExactly8224BytesAreRead) {
  std::string body = BiffBytes().U32(1).U32(1).U16(8213).U8(0).Raw(std::string(8213, 'a')).Str();
  ASSERT_EQ(body.size(), 8224u);
  std::string cont = BiffBytes().U16(1).U8(0).Raw("b").Str();
  std::string stream = Biff8Sheet(
      BiffStream().Record(0xFC, body).Record(0x3C, cont).LabelSst(0, 0, 1).LabelSst(0, 1, 0));
  std::vector<CellEvent> cells = Cells(stream);
  ASSERT_EQ(cells.size(), 2u);
  EXPECT_EQ(cells[0].data, "b");
  EXPECT_EQ(cells[1].data, std::string(8213, 'a'));
}

TEST(XBiffSst, StringSplitAcrossContinueArrivesWhole) {
  std::string sst = BiffBytes().U32(2).U32(2).U16(5).U8(0).Raw("ab").Str();
  std::string cont = BiffBytes().U8(1).Wide(u"漢字表").U16(2).U8(0).Raw("zz").Str();
  std::string stream = Biff8Sheet(
      BiffStream().Record(0xFC, sst).Record(0x3C, cont).LabelSst(3, 3, 0).LabelSst(3, 4, 1));
  EXPECT_EQ(Cells(stream),
            (std::vector<CellEvent>{{1, 3, 3, "ab" + Sjis("漢字表")}, {1, 3, 4, "zz"}}));
}

TEST(XBiffDamage, RecordsThatDoNotFitYieldNothingAndNeverStrayOutside) {
  struct Case {
    const char* name;
    std::string records;
    std::vector<CellEvent> expected;
  } cases[] = {
      {"RK shorter than its fields",
       BiffStream().Record(0x27E, BiffBytes().U16(0).U16(0)).Str(),
       {}},
      {"NUMBER cut by its own length, next record intact",
       BiffStream().Record(0x203, BiffBytes().U16(0).U16(0).U16(0).U32(0)).Rk(5, 5, 6).Str(),
       {{1, 5, 5, "1"}}},
      {"RSTRING count past the record",
       BiffStream()
           .Record(0xD6, BiffBytes().U16(0).U16(0).U16(0).U16(500).Raw("ab"))
           .Rk(1, 1, 6)
           .Str(),
       {{1, 1, 1, "1"}}},
      {"MULRK too short for a pair",
       BiffStream().Record(0xBD, BiffBytes().U16(0).U16(0).U16(0)).Str(),
       {}},
      {"record cut off by the end of the stream",
       BiffStream().Rk(0, 0, 6).RecordWithLength(0x27E, 10, BiffBytes().U16(1).U16(1).Str()).Str(),
       {{1, 0, 0, "1"}}},
      {"STRING before any cell reports at 0,0",
       BiffStream().Record(0x207, BiffBytes().U16(1).U8(0).Raw("s")).Str(),
       {{1, 0, 0, "s"}}},
      {"stray bytes after the last record",
       BiffStream().Rk(0, 0, 6).Raw("\x7E").Str(),
       {{1, 0, 0, "1"}}},
      {"BIFF8 STRING whose CONTINUE is missing",
       BiffStream().Record(0x207, BiffBytes().U16(9).U8(0).Raw("ab")).Rk(1, 1, 6).Str(),
       {{1, 1, 1, "1"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string stream = BiffStream().Bof8(0x10).Raw(c.records).Str();
    EXPECT_EQ(Cells(stream), c.expected);
  }
}

TEST(XBiffDamage, LongEightBitTextsAreCutToTheBuffer) {
  std::string text(3000, 'x');
  std::string stream = BiffStream()
                           .Bof(0x0209, 0, 0x10)
                           .Record(0x0204, BiffBytes().U16(0).U16(0).U16(15).U16(3000).Raw(text))
                           .Str();
  std::vector<CellEvent> cells = Cells(stream);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(cells[0].data, std::string(2045, 'x'));
}

TEST(XBiffHandlers, ExceptionsFromAHandlerPassThrough) {
  TXBiff x;
  x.OnReadCell = [](TXBiff&, int32_t, int32_t, int32_t, int32_t, const std::string&, bool&) {
    throw Exception("stop");
  };
  EXPECT_THROW(x.ReadRecordStream(Biff8Sheet(BiffStream().Rk(0, 0, 6)), TBiffLayout::Plain),
               Exception);
}

TEST(XBiffHandlers, EachReadStartsClean) {
  // The shared string table and the sheet count of one read do not leak into the next.
  TXBiff x;
  Cells(Biff8Sheet(BiffStream().Record(0xFC, SstBody({"old"}))), TBiffLayout::Plain, &x);
  EXPECT_EQ(Cells(Biff8Sheet(BiffStream().LabelSst(0, 0, 0).Rk(0, 1, 6)), TBiffLayout::Plain, &x),
            (std::vector<CellEvent>{{1, 0, 1, "1"}}));
}

}  // namespace
}  // namespace skarvo
