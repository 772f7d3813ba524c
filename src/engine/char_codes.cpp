#include "engine/char_codes.h"

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {

namespace {

unsigned char ByteAt(const std::string& text, int index) {
  return static_cast<unsigned char>(text[static_cast<std::size_t>(index - 1)]);
}

int HexDigitValue(CharCode c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

CharCode ReadCharAt(const std::string& text, int& index) {
  if (index <= 0 || static_cast<std::size_t>(index) > text.size()) return 0;
  const unsigned char b = ByteAt(text, index);
  if (IsLeadByte(b)) {
    if (static_cast<std::size_t>(index) == text.size()) {
      throw ERegExpParser(Sjis("不正な２バイト文字コードです。"), index);
    }
    const CharCode code = static_cast<CharCode>(b << 8 | ByteAt(text, index + 1));
    index += 2;
    return code;
  }
  index += 1;
  return b;
}

void StepBackChar(const std::string& text, int& index) {
  if (index < 2) return;
  if (index == 2) {
    index = 1;
    return;
  }
  // Bytes 1..index-2 before the last byte: count the lead-byte values right before it.
  int run = 0;
  for (int i = index - 2; i >= 1 && IsLeadByte(ByteAt(text, i)); --i) ++run;
  index -= (run % 2 == 1) ? 2 : 1;
}

CharCode ReadEscape(const std::string& text, int& index) {
  const CharCode c = ReadCharAt(text, index);
  switch (c) {
    case 0:
      throw ERegExpParser(Sjis("\"\\\"の次には文字が必要です。"), index);
    case 'b':
      return 8;
    case 'n':
      return 10;
    case 'r':
      return 13;
    case 't':
      return 9;
    case 'x':
      return ReadHexCode(text, index);
    default:
      break;
  }
  if (c >= '0' && c <= '7') {
    StepBackChar(text, index);
    return ReadOctalCode(text, index);
  }
  return c;
}

CharCode ReadHexCode(const std::string& text, int& index) {
  unsigned value = 0;
  int digits = 0;
  for (;;) {
    const int before = index;
    const CharCode c = ReadCharAt(text, index);
    if (c == 0 && index == before) break;  // end of the text: nothing to give back
    const int d = HexDigitValue(c);
    if (digits == 4 || d < 0) {
      StepBackChar(text, index);
      break;
    }
    value = value * 16 + static_cast<unsigned>(d);
    ++digits;
  }
  if (digits == 0) throw ERegExpParser(Sjis("不正な１６進数コード表記です。"), index);
  return static_cast<CharCode>(value);
}

CharCode ReadOctalCode(const std::string& text, int& index) {
  unsigned value = 0;
  int digits = 0;
  for (;;) {
    const int before = index;
    const CharCode c = ReadCharAt(text, index);
    if (c == 0 && index == before) break;
    if (digits == 6 || c < '0' || c > '7') {
      StepBackChar(text, index);
      break;
    }
    value = value * 8 + (c - '0');
    if (value > 0xFFFF) throw ERegExpParser(Sjis("不正な８進数コード表記です。"), index);
    ++digits;
  }
  return static_cast<CharCode>(value);
}

std::string CodeToStr(CharCode code) {
  const auto high = static_cast<unsigned char>(code >> 8);
  const auto low = static_cast<char>(code & 0xFF);
  if (IsLeadByte(high)) return std::string{static_cast<char>(high), low};
  return std::string(1, low);
}

std::string QuoteMetaChars(const std::string& s) {
  static constexpr char kMeta[] = "^(|)+*?.[]$\\";
  std::string out;
  out.reserve(s.size() * 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (IsLeadByte(b) && i + 1 < s.size()) {
      out += s[i];
      out += s[i + 1];
      ++i;
      continue;
    }
    for (const char* m = kMeta; *m; ++m) {
      if (s[i] == *m) {
        out += '\\';
        break;
      }
    }
    out += s[i];
  }
  return out;
}

}  // namespace skarvo
