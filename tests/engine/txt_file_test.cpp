// The text reader, driven the way the grep drives it: a start character from the main cursor,
// then the lookahead cursor while a chain of codes keeps matching.
#include "engine/txt_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "support/fake_ui_port.h"
#include "support/line_hit.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using namespace std::string_literals;

constexpr size_t kBlock = TTxtFile::BlockSize;

using testing::Hit;

class TxtFileTest : public testing::TempFolderTest {
 protected:
  // Every line holding the chain of codes, as the fixed-string search reports it.
  std::vector<Hit> Find(const std::string& bytes, const std::vector<uint16_t>& codes,
                        TMessagePump pump = nullptr) {
    std::vector<Hit> hits;
    try {
      TTxtFile file(Write(bytes), cancel_, pump);
      for (;;) {
        size_t i = 0;
        uint16_t c = file.ReadChar();
        while (c == codes[i]) {
          if (i + 1 == codes.size()) {
            RE_LineInfo_t info = file.GetLine();
            hits.push_back({info.LineNo, info.Line});
            break;
          }
          ++i;
          c = file.NextLookaheadChar();
        }
      }
    } catch (const EEndOfFile&) {
    }
    return hits;
  }

  // Every line: each one follows an LF of the stream.
  std::vector<Hit> Lines(const std::string& bytes) { return Find(bytes, {10}); }

  bool cancel_ = false;
};

TEST_F(TxtFileTest, SplitsLinesAtEveryKindOfLineEnd) {
  struct Row {
    std::string bytes;
    std::vector<Hit> lines;
  };
  const std::vector<Row> rows = {
      {"ab\r\ncd\ref", {{1, "ab"}, {2, "cd"}, {3, "ef"}}},
      {"ab\ncd\n", {{1, "ab"}, {2, "cd"}}},
      {"a\n\n", {{1, "a"}, {2, ""}}},
      {"\r\n", {{1, ""}}},
      {"\n", {{1, ""}}},
      {"\r", {{1, ""}}},
      {"x", {{1, "x"}}},
      {"a\r\r\nb", {{1, "a"}, {2, ""}, {3, "b"}}},
      {"a\rb\r", {{1, "a"}, {2, "b"}}},
      {"a\n\rb\r\n\r", {{1, "a"}, {2, ""}, {3, "b"}, {4, ""}}},
      {"a\0b\n\0"s, {{1, "a b"}, {2, " "}}},
      {"\x82\xa0\r\n\x83\x41", {{1, "\x82\xa0"}, {2, "\x83\x41"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.bytes));
    EXPECT_EQ(Lines(row.bytes), row.lines);
  }
}

TEST_F(TxtFileTest, EmptyFileEndsAtOnce) {
  bool cancel = false;
  try {
    TTxtFile file(Write(""), cancel, nullptr);
    ADD_FAILURE() << "opened";
  } catch (const EEndOfFile& e) {
    EXPECT_EQ(e.Message(), "End Of File");
  }
  EXPECT_TRUE(Lines("").empty());
}

// The head check sees the first block as the file has it (zero bytes still zeros, which
// the encoding is told by), once, with whether it is the whole file; what it throws goes on.
TEST_F(TxtFileTest, HeadCheckSeesTheFirstBlockAsRead) {
  struct Row {
    std::string bytes;
    std::string head;
    bool whole;
  };
  const std::string big = "a\0"s + std::string(kBlock, 'b');
  const std::vector<Row> rows = {
      {"a\0b\0\r\0\n\0"s, "a\0b\0\r\0\n\0"s, true},
      {"\xFF\xFE" + "x\0"s, "\xFF\xFEx\0"s, true},
      {big, big.substr(0, kBlock), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.bytes.substr(0, 16)));
    int calls = 0;
    const TTxtFile::HeadCheck check = [&](std::string_view head, bool whole) {
      ++calls;
      EXPECT_EQ(head, row.head);
      EXPECT_EQ(whole, row.whole);
    };
    {
      TTxtFile file(Write(row.bytes), cancel_, nullptr, {}, &check);
      // Reading on to the end looks at no later block.
      try {
        for (;;) file.ReadChar();
      } catch (const EEndOfFile&) {
      }
    }
    EXPECT_EQ(calls, 1);
    const TTxtFile::HeadCheck refuse = [](std::string_view, bool) { throw EInOutError("no"); };
    EXPECT_THROW(TTxtFile(Write(row.bytes), cancel_, nullptr, {}, &refuse), EInOutError);
  }
}

