// TMatchCORE: the search routines over a compiled automaton for zero-terminated texts in
// memory. Every routine is leftmost-longest: the first start position (whole characters,
// never inside a 2-byte character) at which any match exists wins, and there the longest
// match is taken. They differ in how ^ and $ anchors are treated; the anchors are marker
// codes (LineHeadCode, LineTailCode of the automaton) that the routines feed in by hand.
//
// The routines read the automaton through CurrentDFA(): the current pattern of the
// compiled-pattern object this class derives from, unless an automaton was given to SetDFA
// (tests and benchmarks match with automata compiled on their own).
#pragma once

#include <memory>

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
  TMatchRange FindFirst(const char* p) const;
  // Leftmost-longest match of a pattern with anchors; p is taken to be at a line start.
  // Line starts are p and every position after an LF.
  TMatchRange FindAnchored(const char* p) const;
  // As FindAnchored, without taking p itself as a line start.
  TMatchRange ScanForMatch(const char* p) const;

  // The end of the longest match from p starting in state (which may be kNone), or null.
  // A walk that stops at the terminator or at a line separator, in a state that can take
  // the line-end marker, ends the match there.
  const char* MatchAt(const char* p, int state) const;
  // As MatchAt with p at a line start: when the automaton uses ^, a match must begin with
  // the line-start marker (none otherwise); a longer match without it is preferred.
  const char* MatchAtLineStart(const char* p, int state) const;
  // CR with mcls_CRLF, LF with mcls_LF.
  bool IsLineSeparator(CharCode c) const noexcept {
    return lineSeparator_ == mcls_CRLF ? c == 13 : c == 10;
  }

 private:
  const char* LongestFrom(const char* s) const;
  TMatchRange Scan(const char* p, bool pIsLineStart) const;
  // Scratch of the searches, made for the automaton in use.
  TRE_StateWalk& Walk(const TRE_DFA& dfa) const;

  const TRE_DFA* dfa_ = nullptr;
  mutable std::unique_ptr<TRE_StateWalk> walk_;
  mutable const TRE_DFA* walkDFA_ = nullptr;
  TMatchCORE_LineSeparator lineSeparator_ = mcls_CRLF;
};

}  // namespace skarvo
