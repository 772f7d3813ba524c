// SHA-256 of a byte string, to tell whether a file still holds the bytes a run recorded: a
// backup is put back only when its digest is the original's, so a digest that two texts
// could share by chance would let one file's text land in another.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace skarvo {

class Sha256 {
 public:
  Sha256();
  void Add(std::string_view bytes);
  // The digest of everything added; the object is spent afterwards.
  std::array<uint8_t, 32> Finish();

 private:
  void Block(const uint8_t* block);
  std::array<uint32_t, 8> h_;
  std::array<uint8_t, 64> buffer_{};
  size_t used_ = 0;
  uint64_t length_ = 0;
};

// The digest of bytes as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

// A digest of a file's bytes, to tell later whether a file still holds what was written or
// whether a backup still holds the original.
struct ContentDigest {
  uint64_t size = 0;
  std::string sha256;  // 64 hex digits
  bool operator==(const ContentDigest&) const = default;
};
ContentDigest DigestOf(std::string_view bytes);

}  // namespace skarvo
