#include "engine/awk_str.h"

#include "engine/char_codes.h"

namespace skarvo {

namespace {

// Reads one character at index and returns its bytes (empty at the end of s).
std::string NextCharText(const std::string& s, int& index) {
  const int from = index;
  ReadCharAt(s, index);
  return s.substr(static_cast<size_t>(from - 1), static_cast<size_t>(index - from));
}

bool AtEnd(const std::string& s, int index) { return static_cast<size_t>(index) > s.size(); }

}  // namespace

std::string UnescapeText(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  int index = 1;
  while (!AtEnd(s, index)) {
    if (s[static_cast<size_t>(index - 1)] == '\\') {
      ++index;
      out += CodeToStr(ReadEscape(s, index));
    } else {
      out += NextCharText(s, index);
    }
  }
  return out;
}

std::string ExpandReplacement(const std::string& replacement, const std::string& matched) {
  // Pass 1: "\&" becomes "\\&", so that decoding the escapes leaves "\&", which pass 3 turns
  // into a literal "&" while a bare "&" stands for the match.
  std::string protectedText;
  protectedText.reserve(replacement.size() + 4);
  int index = 1;
  while (!AtEnd(replacement, index)) {
    std::string c = NextCharText(replacement, index);
    if (c == "\\") {
      protectedText += c;
      c = NextCharText(replacement, index);  // empty at the end: left for pass 2 to report
      if (c == "&") protectedText += '\\';
    }
    protectedText += c;
  }
  // Pass 2.
  const std::string decoded = UnescapeText(protectedText);
  // Pass 3.
  std::string out;
  out.reserve(decoded.size() + matched.size());
  index = 1;
  while (!AtEnd(decoded, index)) {
    const std::string c = NextCharText(decoded, index);
    if (c == "&") {
      out += matched;
    } else if (c == "\\" && !AtEnd(decoded, index) &&
               decoded[static_cast<size_t>(index - 1)] == '&') {
      out += '&';
      ++index;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace skarvo
