#include "platform/text_encoding.h"

#include <iconv.h>
#include <uchardet/uchardet.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {

namespace {

constexpr unsigned char kDigits[4] = {0x80, 0xA0, 0xFD, 0xFE};
constexpr unsigned char kUnitMark = 0xFF;
constexpr int kUnitDigits = 11;

int DigitValue(unsigned char b) {
  switch (b) {
    case 0x80:
      return 0;
    case 0xA0:
      return 1;
    case 0xFD:
      return 2;
    case 0xFE:
      return 3;
    default:
      return -1;
  }
}

// The unit at text[i] (a 0xFF there); -1 when the bytes there are no unit.
long UnitAt(std::string_view text, size_t i) {
  if (i + kUnitSize > text.size()) return -1;
  long value = 0;
  for (int k = 1; k <= kUnitDigits; ++k) {
    const int d = DigitValue(static_cast<unsigned char>(text[i + static_cast<size_t>(k)]));
    if (d < 0) return -1;
    value = value * 4 + d;
  }
  return value;
}

// CP932 as iconv has it, kept where a character goes there and back unchanged, so a text
// converted to CP932 bytes and back is the text it was.
struct Cp932Tables {
  std::vector<std::uint16_t> toCp932 = std::vector<std::uint16_t>(0x10000, 0);  // 0: none
  std::vector<std::uint32_t> fromCp932 = std::vector<std::uint32_t>(0x10000, 0xFFFFFFFFu);
};

void AppendUtf8(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 character at s[i]: its length, or 0 when the bytes there are no
// character (-1 when they may be one cut at the end of s).
int DecodeUtf8(std::string_view s, size_t i, std::uint32_t& cp) {
  const auto b = static_cast<unsigned char>(s[i]);
  int n;
  std::uint32_t min;
  if (b < 0x80) {
    cp = b;
    return 1;
  } else if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
    cp = b & 0x1F;
    min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    cp = b & 0x0F;
    min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    cp = b & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  for (int k = 1; k < n; ++k) {
    if (i + static_cast<size_t>(k) >= s.size()) return -1;
    const auto c = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

const Cp932Tables& Tables() {
  static const Cp932Tables tables = [] {
    Cp932Tables t;
    const auto add = [&t](std::uint16_t code, const std::string& bytes) {
      std::string utf8;
      if (!Cp932ToUtf8(bytes, utf8) || utf8.empty()) return;
      std::uint32_t cp = 0;
      if (DecodeUtf8(utf8, 0, cp) != static_cast<int>(utf8.size())) return;
      t.fromCp932[code] = cp;
    };
    for (int b = 0; b < 0x100; ++b) {
      if (IsLeadByte(static_cast<unsigned char>(b))) {
        for (int s = 0x40; s <= 0xFC; ++s) {
          if (s == 0x7F) continue;
          add(static_cast<std::uint16_t>(b << 8 | s),
              std::string{static_cast<char>(b), static_cast<char>(s)});
        }
      } else if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
        add(static_cast<std::uint16_t>(b), std::string(1, static_cast<char>(b)));
      }
    }
    // Only the code each character goes to is kept, and only when it comes back as it.
    for (std::uint32_t code = 0; code < 0x10000; ++code) {
      const std::uint32_t cp = t.fromCp932[code];
      if (cp >= 0x10000 || t.toCp932[cp] != 0 || cp == 0) continue;
      std::string utf8;
      AppendUtf8(cp, utf8);
      std::string back;
      if (!Utf8ToCp932(utf8, back) || back.empty() || back.size() > 2) continue;
      const std::uint16_t preferred =
          back.size() == 1 ? static_cast<unsigned char>(back[0])
                           : static_cast<std::uint16_t>(static_cast<unsigned char>(back[0]) << 8 |
                                                        static_cast<unsigned char>(back[1]));
      if (t.fromCp932[preferred] == cp) t.toCp932[cp] = preferred;
    }
    return t;
  }();
  return tables;
}

// Appends the internal form of one code point.
inline void AppendCodePoint(const Cp932Tables& t, std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
    return;
  }
  if (cp < 0x10000) {
    const std::uint16_t code = t.toCp932[cp];
    if (code >= 0x100) {
      out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
      return;
    }
    if (code != 0) {
      out += static_cast<char>(code);
      return;
    }
  }
  AppendUnit(cp, out);
}

// Calls f(codePoint) for each character of an internal-form text; a byte that is no
// character gives kRawByteBase + byte. False from f stops.
template <typename F>
bool ForEachCodePoint(std::string_view text, F&& f) {
  const Cp932Tables& t = Tables();
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::uint32_t cp;
    if (b < 0x80) {
      cp = b;
      i += 1;
    } else if (b == kUnitMark && UnitAt(text, i) >= 0) {
      cp = static_cast<std::uint32_t>(UnitAt(text, i));
      i += kUnitSize;
    } else if (IsLeadByte(b) && i + 1 < text.size()) {
      const auto code =
          static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(text[i + 1]));
      cp = t.fromCp932[code];
      if (cp == 0xFFFFFFFFu) {
        cp = kRawByteBase + b;
        i += 1;
      } else {
        i += 2;
      }
    } else {
      cp = t.fromCp932[b];
      if (cp == 0xFFFFFFFFu) cp = kRawByteBase + b;
      i += 1;
    }
    if (!f(cp)) return false;
  }
  return true;
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// The UTF-8 form of one EUC-JP character at in[i]: its length, 0 when it is none, -1 when
// it may be cut at the end.
int EucJpCharLength(std::string_view in, size_t i) {
  const auto b = static_cast<unsigned char>(in[i]);
  int n = 0;
  if (b < 0x80)
    n = 1;
  else if (b == 0x8E)
    n = 2;
  else if (b == 0x8F)
    n = 3;
  else if (b >= 0xA1 && b <= 0xFE)
    n = 2;
  else
    return 0;
  if (i + static_cast<size_t>(n) > in.size()) return -1;
  for (int k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(in[i + static_cast<size_t>(k)]);
    if (c < 0xA1 || c > 0xFE) return 0;
    if (b == 0x8E && c > 0xDF) return 0;
  }
  return n;
}

bool ValidShiftJis(std::string_view s, bool complete) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) continue;
    if (!IsLeadByte(b)) return false;
    if (i + 1 == s.size()) return !complete;
    const auto c = static_cast<unsigned char>(s[++i]);
    if (c < 0x40 || c == 0x7F || c > 0xFC) return false;
  }
  return true;
}

