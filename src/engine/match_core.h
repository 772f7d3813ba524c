// TMatchCORE: the search routines over a compiled automaton for zero-terminated texts in
// memory. Every routine is leftmost-longest: the first start position (whole characters,
// never inside a 2-byte character) at which any match exists wins, and there the longest
// match is taken. They differ in how ^ and $ anchors are treated; the anchors are marker
// codes (LineHeadCode, LineTailCode of the automaton) that the routines feed in by hand.
//
// A matcher holds the routines' scratch, so each thread matches with a matcher of its own;
// the pattern is given to each call and may be shared (compiled_pattern.h). The calls
// without a pattern match with CurrentDFA(): the pattern last set on the object this class
// derives from, unless an automaton was given to SetDFA (tests and benchmarks match with
// automata compiled on their own).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/char_codes.h"
#include "engine/re_dfa.h"
#include "engine/re_state_walk.h"
#include "engine/regular_expression.h"

namespace skarvo {

enum TMatchCORE_LineSeparator { mcls_CRLF = 0, mcls_LF = 1 };

// A match as positions in the searched text, end exclusive; both null for no match.
struct TMatchRange {
  const char* start = nullptr;
  const char* end = nullptr;
  bool Found() const noexcept { return start != nullptr; }
};

class TMatchCORE : public TRegularExpression {
 public:
  TMatchCORE() = default;
  // Matches with dfa (not owned; it must outlive its use here).
  explicit TMatchCORE(const TRE_DFA* dfa) : dfa_(dfa) {}
  ~TMatchCORE() override = default;

  void SetDFA(const TRE_DFA* dfa) noexcept { dfa_ = dfa; }
  // The automaton the routines use.
  const TRE_DFA& CurrentDFA() const noexcept {
    return dfa_ ? *dfa_ : TRegularExpression::CurrentDFA();
  }

  // mcls_CRLF (the default): a $ matches before CR; mcls_LF: before LF. Both: at the end.
  TMatchCORE_LineSeparator LineSeparator() const noexcept { return lineSeparator_; }
  void SetLineSeparator(TMatchCORE_LineSeparator s) noexcept { lineSeparator_ = s; }

  // Leftmost-longest match of a pattern without anchors.
  TMatchRange FindFirst(const CompiledPattern& pattern, const char* p) const {
    return FindFirst(pattern.DFA(), p);
  }
  TMatchRange FindFirst(const char* p) const { return FindFirst(CurrentDFA(), p); }
  // Leftmost-longest match of a pattern with anchors; p is taken to be at a line start.
  // Line starts are p and every position after an LF.
  TMatchRange FindAnchored(const CompiledPattern& pattern, const char* p) const {
    return Scan(pattern.DFA(), p, true);
  }
  TMatchRange FindAnchored(const char* p) const { return Scan(CurrentDFA(), p, true); }
  // As FindAnchored, without taking p itself as a line start.
  TMatchRange ScanForMatch(const CompiledPattern& pattern, const char* p) const {
    return Scan(pattern.DFA(), p, false);
  }
  TMatchRange ScanForMatch(const char* p) const { return Scan(CurrentDFA(), p, false); }

  // The end of the longest match from p starting in state (which may be kNone), or null.
  // A walk that stops at the terminator or at a line separator, in a state that can take
  // the line-end marker, ends the match there.
  const char* MatchAt(const char* p, int state) const { return MatchAt(CurrentDFA(), p, state); }
  // As MatchAt with p at a line start: when the automaton uses ^, a match must begin with
  // the line-start marker (none otherwise); a longer match without it is preferred.
  const char* MatchAtLineStart(const char* p, int state) const {
    return MatchAtLineStart(CurrentDFA(), p, state);
  }
  // CR with mcls_CRLF, LF with mcls_LF.
  bool IsLineSeparator(CharCode c) const noexcept {
    return lineSeparator_ == mcls_CRLF ? c == 13 : c == 10;
  }

 protected:
  // The routines over a given automaton.
  TMatchRange FindFirst(const TRE_DFA& dfa, const char* p) const;
  TMatchRange Scan(const TRE_DFA& dfa, const char* p, bool pIsLineStart) const;
  const char* MatchAt(const TRE_DFA& dfa, const char* p, int state) const;
  const char* MatchAtLineStart(const TRE_DFA& dfa, const char* p, int state) const;

