#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

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

bool CreateFolderPath(const std::string& path) {
  auto native = NativePath(path);
  if (!native || native->empty()) return false;
  std::string& p = *native;
  for (size_t i = 1; i <= p.size(); ++i) {
    if (i == p.size() || p[i] == '/') {
      std::string part = p.substr(0, i);
      if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
  }
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

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
}  // namespace

bool WriteFileAtomicPieces(const std::string& path,
                           const std::function<void(const FilePieceWriter&)>& fill) {
  auto cp932Native = NativePath(path);
  if (!cp932Native) return false;
  auto native = WriteTarget(*cp932Native);
  if (!native) return false;
  mode_t mode = 0666;
  struct stat st;
  bool existed = ::stat(native->c_str(), &st) == 0;
  if (existed) {
    if (!S_ISREG(st.st_mode)) return false;
    // A read-only file is refused, as an in-place write would be, even for root.
    if ((st.st_mode & 0222) == 0) return false;
    mode = st.st_mode & 07777;
  }
  std::string folder = ".";
  size_t slash = native->rfind('/');
  if (slash != std::string::npos) folder = slash == 0 ? "/" : native->substr(0, slash);
  std::string tmpl = folder + "/.skarvo-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  bool ok = true;
  const FilePieceWriter write = [&](std::string_view data) {
    size_t done = 0;
    while (ok && done < data.size()) {
      ssize_t n = ::write(fd, data.data() + done, data.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        ok = false;
      } else {
        done += static_cast<size_t>(n);
      }
    }
    return ok;
  };
  try {
    fill(write);
  } catch (...) {
    ::close(fd);
    ::unlink(name.data());
    throw;
  }
  if (ok) {
    if (existed) {
      ok = ::fchmod(fd, mode) == 0;
    } else {
      mode_t mask = ::umask(0);
      ::umask(mask);
      ok = ::fchmod(fd, 0666 & ~mask) == 0;
    }
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(name.data(), native->c_str()) == 0;
  if (!ok) ::unlink(name.data());
  return ok;
}

bool WriteFileAtomic(const std::string& path, const std::string& data) {
  return WriteFileAtomicPieces(path, [&](const FilePieceWriter& write) { write(data); });
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
