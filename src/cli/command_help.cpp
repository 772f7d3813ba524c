#include "cli/command_help.h"

#include <algorithm>

namespace skarvo::cli {

namespace {

constexpr const char* kToolUsage =
    "usage: skarvo-cli COMMAND [OPTION...] [ARGUMENT...]\n"
    "       skarvo-cli COMMAND --help\n"
    "       skarvo-cli --help | --version\n";

constexpr const char* kToolAbout =
    "Searches, replaces, joins and splits the text of many files (Shift-JIS text files,\n"
    "Word .doc and Excel .xls documents) without a window, on the same core as the\n"
    "program skarvo.\n";

constexpr const char* kToolDetails =
    "Arguments, standard input and standard output are UTF-8 and are converted to and from\n"
    "Shift-JIS (code page 932); a text with a character that has no Shift-JIS form is an\n"
    "error, never replaced silently. With --raw, bytes pass unchanged both ways.\n"
    "\n"
    "Exit status:\n"
    "  0  something found or written\n"
    "  1  nothing found, or nothing to do\n"
    "  2  an error (the message goes to standard error)\n"
    "  3  a write command skipped some files or failed to write them\n"
    "\n"
    "Example:\n"
    "  skarvo-cli search --ext .txt,.csv '設定' ~/documents\n"
    "\n"
    "\"skarvo-cli COMMAND --help\" describes a command, its options and its output.\n";

}  // namespace

std::string ToolHelp() {
  size_t width = 0;
  for (const auto& [name, info] : Commands()) width = std::max(width, name.size());
  std::string text = std::string(kToolUsage) + "\n" + kToolAbout + "\nCommands:\n";
  for (const auto& [name, info] : Commands())
    text += "  " + name + std::string(width - name.size() + 2, ' ') + info.summary + "\n";
  return text + "\n" + kToolDetails;
}

std::string ShortUsage() {
  std::string text = "usage:\n";
  for (const auto& [name, info] : Commands())
    text += "  skarvo-cli " + name + " " + info.usage + "\n";
  return text + "  skarvo-cli COMMAND --help\n  skarvo-cli --help | --version\n";
}

std::string CommandHelp(const std::string& name, const CommandInfo& info) {
  return "usage: skarvo-cli " + name + " " + info.usage + "\n       skarvo-cli " + name +
         " --help\n\n" + info.help;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  return !args.empty() && (args[0] == "--help" || args[0] == "-h");
}

}  // namespace skarvo::cli
