#include "readers/doc_pieces.h"

#include <algorithm>

#include "platform/byte_reader.h"

namespace skarvo {
namespace {

// FIB fields of Word 97 and later documents.
constexpr uint16_t kWordIdent = 0xA5EC;
constexpr size_t kFlagsOffset = 0x0A;
constexpr uint16_t kWhichTableStreamFlag = 0x0200;
constexpr size_t kCswOffset = 0x20;        // count of 16-bit values that follow; 14
constexpr size_t kCslwOffset = 0x3E;       // count of 32-bit values that follow; 22
constexpr size_t kCbRgFcLcbOffset = 0x98;  // count of offset/size pairs that follow
constexpr size_t kFcClxOffset = 0x01A2;
constexpr size_t kLcbClxOffset = 0x01A6;
constexpr uint16_t kClxPairIndex = 33;  // fcClx/lcbClx is the 34th pair

constexpr uint8_t kClxPrc = 0x01;
constexpr uint8_t kClxPcdt = 0x02;
constexpr uint32_t kCompressedFlag = 0x40000000;
constexpr uint32_t kFcMask = 0x3FFFFFFF;

uint16_t U16At(std::string_view bytes, size_t offset) {
  ByteReader reader(bytes);
  uint16_t value = 0;
  if (!reader.Seek(offset) || !reader.ReadU16(value)) return 0;
  return value;
}
uint32_t U32At(std::string_view bytes, size_t offset) {
  ByteReader reader(bytes);
  uint32_t value = 0;
  if (!reader.Seek(offset) || !reader.ReadU32(value)) return 0;
  return value;
}

bool HasKnownFib(std::string_view wordDocument) {
  return wordDocument.size() >= kLcbClxOffset + 4 && U16At(wordDocument, 0) == kWordIdent &&
         U16At(wordDocument, kCswOffset) == 14 && U16At(wordDocument, kCslwOffset) == 22 &&
         U16At(wordDocument, kCbRgFcLcbOffset) > kClxPairIndex;
}

std::optional<std::vector<DocPiece>> ParsePlcPcd(ByteReader plc) {
  const size_t size = plc.Size();
  if (size < 16 || (size - 4) % 12 != 0) return std::nullopt;
  const size_t count = (size - 4) / 12;
  std::vector<uint32_t> cps(count + 1);
  for (uint32_t& cp : cps)
    if (!plc.ReadU32(cp)) return std::nullopt;
  if (cps[0] != 0) return std::nullopt;
  std::vector<DocPiece> pieces(count);
  for (size_t i = 0; i < count; ++i) {
    uint16_t flags, prm;
    uint32_t fc;
    if (!plc.ReadU16(flags) || !plc.ReadU32(fc) || !plc.ReadU16(prm)) return std::nullopt;
    if (cps[i + 1] < cps[i]) return std::nullopt;
    DocPiece& piece = pieces[i];
    piece.cpStart = cps[i];
    piece.cpEnd = cps[i + 1];
    piece.compressed = (fc & kCompressedFlag) != 0;
    piece.fc = piece.compressed ? (fc & kFcMask) / 2 : (fc & kFcMask);
  }
  return pieces;
}

}  // namespace

std::optional<std::string> DocTableStreamName(std::string_view wordDocument) {
  if (!HasKnownFib(wordDocument)) return std::nullopt;
  return (U16At(wordDocument, kFlagsOffset) & kWhichTableStreamFlag) ? "1Table" : "0Table";
}

std::optional<std::vector<DocPiece>> ParseDocPieceTable(std::string_view wordDocument,
                                                        std::string_view tableStream) {
  if (!HasKnownFib(wordDocument)) return std::nullopt;
  const uint32_t fcClx = U32At(wordDocument, kFcClxOffset);
  const uint32_t lcbClx = U32At(wordDocument, kLcbClxOffset);
  ByteReader table(tableStream);
  ByteReader clx;
  if (lcbClx == 0 || !table.Seek(fcClx) || !table.SubReader(lcbClx, clx)) return std::nullopt;
  // Property runs (Prc) come first, then the one piece table (Pcdt).
  for (;;) {
    uint8_t type;
    if (!clx.ReadU8(type)) return std::nullopt;
    if (type == kClxPrc) {
      int16_t grpprlSize;
      if (!clx.ReadI16(grpprlSize) || grpprlSize < 0 || !clx.Skip(grpprlSize)) return std::nullopt;
    } else if (type == kClxPcdt) {
      uint32_t plcSize;
      ByteReader plc;
      if (!clx.ReadU32(plcSize) || !clx.SubReader(plcSize, plc)) return std::nullopt;
      return ParsePlcPcd(plc);
    } else {
      return std::nullopt;
    }
  }
}

char16_t DocCompressedChar(unsigned char byte) {
  // The bytes 0x80-0x9F are the only ones whose character is not the byte's own value.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return (byte >= 0x80 && byte <= 0x9F) ? kHigh[byte - 0x80] : static_cast<char16_t>(byte);
}

std::u16string DocPieceText(std::string_view wordDocument, const std::vector<DocPiece>& pieces,
                            uint32_t maxChars) {
  // Each character takes at least one byte of the stream, so the stream's size bounds the
  // text even when pieces overlap or the counts are hostile.
  const uint64_t limit = std::min<uint64_t>(maxChars, wordDocument.size());
  std::u16string text;
  ByteReader reader(wordDocument);
  for (const DocPiece& piece : pieces) {
    if (text.size() >= limit) break;
    const uint64_t wanted = std::min<uint64_t>(piece.cpEnd - piece.cpStart, limit - text.size());
    if (!reader.Seek(piece.fc)) break;
    if (piece.compressed) {
      std::string_view bytes = reader.ReadUpTo(wanted);
      for (char c : bytes) text.push_back(DocCompressedChar(static_cast<unsigned char>(c)));
      if (bytes.size() < wanted) break;
    } else {
      std::string_view bytes = reader.ReadUpTo(2 * wanted);
      for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             (static_cast<unsigned char>(bytes[i + 1]) << 8)));
      if (bytes.size() < 2 * wanted) break;
    }
  }
  return text;
}

}  // namespace skarvo
