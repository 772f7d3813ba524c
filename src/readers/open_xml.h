// Office files of the zipped XML family: the cells of a workbook (.xlsx) and the text lines
// of a document (.docx), read as the .xls and .doc readers report theirs, for the search run.
// Every part is streamed from the zip (zip_package.h) through expat (xml_stream.h); what is
// kept is the workbook's shared strings, the part names and the current cell or paragraph.
// A file that cannot be read is refused whole with an EPackageRefused (package_refusal.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace skarvo {

class ZipPackage;

// True for the extensions ".xlsx" and ".docx", without case.
bool IsOpenXmlPath(std::string_view path);

// An office file's text (UTF-8) in the CP932 the search works on; a character CP932 lacks
// becomes "?", as the .xls reader's conversion gives it.
std::string OfficeTextToCp932(std::string_view utf8);

// Every non-empty cell of every worksheet in workbook order: sheetNo counts worksheets from
// 1, row and col from 0, text in CP932 (shared and inline strings, numbers in the .xls
// reader's general form, TRUE/FALSE, error texts, formulas' cached results).
using XlsxCellHandler =
    std::function<void(int32_t sheetNo, int32_t row, int32_t col, const std::string& text)>;
void ReadXlsxCells(const std::string& path, const XlsxCellHandler& onCell);
void ReadXlsxCells(ZipPackage& package, const XlsxCellHandler& onCell);

// The body's paragraphs in order (table cells' and text boxes' too), one line each in CP932;
// a line break inside a paragraph starts a new line. The handler may take the text.
using DocxLineHandler = std::function<void(std::string& line)>;
void ReadDocxLines(const std::string& path, const DocxLineHandler& onLine);
void ReadDocxLines(ZipPackage& package, const DocxLineHandler& onLine);

// A cell reference such as "AB12": 0-based column and row. False for anything else.
bool ParseCellReference(std::string_view ref, int32_t& row, int32_t& col);

// A spreadsheet string with its "_xHHHH_" escapes put back as the characters they stand for.
std::string UnescapeSheetText(std::string_view text);

}  // namespace skarvo
