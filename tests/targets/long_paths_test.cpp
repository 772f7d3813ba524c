// Paths longer than the system can reach are left out of the target list and counted, like
// names without a CP932 form.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "platform/codepage.h"
#include "support/fake_ui_port.h"
#include "targets/target_files.h"

namespace skarvo {
namespace {

TEST(LongPaths, ArePassedOverAndCountedOnTheStatusBar) {
  char tmpl[] = "/tmp/skarvo-long-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string root = tmpl;
  ::close(::open((root + "/a.txt").c_str(), O_CREAT | O_WRONLY, 0600));
  // Folders of 200-byte names, made one inside the other (a whole path that long cannot be
  // given to mkdir), until a path passes the limit; a file at the bottom.
  int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
  const std::string level(200, 'd');
  for (size_t length = root.size(); length < PATH_MAX + 400; length += level.size() + 1) {
    ASSERT_EQ(::mkdirat(fd, level.c_str(), 0700), 0);
    const int inner = ::openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = inner;
  }
  ::close(::openat(fd, "deep.txt", O_CREAT | O_WRONLY, 0600));
  ::close(fd);

  CheckList targets, result, join;
  HistoryBox history;
  history.SetItems({root});
  history.SetItemIndex(0);
  Settings settings;
  TSelectFolderDialog dialog;
  CoreTimer timer{5000, false};
  FakeUiPort port;
  TargetFiles files{TargetListParts{targets, result, join, history, settings, dialog, timer, port}};
  files.BuildTargetList(false);
  EXPECT_EQ(files.TargetCount(), 1);
  EXPECT_EQ(files.List().TooLongNames(), 1);
  EXPECT_EQ(port.statusText, Sjis("1個のファイルが対象です（パスが長すぎる名前1個を除外）"));
  // rm walks the tree relative to each folder, so it reaches the bottom.
  EXPECT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0);
}

}  // namespace
}  // namespace skarvo
