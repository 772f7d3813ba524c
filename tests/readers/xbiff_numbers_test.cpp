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
      // The edges of fixed notation, decided after rounding to 15 digits.
      {0.001, "0.001"},
      {0.00099999, "0.00099999"},
      {9.99999999999999e-5, "9.99999999999999E-005"},
      {9.9999999999999999e-5, "0.0001"},  // rounds up into fixed notation
      {0.000123456789012345678, "0.000123456789012346"},
      {1.25e-5, "1.25E-005"},
      {1e14, "100000000000000"},
      {1.5e15, "1.5E015"},
      {1e16, "1E016"},
      {-1e20, "-1E020"},
      {1e100, "1E100"},
      {0.1, "0.1"},
      {-0.5, "-0.5"},
      {123456.7890123456789, "123456.789012346"},
      {1.0000000000000002, "1"},
      {65536, "65536"},
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

// What a cell of an RK record shows: the integer flag, the hundredths flag and the cut-off
// double (only its high 32 bits are stored) all reach the text.
TEST(DecodeRk, CellTexts) {
  struct Row {
    uint32_t rk;
    const char* text;
  } rows[] = {
      {(static_cast<uint32_t>(-5) << 2) | 2, "-5"},
      {(12345u << 2) | 3, "123.45"},
      {(static_cast<uint32_t>(-12345) << 2) | 3, "-123.45"},
      {(1u << 2) | 3, "0.01"},
      {(0u << 2) | 2, "0"},
      {(static_cast<uint32_t>(-1) << 2) | 3, "-0.01"},
      {(100000000u << 2) | 3, "1000000"},
      {0x3FF00000u | 1, "0.01"},  // 1.0 divided by 100
      {0x40934A00u, "1234.5"},
      {0x40934A00u | 1, "12.345"},
      // 0.1 cut to its high half is not 0.1 any more.
      {0x3FB99999u & ~3u, "0.0999999046325684"},
      {0x7FF00000u, "INF"},
      {0xFFF00000u, "-INF"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(FormatBiffFloat(DecodeRk(row.rk)), row.text);
  }
}

}  // namespace
}  // namespace skarvo
