#include "engine/awk_str.h"

#include "engine/char_codes.h"
#include "engine/fuzzy_dictionary.h"
#include "platform/codepage.h"

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

TAWKStr::TAWKStr() { FuzzyDictionaries().push_back(&BuiltInFuzzyDictionary()); }

TMatchRange TAWKStr::Search(const TRE_DFA& dfa, const char* p) const {
  return dfa.LineHeadUsed() || dfa.LineTailUsed() ? Scan(dfa, p, true) : FindFirst(dfa, p);
}

int TAWKStr::Match(const TRE_DFA& dfa, const std::string& text, int& position, int& length) const {
  const char* base = text.c_str();
  const TMatchRange m = Search(dfa, base);
  if (!m.Found()) {
    position = 0;
    length = 0;
    return 0;
  }
  position = static_cast<int>(m.start - base) + 1;
  length = static_cast<int>(m.end - m.start);
  return position;
}

int TAWKStr::GSub(const TRE_DFA& dfa, const std::string& replacement, std::string& text) const {
  const std::string source = text;
  const char* base = source.c_str();
  const size_t size = source.size();
  TMatchCursor cursor(*this, dfa, base, size);
  TMatchRange m = cursor.Next(base, true);
  if (!m.Found()) return 0;
  if (size == 0) {
    text = ExpandReplacement(replacement, std::string());
    return 1;
  }
  std::string result;
  result.reserve(size);
  int count = 0;
  size_t rest = 0;  // offset of the text not yet copied or searched
  while (m.Found()) {
    const size_t start = static_cast<size_t>(m.start - base);
    size_t end = static_cast<size_t>(m.end - base);
    result.append(source, rest, start - rest);
    result += ExpandReplacement(replacement, source.substr(start, end - start));
    if (start == end && start < size) {
      // Carry one character over so that the search moves on. A CR goes together with an
      // LF after it only: a lone CR's successor must still be searched.
      const auto b = static_cast<unsigned char>(source[start]);
      size_t take = 1;
      if (IsLeadByte(b) || (LineSeparator() == mcls_CRLF && b == '\r' && start + 1 < size &&
                            source[start + 1] == '\n'))
        take = 2;
      if (take > size - start) take = size - start;
      result.append(source, start, take);
      end = start + take;
    }
    ++count;
    const char before = end > 0 ? source[end - 1] : 0;
    rest = end;
    if (rest >= size) break;
    // After an LF the rest begins a line; otherwise ^ must not match at its first character.
    m = cursor.Next(base + rest, before == '\n');
  }
  result.append(source, rest, std::string::npos);
  text = std::move(result);
  return count;
}

std::string SubstitutedLine(const TAWKStr& matcher, const CompiledPattern& pattern,
                            const std::string& replacement, std::string line) {
  matcher.GSub(pattern, replacement, line);
  return line;
}

}  // namespace skarvo
