// The line model of the join and the split: a file is read as bytes and cut into lines at
// CR LF, a lone CR or a lone LF, without any code-page conversion; every written line ends
// in CR LF. Also the short previews the join list shows, and the texts the two operations
// share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace skarvo {

// Cuts bytes into lines. A last line without a line end is a line; an empty text has none.
std::vector<std::string> SplitIntoLines(std::string_view bytes);

// Every line followed by CR LF.
std::string LinesWithCrLf(const std::vector<std::string>& lines);

// Why a file could not be taken into lines.
enum class LineFileStatus { kOk, kMissing, kHasNul };

struct LineFile {
  LineFileStatus status = LineFileStatus::kMissing;
  std::vector<std::string> lines;
};

// Reads a file into lines. A file holding a NUL byte is refused (kHasNul): what follows a
// NUL lies outside the line model, so joining or splitting it would lose bytes.
LineFile ReadLineFile(const std::string& path);

// The join list's preview of a file's lines: CR LF before each line, and from five lines on
// only the first two, "～～中略～～" and the last two. With ignoreBlankLines the blank lines
// at the end and then at the start are left out first.
std::string JoinPreview(std::vector<std::string> lines, bool ignoreBlankLines);

// The split list's preview of lines first..last (1-based, both included): the lines whole
// up to five, from six on the first two, "～～中略～～" and the last two; nothing for an
// empty range. Lines beyond the file count as empty.
std::string SplitPreview(const std::vector<std::string>& lines, long long first, long long last);

// True for a spreadsheet or word-processor file: the extension ".xls", ".xlsx", ".doc" or
// ".docx", any case.
bool IsOfficeFile(const std::string& path);

// "\"" + path + "\"" + rest, the shape of most messages about one file.
std::string QuotedPathText(const std::string& path, const char* utf8Rest);

// An error of the join or the split, its message the program's text.
class EJoinSplit : public Exception {
 public:
  explicit EJoinSplit(std::string message) : Exception(std::move(message)) {}
};

}  // namespace skarvo
