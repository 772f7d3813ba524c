#include "engine/regular_expression.h"

#include "engine/re_compile.h"

namespace skarvo {

TRegularExpression::TRegularExpression() {
  // Called from here, Compile and the line codes are this class's own; the empty pattern has
  // no anchors, so every descendant would compile it alike.
  cache_.push_back(Entry{std::string(), nullptr});
  currentIndex_ = 0;
  Compile();
}

TRegularExpression::~TRegularExpression() = default;

void TRegularExpression::SetRegExp(const std::string& pattern) {
  const std::string callerPattern = pattern;  // pattern may be RegExp() itself
  preProcessor_.SetPattern(callerPattern);
  preProcessor_.Run();
  const std::string rewritten = preProcessor_.OutputText();

  try {
    int found = -1;
    for (size_t i = 0; i < cache_.size(); ++i) {
      if (cache_[i].key == rewritten) {
        found = static_cast<int>(i);
        break;
      }
    }
    if (found >= 0) {
      currentIndex_ = found;
    } else {
      if (cache_.size() >= static_cast<size_t>(CacheCapacity)) cache_.pop_back();
      cache_.insert(cache_.begin() + 1, Entry{rewritten, nullptr});
      currentIndex_ = 1;
      Compile();
    }
  } catch (...) {
    currentIndex_ = 0;
    regExp_.clear();
    throw;
  }
  regExp_ = callerPattern;
}

void TRegularExpression::SetUseFuzzyCharDic(bool on) {
  preProcessor_.SetUseFuzzyCharDic(on);
  SetRegExp(regExp_);
}

void TRegularExpression::SetUseSynonymDic(bool on) {
  preProcessor_.SetUseSynonymDic(on);
  SetRegExp(regExp_);
}

void TRegularExpression::Compile() {
  Entry& entry = cache_[static_cast<size_t>(currentIndex_)];
  try {
    entry.dfa = CompileDFA(entry.key, GetLineHeadCode(), GetLineTailCode());
  } catch (...) {
    if (currentIndex_ != 0) cache_.erase(cache_.begin() + currentIndex_);
    currentIndex_ = 0;
    throw;
  }
  ++compileCount_;
}

}  // namespace skarvo
