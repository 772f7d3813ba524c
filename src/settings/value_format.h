// How the settings file writes numbers, flags and lists, and how it reads them back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/comma_text.h"

namespace skarvo {

// An integer of the settings file: decimal with an optional sign; hexadecimal after "$", or
// after "0x"/"0X" when the text is longer than two characters (a sign may come first).
// Blanks before the number are skipped; anything after it makes the text no number.
// Decimal numbers must fit 32 bits signed; hexadecimal ones 32 bits, read as their signed
// pattern ("$FFFFFFFF" is -1). nullopt when the text is no number.
std::optional<int> ParseProfileInteger(std::string_view text);

// The stored form of a history list: each entry as a double quote, the entry, a double
// quote and a comma. Empty entries are left out; a double quote inside an entry is doubled,
// so SplitCommaText gives the entries back.
std::string ComposeListValue(const std::vector<std::string>& entries);

}  // namespace skarvo
