// Walks of many automaton states at once, so a search reads each character once however many
// places a match may start at.
//
// Restarting the automaton at every start position costs the text length times the longest
// partial match: `a*b` over a long line of "a" is quadratic. Walking from all start positions
// together, as a set of DFA states, costs the text length times the number of states alive,
// which the automaton bounds. Two walks that reach the same state at the same place have the
// same future, so only one of them is kept; each carries a tag and the smaller tag wins (the
// earlier start, or a walk already known to lead nowhere).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/char_codes.h"
#include "engine/re_dfa.h"

namespace skarvo {

class TRE_StateWalk {
 public:
  struct Entry {
    int state;
    std::size_t tag;
  };

  // How the tags of walks that meet are joined: the smaller one, or all bits of both.
  enum class Join { kMin, kBits };

  explicit TRE_StateWalk(const TRE_DFA& dfa, Join join = Join::kMin);

  void Clear() noexcept { entries_.clear(); }
  // The number of automaton states it was made for.
  int Capacity() const noexcept { return static_cast<int>(stamp_.size()); }
  bool Empty() const noexcept { return entries_.empty(); }
  // The states alive, ascending by tag as long as tags were added ascending.
  const std::vector<Entry>& Entries() const noexcept { return entries_; }
  // The same, for changing tags (not states).
  std::vector<Entry>& Entries() noexcept { return entries_; }

  // Adds a walk in state (kNone is ignored), joining its tag with a walk already there.
  void Add(int state, std::size_t tag);
  // Steps every walk on code; walks without a step end. onEnd(entry) is called for each.
  // When start is a state (not kNone), a new walk from it is stepped on code too, with
  // startTag: the same as Add(start, startTag) before the step, without the entry.
  template <typename OnEnd>
  void Step(CharCode code, int start, std::size_t startTag, OnEnd&& onEnd) {
    BeginStep();
    for (const Entry& e : entries_) {
      const int next = dfa_.Step(e.state, code);
      if (next == TRE_DFA::kNone) {
        onEnd(e);
      } else {
        Arrive(next, e.tag);
      }
    }
    if (start != TRE_DFA::kNone) {
      const int next = dfa_.Step(start, code);
      if (next != TRE_DFA::kNone) Arrive(next, startTag);
    }
    entries_.swap(next_);
  }
  template <typename OnEnd>
  void Step(CharCode code, OnEnd&& onEnd) {
    Step(code, TRE_DFA::kNone, 0, onEnd);
  }
  void Step(CharCode code, int start = TRE_DFA::kNone, std::size_t startTag = 0) {
    Step(code, start, startTag, [](const Entry&) {});
  }
  // The smallest tag of an accepting walk, or npos.
  std::size_t FirstAcceptingTag() const noexcept;
  // Ends every walk whose tag is at least tag (tags must be ascending).
  void DropFrom(std::size_t tag) noexcept;

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  void BeginStep();
  void Arrive(int state, std::size_t tag) {
    const auto s = static_cast<std::size_t>(state);
    if (stamp_[s] == generation_) {
      Joined(next_[slot_[s]].tag, tag);
      return;
    }
    stamp_[s] = generation_;
    slot_[s] = static_cast<std::uint32_t>(next_.size());
    next_.push_back({state, tag});
  }

  void Joined(std::size_t& into, std::size_t tag) const noexcept {
    if (join_ == Join::kBits) {
      into |= tag;
    } else if (tag < into) {
      into = tag;
    }
  }

  const TRE_DFA& dfa_;
  Join join_;
  std::vector<Entry> entries_;
  std::vector<Entry> next_;
  std::vector<std::uint32_t> stamp_;
  std::vector<std::uint32_t> slot_;
  std::uint32_t generation_ = 0;
};

// Decides, for the file search, whether a match starts in the current line: at the character
// the main cursor has just read or at any later one of the same line (the line's closing LF
// belongs to the next line). The walk goes on past the line end as long as a match from the
// line may still complete.
//
// The caller reads the first character with the main cursor and the rest with the lookahead
// cursor. Without a match, the main cursor may pass over Passed() more characters without
// missing a start. A line end is an LF, or a 2-byte character whose second byte is one (the
// reader counts that LF as a line end). A pattern that runs across lines (a(.|\n)*z) must not be
// walked again from every line over the same text, so what a walk past a line end learnt is handed
// to the next line, which then starts right at that line end (MaySkip() is false):
// - states that led nowhere: a walk of the next line that meets one of them leads nowhere;
// - the states of a line whose walk reached a match after its end: when the walk of a later
//   line holds all of them before that match is reached, it reaches the match too. Each such
//   line's states form a group with a tag bit of its own, carried on over the following lines
//   until its match is passed (up to 61 groups, the oldest giving way), so lines whose walks
//   differ (a(.|\n)*z|b(.|\n)*y over lines "a", "b", "a", ...) each find an earlier group
//   they hold instead of walking to the far match again.
class TLineDecider {
 public:
  explicit TLineDecider(const TRE_DFA& dfa) : dfa_(dfa), walk_(dfa, TRE_StateWalk::Join::kBits) {}

  // False while the next decision must begin at the very next character.
  bool MaySkip() const noexcept { return handed_.empty(); }

  // True when a match starts in the line; next() gives the characters after first, 0 at the
  // end of the file.
  template <typename Next>
  bool Decide(CharCode first, Next&& next) {
    Begin();
    for (CharCode c = first;;) {
      Stepped(c);
      if (outcome_ != kOpen) return outcome_ == kMatch;
      c = next();
      ++read_;
    }
  }

  // After a decision without a match: how many characters after the first one the main cursor
  // may pass over.
  std::size_t Passed() const noexcept { return passed_; }

 private:
  // Tag bits: a walk from this line, one known to lead nowhere, and from kGroup on one bit per
  // group of states known to reach a match.
  static constexpr std::size_t kLive = 1;
  static constexpr std::size_t kDead = 2;
  static constexpr std::size_t kGroup = 4;
  static constexpr int kGroupCount = 61;
  enum Outcome { kOpen, kMatch, kNoMatch };

  void Begin();
  void AddHandedStates();
  void Stepped(CharCode c);
  void AtLineEnd();
  void Finish(Outcome outcome);
  // Hands the entries at the line end on: this line's walks as a new group (reached a match)
  // or as dead (led nowhere), the rest as they are.
  void HandOn(const std::vector<TRE_StateWalk::Entry>& atEnd, bool matched);

  const TRE_DFA& dfa_;
  TRE_StateWalk walk_;
  // Handed to the next line: states with their tags (dead, groups), without kLive.
  std::vector<TRE_StateWalk::Entry> handed_;
  std::vector<TRE_StateWalk::Entry> atEnd_;
  // After a line end that is a lead byte and an LF: the states right after it (a report
  // leaves the reader on that LF, so the next line's walk is there after its first step).
  std::vector<TRE_StateWalk::Entry> afterEnd_;
  bool afterEndKept_ = false;
  bool handedAfterEnd_ = false;  // handed_ holds states after the next line's first step
  bool addAfterFirst_ = false;
  int nextGroup_ = 0;  // the bit the next group takes (the oldest group gives it up)
  Outcome outcome_ = kOpen;
  bool pastEnd_ = false;
  bool contained_ = false;    // the walk holds every state of a group: the line has a match
  bool plainEnd_ = true;      // the line ended with an LF of its own
  std::size_t read_ = 0;      // characters read after the first
  std::size_t endIndex_ = 0;  // read_ at the line end
  std::size_t passed_ = 0;
};

}  // namespace skarvo
