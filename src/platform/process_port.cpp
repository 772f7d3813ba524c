#include "platform/process_port.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/file_system.h"

extern char** environ;

namespace skarvo {

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> pieces;
  std::string piece;
  for (char c : commandLine) {
    if (c == ' ' || c == '\t') {
      if (!piece.empty()) pieces.push_back(std::move(piece));
      piece.clear();
    } else {
      piece += c;
    }
  }
  if (!piece.empty()) pieces.push_back(std::move(piece));
  return pieces;
}

std::string ProgramFolder() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string path(buffer, static_cast<size_t>(n));
  path.erase(path.rfind('/') == 0 ? 1 : path.rfind('/'));
  std::string cp932;
  if (!Utf8ToCp932(path, cp932)) return {};
  return cp932;
}

namespace {

// Where execvp would look for program: the program itself when it names a path, else each
// folder of PATH in turn. Worked out before the fork, as the child may only make calls that
// are safe between fork and exec in a program with threads.
std::vector<std::string> ProgramCandidates(const std::string& program) {
  if (program.find('/') != std::string::npos) return {program};
  const char* path = ::getenv("PATH");
  const std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::vector<std::string> candidates;
  size_t from = 0;
  for (;;) {
    const size_t colon = folders.find(':', from);
    std::string folder = folders.substr(from, colon == std::string::npos ? colon : colon - from);
    candidates.push_back((folder.empty() ? std::string(".") : folder) + "/" + program);
    if (colon == std::string::npos) break;
    from = colon + 1;
  }
  return candidates;
}

// Reads the failure the grandchild reports: nothing (the pipe closed at its exec) is success.
bool ExecSucceeded(int fd) {
  int error = 0;
  for (;;) {
    const ssize_t n = ::read(fd, &error, sizeof error);
    if (n < 0 && errno == EINTR) continue;
    return n <= 0;
  }
}

}  // namespace

bool SystemProcessPort::Spawn(const std::vector<std::string>& argv,
                              const std::string& workingFolder) {
  if (argv.empty()) return false;
  std::vector<std::string> native;
  for (const std::string& piece : argv) {
    std::optional<std::string> utf8 = NativePath(piece);
    if (!utf8) return false;
    native.push_back(std::move(*utf8));
  }
  std::optional<std::string> folder;
  if (!workingFolder.empty()) {
    folder = NativePath(workingFolder);
    if (!folder) return false;
  }
  std::vector<char*> args;
  for (std::string& piece : native) args.push_back(piece.data());
  args.push_back(nullptr);
  const std::vector<std::string> candidates = ProgramCandidates(native[0]);

  // The program is started by a short-lived middle child and so becomes nobody's child
  // here: an editor the user keeps open never waits as a zombie for this program to reap
  // it, and in a session of its own it outlives the terminal this program was started
  // from. The grandchild reports a failed chdir or exec through a pipe closed on exec.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const pid_t middle = ::fork();
  if (middle < 0) {
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (middle == 0) {
    ::close(report[0]);
    const pid_t program = ::fork();
    if (program > 0) _exit(0);
    int error = errno;  // of a failed fork
    if (program == 0) {
      ::setsid();
      if (folder && ::chdir(folder->c_str()) != 0) {
        error = errno;
      } else {
        error = ENOENT;
        for (const std::string& candidate : candidates) {
          ::execve(candidate.c_str(), args.data(), environ);
          // As execvp: a program found but refused counts over one not found.
          if (errno != ENOENT && errno != ENOTDIR) error = errno;
        }
      }
    }
    [[maybe_unused]] const ssize_t written = ::write(report[1], &error, sizeof error);
    _exit(127);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  const bool started = ExecSucceeded(report[0]);
  ::close(report[0]);
  return started;
}

bool SystemProcessPort::StartProgram(const std::string& commandLine,
                                     const std::string& workingFolder) {
  return Spawn(SplitCommandLine(commandLine), workingFolder);
}

bool SystemProcessPort::ShellOpen(const std::string& path, const std::string& workingFolder) {
  return Spawn({"xdg-open", path}, workingFolder);
}

}  // namespace skarvo
