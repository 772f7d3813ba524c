// skarvo-cli's sub-commands register themselves here, one file per group of commands.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace skarvo::cli {

// A sub-command gets the arguments after its name and returns the exit code:
// 0 something found or written, 1 nothing found, 2 an error (message on stderr, UTF-8).
using CommandFunction = std::function<int(const std::vector<std::string>& args)>;

struct CommandInfo {
  CommandFunction run;
  std::string usage;  // one line, shown by "skarvo-cli" without arguments
};

inline std::map<std::string, CommandInfo>& Commands() {
  static std::map<std::string, CommandInfo> commands;
  return commands;
}

// Put one of these at namespace scope in the file that implements a command.
struct CommandRegistrar {
  CommandRegistrar(const std::string& name, CommandFunction run, std::string usage) {
    Commands()[name] = CommandInfo{std::move(run), std::move(usage)};
  }
};

}  // namespace skarvo::cli
