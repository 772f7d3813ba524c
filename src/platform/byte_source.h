// ByteSource: random access to bytes that need not all be in memory (a file, a stream of a
// compound document, or bytes already held), so that readers of large documents keep only
// the part they are looking at. What a source delivers is untrusted: readers look at it
// through ByteReader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace skarvo {

class ByteSource {
 public:
  virtual ~ByteSource() = default;

  // Size in bytes, fixed when the source was opened.
  virtual uint64_t Size() const = 0;

  // Replaces out with the count bytes at offset, fewer only where Size() ends first
  // (none at or past the end). False on a read error (out's content is then unspecified).
  virtual bool ReadAt(uint64_t offset, size_t count, std::string& out) = 0;
};

// Bytes held by the caller, which must outlive the source.
class MemoryByteSource : public ByteSource {
 public:
  explicit MemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, size_t count, std::string& out) override;

 private:
  std::string_view bytes_;
};

// A regular file (CP932 path), read with pread up to its size at opening: a file that
// grows meanwhile is not followed, one that shrinks ends early.
std::unique_ptr<ByteSource> OpenFileByteSource(const std::string& path);

// Reads the whole of source once, in pieces, keeping nothing: true when every byte can be
// read. Readers use it to refuse a damaged stream before they report anything from it.
bool ReadsWhole(ByteSource& source);

}  // namespace skarvo
