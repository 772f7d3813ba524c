// A folder tree in /tmp for tests, removed afterwards. Paths given to it are relative to
// its root and written as UTF-8; Path() gives them in CP932 as the core holds them.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo::testing {

class TempTree {
 public:
  TempTree() {
    char tmpl[] = "/tmp/skarvo-targets-XXXXXX";
    root_ = ::mkdtemp(tmpl);
  }
  ~TempTree() { DeleteFolderTree(root_); }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The root (ASCII, so the same in both encodings).
  const std::string& Root() const { return root_; }
  // The CP932 path of a relative UTF-8 path.
  std::string Path(const std::string& relativeUtf8) const {
    return relativeUtf8.empty() ? root_ : root_ + "/" + Sjis(relativeUtf8.c_str());
  }
  std::string Native(const std::string& relativeUtf8) const {
    return relativeUtf8.empty() ? root_ : root_ + "/" + relativeUtf8;
  }
  void Folder(const std::string& relativeUtf8) const {
    std::string p = Native(relativeUtf8);
    for (size_t i = root_.size() + 1; i <= p.size(); ++i)
      if (i == p.size() || p[i] == '/') ::mkdir(p.substr(0, i).c_str(), 0777);
  }
  void File(const std::string& relativeUtf8, const std::string& data = "x") const {
    size_t slash = relativeUtf8.rfind('/');
    if (slash != std::string::npos) Folder(relativeUtf8.substr(0, slash));
    std::ofstream(Native(relativeUtf8), std::ios::binary) << data;
  }
  void Link(const std::string& target, const std::string& relativeUtf8) const {
    if (::symlink(target.c_str(), Native(relativeUtf8).c_str()) != 0) std::abort();
  }

 private:
  std::string root_;
};

}  // namespace skarvo::testing
