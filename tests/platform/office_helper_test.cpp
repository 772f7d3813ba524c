// The office helper script as the program runs it, without LibreOffice: a stand-in for the
// UNO modules lets it start far enough to answer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "targets/temp_tree.h"

namespace skarvo {
namespace {

const std::string kHelper = std::string(SKARVO_TEST_DATA) + "/../../src/platform/skarvo_office.py";

struct HelperRun {
  int exitCode = -1;
  std::string errors;  // what it printed on standard error
};

// Runs the helper with arguments, its answers going into a pipe nobody reads any more
// (the program has ended or given up on it).
HelperRun RunIntoClosedPipe(const testing::TempTree& tree,
                            const std::vector<std::string>& arguments) {
  int answers[2];
  if (::pipe(answers) != 0) return {};
  ::close(answers[0]);
  const std::string errors = tree.Path("stderr.txt");
  const pid_t child = ::fork();
  if (child == 0) {
    const int err = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(answers[1], 1);
    ::dup2(err, 2);
    ::setenv("PYTHONPATH", tree.Path("modules").c_str(), 1);
    std::vector<char*> argv{const_cast<char*>("python3"), const_cast<char*>(kHelper.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp("python3", argv.data());
    _exit(127);
  }
  ::close(answers[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(errors).value_or("")};
}

TEST(OfficeHelperTest, AnAnswerNobodyReadsEndsItQuietly) {
  testing::TempTree tree;
  tree.File("modules/uno.py", "");
  for (const char* package : {"com", "com/sun", "com/sun/star"})
    tree.File(std::string("modules/") + package + "/__init__.py", "");
  tree.File("modules/com/sun/star/beans/__init__.py", "class PropertyValue:\n    pass\n");
  ASSERT_TRUE(FileExists(kHelper));
  // Without a profile folder it answers its usage and ends.
  const HelperRun run = RunIntoClosedPipe(tree, {});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.errors, "");
}

}  // namespace
}  // namespace skarvo
