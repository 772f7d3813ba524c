#include "cli/cli_text.h"

#include <stdio.h>

#include <cerrno>
#include <cstdlib>

#include "platform/codepage.h"
#include "platform/error.h"

namespace skarvo::cli {

std::optional<std::string> TextEdge::In(const std::string& text) const {
  if (raw_) return text;
  std::string out;
  if (!Utf8ToCp932(text, out)) return std::nullopt;
  return out;
}

std::string TextEdge::Out(const std::string& cp932) const {
  if (raw_) return cp932;
  return HoldsUnit(cp932) ? InternalToUtf8(cp932) : Cp932ToUtf8Lossy(cp932);
}

std::optional<std::string> PatternIn(const TextEdge& edge, const std::string& text,
                                     EncodingChoice encodings) {
  if (edge.Raw() || encodings == EncodingChoice::kShiftJisOnly) return edge.In(text);
  std::string internal;
  if (!Utf8ToInternal(text, internal)) return std::nullopt;
  return internal;
}

bool ReadInputLine(std::FILE* in, std::string& line) {
  char* buffer = nullptr;
  size_t capacity = 0;
  const ssize_t n = ::getline(&buffer, &capacity, in);
  if (n > 0) {
    line.assign(buffer, static_cast<size_t>(n));
    if (line.back() == '\n') line.pop_back();
  }
  std::free(buffer);  // allocated by getline
  return n > 0;
}

void WriteLine(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
}

std::string ErrorText(const std::exception& e) {
  if (const auto* own = dynamic_cast<const Exception*>(&e)) return Cp932ToUtf8Lossy(own->Message());
  return e.what();
}

void PrintError(const std::string& utf8) {
  std::fflush(stdout);
  std::fprintf(stderr, "skarvo-cli: %s\n", utf8.c_str());
}

bool FlushedReport::Line(const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fputc('\n', stdout);
  const bool ok = std::fflush(stdout) == 0 && !std::ferror(stdout);
  if (!ok && error_ == 0) error_ = errno != 0 ? errno : EIO;
  std::clearerr(stdout);
  return ok;
}

bool ParseThreads(const std::string& text, int& threads) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const int n = std::stoi(text);
  if (n < 1 || n > kMaxThreads) return false;
  threads = n;
  return true;
}

}  // namespace skarvo::cli
