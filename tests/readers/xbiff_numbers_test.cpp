#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "readers/biff_number_text.h"

namespace skarvo {
namespace {

TEST(FormatBiffFloat, GeneralFormWithFifteenDigitsAndThreeDigitExponents) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    double value;
    const char* text;
  } rows[] = {
      {1, "1"},
      {0.5, "0.5"},
      {0.0001, "0.0001"},
      {0.00012345, "0.00012345"},
      {0.00001, "1E-005"},
      {1e20, "1E020"},
      {-1.5, "-1.5"},
      {-0.001, "-0.001"},
      {100, "100"},
      {12345.678, "12345.678"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {123456789012345, "123456789012345"},  // 15 digits: still fixed
      {999999999999999, "999999999999999"},
      {1e15, "1E015"},  // 16 digits: scientific
      {1234567890123456, "1.23456789012346E015"},
      {999999999999999.9, "1E015"},  // rounding carries into a new digit
      {1.5e300, "1.5E300"},
      {1e-300, "1E-300"},
      {-2.5e-10, "-2.5E-010"},
      {4.9406564584124654e-324, "4.94065645841247E-324"},
      {0.0, "0"},
      {-0.0, "0"},
      {nan, "NAN"},
      {-nan, "-NAN"},
      {inf, "INF"},
      {-inf, "-INF"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(FormatBiffFloat(row.value), row.text);
  }
}

TEST(FormatBiffInteger, PlainDecimal) {
  EXPECT_EQ(FormatBiffInteger(0), "0");
  EXPECT_EQ(FormatBiffInteger(65535), "65535");
  EXPECT_EQ(FormatBiffInteger(-42), "-42");
}

TEST(DecodeRk, IntegersDoublesAndTheHundredthsBit) {
  struct Row {
    uint32_t rk;
    double value;
  } rows[] = {
      {(static_cast<uint32_t>(-5) << 2) | 2, -5},
      {(12345u << 2) | 3, 123.45},
      {(536870911u << 2) | 2, 536870911},  // largest 30-bit integer
      {(static_cast<uint32_t>(-536870912) << 2) | 2, -536870912},
      {0x3FF00000u, 1.0},  // high half of 1.0
      {0x3FF00000u | 1, 0.01},
      {0xC0240000u, -10.0},
      {0x3FF00003u & ~2u, 1.0 / 100},  // stray low bits are not part of the double
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.rk);
    EXPECT_DOUBLE_EQ(DecodeRk(row.rk), row.value);
  }
}

}  // namespace
}  // namespace skarvo
