#include "engine/regular_expression.h"

namespace skarvo {

TRegularExpression::TRegularExpression(PatternUse use)
    : compiler_(use, false), current_(compiler_.Empty()) {}

TRegularExpression::~TRegularExpression() = default;

void TRegularExpression::SetRegExp(const std::string& pattern) {
  const std::string callerPattern = pattern;  // pattern may be RegExp() itself
  const std::string rewritten = compiler_.Rewrite(callerPattern, options_);
  try {
    current_ = compiler_.CompileRewritten(rewritten, callerPattern, options_, &currentIndex_);
  } catch (...) {
    current_ = compiler_.Empty();
    currentIndex_ = 0;
    regExp_.clear();
    throw;
  }
  regExp_ = callerPattern;
}

void TRegularExpression::SetUseFuzzyCharDic(bool on) {
  options_.fuzzy = on;
  SetRegExp(regExp_);
}

void TRegularExpression::SetUseSynonymDic(bool on) {
  options_.synonyms = on;
  SetRegExp(regExp_);
}

}  // namespace skarvo
