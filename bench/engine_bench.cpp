// Pattern engine baselines: automaton construction for a fuzzy-style pattern and for two
// kana classes, and FindFirst throughput over 1 MB of Shift-JIS lines.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "engine/match_core.h"
#include "engine/re_compile.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

// 20 positions, each an alternation of 3 to 6 one- or two-character words, the shape the
// fuzzy-character rewrite produces.
std::string FuzzyStylePattern() {
  const std::vector<std::string> chars = {
      Sjis("あ"), Sjis("ア"), Sjis("ｱ"), Sjis("か"), Sjis("カ"), Sjis("ｶ"), Sjis("が"),
      Sjis("ガ"), Sjis("ヴ"), Sjis("ー"), Sjis("－"), Sjis("～"), Sjis("Ａ"), Sjis("ａ"),
      "a",        "A",        Sjis("検"), Sjis("索"), Sjis("ﾞ"),  Sjis("ﾟ"),  Sjis("ぁ"),
      Sjis("ァ"), Sjis("ｧ"),  Sjis("は"), Sjis("ハ"), Sjis("ﾊ"),  Sjis("ぱ"), Sjis("パ")};
  std::mt19937 rng(7);
  auto pick = [&] { return chars[rng() % chars.size()]; };
  std::string pattern;
  for (int i = 0; i < 20; ++i) {
    const int words = 3 + static_cast<int>(rng() % 4);
    pattern += '(';
    for (int w = 0; w < words; ++w) {
      if (w > 0) pattern += '|';
      pattern += pick();
      if (rng() % 3 == 0) pattern += pick();
    }
    pattern += ')';
  }
  return pattern;
}

void BM_CompileFuzzyStylePattern(benchmark::State& state) {
  const std::string pattern = FuzzyStylePattern();
  int states = 0;
  for (auto _ : state) {
    auto dfa = CompileDFA(pattern);
    states = dfa->StateCount();
    benchmark::DoNotOptimize(dfa);
  }
  state.counters["dfa_states"] = states;
}
BENCHMARK(BM_CompileFuzzyStylePattern)->Unit(benchmark::kMicrosecond);

void BM_CompileKanaClasses(benchmark::State& state) {
  const std::string pattern = Sjis("[ぁ-ん]+[ァ-ヶ]+");
  for (auto _ : state) {
    auto dfa = CompileDFA(pattern);
    benchmark::DoNotOptimize(dfa);
  }
}
BENCHMARK(BM_CompileKanaClasses)->Unit(benchmark::kMicrosecond);

// About 1 MB of CRLF lines mixing kanji, kana, ASCII words and digits; the last line holds
// the only text the searched patterns find.
const std::string& LineSet() {
  static const std::string text = [] {
    const std::vector<std::string> words = {
        Sjis("検索"), Sjis("置換"), Sjis("ファイル"), Sjis("フォルダ"), Sjis("結果"),
        Sjis("です。"), Sjis("ます。"), Sjis("の"), Sjis("は"), Sjis("を"),
        Sjis("設定"), Sjis("ｶﾀｶﾅ"), "data", "line", "2026", " ", ", ", Sjis("、"),
        Sjis("表示"), Sjis("ソース"), Sjis("データ"), Sjis("一覧")};
    std::mt19937 rng(11);
    std::string out;
    while (out.size() < (1u << 20)) {
      const int n = 5 + static_cast<int>(rng() % 20);
      for (int i = 0; i < n; ++i) out += words[rng() % words.size()];
      out += "\r\n";
    }
    out += Sjis("最後の行に終端マーカーと xyzソ がある") + "\r\n";
    return out;
  }();
  return text;
}

void FindFirstOverLineSet(benchmark::State& state, const char* utf8Pattern) {
  const std::string& text = LineSet();
  auto dfa = CompileDFA(Sjis(utf8Pattern));
  TMatchCORE core;
  core.SetDFA(dfa.get());
  for (auto _ : state) {
    TMatchRange r = core.FindFirst(text.c_str());
    // Only the last line may match: anything earlier would not measure a full scan.
    if (!r.Found() || r.start - text.c_str() < static_cast<std::ptrdiff_t>(text.size()) - 80) {
      state.SkipWithError("not found on the last line");
      break;
    }
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

void BM_FindFirstLiteral(benchmark::State& s) { FindFirstOverLineSet(s, "終端マーカー"); }
void BM_FindFirstSoleStartByte(benchmark::State& s) {
  FindFirstOverLineSet(s, "終端(マーカー|まーかー)");
}
void BM_FindFirstKatakanaStart(benchmark::State& s) { FindFirstOverLineSet(s, "[ア-ン]ーカー"); }
void BM_FindFirstTwoStarts(benchmark::State& s) { FindFirstOverLineSet(s, "(終端|末尾)[ア-ン]+"); }
void BM_FindFirstAsciiClass(benchmark::State& s) { FindFirstOverLineSet(s, "[x-z]+[ア-ン]"); }
BENCHMARK(BM_FindFirstLiteral);
BENCHMARK(BM_FindFirstSoleStartByte);
BENCHMARK(BM_FindFirstKatakanaStart);
BENCHMARK(BM_FindFirstTwoStarts);
BENCHMARK(BM_FindFirstAsciiClass);

}  // namespace
}  // namespace skarvo

BENCHMARK_MAIN();
