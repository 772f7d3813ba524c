#include "engine/re_state_walk.h"

#include <algorithm>
#include <numeric>

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
  walk_.AddKeepingFirst(dfa_.InitialState(), kLive,
                        [this](std::size_t& into, std::size_t tag) { Join(into, tag); });
  outcome_ = kOpen;
  pastEnd_ = false;
  settled_ = false;
  plainEnd_ = true;
  read_ = 0;
  endIndex_ = 0;
  passed_ = 0;
}

void TLineDecider::AddHandedStates() {
  for (const TRE_StateWalk::Entry& e : handed_)
    walk_.AddKeepingFirst(e.state, e.tag,
                          [this](std::size_t& into, std::size_t tag) { Join(into, tag); });
  handed_.clear();
}

void TLineDecider::Stepped(CharCode c) {
  if (c == 0) {
    // The end of the file (always after a line end): no match goes on past it, so every
    // walk of this line past its end led nowhere.
    return Finish(settled_ ? kMatch : kNoMatch);
  }
  // A lead byte takes a line end after it into its character; the line ends there too.
  const bool lineEnd = c == '\n' || (c > 0xFF && (c & 0xFF) == '\n');
  const bool endStep = lineEnd && read_ > 0 && !pastEnd_;
  // Every character of the line may start a match (the first one's walk began in Begin); the
  // line end is the next line's first start.
  const bool start = read_ > 0 && !pastEnd_ && !endStep && !settled_;
  if (endStep) {
    AtLineEnd();
    // After a report the reader stops inside such a character, on its LF: the next line
    // then begins with that LF alone, and only the states after the character can be
    // handed on (below).
    plainEnd_ = c == '\n';
    if (settled_ && plainEnd_) return Finish(kMatch);
  }
  std::uint32_t flags;
  if (addAfterFirst_) {
    // Handed on from after the line end: the place this line's walk has reached now.
    addAfterFirst_ = false;
    Materialize();
    flags = WalkStep(c, start, true);
  } else {
    flags = Advance(c, start);
  }
  if (endStep && !plainEnd_) {
    // What this line's walk reaches lies after the line end.
    Materialize();
    afterEnd_ = walk_.Entries();
    if (settled_) return Finish(kMatch);
  }
  if (flags & kLiveAccepts) {
    if (pastEnd_) return Finish(kMatch);
    return Settle();
  }
  if (settled_) {
    if (!(flags & kCarried)) Finish(kMatch);
    return;
  }
  if (flags & kLiveLeft) return;
  if (pastEnd_) return Finish(kNoMatch);
  // Within the line, states learnt from earlier lines are carried to its end.
  if (flags & kCarried) return;
  Finish(kNoMatch);
}

void TLineDecider::Settle() {
  Materialize();
  settled_ = true;
  std::vector<TRE_StateWalk::Entry>& entries = walk_.Entries();
  std::size_t kept = 0;
  for (TRE_StateWalk::Entry& e : entries) {
    // A walk of this line that met a good state is good itself: keep that.
    e.tag &= kLearnt;
    if (e.tag != 0) entries[kept++] = e;
  }
  entries.resize(kept);
  if (kept == 0) Finish(kMatch);
}

std::uint32_t TLineDecider::WalkStep(CharCode c, bool start, bool addHanded) {
  joins_.clear();
  walk_.StepJoined(
      c, start ? dfa_.InitialState() : TRE_DFA::kNone, kLive, [](const TRE_StateWalk::Entry&) {},
      [this](std::size_t& into, std::size_t tag) { Join(into, tag); });
  if (addHanded) AddHandedStates();
  return ApplyTagRules();
}

void TLineDecider::Join(std::size_t& into, std::size_t tag) {
  const std::size_t a = into >> kIdShift;
  const std::size_t b = tag >> kIdShift;
  std::size_t id = a | b;
  if (a != 0 && b != 0 && a != b) {
    // Two walks of this line met: one identity from now on, the smaller one.
    id = std::min(a, b);
    const std::size_t other = std::max(a, b);
    parent_[other] = static_cast<std::uint32_t>(id);
    joins_.push_back(static_cast<std::uint32_t>(id));
    joins_.push_back(static_cast<std::uint32_t>(other));
  }
  into = ((into | tag) & (kLive | kLearnt)) | id << kIdShift;
}

std::size_t TLineDecider::Root(std::size_t id) noexcept {
  while (parent_[id] != id) {
    parent_[id] = parent_[parent_[id]];
    id = parent_[id];
  }
  return id;
}

