// Character codes of Shift-JIS texts, shared by the whole pattern engine: reading one 1- or
// 2-byte character, stepping back over one, the backslash escapes of patterns and
// replacement texts, and turning a code back into text.
//
// A code is an unsigned 16-bit number: a single byte gives its own value, a lead byte
// (0x81-0x9F, 0xE0-0xFC) and the byte after it give lead * 256 + second byte, and 0 ends a
// text. Indexes into a text are 1-based byte positions passed by reference and moved past
// what was read.
#pragma once

#include <cstdint>
#include <string>

namespace skarvo {

using CharCode = std::uint16_t;

// Reads the character at index. Returns 0 and leaves index alone when index is outside
// 1..size. A lead byte that is the last byte raises ERegExpParser
// "不正な２バイト文字コードです。" at that byte's index. Otherwise moves index past the
// character (by 1 or 2).
CharCode ReadCharAt(const std::string& text, int& index);

// Moves index back over the one character that ends just before it, deciding by the parity
// of the run of lead-byte values before the last byte. Does nothing when index < 2.
void StepBackChar(const std::string& text, int& index);

// Decodes an escape sequence; index stands just after the backslash. \b \n \r \t give
// 8 10 13 9, \x a hexadecimal code, a digit 0-7 an octal code, anything else the
// character's own code. A backslash at the end raises "\"の次には文字が必要です。".
CharCode ReadEscape(const std::string& text, int& index);

// Reads 1-4 hexadecimal digits; the character that stops it is left unread. No digit at
// all raises "不正な１６進数コード表記です。" at index.
CharCode ReadHexCode(const std::string& text, int& index);

// Reads 1-6 octal digits; the character that stops it is left unread. A value above 0xFFFF
// raises "不正な８進数コード表記です。" at index.
CharCode ReadOctalCode(const std::string& text, int& index);

// The text of one code: 2 bytes when the high byte is a lead byte, else the low byte alone
// (code 0 gives one zero byte).
std::string CodeToStr(CharCode code);

// Reads one character of a zero-terminated text and moves p past it. At the terminator it
// returns 0 and leaves p alone. A lead byte right before the terminator is returned as its
// own single-byte value and p moves by 1 only, so the terminator is never passed.
inline CharCode ReadCharFromText(const char*& p) noexcept {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  const unsigned char b = u[0];
  if (b == 0) return 0;
  if (((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) && u[1] != 0) {
    p += 2;
    return static_cast<CharCode>(b << 8 | u[1]);
  }
  p += 1;
  return b;
}

// Copies s, putting a backslash before each metacharacter (^ ( | ) + * ? . [ ] $ and the
// backslash itself), so the result, used as a pattern, matches s literally. 2-byte
// characters are copied whole.
std::string QuoteMetaChars(const std::string& s);

}  // namespace skarvo
