#include "engine/compiled_pattern.h"

#include <array>

#include "engine/fuzzy_dictionary.h"
#include "engine/grep_needles.h"
#include "engine/re_compile.h"
#include "engine/regexp_error.h"

namespace skarvo {

namespace {

// The codes of the automaton's chain of single characters, from the initial state.
std::vector<CharCode> ChainCodes(const TRE_DFA& dfa) {
  std::vector<CharCode> codes;
  int state = dfa.InitialState();
  while (state != TRE_DFA::kNone) {
    const auto& transitions = dfa.State(state).Transitions;
    if (transitions.size() != 1) break;
    codes.push_back(transitions[0].Low);
    state = transitions[0].Target;
  }
  return codes;
}

// What the reader may pass over without looking, for a search with the automaton.
TTxtFile::SkipTable DfaSkipTable(const TRE_DFA& dfa) {
  std::array<bool, 256> mayStart{};
  for (int b = 0; b < 256; ++b)
    mayStart[static_cast<size_t>(b)] = dfa.CanStartWith(static_cast<unsigned char>(b));
  return TTxtFile::MakeSkipTable(mayStart);
}

// The codes of a text as ReadCharAt reads them; false when the text does not split cleanly.
bool SplitCodes(const std::string& text, std::vector<CharCode>& codes) {
  codes.clear();
  try {
    int index = 1;
    while (static_cast<size_t>(index) <= text.size()) codes.push_back(ReadCharAt(text, index));
  } catch (const ERegExpParser&) {
    return false;
  }
  return true;
}

// A line end as the reader counts one: an LF, or a 2-byte character whose second byte is one.
bool IsLineEndCode(CharCode c) { return c == '\n' || (c > 0xFF && (c & 0xFF) == '\n'); }

// For the head of codes (ended by 0) that holds no line end after its first code: entry i is
// the length of the longest proper prefix of the head that also ends its first i + 1 codes.
std::vector<uint32_t> LiteralBorders(const std::vector<CharCode>& codes) {
  size_t head = 1;
  while (head + 1 < codes.size() && !IsLineEndCode(codes[head])) ++head;
  std::vector<uint32_t> borders(head, 0);
  for (size_t i = 1, k = 0; i < head; ++i) {
    while (k > 0 && codes[i] != codes[k]) k = borders[k - 1];
    if (codes[i] == codes[k]) ++k;
    borders[i] = static_cast<uint32_t>(k);
  }
  return borders;
}

std::unique_ptr<const GrepPlan> MakeGrepPlan(const TRE_DFA& dfa) {
  auto plan = std::make_unique<GrepPlan>();
  plan->needles = GrepNeedles(dfa);
  plan->dfaSkip = DfaSkipTable(dfa);
  if (!dfa.IsLiteral()) return plan;
  // The fixed string is compared by its codes as read back from its text. A code that the
  // text does not give back (a code above 0xFF without a lead byte, a lone lead byte, a zero)
  // would change the results, so such a pattern walks the automaton instead.
  std::vector<CharCode> fromText;
  if (!SplitCodes(dfa.LiteralText(), fromText) || fromText != ChainCodes(dfa)) return plan;
  for (CharCode c : fromText)
    if (c == 0) return plan;
  plan->literalCodes = std::move(fromText);
  plan->literalCodes.push_back(0);
  plan->literalBorders = LiteralBorders(plan->literalCodes);
  plan->useLiteral = true;
  std::array<bool, 256> mayStart{};
  const CharCode first = plan->literalCodes[0];
  if (first != 0) mayStart[first > 0xFF ? first >> 8 : first] = true;
  plan->literalSkip = TTxtFile::MakeSkipTable(mayStart);
  return plan;
}

}  // namespace

TPatternCompiler::TPatternCompiler(PatternUse use, bool builtInFuzzyDictionary) : use_(use) {
  if (builtInFuzzyDictionary) FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary());
  cache_.push_back(Build(std::string()));
  compileCount_ = 1;
}

std::shared_ptr<const CompiledPattern::Compiled> TPatternCompiler::Build(
    const std::string& rewritten) const {
  auto compiled = std::make_shared<CompiledPattern::Compiled>();
  compiled->rewritten = rewritten;
  compiled->use = use_;
  if (use_ == PatternUse::kInFiles) {
    compiled->dfa = CompileDFA(rewritten, 10, 10);
    compiled->plan = MakeGrepPlan(*compiled->dfa);
  } else {
    compiled->dfa = CompileDFA(rewritten, kMemoryLineHeadCode, kMemoryLineTailCode);
  }
  return compiled;
}

CompiledPattern TPatternCompiler::Compile(const std::string& pattern,
                                          const PatternOptions& options) {
  std::string rewritten = Rewrite(pattern, options);
  return CompileRewritten(rewritten, pattern, options);
}

std::string TPatternCompiler::Rewrite(const std::string& pattern, const PatternOptions& options) {
  const std::lock_guard<std::mutex> lock(mutex_);
  preProcessor_.SetUseFuzzyCharDic(options.fuzzy);
  preProcessor_.SetUseSynonymDic(options.synonyms);
  preProcessor_.SetPattern(pattern);
  preProcessor_.Run();
  return preProcessor_.OutputText();
}

CompiledPattern TPatternCompiler::CompileRewritten(const std::string& rewritten, std::string source,
                                                   const PatternOptions& options, int* index) {
  const std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < cache_.size(); ++i) {
    if (cache_[i]->rewritten == rewritten) {
      if (index != nullptr) *index = static_cast<int>(i);
      return CompiledPattern(std::move(source), options, cache_[i]);
    }
  }
  // Compiled before the cache changes: a rejected pattern leaves it as it was.
  std::shared_ptr<const CompiledPattern::Compiled> compiled = Build(rewritten);
  ++compileCount_;
  if (cache_.size() >= static_cast<size_t>(CacheCapacity)) cache_.pop_back();
  cache_.insert(cache_.begin() + 1, compiled);
  if (index != nullptr) *index = 1;
  return CompiledPattern(std::move(source), options, std::move(compiled));
}

CompiledPattern TPatternCompiler::Empty() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return CompiledPattern(std::string(), PatternOptions{}, cache_.front());
}

int TPatternCompiler::CacheCount() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(cache_.size());
}

std::string TPatternCompiler::CacheKey(int i) const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return cache_.at(static_cast<size_t>(i))->rewritten;
}

int TPatternCompiler::CompileCount() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return compileCount_;
}

}  // namespace skarvo
