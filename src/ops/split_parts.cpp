#include "ops/split_parts.h"

#include <charconv>

#include "ops/join_lines.h"
#include "platform/codepage.h"

namespace skarvo {

bool ValidSplitMode(int mode) { return mode >= 1 && mode <= 3; }

std::vector<SplitPart> SplitParts(const std::string& path, const std::vector<SplitPoint>& points,
                                  int mode) {
  std::vector<SplitPart> parts;
  if (!ValidSplitMode(mode)) return parts;
  const int lastRow = static_cast<int>(points.size()) - 1;
  for (int i = 0; i < lastRow; ++i) {
    if (!points[i].checked) continue;
    SplitPart part;
    part.pointIndex = i;
    const int64_t here = points[i].line;
    const int64_t next = points[i + 1].line;
    const bool nextIsEnd = i + 1 == lastRow;
    part.first = (mode == 3 && i >= 1) ? here + 1 : here;
    if (nextIsEnd)
      part.last = next;
    else
      part.last = mode == 1 ? next - 1 : next;
    part.name = SplitPartName(path, i);
    parts.push_back(std::move(part));
  }
  return parts;
}

std::string SplitPartName(const std::string& path, int number) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  // A dot that opens the name (a hidden file) starts no extension.
  if (dot == std::string::npos || dot <= nameStart) dot = path.size();
  std::string name = path.substr(0, dot);
  name += std::to_string(number);
  name += path.substr(dot);
  return name;
}

bool PartWritable(const std::vector<std::string>& lines, const SplitPart& part) {
  if (part.last - part.first < 1) return false;
  if (part.first < 1 || part.first > static_cast<int64_t>(lines.size())) return false;
  return !lines[part.first - 1].empty();
}

std::vector<std::string> PartLines(const std::vector<std::string>& lines, const SplitPart& part) {
  std::vector<std::string> out;
  const int64_t count = static_cast<int64_t>(lines.size());
  for (int64_t n = std::max<int64_t>(part.first, 1); n <= part.last && n <= count; ++n)
    out.push_back(lines[n - 1]);
  return out;
}

std::string PartRowText(const std::vector<std::string>& lines, const SplitPart& part) {
  std::string text = "\"" + std::to_string(part.first) + Sjis("列目~") + std::to_string(part.last) +
                     Sjis("列目") + "\",";
  text += SplitPreview(lines, part.first, part.last);
  return text;
}

std::optional<int64_t> HitRowLineNumber(std::string_view rowText) {
  const std::string& open = Sjis("【");
  const std::string& close = Sjis("列目");
  if (!rowText.starts_with(open)) return std::nullopt;
  const size_t end = rowText.find(close, open.size());
  if (end == std::string_view::npos) return std::nullopt;
  int64_t value = 0;
  const char* begin = rowText.data() + open.size();
  const char* stop = rowText.data() + end;
  auto [ptr, ec] = std::from_chars(begin, stop, value);
  if (ec != std::errc() || ptr != stop || value < 1) return std::nullopt;
  return value;
}

}  // namespace skarvo
