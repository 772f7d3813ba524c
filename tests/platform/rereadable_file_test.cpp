#include "platform/rereadable_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>

#include "support/temp_files.h"

namespace skarvo {
namespace {

// A reader that goes forward, reads places it passed again and lets them go, as the text
// reader does: every byte must come back as the file holds it, and a file read only once
// keeps no more than its bound in memory (beyond it, in a temporary file).
TEST(RereadableFile, GivesBackEveryPlaceNotLetGoWithinItsBound) {
  std::mt19937 random(3);
  std::string data(300000, '\0');
  for (char& c : data) c = static_cast<char>(random());
  testing::TempFile file(data);
  struct Case {
    std::size_t bound;
    bool readOnce;
    bool spills;
  } cases[] = {{1 << 20, true, false}, {4096, true, true}, {4096, false, false}};
  for (const Case& c : cases) {
    RereadableFile input(c.bound, c.readOnce);
    ASSERT_TRUE(input.Open(file.path()));
    EXPECT_EQ(input.Size(), c.readOnce ? 0u : data.size());
    uint64_t end = 0;
    uint64_t forgotten = 0;
    std::string got;
    while (end < data.size()) {
      got.resize(1 + random() % 3000);
      const long n = input.ReadAt(got.data(), got.size(), end);
      ASSERT_GT(n, 0);
      ASSERT_EQ(got.substr(0, static_cast<std::size_t>(n)),
                data.substr(end, static_cast<std::size_t>(n)));
      end += static_cast<uint64_t>(n);
      // Again, from a place not let go.
      const uint64_t from = forgotten + random() % (end - forgotten);
      got.resize(1 + random() % 5000);
      const long again = input.ReadAt(got.data(), got.size(), from);
      ASSERT_GT(again, 0);
      ASSERT_EQ(got.substr(0, static_cast<std::size_t>(again)),
                data.substr(from, static_cast<std::size_t>(again)));
      if (random() % 4 == 0) {
        // Sometimes much stays needed (a long line), sometimes little.
        forgotten = std::max(forgotten, end - std::min<uint64_t>(end, random() % 20000));
        input.Forget(forgotten);
      }
      EXPECT_LE(input.HeldInMemory(), c.bound);
    }
    got.resize(10);
    EXPECT_EQ(input.ReadAt(got.data(), got.size(), end), 0);
    EXPECT_EQ(input.Spilled(), c.spills);
    if (c.readOnce && forgotten > 0) {
      errno = 0;
      EXPECT_EQ(input.ReadAt(got.data(), 1, forgotten - 1), -1) << "a place let go";
      EXPECT_EQ(errno, EINVAL);
    }
  }
}

TEST(RereadableFile, NoRoomForWhatMustBeKeptIsAReadError) {
  testing::TempFile file(std::string(100000, 'a'));
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  ::setenv("TMPDIR", "/nonexistent-skarvo-folder", 1);
  RereadableFile input(1000, true);
  ASSERT_TRUE(input.Open(file.path()));
  std::string got(4096, '\0');
  EXPECT_EQ(input.ReadAt(got.data(), 500, 0), 500);
  EXPECT_EQ(input.ReadAt(got.data(), got.size(), 500), -1);
  EXPECT_NE(errno, 0);
  if (old)
    ::setenv("TMPDIR", saved.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
}

}  // namespace
}  // namespace skarvo
