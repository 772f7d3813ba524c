// TRegularExpression: a pattern compiler together with the one pattern last set on it, for
// callers that match with one pattern at a time (tests, benchmarks, the command-line matcher
// of old). Setting RegExp runs the dictionary rewrite and finds the pattern in the compiler's
// cache or compiles it (compiled_pattern.h). Code that shares a pattern, or uses several,
// compiles it with a TPatternCompiler and passes the CompiledPattern to the matcher.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/char_codes.h"
#include "engine/compiled_pattern.h"
#include "engine/pre_processor.h"
#include "engine/re_dfa.h"

namespace skarvo {

class TRegularExpression {
 public:
  static constexpr int CacheCapacity = TPatternCompiler::CacheCapacity;

  // Starts with the empty pattern compiled as entry 0 (it matches the empty string), for
  // matching in memory and without dictionaries.
  TRegularExpression() : TRegularExpression(PatternUse::kInMemory) {}
  virtual ~TRegularExpression();
  TRegularExpression(const TRegularExpression&) = delete;
  TRegularExpression& operator=(const TRegularExpression&) = delete;

  // The caller's last pattern; empty after a failed compile.
  const std::string& RegExp() const noexcept { return regExp_; }

  // Rewrites the pattern with the dictionaries in force and makes its automaton current,
  // compiling it unless the cache holds it. A pattern error found by the rewrite leaves
  // everything as it was; one found while compiling leaves the empty pattern current and
  // RegExp empty. Both propagate as ERegExpParser (positions in the rewritten pattern).
  void SetRegExp(const std::string& pattern);

  // The dictionary switches. Changing one compiles RegExp again (or finds it in the cache).
  bool UseFuzzyCharDic() const noexcept { return options_.fuzzy; }
  void SetUseFuzzyCharDic(bool on);
  bool UseSynonymDic() const noexcept { return options_.synonyms; }
  void SetUseSynonymDic(bool on);

  // The current pattern; a copy stays valid whatever is set afterwards.
  const CompiledPattern& Pattern() const noexcept { return current_; }
  // Its automaton and what it knows about itself.
  const TRE_DFA& CurrentDFA() const noexcept { return current_.DFA(); }
  bool IsLiteral() const noexcept { return current_.IsLiteral(); }
  const std::string& LiteralText() const noexcept { return current_.LiteralText(); }
  bool LineHeadUsed() const noexcept { return current_.LineHeadUsed(); }
  bool LineTailUsed() const noexcept { return current_.LineTailUsed(); }

  // The compiler the patterns are set through, with its dictionaries.
  TPatternCompiler& Compiler() noexcept { return compiler_; }
  TREDictionaryList& FuzzyDictionaries() noexcept { return compiler_.FuzzyDictionaries(); }
  TREDictionaryList& SynonymDictionaries() noexcept { return compiler_.SynonymDictionaries(); }

  // The cache as it stands: number of entries, the rewritten pattern of entry i, the entry
  // in force, and how many compilations there have been since creation (entry 0 included).
  int CacheCount() const { return compiler_.CacheCount(); }
  std::string CacheKey(int i) const { return compiler_.CacheKey(i); }
  int CurrentIndex() const noexcept { return currentIndex_; }
  int CompileCount() const { return compiler_.CompileCount(); }

 protected:
  // For descendants that match elsewhere (TGrep: in files).
  explicit TRegularExpression(PatternUse use);

 private:
  std::string regExp_;
  PatternOptions options_;
  TPatternCompiler compiler_;
  CompiledPattern current_;
  int currentIndex_ = 0;
};

}  // namespace skarvo
