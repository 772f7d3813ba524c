#include "ops/join_lines.h"

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {

std::vector<std::string> SplitIntoLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < bytes.size()) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(bytes.substr(start, i - start));
      i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < bytes.size()) lines.emplace_back(bytes.substr(start));
  return lines;
}

std::string LinesWithCrLf(const std::vector<std::string>& lines) {
  size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string out;
  out.reserve(size);
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

LineFile ReadLineFile(const std::string& path) {
  LineFile file;
  if (!FileExists(path)) return file;
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) return file;
  if (bytes->find('\0') != std::string::npos) {
    file.status = LineFileStatus::kHasNul;
    return file;
  }
  file.status = LineFileStatus::kOk;
  file.lines = SplitIntoLines(*bytes);
  return file;
}

namespace {

void AppendLine(std::string& text, const std::string& line) {
  text += "\r\n";
  text += line;
}

}  // namespace

std::string JoinPreview(std::vector<std::string> lines, bool ignoreBlankLines) {
  if (ignoreBlankLines) {
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    size_t leading = 0;
    while (leading < lines.size() && lines[leading].empty()) ++leading;
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(leading));
  }
  std::string text;
  if (lines.size() >= 5) {
    AppendLine(text, lines[0]);
    AppendLine(text, lines[1]);
    AppendLine(text, Sjis("～～中略～～"));
    AppendLine(text, lines[lines.size() - 2]);
    AppendLine(text, lines.back());
  } else {
    for (const std::string& line : lines) AppendLine(text, line);
  }
  return text;
}

std::string SplitPreview(const std::vector<std::string>& lines, long long first, long long last) {
  static const std::string kEmpty;
  auto line = [&](long long n) -> const std::string& {
    return n >= 1 && n <= static_cast<long long>(lines.size()) ? lines[n - 1] : kEmpty;
  };
  std::string text;
  if (last < first) return text;
  if (last - first >= 5) {
    AppendLine(text, line(first));
    AppendLine(text, line(first + 1));
    AppendLine(text, Sjis("～～中略～～"));
    AppendLine(text, line(last - 1));
    AppendLine(text, line(last));
  } else {
    for (long long n = first; n <= last; ++n) AppendLine(text, line(n));
  }
  return text;
}

std::string QuotedPathText(const std::string& path, const char* utf8Rest) {
  return "\"" + path + "\"" + Sjis(utf8Rest);
}

}  // namespace skarvo
