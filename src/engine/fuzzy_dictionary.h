// Word dictionaries for the pattern rewrite (pre_processor.h): a dictionary is an ordered
// list of groups, a group an ordered list of words that stand for one another. The built-in
// fuzzy-character dictionary equates the written forms of a character (full-width and
// half-width, upper and lower case, hiragana and katakana, small and large kana, voiced kana
// with a separate voicing mark, numerals).
//
// Every word is indexed by its first character code, so a lookup at a pattern position tries
// only the words that can start there, in the same group-then-word order as a full scan.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/comma_text.h"

namespace skarvo {

class TREDictionary {
 public:
  using Group = std::vector<std::string>;

  // A word of the dictionary by position.
  struct WordRef {
    std::uint32_t group;
    std::uint32_t word;
  };

  // Appends a group with its words in the given order (CP932 byte strings; an empty word is
  // kept but never matches). Raises ERegExpParser when a word ends in a lone lead byte.
  void AddGroup(Group words);
  // Appends one group made of the words of a comma-separated text (SplitCommaText).
  void AddCommaText(std::string_view text);

  // Number of groups.
  std::size_t Count() const noexcept { return groups_.size(); }
  // Group g (g < Count()).
  const Group& GroupAt(std::size_t g) const { return groups_.at(g); }
  // The group as pattern text: "(" + each word with its metacharacters quoted, joined by
  // "|", + ")".
  const std::string& GroupPatternText(std::size_t g) const { return groupTexts_.at(g); }

  // Every non-empty word whose first character has this code, in group order and, within a
  // group, in word order. Empty when there is none.
  std::span<const WordRef> WordsStartingWith(std::uint16_t code) const;

 private:
  std::vector<Group> groups_;
  std::vector<std::string> groupTexts_;
  std::unordered_map<std::uint16_t, std::vector<WordRef>> byFirstCode_;
};

// Number of groups of the built-in fuzzy-character dictionary.
inline constexpr std::size_t kBuiltInFuzzyGroupCount = 145;

// The comma-separated source texts of the built-in groups (UTF-8), in group order.
std::span<const char* const> BuiltInFuzzyDictionaryTexts();

// The built-in fuzzy-character dictionary: 145 groups, built from the texts above on first
// use and kept until exit. Shared by every pattern object; never modified after it is built.
const TREDictionary& BuiltInFuzzyDictionary();

}  // namespace skarvo
