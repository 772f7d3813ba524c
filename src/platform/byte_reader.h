// ByteReader: the one way the document readers look at untrusted bytes.
//
// It is a cursor over a borrowed byte range. Every read states how many bytes it needs and
// fails, without moving and without touching its output, when fewer are left; sizes and
// offsets are checked for overflow before they are used. Multi-byte numbers are
// little-endian, as the compound document and the binary office formats store them.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace skarvo {

class ByteReader {
 public:
  ByteReader() = default;
  explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

  // Total size of the range, the cursor, and the bytes after the cursor.
  size_t Size() const { return bytes_.size(); }
  size_t Position() const { return pos_; }
  size_t Remaining() const { return bytes_.size() - pos_; }
  bool AtEnd() const { return pos_ >= bytes_.size(); }

  // Moves the cursor to an absolute offset. False (cursor unchanged) past the end;
  // the end itself is a valid position.
  bool Seek(uint64_t offset) {
    if (offset > bytes_.size()) return false;
    pos_ = static_cast<size_t>(offset);
    return true;
  }
  // Steps over count bytes. False (cursor unchanged) when fewer are left.
  bool Skip(uint64_t count) {
    if (count > Remaining()) return false;
    pos_ += static_cast<size_t>(count);
    return true;
  }

  // Fixed-size little-endian numbers. False (nothing read) when too few bytes are left.
  bool ReadU8(uint8_t& value) { return ReadLittleEndian(value); }
  bool ReadU16(uint16_t& value) { return ReadLittleEndian(value); }
  bool ReadU32(uint32_t& value) { return ReadLittleEndian(value); }
  bool ReadU64(uint64_t& value) { return ReadLittleEndian(value); }
  bool ReadI16(int16_t& value) {
    uint16_t raw;
    if (!ReadU16(raw)) return false;
    value = static_cast<int16_t>(raw);
    return true;
  }
  bool ReadI32(int32_t& value) {
    uint32_t raw;
    if (!ReadU32(raw)) return false;
    value = static_cast<int32_t>(raw);
    return true;
  }
  bool ReadDouble(double& value) {
    uint64_t raw;
    if (!ReadU64(raw)) return false;
    value = std::bit_cast<double>(raw);
    return true;
  }

  // Exactly count bytes as a view into the range. False (nothing read) when fewer are left.
  bool ReadBytes(uint64_t count, std::string_view& out) {
    if (count > Remaining()) return false;
    out = bytes_.substr(pos_, static_cast<size_t>(count));
    pos_ += static_cast<size_t>(count);
    return true;
  }
  // Up to count bytes: what is left when fewer are. Never fails; empty at the end.
  std::string_view ReadUpTo(uint64_t count) {
    size_t n = count < Remaining() ? static_cast<size_t>(count) : Remaining();
    std::string_view out = bytes_.substr(pos_, n);
    pos_ += n;
    return out;
  }

  // A reader over count bytes from the cursor, which moves past them. False when fewer
  // are left.
  bool SubReader(uint64_t count, ByteReader& out) {
    std::string_view part;
    if (!ReadBytes(count, part)) return false;
    out = ByteReader(part);
    return true;
  }

 private:
  template <typename T>
  bool ReadLittleEndian(T& value) {
    if (sizeof(T) > Remaining()) return false;
    T result = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
      result |= static_cast<T>(static_cast<T>(static_cast<uint8_t>(bytes_[pos_ + i])) << (8 * i));
    value = result;
    pos_ += sizeof(T);
    return true;
  }

  std::string_view bytes_;
  size_t pos_ = 0;
};

// Overflow-checked helpers for sizes computed from untrusted fields.
// a + b, or false when it does not fit in 64 bits.
inline bool CheckedAdd(uint64_t a, uint64_t b, uint64_t& sum) {
  return !__builtin_add_overflow(a, b, &sum);
}
// a * b, or false when it does not fit in 64 bits.
inline bool CheckedMul(uint64_t a, uint64_t b, uint64_t& product) {
  return !__builtin_mul_overflow(a, b, &product);
}

}  // namespace skarvo
