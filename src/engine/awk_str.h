// TAWKStr: the current pattern applied to strings in memory. Match finds the first match of a
// line (the result list highlights it), GSub replaces every match (the replace operation
// previews and writes with it). A replacement text may hold "&" for the matched text and the
// backslash escapes of patterns.
#pragma once

#include <string>

namespace skarvo {

// Decodes every backslash escape of s (\n \t \r \b, \x hex, octal, or the next character
// itself); other characters are copied. Raises ERegExpParser for a bad escape, a trailing
// backslash or a lone lead byte at the end.
std::string UnescapeText(const std::string& s);

// The text that replaces one match: "&" stands for matched, "\&" for a literal "&", the
// escapes of UnescapeText are decoded ("\\&" gives "&"). Raises ERegExpParser as
// UnescapeText does.
std::string ExpandReplacement(const std::string& replacement, const std::string& matched);

}  // namespace skarvo
