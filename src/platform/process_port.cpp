#include "platform/process_port.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

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

SystemProcessPort::~SystemProcessPort() { ReapFinished(); }

void SystemProcessPort::ReapFinished() {
  std::vector<pid_t> running;
  for (pid_t pid : children_) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == 0) running.push_back(pid);
  }
  children_ = std::move(running);
}

bool SystemProcessPort::Spawn(const std::vector<std::string>& argv,
                              const std::string& workingFolder) {
  ReapFinished();
  if (argv.empty()) return false;
  std::vector<std::string> native;
  for (const std::string& piece : argv) {
    std::optional<std::string> utf8 = NativePath(piece);
    if (!utf8) return false;
    native.push_back(std::move(*utf8));
  }
  std::vector<char*> args;
  for (std::string& piece : native) args.push_back(piece.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!workingFolder.empty()) {
    std::optional<std::string> folder = NativePath(workingFolder);
    if (!folder) {
      posix_spawn_file_actions_destroy(&actions);
      return false;
    }
    posix_spawn_file_actions_addchdir_np(&actions, folder->c_str());
  }
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  children_.push_back(pid);
  return true;
}

bool SystemProcessPort::StartProgram(const std::string& commandLine,
                                     const std::string& workingFolder) {
  return Spawn(SplitCommandLine(commandLine), workingFolder);
}

bool SystemProcessPort::ShellOpen(const std::string& path, const std::string& workingFolder) {
  return Spawn({"xdg-open", path}, workingFolder);
}

}  // namespace skarvo
