#include "platform/process_port.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/file_system.h"
#include "targets/temp_tree.h"

namespace skarvo {
namespace {

TEST(SplitCommandLineTest, SplitsAtBlanksWithoutQuoting) {
  struct Row {
    std::string line;
    std::vector<std::string> pieces;
  } rows[] = {
      {"", {}},
      {"   ", {}},
      {"editor", {"editor"}},
      {"  editor  -n12 \t file.txt ", {"editor", "-n12", "file.txt"}},
      {"\"a b\" c", {"\"a", "b\"", "c"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(SplitCommandLine(row.line), row.pieces);
  }
}

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 500 && !FileExists(path); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return FileExists(path);
}

TEST(SystemProcessPortTest, StartsProgramsInTheirWorkingFolderWithoutWaiting) {
  testing::TempTree tree;
  tree.Folder("work");
  SystemProcessPort port;
  EXPECT_TRUE(port.StartProgram("touch made-here", tree.Path("work")));
  EXPECT_TRUE(WaitForFile(tree.Path("work/made-here")));
  EXPECT_TRUE(port.StartProgram("touch " + tree.Path("absolute"), ""));
  EXPECT_TRUE(WaitForFile(tree.Path("absolute")));
}

TEST(SystemProcessPortTest, WhatCannotStartIsFalse) {
  testing::TempTree tree;
  SystemProcessPort port;
  EXPECT_FALSE(port.StartProgram("", ""));
  EXPECT_FALSE(port.StartProgram("/nonexistent/program-that-is-not-there", ""));
  EXPECT_FALSE(port.StartProgram("touch x", tree.Path("missing-folder")));
  EXPECT_FALSE(port.StartProgram("touch bad\xff", tree.Root()));  // no file-system form
}

TEST(ProgramFolderTest, IsTheFolderOfTheRunningProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_TRUE(FileExists(folder + "/test_platform"));
}

}  // namespace
}  // namespace skarvo
