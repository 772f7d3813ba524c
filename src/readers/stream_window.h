// StreamWindow: a cursor over a ByteSource that holds only a window of it, for readers that
// walk a large stream from front to back. A view it hands out lies in the window and stays
// valid until the next Peek; a source that fails to read ends the stream there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/byte_source.h"

namespace skarvo {

class StreamWindow {
 public:
  explicit StreamWindow(ByteSource& source) : source_(source), size_(source.Size()) {}

  uint64_t Size() const { return size_; }
  uint64_t Position() const { return pos_; }
  bool AtEnd() const { return pos_ >= size_; }
  // Moves the cursor; a position past the end is the end.
  void Seek(uint64_t position) { pos_ = position < size_ ? position : size_; }
  void Advance(uint64_t count) { Seek(count < size_ - pos_ ? pos_ + count : size_); }

  // The next count bytes (fewer at the end of the stream) without moving the cursor.
  std::string_view Peek(size_t count);

 private:
  static constexpr size_t kWindow = size_t{1} << 20;

  ByteSource& source_;
  uint64_t size_;
  uint64_t pos_ = 0;
  std::string buffer_;  // bytes from bufferStart_
  uint64_t bufferStart_ = 0;
};

}  // namespace skarvo
