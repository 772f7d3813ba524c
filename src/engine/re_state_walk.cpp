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

TWalkCacheLimits& WalkCacheLimits() {
  static TWalkCacheLimits limits;
  return limits;
}

std::uint32_t TWalkCache::Intern(const std::uint32_t* entries, std::size_t count) {
  std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ count;
  for (std::size_t i = 0; i < count; ++i) hash = (hash ^ entries[i]) * 0x100000001B3ull;
  // Each entry is charged as a word, each content and move as a few.
  if (pool_.size() + count + drops_.size() + 8 * (contents_.size() + moves_.size()) > budget_)
    return kNone;
  const auto range = byHash_.equal_range(hash);
  for (auto it = range.first; it != range.second; ++it) {
    const Content& c = contents_[it->second];
    if (c.count == count && std::equal(entries, entries + count, pool_.begin() + c.begin))
      return it->second;
  }
  const auto id = static_cast<std::uint32_t>(contents_.size());
  contents_.push_back({pool_.size(), static_cast<std::uint32_t>(count)});
  pool_.insert(pool_.end(), entries, entries + count);
  byHash_.emplace(hash, id);
  return id;
}

std::uint32_t TWalkCache::AddDrops(const std::vector<std::uint32_t>& drops) {
  const auto begin = static_cast<std::uint32_t>(drops_.size());
  drops_.insert(drops_.end(), drops.begin(), drops.end());
  return begin;
}

void TWalkCache::Clear() {
  pool_.clear();
  contents_.clear();
  byHash_.clear();
  moves_.clear();
  drops_.clear();
}

void TLineDecider::Begin() {
  walk_.Clear();
  cached_ = false;
  misses_ = 0;
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
  bool start = read_ > 0 && !pastEnd_;
  // A lead byte takes a line end after it into its character; the line ends there too.
  const bool lineEnd = c == '\n' || (c > 0xFF && (c & 0xFF) == '\n');
  const bool endStep = lineEnd && start;
  if (endStep) {
    // The line ends; this character is the next line's first start.
    start = false;
    AtLineEnd();
    // After a report the reader stops inside such a character, on its LF: the next line
    // then begins with that LF alone, and only the states after the character can be
    // handed on (below).
    plainEnd_ = c == '\n';
    if (contained_ && plainEnd_) return Finish(kMatch);
  }
  std::uint32_t flags;
  if (addAfterFirst_) {
    // Handed on from after the line end: the place this line's walk has reached now.
    addAfterFirst_ = false;
    Materialize();
    walk_.Step(c, start ? dfa_.InitialState() : TRE_DFA::kNone, kLive);
    AddHandedStates();
    flags = ApplyTagRules();
  } else {
    flags = Advance(c, start);
  }
  if (flags & kLiveAccepts) return Finish(kMatch);
  if (endStep && !plainEnd_) {
    // No match ends here, so whatever this line's walk reaches lies after the line end.
    Materialize();
    afterEndKept_ = true;
    afterEnd_ = walk_.Entries();
    if (contained_) return Finish(kMatch);
  }
  if (flags & kContained) {
    // Every state of a group is also reached from this line: so is the group's match.
    if (pastEnd_) return Finish(kMatch);
    contained_ = true;
  }
  if ((flags & kLiveLeft) || contained_) return;
  if (pastEnd_) return Finish(kNoMatch);
  // Within the line, states learnt from earlier lines are carried to its end.
  if (flags & kCarried) return;
  Finish(kNoMatch);
}

std::uint32_t TLineDecider::WalkStep(CharCode c, bool start) {
  walk_.Step(c, start ? dfa_.InitialState() : TRE_DFA::kNone, kLive);
  return ApplyTagRules();
}

