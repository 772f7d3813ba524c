// One reported line of a file search, as the grep tests compare them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace skarvo::testing {

struct Hit {
  int64_t no;
  std::string text;
  bool operator==(const Hit&) const = default;
};

inline void PrintTo(const Hit& h, std::ostream* os) {
  *os << h.no << ":" << ::testing::PrintToString(h.text);
}

}  // namespace skarvo::testing
