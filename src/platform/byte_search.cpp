#include "platform/byte_search.h"

#include <string.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace skarvo {
namespace {

// How common a byte is in Shift-JIS text with ASCII markup (higher: more common). Only the
// order matters; a poor guess costs time, never a result.
constexpr std::array<uint8_t, 256> MakeCommonness() {
  std::array<uint8_t, 256> rank{};
  for (int b = 0; b < 256; ++b) {
    uint8_t r = 20;                      // control bytes
    if (b >= 0x20 && b < 0x7F) r = 100;  // punctuation
    if (b >= '0' && b <= '9') r = 120;
    if (b >= 'A' && b <= 'Z') r = 110;
    if (b >= 'a' && b <= 'z') r = 150;
    if (b >= 0x80) r = 60;  // second bytes only, half-width kana
    if ((b >= 0x84 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) r = 130;  // kanji first bytes
    if (b >= 0x81 && b <= 0x83) r = 250;  // kana and symbol first bytes
    rank[static_cast<size_t>(b)] = r;
  }
  for (unsigned char c : std::string_view(" etaoinsrhld.\\-")) rank[c] = 200;
  rank['\r'] = rank['\n'] = 255;
  return rank;
}
constexpr std::array<uint8_t, 256> kCommonness = MakeCommonness();

// The needle and the two places of it that are compared first.
struct Probe {
  const unsigned char* text;
  size_t size;
  size_t a;
  size_t b;
};

// Checks the places [pos, pos + 32) or [pos, pos + 16) that mask marks; the first that holds
// the whole needle, or nullptr.
inline const unsigned char* Verify(const unsigned char* hay, size_t pos, uint32_t mask,
                                   const Probe& p) {
  while (mask != 0) {
    const size_t at = pos + static_cast<size_t>(__builtin_ctz(mask));
    if (std::memcmp(hay + at, p.text, p.size) == 0) return hay + at;
    mask &= mask - 1;
  }
  return nullptr;
}

// Both scans look at places [pos, last] while every byte they load lies in the buffer and
// leave pos at the first place they did not look at.
#if defined(__x86_64__)
__attribute__((target("avx2"))) const unsigned char* ScanAvx2(const unsigned char* hay, size_t last,
                                                              size_t& pos, const Probe& p) {
  const __m256i wantA = _mm256_set1_epi8(static_cast<char>(p.text[p.a]));
  const __m256i wantB = _mm256_set1_epi8(static_cast<char>(p.text[p.b]));
  for (; pos + 31 <= last; pos += 32) {
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + pos + p.a));
    const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(hay + pos + p.b));
    const auto mask = static_cast<uint32_t>(_mm256_movemask_epi8(
        _mm256_and_si256(_mm256_cmpeq_epi8(x, wantA), _mm256_cmpeq_epi8(y, wantB))));
    if (mask != 0)
      if (const unsigned char* hit = Verify(hay, pos, mask, p)) return hit;
  }
  return nullptr;
}

const unsigned char* ScanSse2(const unsigned char* hay, size_t last, size_t& pos, const Probe& p) {
  const __m128i wantA = _mm_set1_epi8(static_cast<char>(p.text[p.a]));
  const __m128i wantB = _mm_set1_epi8(static_cast<char>(p.text[p.b]));
  for (; pos + 15 <= last; pos += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + pos + p.a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + pos + p.b));
    const auto mask = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, wantA), _mm_cmpeq_epi8(y, wantB))));
    if (mask != 0)
      if (const unsigned char* hit = Verify(hay, pos, mask, p)) return hit;
  }
  return nullptr;
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

// The two places of the needle whose bytes are the least common. A search asks for the same
// few needles again and again (once per candidate line), so the last answers are kept.
void RarestPlaces(std::string_view needle, size_t& a, size_t& b) {
  struct Known {
    std::string needle;
    size_t a = 0;
    size_t b = 0;
  };
  thread_local std::array<Known, 8> known;
  thread_local size_t nextSlot = 0;
  for (const Known& k : known) {
    if (k.needle.size() == needle.size() && !k.needle.empty() && k.needle == needle) {
      a = k.a;
      b = k.b;
      return;
    }
  }
  const auto* nd = reinterpret_cast<const unsigned char*>(needle.data());
  const size_t m = needle.size();
  a = 0;
  for (size_t i = 1; i < m; ++i)
    if (kCommonness[nd[i]] < kCommonness[nd[a]]) a = i;
  b = a == 0 ? 1 : 0;
  for (size_t i = 0; i < m; ++i)
    if (i != a && kCommonness[nd[i]] < kCommonness[nd[b]]) b = i;
  known[nextSlot] = Known{std::string(needle), a, b};
  nextSlot = (nextSlot + 1) % known.size();
}

}  // namespace

const unsigned char* FindBytes(const unsigned char* hay, size_t size, std::string_view needle) {
  const size_t m = needle.size();
  if (m == 0) return hay;
  if (m > size) return nullptr;
  const auto* nd = reinterpret_cast<const unsigned char*>(needle.data());
  if (m == 1) return static_cast<const unsigned char*>(std::memchr(hay, nd[0], size));
  Probe p{nd, m, 0, 0};
  RarestPlaces(needle, p.a, p.b);
  const size_t last = size - m;  // the last place the needle may begin
  size_t pos = 0;
#if defined(__x86_64__)
  if (kHasAvx2) {
    if (const unsigned char* hit = ScanAvx2(hay, last, pos, p)) return hit;
  }
  if (const unsigned char* hit = ScanSse2(hay, last, pos, p)) return hit;
#endif
  for (; pos <= last; ++pos)
    if (hay[pos + p.a] == nd[p.a] && hay[pos + p.b] == nd[p.b] &&
        std::memcmp(hay + pos, nd, m) == 0)
      return hay + pos;
  return nullptr;
}

const unsigned char* FindLineEnd(const unsigned char* p, size_t size) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; i + 16 <= size; i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const int mask =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(here, lf), _mm_cmpeq_epi8(here, cr)));
    if (mask != 0) return p + i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
  }
#endif
  for (; i < size; ++i)
    if (p[i] == '\n' || p[i] == '\r') return p + i;
  return nullptr;
}

}  // namespace skarvo
