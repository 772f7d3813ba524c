// Test helpers: word-processor document streams built by hand, so that every field the
// reader looks at can be set, and broken, on purpose.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace skarvo::testing {

inline void PutLE(std::string& b, size_t at, uint64_t v, int bytes) {
  if (b.size() < at + bytes) b.resize(at + bytes, '\0');
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void AppendLE(std::string& b, uint64_t v, int bytes) { PutLE(b, b.size(), v, bytes); }

// UTF-16LE bytes of a text.
inline std::string Utf16Bytes(std::u16string_view text) {
  std::string b;
  for (char16_t c : text) AppendLE(b, c, 2);
  return b;
}

// A document stream of the older kind: the given product byte at 4, the character count
// at 0x4C, and bytes placed at an offset (0x300 for 8-bit text, 0x400 for 16-bit text).
inline std::string OldDocStream(uint8_t product, uint32_t count, size_t textOffset,
                                const std::string& text, size_t padTo = 0) {
  std::string s(textOffset, '\0');
  s[4] = static_cast<char>(product);
  PutLE(s, 0x4C, count, 4);
  s += text;
  if (s.size() < padTo) s.resize(padTo, '\0');
  return s;
}

struct PieceSpec {
  std::string stored;  // the bytes as the piece stores them
  bool compressed = false;
  uint32_t Chars() const {
    return static_cast<uint32_t>(compressed ? stored.size() : stored.size() / 2);
  }
};

struct Word97Options {
  uint32_t ccpText = 0;
  bool tableOne = true;           // the FIB names "1Table" (else "0Table")
  bool reverseFileOrder = false;  // pieces lie in the stream in the reverse of text order
  bool withPrc = true;            // property runs before the piece table in the CLX
  std::string junkAt400 = {};     // bytes at 0x400, where older documents keep their text
};

struct Word97Doc {
  std::string wordDocument;
  std::string table;
  size_t fibClxOffset = 0x01A2;  // where fcClx/lcbClx lie in wordDocument
};

// A Word 97 document: FIB, the pieces' bytes from 0x800, and a table stream with the CLX.
inline Word97Doc BuildWord97(const std::vector<PieceSpec>& pieces, const Word97Options& o) {
  Word97Doc doc;
  std::string& wd = doc.wordDocument;
  wd.assign(0x800, '\0');
  PutLE(wd, 0, 0xA5EC, 2);
  PutLE(wd, 2, 0x00C1, 2);
  PutLE(wd, 0x0A, o.tableOne ? 0x0200 : 0, 2);
  PutLE(wd, 0x20, 14, 2);
  PutLE(wd, 0x3E, 22, 2);
  PutLE(wd, 0x4C, o.ccpText, 4);
  PutLE(wd, 0x98, 0x5D, 2);
  for (size_t i = 0; i < o.junkAt400.size(); ++i) wd[0x400 + i] = o.junkAt400[i];

  std::vector<uint32_t> fcs(pieces.size());
  std::vector<size_t> order;
  for (size_t i = 0; i < pieces.size(); ++i) order.push_back(i);
  if (o.reverseFileOrder) std::reverse(order.begin(), order.end());
  for (size_t i : order) {
    if (pieces[i].compressed && wd.size() % 2) wd.push_back('\0');
    fcs[i] = static_cast<uint32_t>(wd.size());
    wd += pieces[i].stored;
  }

  std::string& t = doc.table;
  t.assign(0x40, 'x');  // something before the CLX
  const size_t fcClx = t.size();
  if (o.withPrc) {
    AppendLE(t, 0x01, 1);
    AppendLE(t, 3, 2);
    t += "abc";
  }
  AppendLE(t, 0x02, 1);
  AppendLE(t, 4 + 12 * pieces.size(), 4);
  uint32_t cp = 0;
  AppendLE(t, cp, 4);
  for (const PieceSpec& p : pieces) AppendLE(t, cp += p.Chars(), 4);
  for (size_t i = 0; i < pieces.size(); ++i) {
    AppendLE(t, 0, 2);
    AppendLE(t, pieces[i].compressed ? (0x40000000u | (fcs[i] * 2)) : fcs[i], 4);
    AppendLE(t, 0, 2);
  }
  PutLE(wd, 0x01A2, fcClx, 4);
  PutLE(wd, 0x01A6, t.size() - fcClx, 4);
  t += std::string(0x20, 'y');  // something after it
  return doc;
}

}  // namespace skarvo::testing
