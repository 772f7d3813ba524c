// A private temporary folder for tests that search files; removed with the fixture.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>

#include "platform/file_system.h"

namespace skarvo::testing {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/skarvo_grep_XXXXXX";
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
