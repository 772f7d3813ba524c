#include "platform/comma_text.h"

#include "platform/codepage.h"

namespace skarvo {
namespace {

bool IsListBlank(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 1 && u <= 32;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  const size_t n = text.size();
  auto charLength = [&](size_t i) {
    return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < n ? 2 : 1;
  };
  std::vector<std::string> entries;
  size_t i = 0;
  while (i < n && IsListBlank(text[i])) ++i;
  while (i < n) {
    std::string entry;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            entry += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        size_t len = charLength(i);
        entry.append(text.substr(i, len));
        i += len;
      }
    } else {
      size_t start = i;
      while (i < n && !IsListBlank(text[i]) && text[i] != ',') i += charLength(i);
      entry.assign(text.substr(start, i - start));
    }
    entries.push_back(std::move(entry));
    while (i < n && IsListBlank(text[i])) ++i;
    if (i < n && text[i] == ',') {
      ++i;
      if (i == n) entries.emplace_back();
      while (i < n && IsListBlank(text[i])) ++i;
    }
  }
  return entries;
}

}  // namespace skarvo
