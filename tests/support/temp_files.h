// Private temporary files and folders for tests, removed when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "platform/file_system.h"

namespace skarvo::testing {

// A file holding the given bytes, deleted with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& bytes) {
    char name[] = "/tmp/skarvo_file_XXXXXX";
    int fd = mkstemp(name);
    path_ = name;
    if (fd >= 0) {
      (void)!write(fd, bytes.data(), bytes.size());
      close(fd);
    }
  }
  ~TempFile() { unlink(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A fixture with a private folder; Write puts bytes into a new file of it.
class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/skarvo_dir_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { DeleteFolderTree(dir_); }

  // Writes bytes to a new file of the folder and returns its path.
  std::string Write(const std::string& bytes) {
    std::string path = dir_ + "/f" + std::to_string(count_++) + ".txt";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::string dir_;
  int count_ = 0;
};

}  // namespace skarvo::testing
