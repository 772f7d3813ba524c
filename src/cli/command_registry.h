// skarvo-cli's sub-commands register themselves here, one file per group of commands. Each
// entry carries its own help, so a command and what "skarvo-cli COMMAND --help" says about it
// are written and changed together.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace skarvo::cli {

// A sub-command gets the arguments after its name and returns the exit code:
// 0 something found or written, 1 nothing found, 2 an error (message on stderr, UTF-8),
// 3 (write commands) some files skipped or failed.
using CommandFunction = std::function<int(const std::vector<std::string>& args)>;

struct CommandInfo {
  CommandFunction run;
  // The arguments, one line: "skarvo-cli NAME <usage>".
  std::string usage;
  // What the command does, a few words without a full stop, for the tool's command list.
  std::string summary;
  // The body of "skarvo-cli NAME --help" after the usage lines: what it does and prints,
  // its options, its exit status and an example; lines end in "\n".
  std::string help;
};

inline std::map<std::string, CommandInfo>& Commands() {
  static std::map<std::string, CommandInfo> commands;
  return commands;
}

// Put one of these at namespace scope in the file that implements a command:
//   CommandRegistrar r("name", {.run = Run, .usage = ..., .summary = ..., .help = ...});
struct CommandRegistrar {
  CommandRegistrar(const std::string& name, CommandInfo info) {
    Commands()[name] = std::move(info);
  }
};

}  // namespace skarvo::cli
