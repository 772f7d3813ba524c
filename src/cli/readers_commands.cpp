// skarvo-cli commands of the document readers. Each command lives in its own function.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/command_registry.h"
#include "platform/codepage.h"
#include "platform/error.h"
#include "readers/read_doc.h"
#include "readers/xbiff.h"

namespace skarvo::cli {
namespace {

// Writes one line: the bytes as they are with --raw, else converted to UTF-8.
void PrintLine(const std::string& cp932, bool raw) {
  const std::string out = raw ? cp932 : Cp932ToUtf8Lossy(cp932);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fputc('\n', stdout);
}

void PrintError(const std::string& cp932Message) {
  std::fprintf(stderr, "%s\n", Cp932ToUtf8Lossy(cp932Message).c_str());
}

// doctext [--raw] FILE: one line per text line of the word-processor document.
int DocTextCommand(const std::vector<std::string>& args) {
  bool raw = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--raw")
      raw = true;
    else
      files.push_back(arg);
  }
  if (files.size() != 1) {
    std::fprintf(stderr, "usage: skarvo-cli doctext [--raw] FILE\n");
    return 2;
  }
  std::string path;
  if (raw) {
    path = files[0];
  } else if (!Utf8ToCp932(files[0], path)) {
    std::fprintf(stderr, "the file name has no CP932 form: %s\n", files[0].c_str());
    return 2;
  }
  std::vector<std::string> lines;
  try {
    TReadDoc reader;
    reader.ReadText(path, &lines);
  } catch (const Exception& e) {
    for (const std::string& line : lines) PrintLine(line, raw);
    PrintError(e.Message());
    return 2;
  }
  for (const std::string& line : lines) PrintLine(line, raw);
  return lines.empty() ? 1 : 0;
}

CommandRegistrar docTextRegistrar("doctext", DocTextCommand, "[--raw] FILE");

// cells [--raw] FILE: one line per cell event of the spreadsheet reader,
// "<SheetNo>\t<Row>\t<Col>\t<Data>", in record order.
int CellsCommand(const std::vector<std::string>& args) {
  bool raw = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    if (arg == "--raw")
      raw = true;
    else
      files.push_back(arg);
  }
  if (files.size() != 1) {
    std::fprintf(stderr, "usage: skarvo-cli cells [--raw] FILE\n");
    return 2;
  }
  std::string path;
  if (raw) {
    path = files[0];
  } else if (!Utf8ToCp932(files[0], path)) {
    std::fprintf(stderr, "the file name has no CP932 form: %s\n", files[0].c_str());
    return 2;
  }
  size_t count = 0;
  TXBiff reader;
  reader.OnReadCell = [&](TXBiff&, int32_t sheetNo, int32_t row, int32_t col, int32_t,
                          const std::string& data, bool&) {
    // Printed as each cell arrives, so the cells before a damaged record still show.
    PrintLine(std::to_string(sheetNo) + "\t" + std::to_string(row) + "\t" + std::to_string(col) +
                  "\t" + data,
              raw);
    ++count;
  };
  try {
    reader.ReadWorkbook(path);
  } catch (const Exception& e) {
    std::fflush(stdout);
    PrintError(e.Message());
    return 2;
  }
  return count == 0 ? 1 : 0;
}

CommandRegistrar cellsRegistrar("cells", CellsCommand, "[--raw] FILE");

}  // namespace
}  // namespace skarvo::cli
