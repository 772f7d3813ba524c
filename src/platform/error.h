// The one base of every exception the program raises. The message is the program's own
// text in code page 932, exactly as a message box shows it.
#pragma once

#include <stdexcept>
#include <string>

namespace skarvo {

class Exception : public std::runtime_error {
 public:
  explicit Exception(std::string cp932Message)
      : std::runtime_error(cp932Message), message_(std::move(cp932Message)) {}
  // The message in code page 932.
  const std::string& Message() const noexcept { return message_; }

 private:
  std::string message_;
};

}  // namespace skarvo
