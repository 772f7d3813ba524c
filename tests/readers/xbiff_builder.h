// Builds BIFF record streams byte by byte for the reader's tests, so each case states
// exactly the records it feeds in.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace skarvo::testing {

class BiffBytes {
 public:
  BiffBytes& U8(unsigned v) {
    bytes_.push_back(static_cast<char>(v & 0xFF));
    return *this;
  }
  BiffBytes& U16(unsigned v) { return U8(v).U8(v >> 8); }
  BiffBytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  BiffBytes& F64(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return U32(static_cast<uint32_t>(bits)).U32(static_cast<uint32_t>(bits >> 32));
  }
  BiffBytes& Raw(std::string_view s) {
    bytes_.append(s);
    return *this;
  }
  // UTF-16LE code units of a char16_t text.
  BiffBytes& Wide(std::u16string_view s) {
    for (char16_t c : s) U16(c);
    return *this;
  }
  const std::string& Str() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

 private:
  std::string bytes_;
};

// A record stream under construction.
class BiffStream {
 public:
  BiffStream& Record(unsigned id, const BiffBytes& body) { return Record(id, body.Str()); }
  BiffStream& Record(unsigned id, std::string_view body) {
    out_.U16(id).U16(static_cast<unsigned>(body.size())).Raw(body);
    return *this;
  }
  // A record whose length field says `length` whatever the body holds.
  BiffStream& RecordWithLength(unsigned id, unsigned length, std::string_view body) {
    out_.U16(id).U16(length).Raw(body);
    return *this;
  }
  BiffStream& Raw(std::string_view bytes) {
    out_.Raw(bytes);
    return *this;
  }
  BiffStream& Bof(unsigned id, unsigned version, unsigned type) {
    BiffBytes b;
    b.U16(version).U16(type);
    if (id == 0x0809) b.U16(0).U16(0).U32(0).U32(0);  // build, year, history, version
    return Record(id, b);
  }
  BiffStream& Bof8(unsigned type) { return Bof(0x0809, 0x0600, type); }
  BiffStream& Eof() { return Record(0x000A, ""); }
  BiffStream& Rk(unsigned row, unsigned col, uint32_t rk) {
    return Record(0x027E, BiffBytes().U16(row).U16(col).U16(15).U32(rk));
  }
  BiffStream& Number(unsigned row, unsigned col, double v) {
    return Record(0x0203, BiffBytes().U16(row).U16(col).U16(15).F64(v));
  }
  BiffStream& LabelSst(unsigned row, unsigned col, uint32_t index) {
    return Record(0x00FD, BiffBytes().U16(row).U16(col).U16(15).U32(index));
  }
  const std::string& Str() const { return out_.Str(); }

 private:
  BiffBytes out_;
};

// The body of an SST record (without continuations) holding 8-bit strings.
inline BiffBytes SstBody(std::initializer_list<std::string_view> strings) {
  BiffBytes b;
  b.U32(static_cast<uint32_t>(strings.size())).U32(static_cast<uint32_t>(strings.size()));
  for (std::string_view s : strings) b.U16(static_cast<unsigned>(s.size())).U8(0).Raw(s);
  return b;
}

}  // namespace skarvo::testing
