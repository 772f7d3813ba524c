// A search for a short byte string in a buffer, for the reader's required-text skip. It
// answers as memmem does, faster on Japanese text: it compares two of the string's bytes,
// chosen as the least common in such text, at sixteen places at a time, and checks the whole
// string only where both agree.
#pragma once

#include <cstddef>
#include <string_view>

namespace skarvo {

// The first place in [hay, hay + size) where needle begins; nullptr when there is none. An
// empty needle is found at hay.
const unsigned char* FindBytes(const unsigned char* hay, size_t size, std::string_view needle);

// The first CR or LF in [p, p + size); nullptr when there is none.
const unsigned char* FindLineEnd(const unsigned char* p, size_t size);

}  // namespace skarvo
