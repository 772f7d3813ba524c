// A helper program that the program talks to in lines: requests written to its standard
// input, answers read from its standard output, both over one socket pair (a helper that
// died never raises SIGPIPE here). Every read has a time limit, so a helper that hangs
// cannot hang the program. The helper is ended (its input closed; then SIGTERM with up to
// 10 s to end what it started; then SIGKILL) when the object goes, if it has not ended.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace skarvo {

class LineHelperProcess {
 public:
  LineHelperProcess() = default;
  ~LineHelperProcess();
  LineHelperProcess(const LineHelperProcess&) = delete;
  LineHelperProcess& operator=(const LineHelperProcess&) = delete;

  // Starts argv (native strings: UTF-8 paths). False when it could not be started.
  bool Start(const std::vector<std::string>& argv);
  bool Running() const { return pid_ > 0; }
  // Sends one line (a line break is added). False when the helper is gone.
  bool Send(const std::string& line);
  // The next line (without its line break), nullopt on time-out or end of output. A line
  // longer than 1 MiB is cut there.
  std::optional<std::string> ReadLine(int timeoutMs);
  // Waits up to timeoutMs for the helper to end, then ends it by force.
  void Finish(int timeoutMs);

 private:
  int fd_ = -1;
  pid_t pid_ = -1;
  std::string pending_;
};

}  // namespace skarvo
