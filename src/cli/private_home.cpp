#include "cli/private_home.h"

#include <stdlib.h>

#include <cstdlib>
#include <vector>

#include "cli/cli_text.h"
#include "platform/file_system.h"

namespace skarvo::cli {

PrivateHome::PrivateHome(const std::string& prefix) {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + prefix + "XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  HoldInterrupts hold;  // an interrupt between the two would leave the folder behind
  if (::mkdtemp(name.data()) != nullptr) path_ = name.data();
  if (!path_.empty()) interrupt_ = std::make_unique<RemoveOnInterrupt>(path_);
}

PrivateHome::~PrivateHome() {
  if (!path_.empty()) DeleteFolderTree(path_);
}

int CliTargets::Build(const std::vector<std::string>& folders, const TextEdge& edge,
                      const std::string& command) {
  for (size_t i = 0; i < folders.size(); ++i) {
    std::function<void(const std::string&)> progress;
    if (port_) progress = [this](const std::string& text) { port_->SetStatusText(text); };
    targets_.Build(folders[i], /*add=*/i > 0, progress);
    // The window shows left-out names on its status bar; a command line would hide them.
    const std::string folder = edge.Out(folders[i]);
    if (targets_.LeftOutNames() > 0)
      PrintError(command + ": " + folder + ": " + std::to_string(targets_.LeftOutNames()) +
                 " name(s) without a Shift-JIS form left out");
    if (targets_.TooLongNames() > 0)
      PrintError(command + ": " + folder + ": " + std::to_string(targets_.TooLongNames()) +
                 " name(s) whose path passes the system's length limit left out");
  }
  return targets_.TargetCount();
}

}  // namespace skarvo::cli
