#include "engine/fuzzy_dictionary.h"

#include <utility>

#include "engine/char_codes.h"
#include "platform/codepage.h"

namespace skarvo {

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