TEST_F(TxtFileTest, MissingFileOrFolderIsNotFound) {
  bool cancel = false;
  // The OS's reason: a missing file is not found, a folder says that it is one.
  const struct {
    std::string path;
    std::string message;
  } rows[] = {{dir_ + "/nothing.txt", Utf8ToCp932Lossy(std::strerror(ENOENT))},
              {dir_, Utf8ToCp932Lossy(std::strerror(EISDIR))}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    try {
      TTxtFile file(row.path, cancel, nullptr);
      ADD_FAILURE() << "opened";
    } catch (const EFileNotFound& e) {
      EXPECT_EQ(e.Message(), row.message);
    }
  }
}

TEST_F(TxtFileTest, FindsChainsAndReportsEachLineOnce) {
  struct Row {
    std::string bytes;
    std::vector<uint16_t> codes;
    std::vector<Hit> hits;
  };
  const std::vector<Row> rows = {
      {"abcb\r\nb", {'b'}, {{1, "abcb"}, {2, "b"}}},
      {"xa\r\nbx\nab", {'a', 10, 'b'}, {{1, "xa"}}},  // a match spanning a line end
      {"xa\rb", {'a', 10, 'b'}, {{1, "xa"}}},
      {"a\nb", {10, 'b'}, {{2, "b"}}},  // the LF before a line belongs to it
      {"\x82\x61"
       "b",
       {'a', 'b'},
       {}},  // 0x61 is the second byte of a character here
      {"\x82\x61"
       "b",
       {0x8261, 'b'},
       {{1,
         "\x82\x61"
         "b"}}},
      {"a\0b"s, {'a', ' ', 'b'}, {{1, "a b"}}},
      {"ab", {'a', 'b', 10}, {{1, "ab"}}},  // the line end added after the last line
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.bytes));
    EXPECT_EQ(Find(row.bytes, row.codes), row.hits);
  }
}

TEST_F(TxtFileTest, LookaheadReturnsZeroAtTheEndOfTheFile) {
  bool cancel = false;
  TTxtFile file(Write("ab"), cancel, nullptr);
  EXPECT_EQ(file.ReadChar(), 10);
  EXPECT_EQ(file.NextLookaheadChar(), 'a');
  EXPECT_EQ(file.NextLookaheadChar(), 'b');
  EXPECT_EQ(file.NextLookaheadChar(), 10);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(file.NextLookaheadChar(), 0);
  EXPECT_EQ(file.ReadChar(), 'a');
  EXPECT_EQ(file.ReadChar(), 'b');
  EXPECT_THROW(file.ReadChar(), EEndOfFile);
}

// Builds a file whose byte at offset `at` (0-based in the file) starts `piece`, padded with
// 'x' before and followed by `after`.
std::string Around(size_t at, const std::string& piece, const std::string& after = "\r\n") {
  return std::string(at, 'x') + piece + after;
}

