// What the search-running sub-commands share: a private home folder for the extracted texts
// of office files, removed at the end or on an interrupt, and the report of names a folder's
// listing left out.
#pragma once

#include <memory>
#include <string>

#include "cli/interrupt_cleanup.h"
#include "targets/target_files.h"

namespace skarvo::cli {

// A folder made under $TMPDIR (or /tmp) named prefix + random letters, removed with
// everything in it when the object ends or the command is interrupted. Path() is empty
// when it could not be made.
class PrivateHome {
 public:
  explicit PrivateHome(const std::string& prefix);
  ~PrivateHome();
  PrivateHome(const PrivateHome&) = delete;
  PrivateHome& operator=(const PrivateHome&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::unique_ptr<RemoveOnInterrupt> interrupt_;  // until the folder is gone
};

// Says on stderr how many names of folder (UTF-8 or raw, as printed) the target list left
// out: the window shows them on its status bar, a command line would otherwise hide them.
void ReportLeftOut(const std::string& command, const TargetFiles& targets,
                   const std::string& folder);

}  // namespace skarvo::cli
