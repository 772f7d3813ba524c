// The reader's limits: line numbers past 32 bits, a file that grows while it is read, and a
// file that reports no size.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "engine/grep.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

// More than 2^31 lines would need a file of over 2 GB; the counters' width is what decides.
static_assert(std::is_same_v<decltype(RE_LineInfo_t::LineNo), int64_t>);
static_assert(std::is_same_v<decltype(std::declval<TTxtFile>().LineNo()), int64_t>);

class TxtFileLimitsTest : public testing::TempFolderTest {};

TEST_F(TxtFileLimitsTest, AFileIsReadUpToItsSizeWhenOpened) {
  std::string lines;
  while (lines.size() < 150000) lines += "y\n";
  const int64_t lineCount = static_cast<int64_t>(lines.size() / 2);
  for (const std::string pattern : {"y", "y|z"}) {
    SCOPED_TRACE(pattern);
    const std::string path = Write(lines);
    TGrep grep;
    grep.SetRegExp(pattern);
    int64_t reported = 0;
    int64_t last = 0;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& info) {
      // The first block is in; the file grows before the rest is read.
      if (reported++ == 0) std::ofstream(path, std::ios::binary | std::ios::app) << lines;
      last = info.LineNo;
    });
    grep.Grep(path);
    EXPECT_EQ(reported, lineCount);
    EXPECT_EQ(last, lineCount);
  }
}

TEST_F(TxtFileLimitsTest, AFileWithoutSizeIsReadToItsEnd) {
  // Thousands of mappings make this process's map listing, which reports size 0, several
  // blocks long.
  const long page = sysconf(_SC_PAGESIZE);
  const size_t pages = 6000;
  void* area = mmap(nullptr, pages * static_cast<size_t>(page), PROT_READ,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(area, MAP_FAILED);
  for (size_t i = 0; i < pages; i += 2)
    mprotect(static_cast<char*>(area) + i * static_cast<size_t>(page), static_cast<size_t>(page),
             PROT_NONE);
  for (const std::string pattern : {"-", "-|z"}) {
    SCOPED_TRACE(pattern);
    TGrep grep;
    grep.SetRegExp(pattern);
    int64_t reported = 0;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t&) { ++reported; });
    grep.Grep("/proc/self/maps");
    EXPECT_GT(reported, static_cast<int64_t>(pages) - 100);
  }
  munmap(area, pages * static_cast<size_t>(page));
}

}  // namespace
}  // namespace skarvo

namespace skarvo {
namespace {

size_t HeapInUse() { return mallinfo2().uordblks; }

TEST_F(TxtFileLimitsTest, ALongLineThatIsNotReportedIsNotKept) {
  const size_t length = 40 << 20;
  std::string bytes(length, 'y');
  bytes += "\nx\n";
  // Zero bytes and a CR LF over a block boundary in a long line that is reported.
  std::string reported(3 * TTxtFile::BlockSize - 1, 'y');
  reported[5] = '\0';
  reported[TTxtFile::BlockSize + 7] = '\0';
  reported += "z\r\n";
  bytes += reported;
  const std::string path = Write(bytes);
  for (const std::string pattern : {"x", "x|q", "z"}) {
    SCOPED_TRACE(pattern);
    // Messages run after every block read: the heap is looked at there and at each report.
    size_t peak = 0;
    TGrep grep([&] {
      peak = std::max(peak, HeapInUse());
      return false;
    });
    grep.SetRegExp(pattern);
    const size_t before = HeapInUse();
    std::vector<int64_t> lines;
    std::string text;
    grep.SetOnMatch([&](TGrep&, const RE_LineInfo_t& info) {
      peak = std::max(peak, HeapInUse());
      lines.push_back(info.LineNo);
      text = info.Line;
    });
    grep.Grep(path);
    if (pattern == "z") {
      std::string expected = reported.substr(0, reported.size() - 2);
      for (char& c : expected)
        if (c == '\0') c = ' ';
      EXPECT_EQ(lines, std::vector<int64_t>{3});
      EXPECT_EQ(text, expected);
    } else {
      EXPECT_EQ(lines, std::vector<int64_t>{2});
      EXPECT_LT(peak - before, size_t{8} << 20);
    }
  }
}

}  // namespace
}  // namespace skarvo
