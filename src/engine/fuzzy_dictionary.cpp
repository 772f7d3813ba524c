#include "engine/fuzzy_dictionary.h"

#include <utility>

#include "engine/char_codes.h"
#include "platform/codepage.h"

namespace skarvo {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Byte length of the character at i: 2 for a lead byte with a byte after it, else 1.
std::size_t CharLength(std::string_view text, std::size_t i) {
  return IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> words;
  const std::size_t n = text.size();
  std::size_t p = 0;
  auto skipBlanks = [&] {
    while (p < n && IsBlank(text[p])) ++p;
  };
  skipBlanks();
  while (p < n) {
    std::string word;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            word += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        const std::size_t len = CharLength(text, p);
        word.append(text.substr(p, len));
        p += len;
      }
    } else {
      while (p < n && !IsBlank(text[p]) && text[p] != ',') {
        const std::size_t len = CharLength(text, p);
        word.append(text.substr(p, len));
        p += len;
      }
    }
    words.push_back(std::move(word));
    skipBlanks();
    if (p < n && text[p] == ',') {
      if (p + 1 == n) words.emplace_back();
      ++p;
      skipBlanks();
    }
  }
  return words;
}

void TREDictionary::AddGroup(Group words) {
  const auto groupIndex = static_cast<std::uint32_t>(groups_.size());
  // Decode every word first so that a bad word leaves the dictionary unchanged.
  std::vector<CharCode> firstCodes;
  firstCodes.reserve(words.size());
  for (const std::string& word : words) {
    int index = 1;
    const CharCode first = ReadCharAt(word, index);
    while (index <= static_cast<int>(word.size())) ReadCharAt(word, index);
    firstCodes.push_back(first);
  }

  std::string text = "(";
  for (std::size_t w = 0; w < words.size(); ++w) {
    if (w > 0) text += '|';
    text += QuoteMetaChars(words[w]);
  }
  text += ')';

  for (std::size_t w = 0; w < words.size(); ++w) {
    if (words[w].empty()) continue;
    byFirstCode_[firstCodes[w]].push_back({groupIndex, static_cast<std::uint32_t>(w)});
  }
  groups_.push_back(std::move(words));
  groupTexts_.push_back(std::move(text));
}

void TREDictionary::AddCommaText(std::string_view text) { AddGroup(SplitCommaText(text)); }

std::span<const TREDictionary::WordRef> TREDictionary::WordsStartingWith(std::uint16_t code) const {
  auto it = byFirstCode_.find(code);
  if (it == byFirstCode_.end()) return {};
  return it->second;
}

const TREDictionary& BuiltInFuzzyDictionary() {
  static const TREDictionary dictionary = [] {
    TREDictionary built;
    for (const char* text : BuiltInFuzzyDictionaryTexts()) built.AddCommaText(Sjis(text));
    return built;
  }();
  return dictionary;
}

}  // namespace skarvo
