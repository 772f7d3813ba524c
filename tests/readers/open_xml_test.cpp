#include "readers/open_xml.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "readers/package_refusal.h"
#include "readers/xbiff.h"
#include "readers/zip_package.h"
#include "support/peak_memory.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

const std::string kData = SKARVO_TEST_DATA "/open_xml/";

// What a file gives, in UTF-8: "sheet row col text" per cell or one line per document line,
// or "refused: <reason>".
std::string Read(const std::string& path) {
  std::string out;
  try {
    if (path.ends_with(".xlsx")) {
      ReadXlsxCells(path, [&](int32_t s, int32_t r, int32_t c, const std::string& text) {
        out += std::to_string(s) + " " + std::to_string(r) + " " + std::to_string(c) + " " +
               Cp932ToUtf8Lossy(text) + "\n";
      });
    } else {
      ReadDocxLines(path, [&](std::string& line) { out += Cp932ToUtf8Lossy(line) + "\n"; });
    }
  } catch (const EPackageRefused& e) {
    out += "refused: " + Cp932ToUtf8Lossy(e.Message());
  }
  return out;
}

TEST(OpenXmlFiles, EachFixtureGivesItsCellsItsLinesOrItsRefusal) {
  const std::string pyBook =
      "1 0 0 abc\n1 0 1 日本語テキスト\n1 0 2 1\n1 0 3 -5\n1 1 0 0.5\n1 1 1 123.45\n"
      "%C2%1 1 3 1E020\n1 2 0 1E-005\n1 2 1 TRUE\n1 2 2 FALSE\n1 2 3 ?野家と??\n"
      "1 4 0 ｶﾀｶﾅ～－￥\n2 0 0 123456789012345\n2 1 1 abc\n2 9 26 列AA\n";
  const auto book = [&](const std::string& c2) {
    std::string text = pyBook;
    return text.replace(text.find("%C2%"), 4, c2);
  };
  const std::string letter =
      "一行目の段落です。\n改行の前\n改行の後\tタブの後\n\n表の左上\n表の右上\nabc\n表の右下\n"
      "最後の段落 abc\n";
  struct Row {
    const char* file;
    std::string expected;
  } rows[] = {
      // openpyxl stores no formula results: the formula's cell has no value to report.
      {"py_book.xlsx", book("")},
      {"lo_book.xlsx", book("1 1 2 0.333333333333333\n")},
      {"py_letter.docx", letter},
      {"lo_letter.docx", letter},
      // Readings, cells without a value or with a string index past the table, escapes,
      // places left out, a chart sheet that takes no number, a column past ZZ.
      {"hand_book.xlsx",
       "1 0 0 共有\n1 0 1 漢字 rich\n1 0 2 インライン\n1 0 3 式の結果\n1 0 4 #DIV/0!\n"
       "1 2 0 一行目\r\n二行目_x\n1 2 1 2.5\n1 2 4 7\n1 3 0 TRUE\n1 3 1 1E-005\n"
       "2 1 701 -0.25\n2 1 702 遠い列\n"},
      // The text box once (not its fallback copy), before the paragraph that anchors it;
      // no deleted text, field code or tab stop.
      {"hand_letter.docx", "枠の中\n本文と続き\nコントロールの中\n前\n後\n"},
      {"bad_truncated.xlsx", "refused: ファイルが壊れています"},
      {"bad_crc.docx", "refused: ファイルが壊れています"},
      {"bad_doctype.docx", "refused: ファイルが壊れています"},
      {"bad_not_office.xlsx", "refused: Excel、Wordのファイルではありません"},
      {"bad_not_zip.docx", "refused: Excel、Wordのファイルではありません"},
      {"bad_bomb.xlsx", "refused: 展開後のサイズが上限を超えています"},
      {"no_such_file.xlsx", "refused: ﾌｧｲﾙを開くことに失敗しました"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    EXPECT_EQ(Read(kData + row.file), row.expected);
  }
}

// The same workbook saved as .xls by the same program: every cell the same text at the same
// place, as the .xls reader gives it.
TEST(OpenXmlFiles, AWorkbookGivesTheCellsOfItsXlsForm) {
  std::vector<std::string> fromXls, fromXlsx;
  TXBiff xbiff;
  xbiff.OnReadCell = [&](TXBiff&, int32_t s, int32_t r, int32_t c, int32_t, const std::string& text,
                         bool&) {
    fromXls.push_back(std::to_string(s) + " " + std::to_string(r) + " " + std::to_string(c) + " " +
                      text);
  };
  xbiff.ReadWorkbook(kData + "lo_book.xls");
  ReadXlsxCells(kData + "lo_book.xlsx", [&](int32_t s, int32_t r, int32_t c, const std::string& t) {
    fromXlsx.push_back(std::to_string(s) + " " + std::to_string(r) + " " + std::to_string(c) + " " +
                       t);
  });
  EXPECT_EQ(fromXlsx, fromXls);
}

class ZipLimitsTest : public testing::TempFolderTest {
 protected:
  // A deflated zip of the entries, written with libzip.
  std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    const std::string path = dir_ + "/t" + std::to_string(zips_++) + ".xlsx";
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_NE(z, nullptr);
    for (const auto& [name, body] : entries) {
      zip_source_t* s = zip_source_buffer(z, body.data(), body.size(), 0);
      zip_file_add(z, name.c_str(), s, ZIP_FL_OVERWRITE);
    }
    EXPECT_EQ(zip_close(z), 0);
    return path;
  }
  int zips_ = 0;
};

