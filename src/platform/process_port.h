// Starting other programs: a program from a command line, and a document through the
// desktop's "open" action (xdg-open). Nothing is ever waited for; a program that cannot be
// started is the OS's business to report, not the caller's. The core reaches these
// through ProcessPort so tests can record what would be started instead of starting it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace skarvo {

class ProcessPort {
 public:
  virtual ~ProcessPort() = default;

  // Starts the program of a command line (CP932), split at blanks without any quoting, in
  // workingFolder (CP932; empty: the current folder). Returns false when it could not be
  // started at all (no such program, a path without a file-system form).
  virtual bool StartProgram(const std::string& commandLine, const std::string& workingFolder) = 0;
  // Starts a program from an argument vector (CP932 pieces): arguments[0] is the program
  // (looked up on PATH when it has no "/"), every further piece reaches it whole, blanks and
  // all. Never waited for. False when it could not be started.
  virtual bool StartArguments(const std::vector<std::string>& arguments,
                              const std::string& workingFolder) = 0;
  // Opens a document or folder (CP932 path) with the desktop's open action, in
  // workingFolder. False when the opener could not be started; a missing document is
  // reported by the opener itself.
  virtual bool ShellOpen(const std::string& path, const std::string& workingFolder) = 0;
};

// The command line split as StartProgram splits it: at runs of blanks (space, tab), empty
// pieces dropped.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// The folder of the running program's file (CP932), empty when unknown.
std::string ProgramFolder();

// The real thing. Programs start detached, in a session of their own and as nobody's child
// here (a middle child starts them and ends at once), so none is ever waited for and none
// stays behind as a zombie while this program runs.
class SystemProcessPort : public ProcessPort {
 public:
  bool StartProgram(const std::string& commandLine, const std::string& workingFolder) override;
  bool ShellOpen(const std::string& path, const std::string& workingFolder) override;
  bool StartArguments(const std::vector<std::string>& arguments,
                      const std::string& workingFolder) override {
    return Spawn(arguments, workingFolder);
  }

  // Starts argv (CP932 pieces) in workingFolder; false when it could not be started (no
  // such program, a working folder it cannot enter). Returns once the program runs.
  static bool Spawn(const std::vector<std::string>& argv, const std::string& workingFolder);
};

// For tests: records every request and starts nothing.
class RecordingProcessPort : public ProcessPort {
 public:
  struct Request {
    std::string kind;  // "program", "open" or "arguments"
    std::string target;
    std::string workingFolder;
    std::vector<std::string> arguments;  // "arguments": the whole vector
    bool operator==(const Request&) const = default;
  };
  std::vector<Request> requests;
  bool succeed = true;
  int failuresToCome = 0;  // so many requests fail before `succeed` answers again

  bool StartProgram(const std::string& commandLine, const std::string& workingFolder) override {
    return Record({"program", commandLine, workingFolder, {}});
  }
  bool ShellOpen(const std::string& path, const std::string& workingFolder) override {
    return Record({"open", path, workingFolder, {}});
  }
  bool StartArguments(const std::vector<std::string>& arguments,
                      const std::string& workingFolder) override {
    return Record(
        {"arguments", arguments.empty() ? std::string() : arguments[0], workingFolder, arguments});
  }

 private:
  bool Record(Request request) {
    requests.push_back(std::move(request));
    if (failuresToCome > 0) {
      --failuresToCome;
      return false;
    }
    return succeed;
  }
};

}  // namespace skarvo