bool ValidEucJp(std::string_view s, bool complete) {
  for (size_t i = 0; i < s.size();) {
    const int n = EucJpCharLength(s, i);
    if (n == 0) return false;
    if (n < 0) return !complete;
    i += static_cast<size_t>(n);
  }
  return true;
}

// Whether s is UTF-8 and holds a character of 3 or 4 bytes, and how many of 2 or more.
struct Utf8Look {
  bool valid = true;
  bool wide = false;
  int multiByte = 0;
};

Utf8Look LookAsUtf8(std::string_view s, bool complete) {
  // Past this many bytes of valid text holding a 3- or 4-byte character the answer is clear:
  // the rest of a long head need not be read.
  constexpr size_t kClearAfter = 8 * 1024;
  Utf8Look look;
  for (size_t i = 0; i < s.size();) {
    if (look.wide && i >= kClearAfter) break;
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    std::uint32_t cp;
    const int n = DecodeUtf8(s, i, cp);
    if (n == 0 || (n < 0 && complete)) {
      look.valid = false;
      return look;
    }
    if (n < 0) break;
    if (n >= 3) look.wide = true;
    if (n >= 2) ++look.multiByte;
    i += static_cast<size_t>(n);
  }
  return look;
}

std::string GuessOf(std::string_view s) {
  std::unique_ptr<uchardet, void (*)(uchardet_t)> ud(uchardet_new(), uchardet_delete);
  if (!ud) return {};
  uchardet_handle_data(ud.get(), s.data(), s.size());
  uchardet_data_end(ud.get());
  const char* name = uchardet_get_charset(ud.get());
  return name ? name : "";
}

}  // namespace

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kShiftJis:
      return "Shift_JIS";
    case TextEncoding::kUtf8:
      return "UTF-8";
    case TextEncoding::kUtf8Bom:
      return "UTF-8 BOM";
    case TextEncoding::kUtf16Le:
      return "UTF-16LE";
    case TextEncoding::kUtf16Be:
      return "UTF-16BE";
    case TextEncoding::kEucJp:
      return "EUC-JP";
  }
  return "";
}

