// TAWKStr: a pattern applied to strings in memory. Match finds the first match of a line (the
// result list highlights it), GSub replaces every match (the replace operation previews and
// writes with it). A replacement text may hold "&" for the matched text and the backslash
// escapes of patterns. Each call takes the compiled pattern it matches with; the calls
// without one use the pattern last set on this object.
#pragma once

#include <string>

#include "engine/match_core.h"

namespace skarvo {

// Decodes every backslash escape of s (\n \t \r \b, \x hex, octal, or the next character
// itself); other characters are copied. Raises ERegExpParser for a bad escape, a trailing
// backslash or a lone lead byte at the end.
std::string UnescapeText(const std::string& s);

// The text that replaces one match: "&" stands for matched, "\&" for a literal "&", the
// escapes of UnescapeText are decoded ("\\&" gives "&"). Raises ERegExpParser as
// UnescapeText does.
std::string ExpandReplacement(const std::string& replacement, const std::string& matched);

class TAWKStr : public TMatchCORE {
 public:
  // LineSeparator starts as mcls_CRLF; the built-in fuzzy-character dictionary is in
  // FuzzyDictionaries.
  TAWKStr();

  // The search routine of the pattern: FindAnchored when it has a ^ or $ anchor, else
  // FindFirst.
  TMatchRange Search(const CompiledPattern& pattern, const char* p) const {
    return Search(pattern.DFA(), p);
  }
  TMatchRange Search(const char* p) const { return Search(CurrentDFA(), p); }

  // The first match in text: position is its 1-based byte index and length its length in
  // bytes (an empty match has length 0 and a position of at least 1); both 0 when there is
  // none. Returns position.
  int Match(const CompiledPattern& pattern, const std::string& text, int& position,
            int& length) const {
    return Match(pattern.DFA(), text, position, length);
  }
  int Match(const std::string& text, int& position, int& length) const {
    return Match(CurrentDFA(), text, position, length);
  }

  // Replaces every match in text by the expanded replacement and returns their number; text
  // is left unchanged when there is none or when the replacement is bad (ERegExpParser).
  // Matches never overlap and replaced text is not searched again. After an empty match one
  // character is carried over: a 2-byte character whole, and with mcls_CRLF a CR together
  // with the LF that follows it.
  int GSub(const CompiledPattern& pattern, const std::string& replacement,
           std::string& text) const {
    return GSub(pattern.DFA(), replacement, text);
  }
  int GSub(const std::string& replacement, std::string& text) const {
    return GSub(CurrentDFA(), replacement, text);
  }

 private:
  TMatchRange Search(const TRE_DFA& dfa, const char* p) const;
  int Match(const TRE_DFA& dfa, const std::string& text, int& position, int& length) const;
  int GSub(const TRE_DFA& dfa, const std::string& replacement, std::string& text) const;
};

// line with every match of pattern replaced by the expanded replacement, as GSub does it;
// matcher gives the scratch and the line separator. For the replace and the overwrite, which
// compile the search text once and substitute line after line.
std::string SubstitutedLine(const TAWKStr& matcher, const CompiledPattern& pattern,
                            const std::string& replacement, std::string line);

}  // namespace skarvo
