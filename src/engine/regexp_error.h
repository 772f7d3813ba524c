// ERegExpParser: the error of a bad pattern. Raised by the character-code routines, the
// scanner, the parser and the automaton builder; carries the 1-based byte position in the
// pattern at which the fault was found, so a caller can point at it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/error.h"

namespace skarvo {

class ERegExpParser : public Exception {
 public:
  // cp932Message is the program's own text; position is a 1-based byte index into the
  // pattern, kept as an unsigned 16-bit number as the message box shows it.
  ERegExpParser(std::string cp932Message, int position)
      : Exception(std::move(cp932Message)), errorPos_(static_cast<std::uint16_t>(position)) {}

  // Position in the pattern at which the error was found.
  std::uint16_t ErrorPos() const noexcept { return errorPos_; }

 private:
  std::uint16_t errorPos_;
};

}  // namespace skarvo
