// skarvo-cli commands of the document readers: doctext and cells.
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/command_registry.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "readers/open_xml.h"
#include "readers/read_doc.h"
#include "readers/xbiff.h"

namespace skarvo::cli {
namespace {

constexpr const char* kCellsUsage =
    "[--raw] FILE  (SHEET<TAB>ROW<TAB>COL<TAB>TEXT per cell; in TEXT a backslash, CR, LF and "
    "TAB are written \\\\, \\r, \\n and \\t)";

// A cell's CP932 text on one line: backslash, CR, LF and TAB escaped, the second byte of a
// 2-byte character left as it is.
std::string EscapedCellText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size()) {
      out += c;
      out += text[++i];
      continue;
    }
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Runs a reader command of the form "NAME [--raw] FILE". The reader gets the file name in
// CP932 and a sink for its output lines; it returns how many lines it produced. Lines are
// printed as they arrive, so what came before a damaged part still shows.
int RunReaderCommand(
    const char* name, const std::vector<std::string>& args,
    const std::function<size_t(const std::string& path,
                               const std::function<void(const std::string&)>&)>& read,
    const char* usage = "[--raw] FILE") {
  bool raw = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--raw")
      raw = true;
    else
      files.push_back(arg);
  }
  if (files.size() != 1) {
    std::fprintf(stderr, "usage: skarvo-cli %s %s\n", name, usage);
    return 2;
  }
  const TextEdge edge(raw);
  const std::optional<std::string> path = edge.In(files[0]);
  if (!path) {
    PrintError("the file name has no CP932 form: " + files[0]);
    return 2;
  }
  size_t count = 0;
  try {
    count = read(*path, [&](const std::string& line) { WriteLine(edge.Out(line)); });
  } catch (const Exception& e) {
    std::fflush(stdout);
    PrintError(ErrorText(e));
    return 2;
  }
  return count == 0 ? 1 : 0;
}

// doctext [--raw] FILE: one line per text line of the word-processor document.
int DocTextCommand(const std::vector<std::string>& args) {
  return RunReaderCommand("doctext", args, [](const std::string& path, const auto& print) {
    if (IsOpenXmlPath(path)) {
      size_t count = 0;
      ReadDocxLines(path, [&](std::string& line) {
        print(line);
        ++count;
      });
      return count;
    }
    std::vector<std::string> lines;
    try {
      TReadDoc reader;
      reader.ReadText(path, &lines);
    } catch (const Exception&) {
      for (const std::string& line : lines) print(line);
      throw;
    }
    for (const std::string& line : lines) print(line);
    return lines.size();
  });
}

// cells [--raw] FILE: one line per cell event of the spreadsheet reader,
// "<SheetNo>\t<Row>\t<Col>\t<Data>", in record order, Data escaped so that it stays on
// its line.
int CellsCommand(const std::vector<std::string>& args) {
  return RunReaderCommand(
      "cells", args,
      [](const std::string& path, const auto& print) {
        size_t count = 0;
        const auto cell = [&](int32_t sheetNo, int32_t row, int32_t col, const std::string& data) {
          print(std::to_string(sheetNo) + "\t" + std::to_string(row) + "\t" + std::to_string(col) +
                "\t" + EscapedCellText(data));
          ++count;
        };
        if (IsOpenXmlPath(path)) {
          ReadXlsxCells(path, cell);
          return count;
        }
        TXBiff reader;
        reader.OnReadCell = [&](TXBiff&, int32_t sheetNo, int32_t row, int32_t col, int32_t,
                                const std::string& data, bool&) { cell(sheetNo, row, col, data); };
        reader.ReadWorkbook(path);
        return count;
      },
      kCellsUsage);
}

CommandRegistrar docTextRegistrar(
    "doctext",
    {.run = DocTextCommand,
     .usage = "[--raw] FILE",
     .summary = "print the text of a Word document (.doc, .docx)",
     .help = "Prints the text of the Word document FILE, one line per text line, as the\n"
             "search reads it. What came before a damaged part is printed before the\n"
             "error.\n"
             "\n"
             "Options:\n"
             "  --raw  the file name and the text are bytes (Shift-JIS) instead of UTF-8\n"
             "\n"
             "Exit status: 0 text was printed, 1 the document has no text, 2 an error.\n"
             "\n"
             "Example:\n"
             "  skarvo-cli doctext report.doc\n"});
CommandRegistrar cellsRegistrar(
    "cells",
    {.run = CellsCommand,
     .usage = "[--raw] FILE",
     .summary = "print the cells of an Excel workbook (.xls, .xlsx)",
     .help = "Prints the cells of the Excel workbook FILE in the order the search reads\n"
             "them, one line per cell: \"<sheet>\\t<row>\\t<column>\\t<text>\", sheets\n"
             "counted from 1, rows and columns from 0. In the text a backslash, CR, LF and\n"
             "TAB are written \\\\, \\r, \\n and \\t, so every cell stays on its line.\n"
             "\n"
             "Options:\n"
             "  --raw  the file name and the text are bytes (Shift-JIS) instead of UTF-8\n"
             "\n"
             "Exit status: 0 cells were printed, 1 the workbook has none, 2 an error.\n"
             "\n"
             "Example:\n"
             "  skarvo-cli cells budget.xls\n"});

}  // namespace
}  // namespace skarvo::cli
