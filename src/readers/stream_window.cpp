#include "readers/stream_window.h"

#include <algorithm>

namespace skarvo {

std::string_view StreamWindow::Peek(size_t count) {
  const uint64_t wanted = std::min<uint64_t>(count, size_ - pos_);
  if (pos_ < bufferStart_ || pos_ + wanted > bufferStart_ + buffer_.size()) {
    bufferStart_ = pos_;
    if (!source_.ReadAt(pos_, std::max(kWindow, count), buffer_)) buffer_.clear();
    // A source that cannot deliver what its size promised ends where it stopped.
    if (buffer_.size() < wanted) size_ = pos_ + buffer_.size();
  }
  const size_t offset = static_cast<size_t>(pos_ - bufferStart_);
  return std::string_view(buffer_).substr(offset,
                                          std::min<uint64_t>(wanted, buffer_.size() - offset));
}

}  // namespace skarvo