std::string_view ByteOrderMark(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kUtf8Bom:
      return "\xEF\xBB\xBF";
    case TextEncoding::kUtf16Le:
      return "\xFF\xFE";
    case TextEncoding::kUtf16Be:
      return "\xFE\xFF";
    default:
      return "";
  }
}

TextEncoding DetectEncoding(std::string_view head, bool complete) {
  if (head.starts_with("\xEF\xBB\xBF")) return TextEncoding::kUtf8Bom;
  if (head.starts_with("\xFF\xFE")) return TextEncoding::kUtf16Le;
  if (head.starts_with("\xFE\xFF")) return TextEncoding::kUtf16Be;
  // ASCII reads alike in every encoding here: the checks start at the first other byte.
  size_t first = 0;
  for (std::uint64_t word; first + 8 <= head.size(); first += 8) {
    std::memcpy(&word, head.data() + first, 8);
    if (word & 0x8080808080808080ull) break;
  }
  while (first < head.size() && static_cast<unsigned char>(head[first]) < 0x80) ++first;
  if (first == head.size()) return TextEncoding::kShiftJis;
  const std::string_view whole = head;
  head.remove_prefix(first);
  // Shift-JIS text mostly fails both other checks at its first 2-byte character, so most
  // files are told from a few bytes, and the Shift-JIS check runs only on text that passed.
  const Utf8Look utf8 = LookAsUtf8(head, complete);
  if (utf8.valid) {
    // Japanese in UTF-8 takes 3 bytes a character, which Shift-JIS text seldom forms;
    // a few 2-byte sequences may as well be half-width katakana.
    if (utf8.wide || !ValidShiftJis(head, complete)) return TextEncoding::kUtf8;
    constexpr int kFewSequences = 4;
    if (utf8.multiByte >= kFewSequences && GuessOf(whole) == "UTF-8") return TextEncoding::kUtf8;
    return TextEncoding::kShiftJis;
  }
  if (ValidEucJp(head, complete)) {
    if (!ValidShiftJis(head, complete) || GuessOf(whole) == "EUC-JP") return TextEncoding::kEucJp;
  }
  return TextEncoding::kShiftJis;
}

TextEncoding DetectFileEncoding(const std::string& path) {
  InputFile file;
  if (!file.Open(path)) return TextEncoding::kShiftJis;
  // Kept by the thread and never cleared: a search looks at thousands of files.
  thread_local std::unique_ptr<char[]> head =
      std::make_unique_for_overwrite<char[]>(kDetectionBytes);
  size_t n = 0;
  while (n < kDetectionBytes) {
    const long got = file.Read(head.get() + n, kDetectionBytes - n);
    if (got <= 0) break;
    n += static_cast<size_t>(got);
  }
  return DetectEncoding(std::string_view(head.get(), n), n < kDetectionBytes);
}

void AppendUnit(std::uint32_t value, std::string& out) {
  char unit[kUnitSize];
  unit[0] = static_cast<char>(kUnitMark);
  for (int k = kUnitDigits; k >= 1; --k) {
    unit[k] = static_cast<char>(kDigits[value & 3]);
    value >>= 2;
  }
  out.append(unit, kUnitSize);
}