std::uint32_t TLineDecider::ApplyTagRules() {
  std::size_t any = 0;  // the tags of all walks, or-ed
  std::uint32_t flags = 0;
  for (TRE_StateWalk::Entry& e : walk_.Entries()) {
    // A walk from this line that meets a state leading nowhere leads nowhere.
    if (e.tag & kDead) e.tag = kDead;
    const bool accepting = dfa_.Accepting(e.state);
    if ((e.tag & kLive) && (accepting || (e.tag & kGood))) {
      flags |= kLiveAccepts;
      // Past the line end: the walks of this line joined into this one reach the match.
      if (const std::size_t id = e.tag >> kIdShift) goodRoot_[id] = 1;
    }
    // A good state's promise may be kept here: it is not known beyond.
    if (accepting) e.tag &= ~kGood;
    any |= e.tag;
  }
  if (any & kLive) flags |= kLiveLeft;
  if (any & kLearnt) flags |= kCarried;
  return flags;
}

std::uint32_t TLineDecider::Advance(CharCode c, bool start) {
  if (!cached_) {
    const std::uint32_t flags = WalkStep(c, start, false);
    if (pause_ > 0) {
      --pause_;
    } else if (!(flags & kLiveAccepts) && walk_.Entries().size() >= limits_.from) {
      Intern();
    }
    return flags;
  }
  ++workDone;
  const std::uint32_t key = dfa_.CodeClass(c) << 1 | (start ? 1u : 0u);
  if (const TWalkCache::Move* m = cache_.Find(current_, key)) {
    misses_ = 0;
    pauseLength_ = kFirstPause;
    if (m->next == TWalkCache::kNone) {
      // A walk of this line accepts: the plain step says which (and what is carried on).
      Materialize();
      return WalkStep(c, start, false);
    }
    const std::uint32_t* joins = cache_.Drops(*m);
    for (std::uint32_t i = 0; i < m->dropCount; i += 2) parent_[joins[i + 1]] = joins[i];
    current_ = m->next;
    if (CachedCount(current_) < limits_.below) Materialize();
    return m->flags;
  }
  const std::uint32_t from = current_;
  Materialize();
  const std::uint32_t flags = WalkStep(c, start, false);
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
  if (Intern()) {
    // The identities the step joined are joined again whenever the move is taken.
    TWalkCache::Move move{current_, flags, 0, 0};
    if (!joins_.empty()) {
      move.dropBegin = cache_.AddDrops(joins_);
      move.dropCount = static_cast<std::uint32_t>(joins_.size());
    }
    cache_.Add(from, key, move);
  }
  return flags;
}

bool TLineDecider::Intern() {
  packed_.clear();
  for (const TRE_StateWalk::Entry& e : walk_.Entries()) {
    packed_.push_back(static_cast<std::uint32_t>(e.state));
    packed_.push_back(static_cast<std::uint32_t>(e.tag));
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
  for (std::size_t i = 0, n = CachedCount(current_); i < n; ++i, p += kWordsPerEntry)
    entries.push_back({static_cast<int>(p[0]), std::size_t{p[1]}});
}

void TLineDecider::AtLineEnd() {
  Materialize();
  pastEnd_ = true;
  endIndex_ = read_;
  // Each walk of this line gets an identity of its own.
  std::vector<TRE_StateWalk::Entry>& entries = walk_.Entries();
  parent_.resize(entries.size() + 1);
  std::iota(parent_.begin(), parent_.end(), 0u);
  goodRoot_.assign(entries.size() + 1, 0);
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].tag & kLive) entries[i].tag |= (i + 1) << kIdShift;
  atEnd_ = entries;
}

void TLineDecider::HandOn(const std::vector<TRE_StateWalk::Entry>& atEnd, bool matched) {
  handed_.clear();
  for (const TRE_StateWalk::Entry& e : atEnd) {
    std::size_t tag = e.tag & kLearnt;
    if (e.tag & kLive) {
      const std::size_t id = e.tag >> kIdShift;
      if (!matched) {
        tag |= kDead;
      } else if (id != 0 && goodRoot_[Root(id)] && !dfa_.Accepting(e.state)) {
        // (A walk that accepts right here, after a lead byte's LF, is not known beyond it.)
        tag |= kGood;
      }
    }
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
    // After the report the next line begins at this line's end.
    if (plainEnd_) {
      HandOn(atEnd_, true);
    } else {
      HandOn(afterEnd_, true);
      handedAfterEnd_ = true;
    }
  } else {
    // Every walk of this line at its end led nowhere.
    HandOn(atEnd_, false);
  }
}

}  // namespace skarvo
