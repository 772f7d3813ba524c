#include "platform/process_port.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
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

// The parent process id of pid as /proc says, -1 when it has gone.
long ParentOf(long pid) {
  const std::optional<std::string> stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
  if (!stat) return -1;
  // "pid (name) state ppid ...": the name may hold blanks, so count from its ")".
  const size_t close = stat->rfind(')');
  if (close == std::string::npos) return -1;
  return std::strtol(stat->c_str() + close + 3, nullptr, 10);
}

TEST(SystemProcessPortTest, StartedProgramsAreNoChildrenLeftToReap) {
  testing::TempTree tree;
  SystemProcessPort port;
  const std::string pidFile = tree.Path("pid");
  // One that ends at once and one that runs on (an editor the user keeps open).
  ASSERT_TRUE(port.StartProgram("true", ""));
  ASSERT_TRUE(port.StartArguments(
      {"sh", "-c", "echo $$ > \"$0.tmp\" && mv \"$0.tmp\" \"$0\" && exec sleep 30", pidFile}, ""));
  ASSERT_TRUE(WaitForFile(pidFile));
  const long program = std::strtol(ReadWholeFile(pidFile).value_or("0").c_str(), nullptr, 10);
  ASSERT_GT(program, 0);
  // No child of ours at all, finished or running, so none can linger as <defunct>.
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  EXPECT_NE(ParentOf(program), static_cast<long>(::getpid()));
  // In a session of its own: a closing terminal does not take it along.
  EXPECT_EQ(::getsid(static_cast<pid_t>(program)), static_cast<pid_t>(program));
  ::kill(static_cast<pid_t>(program), SIGTERM);
}

TEST(ProgramFolderTest, IsTheFolderOfTheRunningProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_TRUE(FileExists(folder + "/test_platform"));
}

}  // namespace
}  // namespace skarvo
