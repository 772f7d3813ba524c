// The help of skarvo-cli: the tool's own, the short usage of a usage error and each
// command's, composed from the command registry so the command list cannot go stale.
#pragma once

#include <string>
#include <vector>

#include "cli/command_registry.h"

namespace skarvo::cli {

// "skarvo-cli --help": the usage lines, what the tool is for, every command with its
// summary, how texts are converted, the exit status and an example.
std::string ToolHelp();

// The usage of every command and of --help/--version, for standard error after a usage
// error.
std::string ShortUsage();

// "skarvo-cli NAME --help": the command's usage lines, then its own help text.
std::string CommandHelp(const std::string& name, const CommandInfo& info);

// True when a command's arguments ask for its help: the first one is --help or -h. Only the
// first, so a pattern, a separator or a file named like that can still follow an option.
bool AsksForHelp(const std::vector<std::string>& args);

}  // namespace skarvo::cli
