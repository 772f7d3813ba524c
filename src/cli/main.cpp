// skarvo-cli: the engine and the search run without a window.
#include <cstdio>
#include <exception>

#include "cli/cli_text.h"
#include "cli/command_registry.h"
#include "cli/interrupt_cleanup.h"

int main(int argc, char** argv) {
  using skarvo::cli::Commands;
  if (argc < 2 || Commands().find(argv[1]) == Commands().end()) {
    std::fprintf(stderr, "usage:\n");
    for (const auto& [name, info] : Commands())
      std::fprintf(stderr, "  skarvo-cli %s %s\n", name.c_str(), info.usage.c_str());
    return 2;
  }
  skarvo::cli::RemoveTempFilesOnInterrupt();  // no command leaves a half-written file
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    return Commands()[argv[1]].run(args);
  } catch (const std::exception& e) {
    // A skarvo::Exception carries its message in CP932; the terminal gets UTF-8.
    skarvo::cli::PrintError(skarvo::cli::ErrorText(e));
    return 2;
  }
}
