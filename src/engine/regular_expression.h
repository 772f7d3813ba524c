// TRegularExpression: the object a pattern is held in. Setting RegExp runs the dictionary
// rewrite, looks the rewritten pattern up in a small cache of compiled automata and compiles
// it only when it is not there. Descendants decide which codes stand for a line start and a
// line end in their automata: markers above every character code for matching in memory
// (TMatchCORE, TAWKStr), the LF itself for files (TGrep).
//
// The cache keeps insertion order: entry 0 is always the empty pattern, the newest entry is
// at index 1, a found entry is not moved, and the last entry is evicted when 30 are held.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/char_codes.h"
#include "engine/pre_processor.h"
#include "engine/re_dfa.h"

namespace skarvo {

class TRegularExpression {
 public:
  static constexpr int CacheCapacity = 30;

  // Starts with the empty pattern compiled as entry 0 (it matches the empty string).
  TRegularExpression();
  virtual ~TRegularExpression();
  TRegularExpression(const TRegularExpression&) = delete;
  TRegularExpression& operator=(const TRegularExpression&) = delete;

  // The caller's last pattern; empty after a failed compile.
  const std::string& RegExp() const noexcept { return regExp_; }

  // Rewrites the pattern with the dictionaries in force and makes its automaton current,
  // compiling it unless the cache holds it. A pattern error found by the rewrite leaves
  // everything as it was; one found while compiling leaves the empty pattern current and
  // RegExp empty. Both propagate as ERegExpParser (positions in the rewritten pattern).
  virtual void SetRegExp(const std::string& pattern);

  // The dictionary switches. Changing one compiles RegExp again (or finds it in the cache).
  bool UseFuzzyCharDic() const noexcept { return preProcessor_.UseFuzzyCharDic(); }
  void SetUseFuzzyCharDic(bool on);
  bool UseSynonymDic() const noexcept { return preProcessor_.UseSynonymDic(); }
  void SetUseSynonymDic(bool on);

  // The automaton of the current pattern and what it knows about itself.
  const TRE_DFA& CurrentDFA() const noexcept {
    return *cache_[static_cast<size_t>(currentIndex_)].dfa;
  }
  // The same automaton, kept alive for as long as the caller holds it even if the cache
  // drops it meanwhile (a handler may set another pattern during a search).
  std::shared_ptr<const TRE_DFA> SharedCurrentDFA() const {
    return cache_[static_cast<size_t>(currentIndex_)].dfa;
  }
  bool IsLiteral() const noexcept { return CurrentDFA().IsLiteral(); }
  const std::string& LiteralText() const noexcept { return CurrentDFA().LiteralText(); }
  bool LineHeadUsed() const noexcept { return CurrentDFA().LineHeadUsed(); }
  bool LineTailUsed() const noexcept { return CurrentDFA().LineTailUsed(); }

  // The fuzzy-character and synonym dictionaries the rewrite uses, in the order tried.
  TREDictionaryList& FuzzyDictionaries() noexcept { return preProcessor_.FuzzyDictionaries(); }
  TREDictionaryList& SynonymDictionaries() noexcept { return preProcessor_.SynonymDictionaries(); }

  // The cache as it stands: number of entries, the rewritten pattern of entry i, the entry
  // in force, and how many compilations there have been since creation (entry 0 included).
  int CacheCount() const noexcept { return static_cast<int>(cache_.size()); }
  const std::string& CacheKey(int i) const { return cache_.at(static_cast<size_t>(i)).key; }
  int CurrentIndex() const noexcept { return currentIndex_; }
  int CompileCount() const noexcept { return compileCount_; }

 protected:
  // Compiles the current entry (parser, NFA, DFA). On an error the entry is removed, the
  // empty pattern becomes current and the error propagates.
  virtual void Compile();
  // The codes the anchors ^ and $ stand for in the automata of this object.
  virtual CharCode GetLineHeadCode() const { return 0xFFFD; }
  virtual CharCode GetLineTailCode() const { return 0xFFFE; }

 private:
  struct Entry {
    std::string key;
    std::shared_ptr<const TRE_DFA> dfa;
  };

  std::string regExp_;
  std::vector<Entry> cache_;
  int currentIndex_ = 0;
  int compileCount_ = 0;
  TREPreProcessor preProcessor_;
};

}  // namespace skarvo
