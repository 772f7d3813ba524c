#include "platform/codepage.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/work_done.h"

namespace skarvo {
namespace {

// Opening a descriptor costs more than converting a file name, so each thread keeps one per
// direction and puts it back into its initial state before every use.
class Descriptors {
 public:
  iconv_t Get(const char* to, const char* from) {
    for (Entry& e : entries_) {
      if (std::strcmp(e.to, to) == 0 && std::strcmp(e.from, from) == 0) {
        iconv(e.cd, nullptr, nullptr, nullptr, nullptr);
        return e.cd;
      }
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
      std::perror("iconv_open");
      std::abort();
    }
    entries_.push_back(Entry{to, from, cd});
    return cd;
  }
  ~Descriptors() {
    for (Entry& e : entries_) iconv_close(e.cd);
  }

 private:
  struct Entry {
    const char* to;
    const char* from;
    iconv_t cd;
  };
  std::vector<Entry> entries_;
};

iconv_t Descriptor(const char* to, const char* from) {
  thread_local Descriptors descriptors;
  return descriptors.Get(to, from);
}

bool AllAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// True when this system's CP932 maps every byte 0x00-0x7F to the same code point, so ASCII
// text needs no conversion in either direction (checked once, not assumed).
bool AsciiIsIdentity() {
  static const bool identity = [] {
    const auto same = [](const char* to, const char* from) {
      iconv_t cd = iconv_open(to, from);
      if (cd == reinterpret_cast<iconv_t>(-1)) return false;
      char in[128];
      for (int i = 0; i < 128; ++i) in[i] = static_cast<char>(i);
      char out[512];
      char* inPtr = in;
      size_t inLeft = sizeof in;
      char* outPtr = out;
      size_t outLeft = sizeof out;
      const size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
      iconv_close(cd);
      return r != static_cast<size_t>(-1) && inLeft == 0 && outPtr - out == 128 &&
             std::memcmp(in, out, 128) == 0;
    };
    return same("UTF-8", "CP932") && same("CP932", "UTF-8");
  }();
  return identity;
}

// One conversion through iconv. Stops at the first byte that does not convert and
// reports it through the return value; `out` holds what converted before it.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out,
             size_t* badOffset = nullptr) {
  if (AllAscii(in) && AsciiIsIdentity()) {
    out.assign(in);
    if (badOffset) *badOffset = in.size();
    return true;
  }
  iconv_t cd = Descriptor(to, from);
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

// Converts all of in; false when some byte does not convert.
bool Whole(iconv_t cd, std::string_view in, std::string& out) {
  out.resize(in.size() * 4 + 16);
  char* inPtr = const_cast<char*>(in.data());
  size_t inLeft = in.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<size_t>(-1)) return false;
  out.resize(static_cast<size_t>(outPtr - out.data()));
  return true;
}

// Converts with one conversion descriptor, replacing each piece that fails with
// `replacement` and going on after it. The input goes to iconv in small windows: on a
// failure, glibc converts the window again up to the bad character, so large windows would
// make text full of unconvertible characters (a damaged document) cost quadratic time.
enum class Source { kUtf8, kCp932, kUtf16 };

std::string ConvertLossy(const char* to, const char* from, std::string_view in,
                         std::string_view replacement, Source source) {
  constexpr size_t kWindow = 64;
  if (source != Source::kUtf16 && AllAscii(in) && AsciiIsIdentity()) return std::string(in);
  iconv_t cd = Descriptor(to, from);
  std::string result;
  workDone += in.size();
  // Most texts convert whole: one call, and the windows only when something does not.
  if (Whole(cd, in, result)) return result;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  result.clear();
  size_t pos = 0;
  char buffer[4096];
  while (pos < in.size()) {
    const size_t window = std::min(kWindow, in.size() - pos);
    workDone += window;
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

const std::string& SjisShared(const char* utf8Literal);

}  // namespace

const std::string& Sjis(const char* utf8Literal) {
  // Row texts ask for the same few literals over and over: each thread keeps the ones it has
  // asked for by their text (callers may pass a temporary text, so never by address), and
  // only a literal's first use in a thread takes the lock.
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const noexcept {
      return std::hash<std::string_view>{}(text);
    }
  };
  thread_local std::unordered_map<std::string, const std::string*, Hash, std::equal_to<>> seen;
  const std::string_view key(utf8Literal);
  if (auto hit = seen.find(key); hit != seen.end()) return *hit->second;
  const std::string& converted = SjisShared(utf8Literal);
  seen.emplace(std::string(key), &converted);
  return converted;
}

namespace {
const std::string& SjisShared(const char* utf8Literal) {
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
}  // namespace

bool Utf8ToCp932(std::string_view utf8, std::string& out) {
  std::string result;
  if (!Convert("CP932", "UTF-8", utf8, result)) return false;
  out = std::move(result);
  return true;
}

bool Cp932ToUtf8(std::string_view cp932, std::string& out) {
  return Convert("UTF-8", "CP932", cp932, out);
}

namespace {

// CP932 -> UTF-8 by table, for texts shown in bulk (every result row on a command line). Each
// character's UTF-8 form is asked of iconv once, when it is first met (a lead byte's 256
// second bytes at once), so the result is what the converter gives character by character:
// the same as ConvertLossy for a code page without shift states.
class Cp932Table {
 public:
  // The UTF-8 form of text (ASCII is the same in both).
  std::string Convert(std::string_view text) {
    std::string out(Cp932ToUtf8LossyBound(text.size()), '\0');
    out.resize(ConvertTo(text, out.data()));
    return out;
  }

