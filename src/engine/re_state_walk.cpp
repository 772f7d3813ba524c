#include "engine/re_state_walk.h"

#include <algorithm>

namespace skarvo {

TRE_StateWalk::TRE_StateWalk(const TRE_DFA& dfa, Join join)
    : dfa_(dfa),
      join_(join),
      stamp_(static_cast<std::size_t>(dfa.StateCount()), 0),
      slot_(static_cast<std::size_t>(dfa.StateCount()), 0) {}

void TRE_StateWalk::BeginStep() {
  next_.clear();
  if (++generation_ == 0) {
    // The stamps wrapped round: none may look current.
    std::fill(stamp_.begin(), stamp_.end(), 0);
    generation_ = 1;
  }
}

void TRE_StateWalk::Add(int state, std::size_t tag) {
  if (state == TRE_DFA::kNone) return;
  for (Entry& e : entries_) {
    if (e.state == state) {
      Joined(e.tag, tag);
      return;
    }
  }
  entries_.push_back({state, tag});
}

std::size_t TRE_StateWalk::FirstAcceptingTag() const noexcept {
  std::size_t best = npos;
  for (const Entry& e : entries_) {
    if (e.tag < best && dfa_.Accepting(e.state)) best = e.tag;
  }
  return best;
}

void TRE_StateWalk::DropFrom(std::size_t tag) noexcept {
  std::size_t keep = 0;
  while (keep < entries_.size() && entries_[keep].tag < tag) ++keep;
  entries_.resize(keep);
}

void TLineDecider::Begin() {
  walk_.Clear();
  addAfterFirst_ = handedAfterEnd_;
  handedAfterEnd_ = false;
  if (!addAfterFirst_) AddHandedStates();
  walk_.Add(dfa_.InitialState(), kLive);
  outcome_ = kOpen;
  afterEndKept_ = false;
  pastEnd_ = false;
  contained_ = false;
  plainEnd_ = true;
  read_ = 0;
  endIndex_ = 0;
  passed_ = 0;
}

void TLineDecider::AddHandedStates() {
  for (const TRE_StateWalk::Entry& e : handed_) walk_.Add(e.state, e.tag);
  handed_.clear();
}

void TLineDecider::Stepped(CharCode c) {
  if (c == 0) {
    // The end of the file (always after a line end): no match goes on past it.
    handed_.clear();
    return Finish(kNoMatch);
  }
  // Every character of the line may start a match (the first one's walk began in Begin).
  int start = read_ > 0 && !pastEnd_ ? dfa_.InitialState() : TRE_DFA::kNone;
  // A lead byte takes a line end after it into its character; the line ends there too.
  const bool lineEnd = c == '\n' || (c > 0xFF && (c & 0xFF) == '\n');
  const bool endStep = lineEnd && start != TRE_DFA::kNone;
  if (endStep) {
    // The line ends; this character is the next line's first start.
    start = TRE_DFA::kNone;
    AtLineEnd();
    // After a report the reader stops inside such a character, on its LF: the next line
    // then begins with that LF alone, and only the states after the character can be
    // handed on (below).
    plainEnd_ = c == '\n';
    if (contained_ && plainEnd_) return Finish(kMatch);
  }
  walk_.Step(c, start, kLive);
  if (addAfterFirst_) {
    // Handed on from after the line end: the place this line's walk has reached now.
    addAfterFirst_ = false;
    AddHandedStates();
  }
  bool live = false;
  std::size_t seen = 0;      // groups with a state here
  std::size_t outside = 0;   // groups with a state this line's walk does not hold
  std::size_t accepted = 0;  // groups that reached their match here
  for (TRE_StateWalk::Entry& e : walk_.Entries()) {
    // A walk from this line that meets a state leading nowhere leads nowhere.
    if (e.tag & kDead) e.tag &= ~kLive;
    const bool accepting = dfa_.Accepting(e.state);
    if ((e.tag & kLive) && accepting) {
      return Finish(kMatch);
    }
    live = live || (e.tag & kLive);
    const std::size_t groups = e.tag & ~(kLive | kDead);
    seen |= groups;
    if (!(e.tag & kLive)) outside |= groups;
    if (accepting) accepted |= groups;
  }
  if (accepted) {
    // Those groups have reached their match, which this line's walk did not share.
    for (TRE_StateWalk::Entry& e : walk_.Entries()) e.tag &= ~accepted;
  }
  if (endStep && !plainEnd_) {
    // No match ends here, so whatever this line's walk reaches lies after the line end.
    afterEndKept_ = true;
    afterEnd_ = walk_.Entries();
    if (contained_) return Finish(kMatch);
  }
  if (seen & ~outside & ~accepted) {
    // Every state of a group is also reached from this line: so is the group's match.
    if (pastEnd_) return Finish(kMatch);
    contained_ = true;
  }
  if (live || contained_) return;
  if (pastEnd_) return Finish(kNoMatch);
  // Within the line, states learnt from earlier lines are carried to its end.
  for (const TRE_StateWalk::Entry& e : walk_.Entries()) {
    if (e.tag & ~kLive) return;
  }
  Finish(kNoMatch);
}

void TLineDecider::AtLineEnd() {
  pastEnd_ = true;
  endIndex_ = read_;
  atEnd_ = walk_.Entries();
}

void TLineDecider::HandOn(const std::vector<TRE_StateWalk::Entry>& atEnd, bool matched) {
  const std::size_t group = kGroup << nextGroup_;
  if (matched) nextGroup_ = (nextGroup_ + 1) % kGroupCount;
  handed_.clear();
  for (const TRE_StateWalk::Entry& e : atEnd) {
    std::size_t tag = e.tag & ~kLive;
    if (matched) tag &= ~group;  // the oldest group gives its bit up
    if (e.tag & kLive) tag |= matched ? group : kDead;
    if (tag != 0) handed_.push_back({e.state, tag});
  }
}

void TLineDecider::Finish(Outcome outcome) {
  outcome_ = outcome;
  if (!pastEnd_) {
    // Nothing is handed on from within a line; the main cursor passes what was read.
    passed_ = read_;
    return;
  }
  passed_ = endIndex_ - 1;
  if (outcome == kMatch) {
    // The walk from the line end's states reaches a match after it.
    if (plainEnd_) {
      HandOn(atEnd_, true);
    } else if (afterEndKept_) {
      HandOn(afterEnd_, true);
      handedAfterEnd_ = true;
    }
  } else {
    // Every state of this line at its end led nowhere.
    HandOn(atEnd_, false);
  }
}

}  // namespace skarvo
