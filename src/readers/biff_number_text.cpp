// The general number form is built from the exactly rounded 15-digit scientific digits that
// the C library's "%.14e" conversion yields (only the digits and the exponent are taken from
// it); the placement of the decimal point, the exponent style and the special values are
// done here, since C's own "%g" differs in all three.
#include "readers/biff_number_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace skarvo {

std::string FormatBiffInteger(int64_t value) { return std::to_string(value); }

std::string FormatBiffFloat(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-NAN" : "NAN";
  if (std::isinf(value)) return std::signbit(value) ? "-INF" : "INF";
  if (value == 0) return "0";

  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  // buffer: d.dddddddddddddde[+-]xx
  std::string digits;
  const char* p = buffer;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  int exponent = *p == 'e' ? std::atoi(p + 1) + 1 : 1;  // for 0.d1d2... x 10^exponent
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string result = value < 0 ? "-" : "";
  if (exponent >= -3 && exponent <= 15) {
    if (exponent <= 0) {
      result += "0.";
      result.append(static_cast<size_t>(-exponent), '0');
      result += digits;
    } else {
      size_t whole = static_cast<size_t>(exponent);
      if (digits.size() <= whole) {
        result += digits;
        result.append(whole - digits.size(), '0');
      } else {
        result.append(digits, 0, whole);
        result += '.';
        result.append(digits, whole, std::string::npos);
      }
    }
    return result;
  }
  result += digits[0];
  if (digits.size() > 1) {
    result += '.';
    result.append(digits, 1, std::string::npos);
  }
  int shown = exponent - 1;
  result += 'E';
  if (shown < 0) result += '-';
  std::snprintf(buffer, sizeof buffer, "%03d", std::abs(shown));
  result += buffer;
  return result;
}

double DecodeRk(uint32_t rk) {
  double number;
  if (rk & 2) {
    // Arithmetic shift of the 30-bit signed integer in the high bits.
    number = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&number, &bits, sizeof number);
  }
  if (rk & 1) number /= 100;
  return number;
}

}  // namespace skarvo
