#include "platform/rereadable_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
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

// How the fake calls on the temporary file behave: at most `most` bytes a call, every other
// call interrupted, every write from the `failFrom`-th on failing. Each successful call leaves
// EINTR in errno, as a signal handled during it may. The calls are counted, and past a bound
// they do nothing and report an error, so that a loop that never stops retrying still ends.
struct SpoolFault {
  std::size_t most = SIZE_MAX;
  bool interrupt = false;
  int failFrom = 0;  // 0: never
  int writes = 0;
  int reads = 0;
};
SpoolFault fault;

// -1 to fail the call with errno, 0 to go on with size bytes, 1 to return 0 (past the bound).
int FaultyCall(int& calls, std::size_t& size) {
  if (++calls > 10000) {
    errno = EIO;
    return 1;
  }
  if (fault.interrupt && calls % 2 == 1) {
    errno = EINTR;
    return -1;
  }
  size = std::min(size, fault.most);
  return 0;
}

ssize_t FaultyWrite(int fd, const void* data, std::size_t size, off_t offset) {
  if (const int step = FaultyCall(fault.writes, size); step != 0) return step < 0 ? -1 : 0;
  if (fault.failFrom > 0 && fault.writes >= fault.failFrom) {
    errno = ENOSPC;
    return -1;
  }
  const ssize_t n = ::pwrite(fd, data, size, offset);
  if (n >= 0) errno = EINTR;
  return n;
}

ssize_t FaultyRead(int fd, void* data, std::size_t size, off_t offset) {
  if (const int step = FaultyCall(fault.reads, size); step != 0) return step < 0 ? -1 : 0;
  const ssize_t n = ::pread(fd, data, size, offset);
  if (n >= 0) errno = EINTR;
  return n;
}

// Puts the fake calls in for one scope.
struct FaultyCalls {
  explicit FaultyCalls(const SpoolFault& f) {
    fault = f;
    RereadableFile::spoolCalls = {FaultyWrite, FaultyRead};
  }
  ~FaultyCalls() { RereadableFile::spoolCalls = {::pwrite, ::pread}; }
};

// A file read once with a bound of 4 bytes, first a byte at a time, then in steps of 8 (more
// than the bound, once the bytes are in the temporary file), every step read again from the
// start: each read gives the file's bytes, whether the temporary file's calls come short,
// interrupted or whole.
TEST(RereadableFile, KeepsEveryByteThroughShortAndInterruptedCalls) {
  std::string data(48, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('A' + i);
  testing::TempFile file(data);
  struct Row {
    const char* name;
    std::size_t most;
    bool interrupt;
  } rows[] = {{"system calls", 0, false},
              {"whole", SIZE_MAX, false},
              {"short", 3, false},
              {"interrupted", SIZE_MAX, true},
              {"short and interrupted", 1, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::optional<FaultyCalls> calls;
    if (row.most > 0) calls.emplace(SpoolFault{row.most, row.interrupt});
    RereadableFile input(4, true);
    ASSERT_TRUE(input.Open(file.path()));
    uint64_t end = 0;
    while (end < data.size()) {
      const std::size_t step = end < 16 ? 1 : 8;
      std::string got(step, '\0');
      // Left from before: no read may take it for its own (with the fake calls only, which
      // end a loop that keeps retrying).
      errno = calls.has_value() ? EINTR : 0;
      ASSERT_EQ(input.ReadAt(got.data(), step, end), static_cast<long>(step)) << end;
      EXPECT_EQ(got, data.substr(end, step));
      end += step;
      std::string again;
      ASSERT_TRUE(input.AppendLineText(0, end, again)) << end;
      EXPECT_EQ(again, data.substr(0, end));
    }
    EXPECT_TRUE(input.Spilled());
  }
}

// A write to the temporary file that fails after it was made fails the read that needed it:
// the bytes were not kept, so they must not count as read.
TEST(RereadableFile, AFailedWriteToTheTemporaryFileIsAReadError) {
  testing::TempFile file("abcdefgh");
  SpoolFault failing;
  failing.failFrom = 2;  // the first write moves the bytes from memory, the next one fails
  FaultyCalls calls(failing);
  RereadableFile input(4, true);
  ASSERT_TRUE(input.Open(file.path()));
  char got[4];
  EXPECT_EQ(input.ReadAt(got, 4, 0), 4);
  errno = 0;
  EXPECT_EQ(input.ReadAt(got, 4, 4), -1);
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_TRUE(input.Spilled());
}

}  // namespace
}  // namespace skarvo
