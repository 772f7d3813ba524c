#include "settings/value_format.h"

#include <cstdint>

#include "platform/codepage.h"

namespace skarvo {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int> ParseProfileInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  bool hex = false;
  if (i < text.size() && text[i] == '$') {
    hex = true;
    ++i;
  } else if (text.size() > 2 && i + 1 < text.size() && text[i] == '0' &&
             (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  std::uint64_t value = 0;
  const std::uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  for (; i < text.size(); ++i) {
    int d = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (d < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
    if (value > limit) return std::nullopt;
  }
  // Hexadecimal numbers are bit patterns: "$FFFFFFFF" is -1.
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  if (negative) bits = 0u - bits;
  return static_cast<int>(bits);
}

std::string ComposeListValue(const std::vector<std::string>& entries) {
  std::string value;
  for (const std::string& entry : entries) {
    if (entry.empty()) continue;
    value += '"';
    for (size_t i = 0; i < entry.size(); ++i) {
      value += entry[i];
      if (IsLeadByte(static_cast<unsigned char>(entry[i])) && i + 1 < entry.size())
        value += entry[++i];
      else if (entry[i] == '"')
        value += '"';
    }
    value += "\",";
  }
  return value;
}

}  // namespace skarvo
