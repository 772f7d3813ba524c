// Cell numbers as the spreadsheet reader reports them: integers in plain decimal, floating
// values in the reader's own general form (15 significant digits; fixed notation for
// moderate exponents, otherwise "1E-005" style), and the decoding of the compressed RK
// number form.
#pragma once

#include <cstdint>
#include <string>

namespace skarvo {

// Decimal digits with a leading "-" for negatives.
std::string FormatBiffInteger(int64_t value);

// The general form of `value`: rounded to 15 significant digits, seen as 0.d1d2... x 10^e;
// fixed notation when -3 <= e <= 15, else the first digit, the remaining digits after a
// full stop, "E", "-" for negative exponents and e - 1 with at least three digits.
// Trailing zeros and a bare full stop are dropped. "NAN" and "INF" carry a "-" when the
// sign bit is set; zero of either sign is "0".
std::string FormatBiffFloat(double value);

// The number an RK value stands for: a 30-bit signed integer (bit 1 set) or the high half
// of a double (bit 1 clear), divided by 100 when bit 0 is set.
double DecodeRk(uint32_t rk);

}  // namespace skarvo
