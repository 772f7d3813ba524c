// What a target that is not a regular file says when it cannot be read.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "engine/txt_file.h"
#include "platform/codepage.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

class NonRegularTargets : public testing::TempFolderTest {};

TEST_F(NonRegularTargets, APipeOrADeviceSaysItIsNotARegularFile) {
  const std::string pipe = dir_ + "/pipe.txt";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string device = dir_ + "/zero.txt";
  ASSERT_EQ(::symlink("/dev/zero", device.c_str()), 0);
  struct Row {
    std::string path;
    std::string message;
  } rows[] = {{pipe, Sjis("通常のファイルではありません")},
              {device, Sjis("通常のファイルではありません")},
              {"/dev/null", Sjis("通常のファイルではありません")},
              {dir_, Utf8ToCp932Lossy(std::strerror(EISDIR))}};
  // Waiting for a writer would never end: let the alarm end the test.
  ::alarm(20);
  bool cancel = false;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    try {
      TTxtFile file(row.path, cancel, nullptr);
      ADD_FAILURE() << "opened";
    } catch (const EFileNotFound& e) {
      EXPECT_EQ(e.Message(), row.message);
    }
  }
  ::alarm(0);
}

}  // namespace
}  // namespace skarvo
