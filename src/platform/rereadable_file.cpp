#include "platform/rereadable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace skarvo {

namespace {

// The temporary file's bytes are given back to the file system in steps of this size.
constexpr uint64_t kReleaseStep = uint64_t{16} << 20;

// An unnamed file in the system's temporary folder, gone with its last descriptor.
int OpenUnnamedFile() {
  const char* env = std::getenv("TMPDIR");
  const std::string folder = env != nullptr && *env != '\0' ? env : "/tmp";
  int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0) return fd;
  // A file system without unnamed files: a named one, unlinked at once.
  std::string name = folder + "/skarvo-reread-XXXXXX";
  fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) ::unlink(name.c_str());
  return fd;
}

bool WriteAllAt(int fd, const char* data, std::size_t size, uint64_t offset) {
  while (size > 0) {
    const ssize_t n = RereadableFile::spoolCalls.write(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

RereadableFile::SpoolCalls RereadableFile::spoolCalls = {::pwrite, ::pread};

RereadableFile::RereadableFile(std::size_t heldInMemory, bool readOnce)
    : limit_(heldInMemory), readOnce_(readOnce) {}

RereadableFile::~RereadableFile() {
  if (spool_ >= 0) ::close(spool_);
}

bool RereadableFile::Open(const std::string& path) { return file_.Open(path); }

long RereadableFile::ReadAt(void* buffer, std::size_t size, uint64_t offset) {
  if (Size() > 0) return file_.ReadAt(buffer, size, offset);
  if (offset < keptFrom_ || offset > readEnd_) {
    // A place let go or not reached: the reader broke its own rule.
    errno = EINVAL;
    return -1;
  }
  if (offset == readEnd_) {
    const long n = file_.Read(buffer, size);
    if (n <= 0) return n;
    if (!Keep(static_cast<const char*>(buffer), static_cast<std::size_t>(n))) return -1;
    return n;
  }
  const std::size_t count = static_cast<std::size_t>(std::min<uint64_t>(size, readEnd_ - offset));
  if (spool_ < 0) {
    std::memcpy(buffer, memory_.data() + (offset - memoryFrom_), count);
    return static_cast<long>(count);
  }
  for (;;) {
    const ssize_t n = spoolCalls.read(spool_, buffer, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

bool RereadableFile::AppendLineText(uint64_t offset, std::size_t count, std::string& text) {
  const std::size_t start = text.size();
  text.resize(start + count);
  for (std::size_t done = 0; done < count;) {
    const long got = ReadAt(text.data() + start + done, count - done, offset + done);
    if (got <= 0) {
      if (got == 0) errno = EIO;
      text.resize(start);
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  std::replace(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), '\0', ' ');
  return true;
}

bool RereadableFile::Keep(const char* data, std::size_t size) {
  if (spool_ < 0 && memory_.size() + size > limit_) {
    // Only when that frees at least half, so that no byte is moved often.
    if (2 * (keptFrom_ - memoryFrom_) >= memory_.size()) Compact();
    if (memory_.size() + size > limit_ && !Spill()) return false;
  }
  if (spool_ < 0) {
    memory_.append(data, size);
  } else if (!WriteAllAt(spool_, data, size, readEnd_)) {
    return false;
  }
  readEnd_ += size;
  return true;
}

bool RereadableFile::Spill() {
  const int fd = OpenUnnamedFile();
  if (fd < 0) return false;
  Compact();
  if (!WriteAllAt(fd, memory_.data(), memory_.size(), memoryFrom_)) {
    const int code = errno;
    ::close(fd);
    errno = code;
    return false;
  }
  spool_ = fd;
  released_ = keptFrom_ - keptFrom_ % kReleaseStep;
  std::string().swap(memory_);
  return true;
}

void RereadableFile::Compact() {
  memory_.erase(0, static_cast<std::size_t>(keptFrom_ - memoryFrom_));
  memoryFrom_ = keptFrom_;
}

void RereadableFile::Forget(uint64_t offset) {
  if (Size() > 0) return;
  offset = std::min(offset, readEnd_);
  if (offset <= keptFrom_) return;
  keptFrom_ = offset;
  if (spool_ < 0) {
    // Moving the rest to the front costs what is kept, so it waits until at least as much is
    // let go: each byte is moved a bounded number of times.
    const std::size_t drop = static_cast<std::size_t>(keptFrom_ - memoryFrom_);
    if (drop >= memory_.size() - drop) Compact();
    return;
  }
  if (keptFrom_ - released_ >= kReleaseStep) {
    const uint64_t upTo = keptFrom_ - keptFrom_ % kReleaseStep;
    // Best effort: a file system that cannot punch holes keeps the bytes on disk.
    (void)::fallocate(spool_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                      static_cast<off_t>(released_), static_cast<off_t>(upTo - released_));
    released_ = upTo;
  }
}

}  // namespace skarvo