  // Writes the UTF-8 form of text at dst (room for Cp932ToUtf8LossyBound bytes); returns its
  // size. No character takes more than three bytes (a 1-byte katakana takes 3); each is
  // written as a whole entry and the end moved on by its size.
  size_t ConvertTo(std::string_view text, char* const start) {
    char* dst = start;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
      const unsigned char b = p[i];
      if (b < 0x80) {
        // Runs of ASCII (most of a typical line) go eight bytes at a time.
        uint64_t word;
        while (i + 8 <= n && (std::memcpy(&word, p + i, 8), (word & 0x8080808080808080u) == 0)) {
          std::memcpy(dst, &word, 8);
          dst += 8;
          i += 8;
        }
        while (i < n && p[i] < 0x80) *dst++ = static_cast<char>(p[i++]);
        continue;
      }
      const Entry* e = &kReplacement;
      if (!IsLeadByte(b)) {
        e = &Single(b);
        i += 1;
      } else if (i + 1 < n) {
        e = &Pair(b, p[i + 1]);
        i += 2;
      } else {
        i += 1;  // a lead byte at the end: replaced alone
      }
      if (e->size == 0) e = &kReplacement;
      std::memcpy(dst, e->bytes, sizeof e->bytes);
      dst += e->size;
    }
    return static_cast<size_t>(dst - start);
  }

 private:
  struct Entry {
    char bytes[7] = {};
    unsigned char size = 0;  // 0: does not convert
  };
  static constexpr Entry kReplacement{{'\xEF', '\xBF', '\xBD'}, 3};

  Entry Lookup(const char* in, size_t n) {
    iconv_t cd = Descriptor("UTF-8", "CP932");
    Entry e;
    char* inPtr = const_cast<char*>(in);
    size_t inLeft = n;
    char* outPtr = e.bytes;
    size_t outLeft = sizeof e.bytes;
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
      return Entry{};
    e.size = static_cast<unsigned char>(outPtr - e.bytes);
    return e;
  }
  const Entry& Single(unsigned char b) {
    if (!singleDone_[b]) {
      const char in = static_cast<char>(b);
      single_[b] = Lookup(&in, 1);
      singleDone_[b] = true;
    }
    return single_[b];
  }
  const Entry& Pair(unsigned char lead, unsigned char trail) {
    std::unique_ptr<Entry[]>& row = pairs_[lead];
    if (!row) {
      row = std::make_unique<Entry[]>(256);
      for (int t = 0; t < 256; ++t) {
        const char in[2] = {static_cast<char>(lead), static_cast<char>(t)};
        row[static_cast<size_t>(t)] = Lookup(in, 2);
      }
    }
    return row[trail];
  }

  Entry single_[256];
  bool singleDone_[256] = {};
  std::unique_ptr<Entry[]> pairs_[256];
};

}  // namespace

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
  if (!AsciiIsIdentity())
    return ConvertLossy("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", Source::kCp932);
  if (AllAscii(cp932)) return std::string(cp932);
  thread_local Cp932Table table;
  return table.Convert(cp932);
}

size_t Cp932ToUtf8LossyTo(std::string_view cp932, char* out) {
  if (!AsciiIsIdentity()) {
    const std::string text = Cp932ToUtf8Lossy(cp932);
    std::memcpy(out, text.data(), text.size());
    return text.size();
  }
  thread_local Cp932Table table;
  return table.ConvertTo(cp932, out);
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
