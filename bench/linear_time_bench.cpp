// Times of the work the unit tests bound in steps (tests/engine/linear_time_test.cpp): a
// match and a replacement over one megabyte of text for patterns whose naive search takes
// minutes, the compilation of 10,000 words and the refusal of a blow-up. The tests held each
// of these to 5 s (the refusal to 3 s) in an optimised build and ten times that in a checked
// or sanitised one. Processor time of one run, optimised build, measured on the 2-core
// machine under a load of about 9 (so the wall times were two to three times these):
//   match, 1 MB:          a*b 20 ms, (a|b)*c 20, .*x 21, a.*b.*c 27, a*$ 31, ^a*b|a*\r 35,
//                         10,000 a then b 192, 10,000 a then \r 197
//   replace, 1 MB:        a|a*b 93 ms, a|(a|b)*c 91, aa|a*b 76, a|a*b$ 92, ^a|a|a*b$ 93
//   compile 10,000 words: 73 ms;  refuse (a?) x 49,000: 83 ms
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/awk_str.h"
#include "engine/grep.h"
#include "engine/regexp_error.h"

namespace skarvo {
namespace {

const std::vector<std::string>& MatchPatterns() {
  static const std::vector<std::string> patterns = {"a*b",
                                                    "(a|b)*c",
                                                    ".*x",
                                                    "a.*b.*c",
                                                    "a*$",
                                                    "^a*b|a*\\r",
                                                    std::string(10000, 'a') + "b",
                                                    std::string(10000, 'a') + "\\r"};
  return patterns;
}

void BM_MatchOneMegabyte(benchmark::State& state) {
  const std::string& pattern = MatchPatterns()[static_cast<size_t>(state.range(0))];
  const std::string text = std::string(1 << 20, 'a') + "\r\n";
  TPatternCompiler compiler(PatternUse::kInMemory);
  const CompiledPattern compiled = compiler.Compile(pattern);
  TAWKStr awk;
  for (auto _ : state) {
    int position = 0;
    int length = 0;
    benchmark::DoNotOptimize(awk.Match(compiled, text, position, length));
  }
  state.SetLabel(pattern.size() > 20 ? pattern.substr(pattern.size() - 12) : pattern);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(BM_MatchOneMegabyte)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

void BM_ReplaceOneMegabyte(benchmark::State& state) {
  const char* const patterns[] = {"a|a*b", "a|(a|b)*c", "aa|a*b", "a|a*b$", "^a|a|a*b$"};
  const std::string pattern = patterns[state.range(0)];
  TPatternCompiler compiler(PatternUse::kInMemory);
  const CompiledPattern compiled = compiler.Compile(pattern);
  TAWKStr awk;
  for (auto _ : state) {
    std::string text(1 << 20, 'a');
    benchmark::DoNotOptimize(awk.GSub(compiled, "X", text));
  }
  state.SetLabel(pattern);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(BM_ReplaceOneMegabyte)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// 10,000 made-up words of 2-byte characters, as the test compiles them.
std::string WordList(int count) {
  std::string pattern;
  unsigned seed = 12345;
  auto next = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  for (int w = 0; w < count; ++w) {
    if (w > 0) pattern += '|';
    for (unsigned k = 3 + next(7); k > 0; --k) {
      pattern += static_cast<char>(0x89 + next(15));
      unsigned trail = 0x40 + next(0xBC);
      if (trail >= 0x7F) ++trail;
      pattern += static_cast<char>(trail);
    }
  }
  return pattern;
}

void BM_CompileTenThousandWords(benchmark::State& state) {
  const std::string words = WordList(10000);
  for (auto _ : state) {
    TPatternCompiler compiler(PatternUse::kInFiles);
    benchmark::DoNotOptimize(compiler.Compile(words));
  }
}
BENCHMARK(BM_CompileTenThousandWords)->Unit(benchmark::kMillisecond);

void BM_RefuseBlowUp(benchmark::State& state) {
  std::string blowUp;
  for (int i = 0; i < 49000; ++i) blowUp += "a?";
  for (auto _ : state) {
    TPatternCompiler compiler(PatternUse::kInFiles);
    try {
      benchmark::DoNotOptimize(compiler.Compile(blowUp));
      state.SkipWithError("compiled");
    } catch (const ERegExpParser&) {
    }
  }
}
BENCHMARK(BM_RefuseBlowUp)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace skarvo

BENCHMARK_MAIN();