std::uint32_t TLineDecider::ApplyTagRules() {
  std::size_t any = 0;       // the tags of all walks, or-ed
  std::size_t outside = 0;   // groups with a state this line's walk does not hold
  std::size_t accepted = 0;  // groups that reached their match here
  for (TRE_StateWalk::Entry& e : walk_.Entries()) {
    // A walk from this line that meets a state leading nowhere leads nowhere.
    if (e.tag & kDead) e.tag &= ~kLive;
    const bool accepting = dfa_.Accepting(e.state);
    if ((e.tag & kLive) && accepting) return kLiveAccepts;
    any |= e.tag;
    const std::size_t groups = e.tag & ~(kLive | kDead);
    if (!(e.tag & kLive)) outside |= groups;
    if (accepting) accepted |= groups;
  }
  std::uint32_t flags = (any & kLive) ? std::uint32_t{kLiveLeft} : 0u;
  if (accepted) {
    // Those groups have reached their match, which this line's walk did not share.
    for (TRE_StateWalk::Entry& e : walk_.Entries()) e.tag &= ~accepted;
    any &= ~accepted;
  }
  const std::size_t groups = any & ~(kLive | kDead);
  if (groups & ~outside) flags |= kContained;
  if (any & ~kLive) flags |= kCarried;
  return flags;
}

std::uint32_t TLineDecider::Advance(CharCode c, bool start) {
  if (!cached_) {
    const std::uint32_t flags = WalkStep(c, start);
    if (pause_ > 0) {
      --pause_;
    } else if (!(flags & kLiveAccepts) && walk_.Entries().size() >= limits_.from) {
      Intern();
    }
    return flags;
  }
  const std::uint32_t key = dfa_.CodeClass(c) << 1 | (start ? 1u : 0u);
  if (const TWalkCache::Move* m = cache_.Find(current_, key)) {
    misses_ = 0;
    pauseLength_ = kFirstPause;
    if (m->next == TWalkCache::kNone) {
      // The step ends the decision; what the walk holds after it does not matter.
      cached_ = false;
    } else {
      current_ = m->next;
      if (CachedCount(current_) < limits_.below) Materialize();
    }
    return m->flags;
  }
  const std::uint32_t from = current_;
  Materialize();
  const std::uint32_t flags = WalkStep(c, start);
  if (++misses_ >= kMissesBeforePause) {
    // The walk keeps meeting new contents (a long pattern filling up): making them costs
    // more than walking, so walk on alone for a while, longer each time.
    misses_ = 0;
    pause_ = pauseLength_;
    pauseLength_ = std::min(pauseLength_ * 2, kLongestPause);
    return flags;
  }
  if (flags & kLiveAccepts) {
    cache_.Add(from, key, {TWalkCache::kNone, flags, 0, 0});
    return flags;
  }
  if (walk_.Entries().size() < limits_.below) return flags;
  // The cache may have been emptied to make room; then from is gone.
  if (Intern()) cache_.Add(from, key, {current_, flags, 0, 0});
  return flags;
}

bool TLineDecider::Intern() {
  // A tag holds group bits beyond 32: each entry is kept as three words.
  packed_.clear();
  for (const TRE_StateWalk::Entry& e : walk_.Entries()) {
    packed_.push_back(static_cast<std::uint32_t>(e.state));
    packed_.push_back(static_cast<std::uint32_t>(e.tag));
    packed_.push_back(static_cast<std::uint32_t>(static_cast<std::uint64_t>(e.tag) >> 32));
  }
  current_ = cache_.Intern(packed_.data(), packed_.size());
  bool kept = true;
  if (current_ == TWalkCache::kNone) {
    cache_.Clear();
    kept = false;
    current_ = cache_.Intern(packed_.data(), packed_.size());
  }
  cached_ = current_ != TWalkCache::kNone;
  return kept && cached_;
}

void TLineDecider::Materialize() {
  if (!cached_) return;
  cached_ = false;
  std::vector<TRE_StateWalk::Entry>& entries = walk_.Entries();
  entries.clear();
  const std::uint32_t* p = cache_.Entries(current_);
  for (std::size_t i = 0, n = CachedCount(current_); i < n; ++i, p += kWordsPerEntry) {
    const std::uint64_t tag = std::uint64_t{p[1]} | std::uint64_t{p[2]} << 32;
    entries.push_back({static_cast<int>(p[0]), static_cast<std::size_t>(tag)});
  }
}

void TLineDecider::AtLineEnd() {
  Materialize();
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
