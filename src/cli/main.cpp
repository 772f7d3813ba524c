// skarvo-cli: the engine and the search run without a window.
#include <cstdio>
#include <exception>
#include <string>

#include "cli/cli_text.h"
#include "cli/command_help.h"
#include "cli/command_registry.h"

int main(int argc, char** argv) {
  using skarvo::cli::Commands;
  const std::string first = argc > 1 ? argv[1] : "";
  // Asked-for help goes to standard output; the usage after a mistake to standard error.
  if (first == "--help" || first == "-h") {
    std::fputs(skarvo::cli::ToolHelp().c_str(), stdout);
    return 0;
  }
  if (first == "--version") {
    std::printf("skarvo-cli %s\n", SKARVO_VERSION);
    return 0;
  }
  if (argc < 2 || Commands().find(first) == Commands().end()) {
    if (argc >= 2)
      skarvo::cli::PrintError((first[0] == '-' ? "unknown option " : "unknown command ") + first);
    std::fputs(skarvo::cli::ShortUsage().c_str(), stderr);
    return 2;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  if (skarvo::cli::AsksForHelp(args)) {
    std::fputs(skarvo::cli::CommandHelp(first, Commands()[first]).c_str(), stdout);
    return 0;
  }
  try {
    return Commands()[first].run(args);
  } catch (const std::exception& e) {
    // A skarvo::Exception carries its message in CP932; the terminal gets UTF-8.
    skarvo::cli::PrintError(skarvo::cli::ErrorText(e));
    return 2;
  }
}