void InternalFormWriter::Convert(std::string_view piece, std::string& out, bool last) {
  std::string joined;
  std::string_view in = piece;
  if (!pending_.empty()) {
    joined = pending_ + std::string(piece);
    pending_.clear();
    in = joined;
  }
  if (!started_) {
    const std::string_view bom = ByteOrderMark(encoding_);
    if (in.size() < bom.size() && !last) {
      pending_.assign(in);
      return;
    }
    started_ = true;
    if (!bom.empty() && in.starts_with(bom)) in.remove_prefix(bom.size());
  }
  switch (encoding_) {
    case TextEncoding::kShiftJis:
      out.append(in);
      break;
    case TextEncoding::kUtf8:
    case TextEncoding::kUtf8Bom:
      ConvertUtf8(in, out, last);
      break;
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be:
      ConvertUtf16(in, out, last);
      break;
    case TextEncoding::kEucJp:
      ConvertEucJp(in, out, last);
      break;
  }
}

void InternalFormWriter::ConvertUtf8(std::string_view in, std::string& out, bool last) {
  const Cp932Tables& t = Tables();
  // Written through a pointer into a scratch buffer with room for the worst case (a unit of
  // 12 bytes for each byte), a slice of the piece at a time: the common character costs a
  // table look-up and two stores.
  constexpr size_t kSlice = 16 * 1024;
  thread_local std::unique_ptr<char[]> scratch =
      std::make_unique_for_overwrite<char[]>(kSlice * kUnitSize + 16);
  const auto* u = reinterpret_cast<const unsigned char*>(in.data());
  size_t i = 0;
  while (i < in.size()) {
    const size_t sliceEnd = std::min(in.size(), i + kSlice);
    char* o = scratch.get();
    while (i < sliceEnd) {
      const unsigned char b = u[i];
      if (b < 0x80) {
        *o++ = static_cast<char>(b);
        ++i;
        continue;
      }
      // The 3-byte characters Japanese is written in, decoded in place.
      if (b >= 0xE1 && b <= 0xEC && i + 2 < in.size() && (u[i + 1] & 0xC0) == 0x80 &&
          (u[i + 2] & 0xC0) == 0x80) {
        const std::uint32_t cp = (b & 0x0Fu) << 12 | (u[i + 1] & 0x3Fu) << 6 | (u[i + 2] & 0x3Fu);
        const std::uint16_t code = t.toCp932[cp];
        if (code >= 0x100) {
          *o++ = static_cast<char>(code >> 8);
          *o++ = static_cast<char>(code & 0xFF);
          i += 3;
          continue;
        }
      }
      std::uint32_t cp;
      const int n = DecodeUtf8(in, i, cp);
      if (n < 0 && !last) {
        out.append(scratch.get(), static_cast<size_t>(o - scratch.get()));
        pending_.assign(in.substr(i));
        return;
      }
      std::string one;
      if (n <= 0) {
        AppendUnit(kRawByteBase + b, one);
        i += 1;
      } else {
        AppendCodePoint(t, cp, one);
        i += static_cast<size_t>(n);
      }
      std::memcpy(o, one.data(), one.size());
      o += one.size();
    }
    out.append(scratch.get(), static_cast<size_t>(o - scratch.get()));
  }
}

void InternalFormWriter::ConvertUtf16(std::string_view in, std::string& out, bool last) {
  const Cp932Tables& t = Tables();
  const bool le = encoding_ == TextEncoding::kUtf16Le;
  const auto unitAt = [&](size_t i) -> std::uint32_t {
    const auto a = static_cast<unsigned char>(in[i]);
    const auto b = static_cast<unsigned char>(in[i + 1]);
    return le ? (std::uint32_t{b} << 8 | a) : (std::uint32_t{a} << 8 | b);
  };
  size_t i = 0;
  while (i + 1 < in.size()) {
    const std::uint32_t u = unitAt(i);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 3 >= in.size()) {
        if (!last) break;
      } else {
        const std::uint32_t low = unitAt(i + 2);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          AppendCodePoint(t, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00), out);
          i += 4;
          continue;
        }
      }
    }
    // A lone surrogate is kept as its own value, so it goes back as it came.
    AppendCodePoint(t, u, out);
    i += 2;
  }
  if (i < in.size()) {
    if (!last) {
      pending_.assign(in.substr(i));
      return;
    }
    for (; i < in.size(); ++i) AppendUnit(kRawByteBase + static_cast<unsigned char>(in[i]), out);
  }
}

