// One compiled pattern handed to matchers on two threads at once: each thread finds what a
// matcher with the pattern set on it finds alone, in memory and in files.
#include "engine/compiled_pattern.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/awk_str.h"
#include "engine/grep.h"
#include "platform/codepage.h"
#include "support/line_hit.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using testing::Hit;

// What one matcher gives for every line of the text and for the file.
struct Results {
  std::vector<std::string> memory;  // per line: "<position> <length> <count> <replaced>"
  std::vector<Hit> file;
  bool operator==(const Results&) const = default;
};

std::vector<std::string> Lines() {
  std::vector<std::string> lines = {
      "abc",     "xabcy", "aaaa", "ab ab ab", "x12y34", "", Sjis("全角ＡＢＣと検索"),
      "cdcdabe", "yx",    "b"};
  // Long enough for the walks to go through the matcher's cache of steps.
  lines.push_back(std::string(3000, 'a') + "b" + std::string(3000, 'a'));
  for (int i = 0; i < 200; ++i) lines.push_back("line " + std::to_string(i * 7919 % 1000) + " ab");
  return lines;
}

std::string FileBytes(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

void Record(Results& out, const TAWKStr& awk, const CompiledPattern* pattern,
            const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    int position = 0;
    int length = 0;
    std::string replaced = line;
    int count = 0;
    if (pattern != nullptr) {
      awk.Match(*pattern, line, position, length);
      count = awk.GSub(*pattern, "<&>", replaced);
    } else {
      awk.Match(line, position, length);
      count = awk.GSub("<&>", replaced);
    }
    out.memory.push_back(std::to_string(position) + " " + std::to_string(length) + " " +
                         std::to_string(count) + " " + replaced);
  }
}

void Listen(TGrep& grep, Results& out) {
  grep.SetOnMatch([&out](TGrep&, const RE_LineInfo_t& info) {
    out.file.push_back({info.LineNo, info.Line});
  });
}

class SharedPatternTest : public testing::TempFolderTest {};

TEST_F(SharedPatternTest, TwoThreadsFindWhatOneMatcherFindsAlone) {
  const std::vector<std::string> lines = Lines();
  const std::string path = Write(FileBytes(lines));
  const struct {
    const char* pattern;
    bool fuzzy;
  } cases[] = {{"abc", false},    {"abc", true},
               {"a|a*b", false},  {"^x.*y$", false},
               {"[0-9]+", false}, {"(ab|cd)*e", false},
               {"b$", false},     {"^", false},
               {"a*", false},     {"line [0-9]+ ab", false}};
  TPatternCompiler inMemory(PatternUse::kInMemory);
  TPatternCompiler inFiles(PatternUse::kInFiles);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + (c.fuzzy ? " fuzzy" : ""));
    // Alone: the pattern set on the matchers themselves.
    Results alone;
    {
      TAWKStr awk;
      awk.SetUseFuzzyCharDic(c.fuzzy);
      awk.SetRegExp(c.pattern);
      Record(alone, awk, nullptr, lines);
      TGrep grep;
      grep.SetUseFuzzyCharDic(c.fuzzy);
      grep.SetRegExp(c.pattern);
      Listen(grep, alone);
      grep.Grep(path);
    }
    ASSERT_FALSE(alone.file.empty());

    const CompiledPattern memoryPattern = inMemory.Compile(c.pattern, {.fuzzy = c.fuzzy});
    const CompiledPattern filePattern = inFiles.Compile(c.pattern, {.fuzzy = c.fuzzy});
    constexpr int kRounds = 3;
    Results shared[2];
    auto run = [&](Results& out) {
      TAWKStr awk;
      TGrep grep;
      for (int round = 0; round < kRounds; ++round) {
        Results once;
        Record(once, awk, &memoryPattern, lines);
        Listen(grep, once);
        grep.Grep(path, filePattern);
        if (round == 0)
          out = once;
        else if (!(once == out))
          out = Results{};  // a later round differing from the first shows up as a mismatch
      }
    };
    std::thread other(run, std::ref(shared[1]));
    run(shared[0]);
    other.join();
    EXPECT_EQ(shared[0], alone);
    EXPECT_EQ(shared[1], alone);
  }
}

TEST_F(SharedPatternTest, CompiledOnceFoundAgainAndKeptForItsUse) {
  TPatternCompiler inFiles(PatternUse::kInFiles);
  const CompiledPattern first = inFiles.Compile("^ab");
  const int compiled = inFiles.CompileCount();
  const CompiledPattern again = inFiles.Compile("^ab");
  EXPECT_EQ(inFiles.CompileCount(), compiled);
  EXPECT_TRUE(again.SharesAutomatonWith(first));
  // The fuzzy rewrite is another automaton; asking for it again finds it.
  const CompiledPattern fuzzy = inFiles.Compile("^ab", {.fuzzy = true});
  EXPECT_FALSE(fuzzy.SharesAutomatonWith(first));
  EXPECT_TRUE(inFiles.Compile("^ab", {.fuzzy = true}).SharesAutomatonWith(fuzzy));
  EXPECT_EQ(inFiles.CompileCount(), compiled + 1);
  // A file search needs the line ends as anchors: a pattern compiled for memory is refused.
  TPatternCompiler inMemory(PatternUse::kInMemory);
  const std::string path = Write("ab\r\n");
  TGrep grep;
  grep.SetOnMatch([](TGrep&, const RE_LineInfo_t&) {});
  EXPECT_THROW(grep.Grep(path, inMemory.Compile("^ab")), std::invalid_argument);
  EXPECT_EQ(first.LiteralText(), "\nab");
}

}  // namespace
}  // namespace skarvo
