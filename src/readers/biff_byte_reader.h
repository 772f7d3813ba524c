// The spreadsheet reader's view of untrusted bytes: the platform's bounds-checked
// ByteReader, with every failed read turned into a BiffReadError. Record parsing reads
// field after field and lets the first short read abandon the record, so it needs no
// check after each field; a reader over one record body cannot stray into the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/byte_reader.h"
#include "platform/error.h"

namespace skarvo {

// A read asked for more bytes than remain ("ストリーム読込みエラー.").
class BiffReadError : public Exception {
 public:
  BiffReadError();
};

class BiffByteReader {
 public:
  BiffByteReader() = default;
  // Reads `data`, which must outlive the reader.
  explicit BiffByteReader(std::string_view data) : reader_(data) {}

  size_t Position() const { return reader_.Position(); }
  size_t Size() const { return reader_.Size(); }
  size_t Remaining() const { return reader_.Remaining(); }
  bool AtEnd() const { return reader_.AtEnd(); }

  // Each of these consumes the value's bytes or throws BiffReadError, leaving the
  // position unchanged.
  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  double F64();
  // The next `count` bytes, as a view into the data.
  std::string_view Bytes(size_t count);
  void Skip(size_t count);
  // Moves to an absolute position not beyond the end.
  void Seek(size_t position);

 private:
  ByteReader reader_;
};

}  // namespace skarvo