void InternalFormWriter::ConvertEucJp(std::string_view in, std::string& out, bool last) {
  thread_local Iconv toUtf8("UTF-8", "EUC-JP");
  const Cp932Tables& t = Tables();
  size_t i = 0;
  std::string utf8;
  while (i < in.size()) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    const int n = EucJpCharLength(in, i);
    if (n < 0 && !last) {
      pending_.assign(in.substr(i));
      return;
    }
    bool converted = false;
    if (n > 0 && toUtf8.ok()) {
      iconv(toUtf8.get(), nullptr, nullptr, nullptr, nullptr);
      char* src = const_cast<char*>(in.data() + i);
      size_t srcLeft = static_cast<size_t>(n);
      char buffer[16];
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      if (iconv(toUtf8.get(), &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) &&
          srcLeft == 0) {
        std::uint32_t cp;
        const std::string_view got(buffer, static_cast<size_t>(dst - buffer));
        if (!got.empty() && DecodeUtf8(got, 0, cp) == static_cast<int>(got.size())) {
          AppendCodePoint(t, cp, out);
          converted = true;
        }
      }
    }
    if (converted) {
      i += static_cast<size_t>(n);
    } else {
      AppendUnit(kRawByteBase + b, out);
      ++i;
    }
  }
}

std::string ToInternalForm(std::string_view bytes, TextEncoding encoding, bool atFileStart) {
  std::string out;
  InternalFormWriter writer(encoding, atFileStart);
  writer.Convert(bytes, out, true);
  return out;
}

bool FromInternalForm(std::string_view internal, TextEncoding encoding, std::string& out) {
  out.clear();
  switch (encoding) {
    case TextEncoding::kShiftJis:
      // The bytes stay as they are; of the units only a byte that was no character goes
      // back, a character CP932 lacks cannot.
      for (size_t i = 0; i < internal.size();) {
        const auto b = static_cast<unsigned char>(internal[i]);
        if (b == kUnitMark && UnitAt(internal, i) >= 0) {
          const long value = UnitAt(internal, i);
          if (value < static_cast<long>(kRawByteBase)) return false;
          out += static_cast<char>(value - static_cast<long>(kRawByteBase));
          i += kUnitSize;
          continue;
        }
        const size_t n = IsLeadByte(b) && i + 1 < internal.size() ? 2 : 1;
        out.append(internal.substr(i, n));
        i += n;
      }
      return true;
    case TextEncoding::kUtf8:
    case TextEncoding::kUtf8Bom:
      return ForEachCodePoint(internal, [&](std::uint32_t cp) {
        if (cp >= kRawByteBase)
          out += static_cast<char>(cp - kRawByteBase);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
          return false;
        else
          AppendUtf8(cp, out);
        return true;
      });
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be: {
      const bool le = encoding == TextEncoding::kUtf16Le;
      const auto put = [&](std::uint32_t u) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += le ? lo : hi;
        out += le ? hi : lo;
      };
      return ForEachCodePoint(internal, [&](std::uint32_t cp) {
        if (cp >= kRawByteBase) {
          out += static_cast<char>(cp - kRawByteBase);
        } else if (cp >= 0x10000) {
          put(0xD800 + ((cp - 0x10000) >> 10));
          put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
          put(cp);
        }
        return true;
      });
    }
    case TextEncoding::kEucJp: {
      thread_local Iconv fromUtf8("EUC-JP", "UTF-8");
      if (!fromUtf8.ok()) return false;
      return ForEachCodePoint(internal, [&](std::uint32_t cp) {
        if (cp >= kRawByteBase) {
          out += static_cast<char>(cp - kRawByteBase);
          return true;
        }
        if (cp < 0x80) {
          out += static_cast<char>(cp);
          return true;
        }
        std::string utf8;
        AppendUtf8(cp, utf8);
        iconv(fromUtf8.get(), nullptr, nullptr, nullptr, nullptr);
        char* src = utf8.data();
        size_t srcLeft = utf8.size();
        char buffer[16];
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        if (iconv(fromUtf8.get(), &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) ||
            srcLeft != 0)
          return false;
        out.append(buffer, static_cast<size_t>(dst - buffer));
        return true;
      });
    }
  }
  return false;
}