TEST_F(TxtFileTest, BlockBoundaries) {
  // The first block holds file bytes 0 .. kBlock-1; the second starts at offset kBlock.
  const std::string longLine(kBlock + 5000, 'y');
  struct Row {
    const char* name;
    std::string bytes;
    std::vector<uint16_t> codes;
    std::vector<Hit> hits;
  };
  const std::vector<Row> rows = {
      {"CR ends a block, LF starts the next", Around(kBlock - 1, "\r\nz"), {10, 'z'}, {{2, "z"}}},
      {"lone CR ends a block", "a\n" + Around(kBlock - 3, "\rz"), {10, 'z'}, {{3, "z"}}},
      {"2-byte character across the boundary",
       Around(kBlock - 1, "\x82\xa0q"),
       {0x82A0, 'q'},
       {{1, std::string(kBlock - 1, 'x') + "\x82\xa0q"}}},
      {"match across the boundary, line started in the first block",
       "head\n" + Around(kBlock - 7, "abcdef"),
       {'a', 'b', 'c', 'd', 'e', 'f'},
       {{2, std::string(kBlock - 7, 'x') + "abcdef"}}},
      {"zero byte at the start of a block",
       Around(kBlock, std::string(1, '\0') + "q"),
       {' ', 'q'},
       {{1, std::string(kBlock, 'x') + " q"}}},
      {"line longer than a block", "a\r\n" + longLine + "Q\r\nb", {'Q'}, {{2, longLine + "Q"}}},
      {"match found by the lookahead on a line longer than two blocks",
       std::string(2 * kBlock + 10, 'x') + "!",
       {'x', '!'},
       {{1, std::string(2 * kBlock + 10, 'x') + "!"}}},
      {"file size a multiple of the block",
       std::string(kBlock - 1, 'x') + "\n",
       {'x', 10},
       {{1, std::string(kBlock - 1, 'x')}}},
      {"file size a multiple of the block, no final line end",
       std::string(kBlock, 'x'),
       {'x', 10},
       {{1, std::string(kBlock, 'x')}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Find(row.bytes, row.codes), row.hits);
  }
}

TEST_F(TxtFileTest, LineNumbersStayRightAcrossBlocks) {
  std::string bytes;
  std::vector<Hit> expected;
  for (int i = 1; i <= 30000; ++i) {
    std::string line = "L" + std::to_string(i) + (i % 7 == 0 ? "\x82\xa0" : "");
    bytes += line + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
    expected.push_back({i, line});
  }
  EXPECT_EQ(Lines(bytes), expected);
}

TEST_F(TxtFileTest, MessagesRunAfterEachBlockAndBeforeEachLine) {
  int calls = 0;
  const std::string bytes = std::string(kBlock, 'x') + "\na\na\n";  // 2 blocks, 3 lines
  Find(bytes, {10}, [&] { return ++calls < 0; });
  EXPECT_EQ(calls, 2 + 3);
}

TEST_F(TxtFileTest, CancelIsSeenAfterABlockOrBeforeALine) {
  struct Row {
    const char* name;
    int cancelAtCall;  // the ProcessMessages call (1-based) in which the host cancels
    size_t linesBefore;
  };
  // Calls: 1 first block, 2 before line 1, 3 before line 2, 4 the second block (read while
  // line 2 is cut out), 5 before line 3.
  const std::vector<Row> rows = {{"while the first block is read", 1, 0},
                                 {"before the first line", 2, 0},
                                 {"before the second line", 3, 1},
                                 {"after the second block", 4, 1},
                                 {"before the third line", 5, 2}};
  const std::string bytes = std::string(kBlock - 3, 'x') + "\nyy\nz\n";
  // The host stops either by setting the cancel flag or by answering stop.
  for (const auto& row : rows)
    for (bool byAnswer : {false, true}) {
      SCOPED_TRACE(std::string(row.name) + (byAnswer ? ", answer" : ", flag"));
      int calls = 0;
      cancel_ = false;
      auto pump = [&] {
        if (++calls != row.cancelAtCall) return false;
        if (!byAnswer) cancel_ = true;
        return byAnswer;
      };
      std::vector<Hit> hits;
      try {
        TTxtFile file(Write(bytes), cancel_, pump);
        for (;;) {
          if (file.ReadChar() == 10) {
            RE_LineInfo_t info = file.GetLine();
            hits.push_back({info.LineNo, info.Line});
          }
        }
        ADD_FAILURE() << "not cancelled";
      } catch (const EGrepCancel& e) {
        EXPECT_EQ(e.Message(), "CancelRequest");
      } catch (const EEndOfFile&) {
        ADD_FAILURE() << "ran to the end";
      }
      EXPECT_EQ(hits.size(), row.linesBefore);
    }
}

}  // namespace
}  // namespace skarvo