// A workbook whose one sheet part holds body and is listed `listed` times.
std::vector<std::pair<std::string, std::string>> Book(const std::string& body, int listed) {
  const std::string s =
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships\"";
  std::string sheets;
  for (int i = 0; i < listed; ++i) sheets += "<sheet r:id=\"rId1\"/>";
  return {
      {"xl/workbook.xml", "<workbook " + s + "><sheets>" + sheets + "</sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
       "relationships/worksheet\" Target=\"s.xml\"/></Relationships>"},
      {"xl/s.xml", "<worksheet " + s +
                       "><sheetData><row><c t=\"inlineStr\"><is><t>x</t></is>"
                       "</c></row>" +
                       body + "</sheetData></worksheet>"},
  };
}

TEST_F(ZipLimitsTest, ExpansionPastTheRatioIsRefusedPerEntryAndForThePackage) {
  const size_t free = ZipPackage::kRatioFreeBytes;
  struct Row {
    const char* what;
    std::string body;
    int listed;
    int cells;  // -1: refused as a bomb
  } rows[] = {
      {"blanks within the free size", std::string(free - 4096, ' '), 1, 1},
      {"blanks past it, far past the ratio", std::string(2 * free, ' '), 1, -1},
      {"one part within the free size read over and over", std::string(free / 2, ' '), 40, -1},
      {"a sheet listed twice", "", 2, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    int cells = 0;
    try {
      ReadXlsxCells(MakeZip(Book(row.body, row.listed)),
                    [&](int32_t, int32_t, int32_t, const std::string&) { ++cells; });
    } catch (const EPackageRefused& e) {
      EXPECT_EQ(e.Message(), PackageBombText());
      cells = -1;
    }
    EXPECT_EQ(cells, row.cells);
  }
}

// A sheet and a document part of 160 MB each, unzipped and parsed as they stream: the reading
// holds a piece of each, never the part.
TEST_F(ZipLimitsTest, LargeDocumentsZippedPartsAreStreamedNotHeld) {
  const std::string ns =
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  const auto writePart = [&](const std::string& name, const std::string& head,
                             const std::function<std::string(int)>& item, const std::string& tail) {
    const std::string path = dir_ + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out << head;
    for (int i = 0; out.tellp() < (160 << 20); ++i) out << item(i);
    out << tail;
    return path;
  };
  const std::string sheet = writePart(
      "sheet.xml", "<worksheet " + ns + "><sheetData>",
      [](int i) {
        return "<row r=\"" + std::to_string(i + 1) + "\"><c r=\"A" + std::to_string(i + 1) +
               "\"><v>" + std::to_string(i * 7) + "</v></c><c r=\"B" + std::to_string(i + 1) +
               "\" t=\"inlineStr\"><is><t>行" + std::to_string(i) + "</t></is></c></row>";
      },
      "</sheetData></worksheet>");
  const std::string document = writePart(
      "document.xml", "<w:document " + ns + "><w:body>",
      [](int i) { return "<w:p><w:r><w:t>段落" + std::to_string(i) + "</w:t></w:r></w:p>"; },
      "</w:body></w:document>");
  const std::string zipPath = dir_ + "/large.xlsx";
  int error = 0;
  zip_t* z = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(z, nullptr);
  for (const auto& [name, body] : Book("", 1)) {
    if (name == "xl/s.xml") continue;
    zip_file_add(z, name.c_str(), zip_source_buffer(z, strdup(body.c_str()), body.size(), 1), 0);
  }
  zip_file_add(z, "xl/s.xml", zip_source_file(z, sheet.c_str(), 0, -1), 0);
  zip_file_add(z, "word/document.xml", zip_source_file(z, document.c_str(), 0, -1), 0);
  ASSERT_EQ(zip_close(z), 0);

  int64_t cells = 0, lines = 0;
  std::string last;
  const size_t heapBefore = testing::LiveHeapBytes();
  size_t heapPeak = heapBefore;
  const auto sample = [&](int64_t n) {
    if (testing::kResidentSizeMisleads && n % 4096 == 0)
      heapPeak = std::max(heapPeak, testing::LiveHeapBytes());
  };
  long growth = testing::PeakGrowthMb([&] {
    ReadXlsxCells(zipPath, [&](int32_t, int32_t row, int32_t, const std::string& text) {
      sample(++cells);
      if (row > 0) last = text;
    });
    const std::unique_ptr<ZipPackage> package = ZipPackage::Open(zipPath);
    ReadDocxLines(*package, [&](std::string&) { sample(++lines); });
  });
  if (testing::kResidentSizeMisleads) growth = static_cast<long>((heapPeak - heapBefore) >> 20);
  EXPECT_GT(cells, 2'000'000);
  EXPECT_GT(lines, 2'000'000);
  EXPECT_EQ(Cp932ToUtf8Lossy(last), "行" + std::to_string(cells / 2 - 1));
  if (growth >= 0) {
    EXPECT_LT(growth, 64);
  }
}

TEST(OpenXmlText, CellReferencesAndEscapes) {
  struct Ref {
    const char* ref;
    bool ok;
    int32_t row, col;
  } refs[] = {
      {"A1", true, 0, 0},     {"Z9", true, 8, 25},
      {"AA10", true, 9, 26},  {"XFD1048576", true, 1048575, 16383},
      {"XFE1", false, 0, 0},  {"A1048577", false, 0, 0},
      {"a1", false, 0, 0},    {"A0", false, 0, 0},
      {"A", false, 0, 0},     {"1", false, 0, 0},
      {"AAAA1", false, 0, 0}, {"A1:B2", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const Ref& r : refs) {
    SCOPED_TRACE(r.ref);
    int32_t row = -1, col = -1;
    EXPECT_EQ(ParseCellReference(r.ref, row, col), r.ok);
    if (r.ok) {
      EXPECT_EQ(std::pair(row, col), std::pair(r.row, r.col));
    }
  }
  struct Escape {
    const char* in;
    const char* out;
  } escapes[] = {
      {"a_x000D_b", "a\rb"},
      {"_x005F_x000D_", "_x000D_"},            // an escaped underscore starts no escape
      {"_xD842__xDFB7_", "\xF0\xA0\xAE\xB7"},  // a surrogate pair: one character
      {"_xD842_", "\xEF\xBF\xBD"},             // half of one
      {"_x00e9_", "\xC3\xA9"},
      {"_x12_ _xZZZZ_ _x", "_x12_ _xZZZZ_ _x"},
  };
  for (const Escape& e : escapes) {
    SCOPED_TRACE(e.in);
    EXPECT_EQ(UnescapeSheetText(e.in), e.out);
  }
}

}  // namespace
}  // namespace skarvo
