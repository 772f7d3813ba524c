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
  for (int state : dead_) walk_.Add(state, kDead);
  for (int state : known_) walk_.Add(state, kKnown);
  walk_.Add(dfa_.InitialState(), kLive);
  dead_.clear();
  known_.clear();
  outcome_ = kOpen;
  pastEnd_ = false;
  contained_ = false;
  plainEnd_ = true;
  read_ = 0;
  endIndex_ = 0;
  passed_ = 0;
}

void TLineDecider::Stepped(CharCode c) {
  if (c == 0) {
    // The end of the file (always after a line end): no match goes on past it.
    return Finish(kNoMatch);
  }
  // Every character of the line may start a match (the first one's walk began in Begin).
  bool start = read_ > 0 && !pastEnd_;
  // A lead byte takes a line end after it into its character; the line ends there too.
  const bool lineEnd = c == '\n' || (c > 0xFF && (c & 0xFF) == '\n');
  if (lineEnd && start) {
    // The line ends; this character is the next line's first start.
    start = false;
    AtLineEnd();
    // After a report the reader stops inside such a character: nothing can be handed on.
    plainEnd_ = c == '\n';
    if (contained_) return Finish(kMatch);
  }
  const std::uint32_t flags = Advance(c, start);
  if (flags & kLiveAccepts) return Finish(kMatch);
  if (!(flags & kKnownAccept) && (flags & kContained)) {
    // Every known state is also reached from this line: so is their match.
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
  std::size_t any = 0;  // the tags of all walks, or-ed
  bool knownOutside = false;
  bool knownAccepts = false;
  for (TRE_StateWalk::Entry& e : walk_.Entries()) {
    // A walk from this line that meets a state leading nowhere leads nowhere.
    if (e.tag & kDead) e.tag &= ~kLive;
    const bool accepting = dfa_.Accepting(e.state);
    if ((e.tag & kLive) && accepting) return kLiveAccepts;
    any |= e.tag;
    if (e.tag & kKnown) {
      knownOutside = knownOutside || !(e.tag & kLive);
      knownAccepts = knownAccepts || accepting;
    }
  }
  std::uint32_t flags = (any & kLive) ? std::uint32_t{kLiveLeft} : 0u;
  if (knownAccepts) {
    // The known states have reached their match, which this line's walk did not share.
    for (TRE_StateWalk::Entry& e : walk_.Entries()) e.tag &= ~kKnown;
    flags |= kKnownAccept;
    any &= ~kKnown;
  } else if ((any & kKnown) && !knownOutside) {
    flags |= kContained;
  }
  if (any & (kDead | kKnown)) flags |= kCarried;
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
      if (cache_.Size(current_) < limits_.below) Materialize();
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
  packed_.clear();
  for (const TRE_StateWalk::Entry& e : walk_.Entries())
    packed_.push_back(static_cast<std::uint32_t>(e.state) << 3 | static_cast<std::uint32_t>(e.tag));
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
  for (std::size_t i = 0, n = cache_.Size(current_); i < n; ++i)
    entries.push_back({static_cast<int>(p[i] >> 3), p[i] & 7u});
}

void TLineDecider::AtLineEnd() {
  Materialize();
  pastEnd_ = true;
  endIndex_ = read_;
  liveAtEnd_.clear();
  deadAtEnd_.clear();
  knownAtEnd_.clear();
  for (const TRE_StateWalk::Entry& e : walk_.Entries()) {
    if (e.tag & kLive) liveAtEnd_.push_back(e.state);
    if (e.tag & kDead) deadAtEnd_.push_back(e.state);
    if (e.tag & kKnown) knownAtEnd_.push_back(e.state);
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
      dead_.swap(deadAtEnd_);
      known_.swap(liveAtEnd_);
    }
  } else {
    // Every state of this line at its end led nowhere.
    dead_.swap(deadAtEnd_);
    dead_.insert(dead_.end(), liveAtEnd_.begin(), liveAtEnd_.end());
    known_.swap(knownAtEnd_);
  }
}

}  // namespace skarvo
