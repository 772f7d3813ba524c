// The program's name, in the one place every layer can reach: the application's title, the
// main window's caption and the caption of the core's messages and questions.
#pragma once

#include <string>

#include "platform/codepage.h"

namespace skarvo {

// UTF-8, as Qt takes it.
inline constexpr const char* kApplicationTitle = "Skarvo";

// The same in CP932, as the core's message boxes take every text.
inline const std::string& ApplicationCaption() { return Sjis(kApplicationTitle); }

}  // namespace skarvo
