#include "platform/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_system.h"
#include "platform/work_done.h"

namespace skarvo {
namespace {

constexpr size_t kCheckPiece = size_t{1} << 20;

class FileByteSource : public ByteSource {
 public:
  FileByteSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~FileByteSource() override { ::close(fd_); }
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  uint64_t Size() const override { return size_; }

  bool ReadAt(uint64_t offset, size_t count, std::string& out) override {
    out.clear();
    if (offset >= size_) return true;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
    out.resize(wanted);
    size_t done = 0;
    while (done < wanted) {
      const ssize_t n =
          ::pread(fd_, out.data() + done, wanted - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) break;  // the file shrank since it was opened
      done += static_cast<size_t>(n);
    }
    out.resize(done);
    workDone += done;
    return true;
  }

 private:
  int fd_;
  uint64_t size_;
};

}  // namespace

bool MemoryByteSource::ReadAt(uint64_t offset, size_t count, std::string& out) {
  out.clear();
  if (offset < bytes_.size()) out.assign(bytes_.substr(static_cast<size_t>(offset), count));
  workDone += out.size();
  return true;
}

std::unique_ptr<ByteSource> OpenFileByteSource(const std::string& path) {
  auto native = NativePath(path);
  if (!native) return nullptr;
  // Without blocking, so that a pipe in place of a file cannot stall the open; only a
  // regular file is kept, and pread does not care about the flag.
  const int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<FileByteSource>(fd, static_cast<uint64_t>(st.st_size));
}

bool ReadsWhole(ByteSource& source) {
  std::string piece;
  for (uint64_t offset = 0; offset < source.Size(); offset += piece.size()) {
    if (!source.ReadAt(offset, kCheckPiece, piece) || piece.empty()) return false;
  }
  return true;
}

}  // namespace skarvo
