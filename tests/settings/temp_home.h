// A private folder under /tmp for one test, removed with everything in it afterwards.
#pragma once

#include <stdlib.h>

#include <string>

#include "platform/file_system.h"

namespace skarvo::testing {

class TempHome {
 public:
  TempHome() {
    char tmpl[] = "/tmp/skarvo-settings-XXXXXX";
    const char* made = ::mkdtemp(tmpl);
    path_ = made ? made : "";
  }
  ~TempHome() {
    if (!path_.empty()) DeleteFolderTree(path_);
  }
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace skarvo::testing
