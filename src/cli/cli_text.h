// The text edge of skarvo-cli. The core speaks CP932; the terminal speaks UTF-8. By default
// arguments and standard input are converted from UTF-8 and output to UTF-8; with --raw every
// byte passes unchanged both ways, so byte-level cases can be tried.
#pragma once

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

#include "platform/text_encoding.h"

namespace skarvo::cli {

class TextEdge {
 public:
  explicit TextEdge(bool raw) : raw_(raw) {}
  bool Raw() const noexcept { return raw_; }

  // An argument or input text in CP932: unchanged with --raw, else converted from UTF-8;
  // nullopt when a character has no CP932 form (nothing is ever silently replaced).
  std::optional<std::string> In(const std::string& text) const;

  // A CP932 text for output: unchanged with --raw, else UTF-8 (bytes that are not valid CP932
  // become U+FFFD).
  std::string Out(const std::string& cp932) const;

 private:
  bool raw_;
};

// A pattern or replacement argument: as In, but a character Shift-JIS lacks, which files of
// other encodings may hold, is kept (the internal text form) unless every file is read as
// Shift-JIS.
std::optional<std::string> PatternIn(const TextEdge& edge, const std::string& text,
                                     EncodingChoice encodings = EncodingChoice::kDetect);

// Reads the next line of in, split at LF (the LF is dropped, a CR before it stays). A last
// line without an LF is a line too. False at the end of the input.
bool ReadInputLine(std::FILE* in, std::string& line);

// Writes bytes and an LF to standard output.
void WriteLine(const std::string& bytes);

// The report lines of a write command: each flushed as it is written, so an interrupted run
// has reported every file it handled. A failed write stops neither the run nor the later
// lines; the first failure is kept for the end.
class FlushedReport {
 public:
  // Writes bytes and an LF; false when they could not be written.
  bool Line(const std::string& bytes);
  // The errno of the first line that could not be written; 0 when every line was.
  int Error() const { return error_; }

 private:
  int error_ = 0;
};

// The message of an exception in UTF-8: a skarvo::Exception's CP932 message converted, any
// other exception's text as it is.
std::string ErrorText(const std::exception& e);

// Writes "skarvo-cli: <utf8>" and an LF to standard error.
void PrintError(const std::string& utf8);

// The value of --threads: a number from 1 to kMaxThreads. False for anything else.
inline constexpr int kMaxThreads = 256;
bool ParseThreads(const std::string& text, int& threads);

}  // namespace skarvo::cli
