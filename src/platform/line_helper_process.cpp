#include "platform/line_helper_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace skarvo {

namespace {
constexpr size_t kMaxLine = 1 << 20;
}

LineHelperProcess::~LineHelperProcess() { Finish(0); }

bool LineHelperProcess::Start(const std::vector<std::string>& argv) {
  if (Running() || argv.empty()) return false;
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
  posix_spawn_file_actions_adddup2(&actions, pair[1], 1);
  std::vector<std::string> copy = argv;
  std::vector<char*> args;
  for (std::string& piece : copy) args.push_back(piece.data());
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pair[1]);
  if (rc != 0) {
    ::close(pair[0]);
    return false;
  }
  fd_ = pair[0];
  pid_ = pid;
  pending_.clear();
  return true;
}

bool LineHelperProcess::Send(const std::string& line) {
  if (fd_ < 0) return false;
  const std::string data = line + "\n";
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::send(fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::optional<std::string> LineHelperProcess::ReadLine(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    if (pending_.size() >= kMaxLine) {
      std::string line = std::move(pending_);
      pending_.clear();
      return line;
    }
    if (fd_ < 0) return std::nullopt;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return std::nullopt;
    char buffer[4096];
    const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd_);
      fd_ = -1;
      continue;
    }
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

void LineHelperProcess::Finish(int timeoutMs) {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (pid_ <= 0) return;
  int status = 0;
  for (int waited = 0;; waited += 50) {
    if (::waitpid(pid_, &status, WNOHANG) != 0) break;
    if (waited >= timeoutMs) {
      // A helper may need a moment to end what it started; then it is killed.
      ::kill(pid_, SIGTERM);
      for (int grace = 0; grace < 200 && ::waitpid(pid_, &status, WNOHANG) == 0; ++grace)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (::waitpid(pid_, &status, WNOHANG) == 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
      }
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  pid_ = -1;
}

}  // namespace skarvo
