#include "engine/re_scanner.h"

#include "engine/regexp_error.h"
#include "platform/codepage.h"

namespace skarvo {

namespace {

[[noreturn]] void ThrowBracketNeeded(int position) {
  throw ERegExpParser(Sjis("右ブラケット\"]\"が必要です"), position);
}

}  // namespace

TREScanner::TREScanner(const std::string& pattern) { SetPattern(pattern); }

void TREScanner::SetPattern(const std::string& pattern) {
  pattern_ = pattern;
  position_ = 1;
  inClass_ = false;
  tokenType_ = TokEnd;
  tokenCode_ = 0;
  tokenCodeHigh_ = 0;
}

TRETokenKind TREScanner::GetToken() {
  if (inClass_) {
    tokenType_ = ScanInClass();
    if (tokenType_ == TokClassClose) inClass_ = false;
  } else {
    tokenType_ = ScanNormal();
    if (tokenType_ == TokClassOpen || tokenType_ == TokNegClassOpen) inClass_ = true;
  }
  return tokenType_;
}

TRETokenKind TREScanner::ScanNormal() {
  const CharCode c = ReadCharAt(pattern_, position_);
  tokenCode_ = c;
  switch (c) {
    case 0:
      return TokEnd;
    case '$':
      return TokLineTail;
    case '(':
      return TokLParen;
    case ')':
      return TokRParen;
    case '*':
      return TokStar;
    case '+':
      return TokPlus;
    case '.':
      return TokAnyChar;
    case '?':
      return TokOptional;
    case ']':
      return TokClassClose;
    case '^':
      return TokLineHead;
    case '|':
      return TokUnion;
    case '[': {
      const CharCode d = ReadCharAt(pattern_, position_);
      if (d == 0) ThrowBracketNeeded(position_);
      if (d == '^') return TokNegClassOpen;
      StepBackChar(pattern_, position_);
      return TokClassOpen;
    }
    case '\\':
      tokenCode_ = ReadEscape(pattern_, position_);
      return TokChar;
    default:
      return TokChar;
  }
}

TRETokenKind TREScanner::ScanInClass() {
  CharCode a = ReadCharAt(pattern_, position_);
  tokenCode_ = a;
  if (a == 0) ThrowBracketNeeded(position_);
  if (a == ']') return TokClassClose;
  if (a == '\\') {
    a = ReadEscape(pattern_, position_);
    tokenCode_ = a;
  }
  const CharCode b = ReadCharAt(pattern_, position_);
  if (b == 0) ThrowBracketNeeded(position_);
  if (b != '-') {
    StepBackChar(pattern_, position_);
    return TokChar;
  }
  CharCode c = ReadCharAt(pattern_, position_);
  if (c == 0) ThrowBracketNeeded(position_);
  if (c == ']') {
    // A '-' right before ']' is an ordinary member: give both back.
    StepBackChar(pattern_, position_);
    StepBackChar(pattern_, position_);
    return TokChar;
  }
  if (c == '\\') c = ReadEscape(pattern_, position_);
  if (c < a) throw ERegExpParser(Sjis("不正なキャラクタ範囲です"), position_);
  tokenCodeHigh_ = c;
  return TokRange;
}

}  // namespace skarvo
