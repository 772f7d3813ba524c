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

void ReportLeftOut(const std::string& command, const TargetFiles& targets,
                   const std::string& folder) {
  if (targets.LeftOutNames() > 0)
    PrintError(command + ": " + folder + ": " + std::to_string(targets.LeftOutNames()) +
               " name(s) without a Shift-JIS form left out");
  if (targets.TooLongNames() > 0)
    PrintError(command + ": " + folder + ": " + std::to_string(targets.TooLongNames()) +
               " name(s) whose path passes the system's length limit left out");
}

}  // namespace skarvo::cli
