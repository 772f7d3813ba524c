// The comma-list rules shared by list values of the settings file, header rows of the
// result list and the texts of the fuzzy-character dictionary.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace skarvo {

// Splits a comma text into entries: blanks (codes 1 to 32) before an entry are skipped; an
// entry that starts with a double quote runs to the next single double quote (a doubled one
// stands for one quote); another entry runs up to a comma or a blank; a comma ends an entry,
// and a comma that ends the text adds one empty entry. 2-byte characters are stepped over
// whole. Empty entries are kept; a NUL ends the text.
std::vector<std::string> SplitCommaText(std::string_view text);

}  // namespace skarvo