 private:
  friend class TMatchCursor;
  const char* LongestFrom(const TRE_DFA& dfa, const char* s) const;
  // Scratch of the searches, made for the automaton in use.
  TRE_StateWalk& Walk(const TRE_DFA& dfa) const;

  // FindFirst's walks while many are alive: their states in the cache, their tags apart.
  class OrderedCache;
  OrderedCache& Ordered(const TRE_DFA& dfa) const;

  const TRE_DFA* dfa_ = nullptr;
  mutable std::unique_ptr<TRE_StateWalk> walk_;
  mutable std::shared_ptr<OrderedCache> ordered_;
  mutable const TRE_DFA* walkDFA_ = nullptr;
  TMatchCORE_LineSeparator lineSeparator_ = mcls_CRLF;
};

// The matches of one text, asked for from places that only move forward, as the replacement
// and the highlight walk every match of a line. Searching afresh from each place costs the
// rest of the text per match when a longer match is tried and not taken (`a|a*b` over
// "aaaa…"), so one pass finds the longest match from every start at once, for a window of
// starts at a time: walks that meet in a state have the same future, so the later one hands
// its result over to the first.
class TMatchCursor {
 public:
  // The matches of pattern, found with core's scratch. The text is base[0, size) followed by
  // a zero byte; it must not change meanwhile, and the pattern must outlive the cursor.
  TMatchCursor(const TMatchCORE& core, const CompiledPattern& pattern, const char* base,
               std::size_t size)
      : TMatchCursor(core, pattern.DFA(), base, size) {}
  // With the core's current automaton, which must stay the same while the cursor is used.
  TMatchCursor(const TMatchCORE& core, const char* base, std::size_t size)
      : TMatchCursor(core, core.CurrentDFA(), base, size) {}
  TMatchCursor(const TMatchCORE& core, const TRE_DFA& dfa, const char* base, std::size_t size);

  // The same match as core.FindAnchored(p) (FindFirst(p) for a pattern without anchors)
  // when lineStart, else core.ScanForMatch(p). p is base or a place after the previous one
  // asked for, on a character boundary of the text read from base (a zero byte inside ends
  // a search and the text after it is read afresh).
  TMatchRange Next(const char* p, bool lineStart);

  // Starts per window (tests lower it).
  static std::size_t& WindowSize();

 private:
  TMatchRange Afresh(const char* p, bool lineStart) const;
  // The empty match a search from p finds at the zero byte at pos when nothing before it
  // matched; lineHere: whether that search takes pos as a line start.
  TMatchRange AtZero(std::size_t pos, bool first, bool lineHere, bool lineStart) const;
  // Finds the longest match from every start of the window that begins at from (a line
  // start or not).
  void Fill(std::size_t from, bool lineStart);

  const TMatchCORE& core_;
  const TRE_DFA& dfa_;
  const char* base_;
  std::size_t size_;
  bool anchored_;
  int afterHead_;  // the state after the line-start marker, or kNone
  // Without anchors, an automaton that still takes a marker code (compiled with codes a text
  // holds) ends matches at separators by the line-end rule only when searched from a place
  // that is not a line start: the ends without that rule are kept apart.
  bool acceptApart_;
  // Starts [windowBegin_, windowEnd_) are known. Each start has two walks: from the initial
  // state (2 i) and from the state after the line-start marker (2 i + 1); end_[k] is 1 + the
  // end of walk k's longest match, 0 for none, and acceptEnd_ the same without the line-end
  // rule (acceptApart_ only). The second walk is made where the text begins a line (kLine)
  // and where a caller may say so (after an LF byte, also the second byte of a character).
  static constexpr std::uint8_t kLine = 1;
  static constexpr std::uint8_t kHeadWalk = 2;
  std::size_t windowBegin_ = 0;
  std::size_t windowEnd_ = 0;
  bool nextLineStart_ = false;  // whether windowEnd_ begins a line
  std::vector<std::size_t> end_;
  std::vector<std::size_t> acceptEnd_;
  std::vector<std::uint8_t> flags_;
  // While filling: the walk a walk handed over to, and where.
  std::vector<std::uint32_t> joined_;
  std::vector<std::size_t> joinedAt_;
};

}  // namespace skarvo
