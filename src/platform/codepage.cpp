#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace skarvo {
namespace {

// One conversion through iconv. Stops at the first byte that does not convert and
// reports it through the return value; `out` holds what converted before it.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             size_t* badOffset = nullptr) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::perror("iconv_open");
    std::abort();
  }
  std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
  out.clear();
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char buffer[4096];
  bool ok = true;
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      ok = false;
      break;
    }
  }
  if (ok) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
  }
  if (badOffset) *badOffset = static_cast<size_t>(inPtr - in.data());
  return ok;
}

// Converts with one conversion descriptor, replacing each piece that fails with
// `replacement` and going on after it. The input goes to iconv in small windows: on a
// failure, glibc converts the window again up to the bad character, so large windows would
// make text full of unconvertible characters (a damaged document) cost quadratic time.
enum class Source { kUtf8, kCp932, kUtf16 };

std::string ConvertLossy(const char* to, const char* from, std::string_view in,
                         std::string_view replacement, Source source) {
  constexpr size_t kWindow = 64;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::perror("iconv_open");
    std::abort();
  }
  std::unique_ptr<void, int (*)(iconv_t)> guard(cd, iconv_close);
  std::string result;
  size_t pos = 0;
  char buffer[4096];
  while (pos < in.size()) {
    const size_t window = std::min(kWindow, in.size() - pos);
    char* inPtr = const_cast<char*>(in.data() + pos);
    size_t inLeft = window;
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    const int error = errno;
    result.append(buffer, static_cast<size_t>(outPtr - buffer));
    pos = static_cast<size_t>(inPtr - in.data());
    if (r != static_cast<size_t>(-1) || error == E2BIG) continue;
    // A character cut by the window's end is taken whole by the next window.
    if (error == EINVAL && pos + inLeft < in.size() && inLeft < window) continue;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    result += replacement;
    size_t skip = 1;
    if (source == Source::kUtf8) {
      // Skip one whole UTF-8 sequence.
      unsigned char c = static_cast<unsigned char>(in[pos]);
      skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    } else if (source == Source::kUtf16) {
      unsigned unit = static_cast<unsigned char>(in[pos]) |
                      (pos + 1 < in.size() ? static_cast<unsigned char>(in[pos + 1]) << 8 : 0);
      skip = (unit >= 0xD800 && unit <= 0xDBFF) ? 4 : 2;
    } else if (IsLeadByte(static_cast<unsigned char>(in[pos])) && pos + 1 < in.size()) {
      skip = 2;
    }
    pos += std::min(skip, in.size() - pos);
  }
  char* outPtr = buffer;
  size_t outLeft = sizeof buffer;
  iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  result.append(buffer, static_cast<size_t>(outPtr - buffer));
  return result;
}

}  // namespace

const std::string& Sjis(const char* utf8Literal) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<std::string>, std::less<>> cache;
  std::lock_guard<std::mutex> lock(mutex);
  auto it = cache.find(std::string_view(utf8Literal));
  if (it != cache.end()) return *it->second;
  auto converted = std::make_unique<std::string>();
  if (!Utf8ToCp932(utf8Literal, *converted)) {
    std::fprintf(stderr, "literal has no CP932 form: %s\n", utf8Literal);
    std::abort();
  }
  const std::string& ref = *converted;
  cache.emplace(utf8Literal, std::move(converted));
  return ref;
}

bool Utf8ToCp932(std::string_view utf8, std::string& out) {
  std::string result;
  if (!Convert("CP932", "UTF-8", utf8, result)) return false;
  out = std::move(result);
  return true;
}

bool Cp932ToUtf8(std::string_view cp932, std::string& out) {
  return Convert("UTF-8", "CP932", cp932, out);
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
  return ConvertLossy("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", Source::kCp932);
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
  return ConvertLossy("CP932", "UTF-8", utf8, "?", Source::kUtf8);
}

std::string Utf16ToCp932(std::u16string_view utf16) {
  std::string bytes;
  bytes.reserve(utf16.size() * 2);
  for (char16_t unit : utf16) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return ConvertLossy("CP932", "UTF-16LE", bytes, "?", Source::kUtf16);
}

std::string UpperCaseCp932(std::string_view text) {
  std::string result(text);
  for (size_t i = 0; i < result.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(result[i]);
    if (IsLeadByte(c)) {
      ++i;
    } else if (c >= 'a' && c <= 'z') {
      result[i] = static_cast<char>(c - 'a' + 'A');
    }
  }
  return result;
}

}  // namespace skarvo
