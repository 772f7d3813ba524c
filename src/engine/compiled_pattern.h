// A pattern compiled once and then only read: the automaton, what is known about it and,
// for a pattern compiled for files, how the grep searches it. Copies share the automaton,
// so one compiled pattern is handed (const) to every matcher that uses it, also on other
// threads; each matcher keeps its own scratch.
//
// TPatternCompiler makes them: it runs the dictionary rewrite and keeps the automata of the
// last patterns it compiled, so asking again for a pattern (the highlight does, for every row
// it draws) finds it instead of compiling it again. The cache keeps insertion order: entry 0
// is always the empty pattern, the newest entry is at index 1, a found entry is not moved,
// and the last entry is evicted when 30 are held.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/char_codes.h"
#include "engine/pre_processor.h"
#include "engine/re_dfa.h"
#include "engine/txt_file.h"

namespace skarvo {

// Where the compiled pattern is matched, which decides the codes its anchors stand for:
// markers above every character code for strings in memory (TMatchCORE, TAWKStr), the LF
// itself for files (TGrep), whose reader puts an LF before the first line and at every end.
enum class PatternUse { kInMemory, kInFiles };

// The dictionary rewrites a pattern is compiled with.
struct PatternOptions {
  bool fuzzy = false;     // the fuzzy-character dictionaries
  bool synonyms = false;  // the synonym dictionaries
  bool operator==(const PatternOptions&) const = default;
};

// How the grep searches a pattern compiled for files.
struct GrepPlan {
  // Compare character codes instead of walking the automaton: a fixed string whose codes
  // come back unchanged from its text.
  bool useLiteral = false;
  std::vector<CharCode> literalCodes;  // the fixed string's codes, ended by 0
  // Its head (up to the first line end after the first code): the matcher's fall-back table.
  std::vector<uint32_t> literalBorders;
  std::vector<std::string> needles;   // the required texts (grep_needles.h); empty when none
  TTxtFile::SkipTable dfaSkip{};      // what the automaton's walk may pass over
  TTxtFile::SkipTable literalSkip{};  // what the fixed string's comparison may pass over
};

class CompiledPattern {
 public:
  // The caller's text as given, the options, and the text the rewrite made of them.
  const std::string& Source() const noexcept { return source_; }
  const PatternOptions& Options() const noexcept { return options_; }
  const std::string& Rewritten() const noexcept { return compiled_->rewritten; }
  PatternUse Use() const noexcept { return compiled_->use; }

  const TRE_DFA& DFA() const noexcept { return *compiled_->dfa; }
  bool IsLiteral() const noexcept { return DFA().IsLiteral(); }
  const std::string& LiteralText() const noexcept { return DFA().LiteralText(); }
  bool LineHeadUsed() const noexcept { return DFA().LineHeadUsed(); }
  bool LineTailUsed() const noexcept { return DFA().LineTailUsed(); }
  // Set for a pattern compiled for files only.
  const GrepPlan* Plan() const noexcept { return compiled_->plan.get(); }

  // Whether both were compiled into the same automaton.
  bool SharesAutomatonWith(const CompiledPattern& other) const noexcept {
    return compiled_ == other.compiled_;
  }

 private:
  friend class TPatternCompiler;
  struct Compiled {
    std::string rewritten;
    PatternUse use = PatternUse::kInMemory;
    std::unique_ptr<const TRE_DFA> dfa;
    std::unique_ptr<const GrepPlan> plan;
  };
  CompiledPattern(std::string source, PatternOptions options,
                  std::shared_ptr<const Compiled> compiled)
      : source_(std::move(source)), options_(options), compiled_(std::move(compiled)) {}

  std::string source_;
  PatternOptions options_;
  std::shared_ptr<const Compiled> compiled_;
};

class TPatternCompiler {
 public:
  static constexpr int CacheCapacity = 30;

  // Starts with the empty pattern compiled as entry 0 and no dictionaries; with
  // builtInFuzzyDictionary the built-in fuzzy-character dictionary is the first one.
  explicit TPatternCompiler(PatternUse use, bool builtInFuzzyDictionary = true);
  TPatternCompiler(const TPatternCompiler&) = delete;
  TPatternCompiler& operator=(const TPatternCompiler&) = delete;

  PatternUse Use() const noexcept { return use_; }

  // The pattern compiled, or found in the cache. Raises ERegExpParser for a pattern the
  // rewrite or the compile rejects (positions in the rewritten pattern); the cache keeps
  // no entry for it.
  CompiledPattern Compile(const std::string& pattern, const PatternOptions& options = {});

  // The two steps of Compile. Rewrite raises the rewrite's errors and changes nothing.
  std::string Rewrite(const std::string& pattern, const PatternOptions& options);
  // Finds or compiles the rewritten text; index is set to its cache entry.
  CompiledPattern CompileRewritten(const std::string& rewritten, std::string source,
                                   const PatternOptions& options, int* index = nullptr);
  // The empty pattern (entry 0).
  CompiledPattern Empty() const;

  // The dictionaries of the rewrite, in the order tried. Changing them does not drop what
  // the cache holds.
  TREDictionaryList& FuzzyDictionaries() noexcept { return preProcessor_.FuzzyDictionaries(); }
  TREDictionaryList& SynonymDictionaries() noexcept { return preProcessor_.SynonymDictionaries(); }

  // The cache as it stands: number of entries, the rewritten pattern of entry i, and how
  // many compilations there have been since creation (entry 0 included).
  int CacheCount() const;
  std::string CacheKey(int i) const;
  int CompileCount() const;

 private:
  std::shared_ptr<const CompiledPattern::Compiled> Build(const std::string& rewritten) const;

  const PatternUse use_;
  // Compiling may be asked for from more than one thread; the compiled patterns need no lock.
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<const CompiledPattern::Compiled>> cache_;
  int compileCount_ = 0;
  TREPreProcessor preProcessor_;
};

}  // namespace skarvo
