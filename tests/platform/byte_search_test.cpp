#include "platform/byte_search.h"

#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

namespace skarvo {
namespace {

// The same answer as memmem on seeded random buffers over small alphabets (so partial matches
// abound), for needles taken from the buffer, changed in one byte, or of repeated bytes, at
// every length up to 40 and buffer sizes around the 16- and 32-place steps.
TEST(FindBytes, AnswersAsMemmem) {
  std::mt19937 rng(15);
  const std::string alphabets[] = {"ab", "\x83\x74\x40\x43\x8B", "abcdefgh\x82\xA0\r\n"};
  int compared = 0;
  for (const std::string& alphabet : alphabets) {
    for (int round = 0; round < 400; ++round) {
      const size_t size = rng() % 150;
      std::string hay(size, '\0');
      for (char& c : hay) c = alphabet[rng() % alphabet.size()];
      for (int k = 0; k < 20; ++k) {
        const size_t len = rng() % 41;
        std::string needle;
        if (len <= size && rng() % 4 != 0) {
          needle = hay.substr(rng() % (size - len + 1), len);
          if (!needle.empty() && rng() % 3 == 0)
            needle[rng() % len] = alphabet[rng() % alphabet.size()];
        } else {
          needle.assign(len, alphabet[rng() % alphabet.size()]);
        }
        // A buffer of exactly the hay's size, so a read past its end is caught by the
        // address sanitizer.
        const auto exact = std::make_unique<unsigned char[]>(hay.size());
        std::copy(hay.begin(), hay.end(), exact.get());
        const unsigned char* h = exact.get();
        const void* want = memmem(h, hay.size(), needle.data(), needle.size());
        ASSERT_EQ(FindBytes(h, hay.size(), needle), want)
            << round << " " << k << " size " << size << " needle " << needle.size();
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 3 * 400 * 20);
}

}  // namespace
}  // namespace skarvo
