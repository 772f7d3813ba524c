#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/codepage.h"

namespace skarvo {
namespace {

unsigned char AsciiLower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

bool NameLess(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = AsciiLower(static_cast<unsigned char>(a[i]));
    unsigned char y = AsciiLower(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool StatNative(const std::string& path, struct stat& st) {
  auto native = NativePath(path);
  return native && ::stat(native->c_str(), &st) == 0;
}

}  // namespace

std::optional<std::string> NativePath(const std::string& cp932Path) {
  std::string utf8;
  if (!Cp932ToUtf8(cp932Path, utf8)) return std::nullopt;
  return utf8;
}

FolderListing ListFolder(const std::string& folder) {
  FolderListing listing;
  auto native = NativePath(folder);
  if (!native) return listing;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(native->c_str()), ::closedir);
  if (!dir) return listing;
  listing.ok = true;
  while (dirent* d = ::readdir(dir.get())) {
    std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    if (!Utf8ToCp932(name, entry.name)) {
      ++listing.unrepresentableNames;
      continue;
    }
    // The CP932 name must lead back to the same file, or it would name another one.
    std::string back;
    if (!Cp932ToUtf8(entry.name, back) || back != name) {
      ++listing.unrepresentableNames;
      continue;
    }
    // The entry's type from the listing is exact for a plain file, which needs nothing
    // more; a folder needs its device and inode (a mount point's differ from the listing's),
    // and a link or an unknown type is looked up after links.
    if (d->d_type == DT_REG) {
      entry.isFile = true;
    } else {
      struct stat st;
      if (::fstatat(::dirfd(dir.get()), d->d_name, &st, 0) == 0) {
        entry.isFolder = S_ISDIR(st.st_mode);
        entry.isFile = S_ISREG(st.st_mode);
        entry.device = st.st_dev;
        entry.inode = st.st_ino;
      }
    }
    listing.entries.push_back(std::move(entry));
  }
  std::sort(listing.entries.begin(), listing.entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return NameLess(a.name, b.name); });
  return listing;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return StatNative(path, st) && S_ISREG(st.st_mode);
}

bool FolderExists(const std::string& path) {
  struct stat st;
  return StatNative(path, st) && S_ISDIR(st.st_mode);
}

bool FolderIdentity(const std::string& path, dev_t& device, ino_t& inode) {
  struct stat st;
  if (!StatNative(path, st) || !S_ISDIR(st.st_mode)) return false;
  device = st.st_dev;
  inode = st.st_ino;
  return true;
}

// Makes every missing folder of path with mode (before the umask); folders that exist keep
// theirs.
static bool CreateFolderPathWithMode(const std::string& path, mode_t mode) {
  auto native = NativePath(path);
  if (!native || native->empty()) return false;
  std::string& p = *native;
  for (size_t i = 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == '/') {
      std::string part = p.substr(0, i);
      if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateFolderPath(const std::string& path) { return CreateFolderPathWithMode(path, 0777); }

bool DeleteFilePath(const std::string& path) {
  auto native = NativePath(path);
  return native && ::unlink(native->c_str()) == 0;
}

bool DeleteEmptyFolder(const std::string& path) {
  auto native = NativePath(path);
  return native && ::rmdir(native->c_str()) == 0;
}

namespace {
bool DeleteTreeNative(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) return ::unlink(path.c_str()) == 0;
  bool ok = true;
  {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(path.c_str()), ::closedir);
    if (!dir) return false;
    while (dirent* d = ::readdir(dir.get())) {
      std::string name = d->d_name;
      if (name == "." || name == "..") continue;
      ok = DeleteTreeNative(path + "/" + name) && ok;
    }
  }
  return ::rmdir(path.c_str()) == 0 && ok;
}
}  // namespace

bool DeleteFolderTree(const std::string& path) {
  auto native = NativePath(path);
  return native && DeleteTreeNative(*native);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  InputFile file;
  if (!file.Open(path)) return std::nullopt;
  std::string data;
  char buffer[65536];
  for (;;) {
    long n = file.Read(buffer, sizeof buffer);
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    data.append(buffer, static_cast<size_t>(n));
  }
  return data;
}

namespace {
// Where a write to nativePath must land: the final target when it is a symbolic link, so
// the link stays a link; nullopt for a dangling link or a loop, which is never replaced.
std::optional<std::string> WriteTarget(const std::string& nativePath) {
  struct stat st;
  if (::lstat(nativePath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return nativePath;
  std::unique_ptr<char, void (*)(void*)> target(::realpath(nativePath.c_str(), nullptr), std::free);
  if (!target) return std::nullopt;
  return std::string(target.get());
}

FileIdentity IdentityOfStat(const struct stat& st) {
  return FileIdentity{st.st_dev, st.st_ino, static_cast<uint64_t>(st.st_size),
                      static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// The process's umask (the program never changes it). Read where the system shows it:
// reading it by setting it would let another thread's file or folder meanwhile be made
// with the mask set for the look (or read that mask back as the real one).
mode_t CurrentUmask() {
  static const mode_t mask = [] {
    if (FILE* status = std::fopen("/proc/self/status", "re")) {
      char line[256];
      unsigned value = 0;
      bool found = false;
      while (!found && std::fgets(line, sizeof line, status) != nullptr)
        found = std::sscanf(line, "Umask: %o", &value) == 1;
      std::fclose(status);
      if (found) return static_cast<mode_t>(value & 0777);
    }
    const mode_t set = ::umask(0);
    ::umask(set);
    return set;
  }();
  return mask;
}

// The temporary files of writes in progress, for RemoveInflightTempFiles. A slot is claimed,
// filled and only then published, so a signal handler never reads a half-written path.
struct InflightSlot {
  std::atomic<int> state{0};  // 0 free, 1 being filled or emptied, 2 published
  char path[PATH_MAX];
};
InflightSlot gInflight[16];

class InflightTemp {
 public:
  InflightTemp() = default;
  ~InflightTemp() { Release(); }
  InflightTemp(const InflightTemp&) = delete;
  InflightTemp& operator=(const InflightTemp&) = delete;
  // Publishes nativePath (already created) until Release; with every slot taken the file is
  // only not removed on an interrupt.
  void Publish(const char* nativePath) {
    const size_t n = std::strlen(nativePath);
    if (n >= PATH_MAX) return;
    for (InflightSlot& slot : gInflight) {
      int expected = 0;
      if (slot.state.compare_exchange_strong(expected, 1)) {
        std::memcpy(slot.path, nativePath, n + 1);
        slot.state.store(2);
        slot_ = &slot;
        return;
      }
    }
  }
  void Release() {
    if (slot_ != nullptr) slot_->state.store(0);
    slot_ = nullptr;
  }

 private:
  InflightSlot* slot_ = nullptr;
};

// Signals that end a command line, held back while a temporary file is made and published.
class HoldEndingSignals {
 public:
  HoldEndingSignals() {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~HoldEndingSignals() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_;
};

bool WriteAll(int fd, const char* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Gives the temporary file fd the extended attributes (ACLs included) of the file at
// nativeTarget. False when one of them cannot be given.
bool CopyAttributes(const std::string& nativeTarget, int fd) {
  ssize_t size = ::listxattr(nativeTarget.c_str(), nullptr, 0);
  if (size < 0) return errno == ENOTSUP;
  if (size == 0) return true;
  std::vector<char> names(static_cast<size_t>(size));
  size = ::listxattr(nativeTarget.c_str(), names.data(), names.size());
  if (size < 0) return false;
  for (ssize_t at = 0; at < size;) {
    const char* name = names.data() + at;
    at += static_cast<ssize_t>(std::strlen(name)) + 1;
    ssize_t length = ::getxattr(nativeTarget.c_str(), name, nullptr, 0);
    if (length < 0) return false;
    std::vector<char> value(static_cast<size_t>(length) + 1);
    length = ::getxattr(nativeTarget.c_str(), name, value.data(), value.size());
    if (length < 0) return false;
    if (::fsetxattr(fd, name, value.data(), static_cast<size_t>(length), 0) != 0) return false;
  }
  return true;
}

// Copies the flushed temporary file into the target's own inode: every hard link, the owner
// and the attributes stay as they are.
// Copies the temporary file over the target in place. The new size is reserved first (where
// the file system can), so a full disk leaves the target untouched (kIo); the ending signals are
// held while the bytes go over, so an interrupt cannot leave old and new mixed. An error once the
// first byte is over leaves the target part-written (kPartial).
WriteFailure CopyInPlace(int tempFd, const std::string& nativeTarget) {
  struct stat temp;
  if (::fstat(tempFd, &temp) != 0 || ::lseek(tempFd, 0, SEEK_SET) != 0) return WriteFailure::kIo;
  const int out = ::open(nativeTarget.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (out < 0) return WriteFailure::kIo;
  struct stat before;
  if (::fstat(out, &before) != 0 ||
      (temp.st_size > 0 && ::fallocate(out, 0, 0, temp.st_size) != 0 && errno != EOPNOTSUPP &&
       errno != ENOSYS)) {
    // The target's bytes are as they were; only a size grown by the attempt is undone.
    struct stat after;
    if (::fstat(out, &after) == 0 && after.st_size != before.st_size)
      (void)::ftruncate(out, before.st_size);
    ::close(out);
    return WriteFailure::kIo;
  }
  HoldEndingSignals hold;
  bool ok = true;
  char buffer[65536];
  while (ok) {
    ssize_t n = ::read(tempFd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = WriteAll(out, buffer, static_cast<size_t>(n));
  }
  ok = ok && ::ftruncate(out, temp.st_size) == 0 && ::fsync(out) == 0;
  ok = (::close(out) == 0) && ok;
  return ok ? WriteFailure::kNone : WriteFailure::kPartial;
}

std::string Cp932OrLossy(const std::string& native) {
  std::string cp932;
  if (!Utf8ToCp932(native, cp932)) cp932 = Utf8ToCp932Lossy(native);
  return cp932;
}

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  struct stat st;
  if (!StatNative(path, st)) return std::nullopt;
  return IdentityOfStat(st);
}

std::optional<std::string> RealPath(const std::string& path) {
  auto native = NativePath(path);
  if (!native || native->empty()) return std::nullopt;
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(native->c_str(), nullptr), std::free);
  std::string result;
  if (resolved) {
    result = resolved.get();
  } else {
    // Only the last element may be missing, and it must not be a link (a dangling one).
    struct stat st;
    if (errno != ENOENT || ::lstat(native->c_str(), &st) == 0) return std::nullopt;
    size_t slash = native->rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : native->substr(0, slash);
    std::string name = slash == std::string::npos ? *native : native->substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    std::unique_ptr<char, void (*)(void*)> f(::realpath(folder.c_str(), nullptr), std::free);
    if (!f) return std::nullopt;
    result = std::string(f.get()) + (std::strcmp(f.get(), "/") == 0 ? "" : "/") + name;
  }
  std::string cp932;
  if (!Utf8ToCp932(result, cp932)) return std::nullopt;
  return cp932;
}

std::optional<std::string> ReadWholeFileAs(const std::string& path, FileIdentity& identity) {
  auto native = NativePath(path);
  if (!native) return std::nullopt;
  const int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::string data;
  struct stat before, after;
  bool ok = ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
  char buffer[65536];
  while (ok) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    data.append(buffer, static_cast<size_t>(n));
  }
  ok = ok && ::fstat(fd, &after) == 0 && IdentityOfStat(before) == IdentityOfStat(after) &&
       data.size() == static_cast<uint64_t>(after.st_size);
  ::close(fd);
  if (!ok) return std::nullopt;
  identity = IdentityOfStat(after);
  return data;
}

WriteOutcome WriteFileSafely(const std::string& path,
                             const std::function<void(const FilePieceWriter&)>& fill,
                             const AtomicWriteOptions& options) {
  auto cp932Native = NativePath(path);
  if (!cp932Native) return {WriteFailure::kUnresolved, {}};
  auto native = WriteTarget(*cp932Native);
  if (!native) return {WriteFailure::kUnresolved, {}};
  struct stat st;
  const bool existed = ::stat(native->c_str(), &st) == 0;
  if (existed) {
    if (!S_ISREG(st.st_mode)) return {WriteFailure::kNotRegular, {}};
    // A read-only file is refused, as an in-place write would be, even for root.
    if ((st.st_mode & 0222) == 0) return {WriteFailure::kReadOnlyFile, {}};
  }
  if (options.expected != nullptr && (!existed || IdentityOfStat(st) != *options.expected))
    return {WriteFailure::kChanged, {}};
  std::string folder = ".";
  size_t slash = native->rfind('/');
  if (slash != std::string::npos) folder = slash == 0 ? "/" : native->substr(0, slash);
  std::string tmpl = folder + "/.skarvo-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  InflightTemp inflight;
  int fd = -1;
  {
    HoldEndingSignals hold;  // the file and its published name come into being together
    fd = ::mkstemp(name.data());
    if (fd >= 0) inflight.Publish(name.data());
  }
  if (fd < 0) {
    if (errno == EACCES || errno == EROFS || errno == EPERM)
      return {WriteFailure::kFolderNotWritable, Cp932OrLossy(folder)};
    return {WriteFailure::kIo, {}};
  }
  const auto drop = [&] {
    ::unlink(name.data());
    inflight.Release();
  };
  if (options.onTempCreated) options.onTempCreated(Cp932OrLossy(name.data()));
  bool ok = true;
  const FilePieceWriter write = [&](std::string_view data) {
    ok = ok && WriteAll(fd, data.data(), data.size());
    return ok;
  };
  try {
    fill(write);
  } catch (...) {
    ::close(fd);
    drop();
    throw;
  }
  // The temporary file takes the old file's owner, group, mode and attributes; where it
  // cannot, or where other names share the old file, the old file is written in place.
  bool inPlace = false;
  if (ok) {
    if (existed) {
      inPlace = st.st_nlink > 1;
      if (!inPlace && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()))
        inPlace = ::fchown(fd, st.st_uid, st.st_gid) != 0;
      if (!inPlace) ok = ::fchmod(fd, st.st_mode & 07777) == 0;
      if (ok && !inPlace) inPlace = !CopyAttributes(*native, fd);
    } else {
      ok = ::fchmod(fd, options.newFileMode & ~CurrentUmask() & 07777) == 0;
    }
  }
  ok = ok && ::fsync(fd) == 0;
  // The last look at the target, as close to the replacement as it can be.
  struct stat now;
  const bool unchanged =
      !existed ? ::lstat(native->c_str(), &now) != 0
               : ::stat(native->c_str(), &now) == 0 && IdentityOfStat(now) == IdentityOfStat(st);
  if (ok && !unchanged) {
    ::close(fd);
    drop();
    return {WriteFailure::kChanged, {}};
  }
  if (ok && inPlace) {
    const WriteFailure copied = CopyInPlace(fd, *native);
    ::close(fd);
    drop();
    return {copied, {}};
  }
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(name.data(), native->c_str()) == 0;
  if (!ok) {
    drop();
    return {WriteFailure::kIo, {}};
  }
  inflight.Release();
  return {};
}

bool WriteFileAtomicPieces(const std::string& path,
                           const std::function<void(const FilePieceWriter&)>& fill) {
  return WriteFileSafely(path, fill).Ok();
}

bool WriteFileAtomic(const std::string& path, const std::string& data) {
  return WriteFileSafely(path, [&](const FilePieceWriter& write) { write(data); }).Ok();
}

void RemoveInflightTempFiles() noexcept {
  for (InflightSlot& slot : gInflight)
    if (slot.state.load() == 2) ::unlink(slot.path);
}

bool CreatePrivateFolderPath(const std::string& path) {
  return CreateFolderPathWithMode(path, 0700);
}

std::string CurrentFolder() {
  std::unique_ptr<char, void (*)(void*)> cwd(::getcwd(nullptr, 0), std::free);
  if (!cwd) return {};
  std::string result;
  if (!Utf8ToCp932(cwd.get(), result)) return {};
  return result;
}

InputFile::~InputFile() { Close(); }

namespace {
thread_local OpenFolderHint* innermostHint = nullptr;
}  // namespace

OpenFolderHint::OpenFolderHint() : outer_(innermostHint) { innermostHint = this; }

OpenFolderHint::~OpenFolderHint() {
  if (fd_ >= 0) ::close(fd_);
  innermostHint = outer_;
}

void OpenFolderHint::Use(std::string_view folder) {
  if (tried_ && folder == folder_) return;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  folder_.assign(folder);
  tried_ = true;
  // A descriptor only to look names up in: no read permission on the folder is needed,
  // exactly as for walking its path.
  if (auto native = NativePath(folder_.empty() ? std::string("/") : folder_))
    fd_ = ::open(native->c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

int OpenFolderHint::RelativeTo(const std::string& path, std::string& name) const {
  // '/' is never the second byte of a 2-byte character, so the path splits at it.
  const size_t n = folder_.size();
  if (fd_ < 0 || path.size() <= n + 1 || path[n] != '/' || path.compare(0, n, folder_) != 0)
    return -1;
  if (path.find('/', n + 1) != std::string::npos) return -1;
  name.assign(path, n + 1);
  if (name == "." || name == "..") return -1;
  return fd_;
}

bool InputFile::Open(const std::string& path) {
  Close();
  // Opened without blocking so that a pipe in place of a file cannot stall the caller; only a
  // regular file is kept, and reads of a regular file never heed that flag, so it stays.
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
  int fd = -1;
  std::string name;
  const int folder = innermostHint ? innermostHint->RelativeTo(path, name) : -1;
  if (folder >= 0) {
    auto native = NativePath(name);
    if (!native) return false;
    fd = ::openat(folder, native->c_str(), kFlags);
  } else {
    auto native = NativePath(path);
    if (!native) return false;
    fd = ::open(native->c_str(), kFlags);
  }
  if (fd < 0) return false;
  struct stat st;
  const bool statFailed = ::fstat(fd, &st) != 0;
  if (statFailed || !S_ISREG(st.st_mode)) {
    // The caller tells a refused folder (EISDIR) from another kind of node (0) by errno; an
    // earlier step's errno must not stand in for it.
    const int code = statFailed ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    ::close(fd);
    errno = code;
    return false;
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  return true;
}

void InputFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  size_ = 0;
}

long InputFile::ReadAt(void* buffer, size_t size, uint64_t offset) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t n = ::pread(fd_, buffer, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

long InputFile::Read(void* buffer, size_t size) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<long>(n);
  }
}

}  // namespace skarvo
