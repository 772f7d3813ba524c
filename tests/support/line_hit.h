// One reported line of a file search, as the grep tests compare them.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
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

// A file's bytes as the reader presents them to the grep: an LF before the first line, every
// line end (CR LF, lone CR, LF) one LF, zero bytes as spaces, a final line end.
inline std::string ReaderStream(const std::string& bytes) {
  std::string out = "\n";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r') {
      out += '\n';
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      out += bytes[i] == '\0' ? ' ' : bytes[i];
    }
  }
  if (out.back() != '\n' || out.size() == 1) out += '\n';
  return out;
}

}  // namespace skarvo::testing