bool Utf8ToInternal(std::string_view utf8, std::string& out) {
  std::string converted;
  for (size_t i = 0; i < utf8.size();) {
    std::uint32_t cp;
    const int n = DecodeUtf8(utf8, i, cp);
    if (n <= 0) return false;
    AppendCodePoint(Tables(), cp, converted);
    i += static_cast<size_t>(n);
  }
  out = std::move(converted);
  return true;
}

std::string InternalToUtf8(std::string_view internal) {
  std::string out;
  out.reserve(internal.size() * 3 / 2);
  ForEachCodePoint(internal, [&](std::uint32_t cp) {
    AppendUtf8(cp >= kRawByteBase || (cp >= 0xD800 && cp <= 0xDFFF) ? 0xFFFD : cp, out);
    return true;
  });
  return out;
}

std::string ToShiftJisPattern(std::string_view internal) {
  if (!HoldsUnit(internal)) return std::string(internal);
  std::string out;
  std::string one;
  for (size_t i = 0; i < internal.size();) {
    const auto b = static_cast<unsigned char>(internal[i]);
    const long value = b == kUnitMark ? UnitAt(internal, i) : -1;
    if (value >= 0) {
      std::string utf8;
      if (value < static_cast<long>(kRawByteBase))
        AppendUtf8(static_cast<std::uint32_t>(value), utf8);
      if (!utf8.empty() && Utf8ToCp932(utf8, one))
        out += one;
      else
        out.append(internal.substr(i, kUnitSize));
      i += kUnitSize;
      continue;
    }
    const size_t n = IsLeadByte(b) && i + 1 < internal.size() ? 2 : 1;
    out.append(internal.substr(i, n));
    i += n;
  }
  return out;
}

std::vector<LineSpan> SplitLinesIn(std::string_view bytes, TextEncoding encoding) {
  const size_t start =
      bytes.starts_with(ByteOrderMark(encoding)) ? ByteOrderMark(encoding).size() : 0;
  const bool wide = encoding == TextEncoding::kUtf16Le || encoding == TextEncoding::kUtf16Be;
  const size_t step = wide ? 2 : 1;
  const bool le = encoding == TextEncoding::kUtf16Le;
  // The character at i: its value, or -1 past the end (a lone last byte of UTF-16 is none).
  const auto at = [&](size_t i) -> long {
    if (i + step > bytes.size()) return -1;
    if (!wide) return static_cast<unsigned char>(bytes[i]);
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return le ? (b << 8 | a) : (a << 8 | b);
  };
  std::vector<LineSpan> lines;
  size_t begin = start;
  size_t i = start;
  while (i + step <= bytes.size()) {
    const long c = at(i);
    if (c == '\n' || c == '\r') {
      size_t next = i + step;
      if (c == '\r' && at(next) == '\n') next += step;
      lines.push_back(LineSpan{begin, i, next});
      begin = i = next;
    } else {
      i += step;
    }
  }
  if (begin < bytes.size()) lines.push_back(LineSpan{begin, bytes.size(), bytes.size()});
  return lines;
}

bool HoldsNulCharacter(std::string_view bytes, TextEncoding encoding) {
  if (encoding != TextEncoding::kUtf16Le && encoding != TextEncoding::kUtf16Be)
    return bytes.find('\0') != std::string_view::npos;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    if (bytes[i] == 0 && bytes[i + 1] == 0) return true;
  return false;
}

bool HoldsUnit(std::string_view internal) {
  for (size_t i = internal.find(static_cast<char>(kUnitMark)); i != std::string_view::npos;
       i = internal.find(static_cast<char>(kUnitMark), i + 1))
    if (UnitAt(internal, i) >= 0) return true;
  return false;
}

}  // namespace skarvo
