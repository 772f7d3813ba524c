// TREScanner cuts a pattern into tokens for the parser and the dictionary rewrite. It has
// two modes: normal, where the metacharacters ( ) | * + ? . ^ $ [ ] are operators, and class
// mode between a class opener and its ], where only ] \ and - are special. An escaped
// character is always an ordinary TokChar.
#pragma once

#include <cstdint>
#include <string>

#include "engine/char_codes.h"

namespace skarvo {

// Token kinds. The numbers are fixed: token records elsewhere store and compare them.
enum TRETokenKind : std::uint8_t {
  TokChar = 0,          // an ordinary character or any escape sequence
  TokRange = 1,         // a-z inside a class
  TokUnion = 2,         // |
  TokLParen = 3,        // (
  TokRParen = 4,        // )
  TokStar = 5,          // *
  TokPlus = 6,          // +
  TokOptional = 7,      // ?
  TokClassOpen = 8,     // [ not followed by ^
  TokNegClassOpen = 9,  // [^
  TokClassClose = 10,   // ]
  TokAnyChar = 11,      // .
  TokLineHead = 12,     // ^
  TokLineTail = 13,     // $
  TokEnd = 14,          // end of the pattern
};

class TREScanner {
 public:
  // Starts on pattern at position 1 in normal mode.
  explicit TREScanner(const std::string& pattern = std::string());
  virtual ~TREScanner() = default;

  // Restarts the scanner on a new pattern: position 1, normal mode.
  void SetPattern(const std::string& pattern);

  // Fetches the next token and returns its kind; TokenType, TokenCode and TokenCodeHigh
  // hold it until the next call. Raises ERegExpParser for a malformed pattern. After
  // TokEnd it keeps returning TokEnd.
  TRETokenKind GetToken();

  const std::string& Pattern() const noexcept { return pattern_; }
  // 1-based index of the next unread byte.
  int Position() const noexcept { return position_; }
  TRETokenKind TokenType() const noexcept { return tokenType_; }
  bool InClass() const noexcept { return inClass_; }
  // The member for TokChar, the low end for TokRange, the operator character otherwise.
  CharCode TokenCode() const noexcept { return tokenCode_; }
  // The high end of a TokRange.
  CharCode TokenCodeHigh() const noexcept { return tokenCodeHigh_; }

 protected:
  virtual TRETokenKind ScanNormal();
  virtual TRETokenKind ScanInClass();

  std::string pattern_;
  int position_ = 1;
  TRETokenKind tokenType_ = TokEnd;
  bool inClass_ = false;
  CharCode tokenCode_ = 0;
  CharCode tokenCodeHigh_ = 0;
};

}  // namespace skarvo
