// skarvo-cli: the engine and the search run without a window.
#include <cstdio>
#include <exception>

#include "cli/command_registry.h"

int main(int argc, char** argv) {
  using skarvo::cli::Commands;
  if (argc < 2 || Commands().find(argv[1]) == Commands().end()) {
    std::fprintf(stderr, "usage:\n");
    for (const auto& [name, info] : Commands())
      std::fprintf(stderr, "  skarvo-cli %s %s\n", name.c_str(), info.usage.c_str());
    return 2;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  try {
    return Commands()[argv[1]].run(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 2;
  }
}
