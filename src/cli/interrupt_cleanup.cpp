// The removal runs inside the signal handler, while the interrupted thread stands still
// (the workers of a search may not: the folder is removed until it is gone). It therefore
// uses only calls that are safe there: openat, getdents64, fstatat, unlinkat and close,
// with buffers on the stack and no allocation.
#include "cli/interrupt_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <iterator>

#include "platform/file_system.h"

namespace skarvo::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// Deeper trees are cut off rather than overflow the stack of the handler.
constexpr int kMaxDepth = 256;

char gFolder[PATH_MAX];
volatile sig_atomic_t gArmed = 0;
struct sigaction gPrevious[std::size(kSignals)];

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

void RemoveEntry(int parent, const char* name, int depth);

// Empties the folder open as fd. Entries are removed while the folder is read, so it is
// read again from the start until a pass removes nothing.
void RemoveContents(int fd, int depth) {
  alignas(dirent64) char buffer[2048];
  for (bool removed = true; removed;) {
    removed = false;
    if (::lseek(fd, 0, SEEK_SET) != 0) return;
    for (;;) {
      const ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        at += entry->d_reclen;
        if (IsDotOrDotDot(entry->d_name)) continue;
        RemoveEntry(fd, entry->d_name, depth + 1);
        removed = true;
      }
    }
  }
}

void RemoveEntry(int parent, const char* name, int depth) {
  struct stat st;
  if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (!S_ISDIR(st.st_mode)) {
    ::unlinkat(parent, name, 0);
    return;
  }
  if (depth < kMaxDepth) {
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      RemoveContents(fd, depth);
      ::close(fd);
    }
  }
  ::unlinkat(parent, name, AT_REMOVEDIR);
}

void OnInterrupt(int signal) {
  RemoveInflightTempFiles();
  if (gArmed) {
    gArmed = 0;
    // A search's workers go on while this runs and may write into the folder meanwhile:
    // it is removed again until it is gone (a few rounds at most).
    struct stat st;
    for (int round = 0; round < 100 && ::fstatat(AT_FDCWD, gFolder, &st, AT_SYMLINK_NOFOLLOW) == 0;
         ++round)
      RemoveEntry(AT_FDCWD, gFolder, 0);
  }
  // Ends the program by the same signal once the handler returns (it is blocked until then).
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  ::sigaction(signal, &fallback, nullptr);
  ::raise(signal);
}

void InstallHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], nullptr, &gPrevious[i]);
    if (gPrevious[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
  }
}

}  // namespace

void RemoveTempFilesOnInterrupt() { InstallHandler(); }

HoldInterrupts::HoldInterrupts() {
  sigset_t held;
  sigemptyset(&held);
  for (int s : kSignals) sigaddset(&held, s);
  ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
}

HoldInterrupts::~HoldInterrupts() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

RemoveOnInterrupt::RemoveOnInterrupt(const std::string& nativeFolder) {
  if (nativeFolder.empty() || nativeFolder.size() >= sizeof gFolder) return;
  std::memcpy(gFolder, nativeFolder.c_str(), nativeFolder.size() + 1);
  InstallHandler();
  gArmed = 1;
  armed_ = true;
}

RemoveOnInterrupt::~RemoveOnInterrupt() {
  if (!armed_) return;
  gArmed = 0;
  for (size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &gPrevious[i], nullptr);
}

}  // namespace skarvo::cli
