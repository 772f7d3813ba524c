#include "readers/doc_pieces.h"

#include <algorithm>

#include "platform/byte_reader.h"
#include "platform/byte_source.h"

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
// Bytes of the stream read at a time; even, so no 16-bit character is cut.
constexpr uint64_t kTextPiece = uint64_t{1} << 20;

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

bool DocClxLocation(std::string_view wordDocument, uint32_t& fcClx, uint32_t& lcbClx) {
  if (!HasKnownFib(wordDocument)) return false;
  fcClx = U32At(wordDocument, kFcClxOffset);
  lcbClx = U32At(wordDocument, kLcbClxOffset);
  return lcbClx != 0;
}

std::optional<std::vector<DocPiece>> ParseDocPieceTable(std::string_view wordDocument,
                                                        std::string_view tableStream) {
  uint32_t fcClx = 0, lcbClx = 0;
  if (!DocClxLocation(wordDocument, fcClx, lcbClx)) return std::nullopt;
  ByteReader table(tableStream);
  std::string_view clx;
  if (!table.Seek(fcClx) || !table.ReadBytes(lcbClx, clx)) return std::nullopt;
  return ParseDocClx(clx);
}

std::optional<std::vector<DocPiece>> ParseDocClx(std::string_view clxBytes) {
  ByteReader clx(clxBytes);
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

bool ForEachDocPieceText(ByteSource& wordDocument, const std::vector<DocPiece>& pieces,
                         uint32_t maxChars, const DocTextPart& part) {
  // Each character takes at least one byte of the stream, so the stream's size bounds the
  // text even when pieces overlap or the counts are hostile.
  const uint64_t limit = std::min<uint64_t>(maxChars, wordDocument.Size());
  uint64_t produced = 0;
  std::string bytes;
  std::u16string units;
  for (const DocPiece& piece : pieces) {
    if (produced >= limit) break;
    if (piece.fc > wordDocument.Size()) break;
    const uint64_t wanted = std::min<uint64_t>(piece.cpEnd - piece.cpStart, limit - produced);
    const uint64_t bytesWanted = piece.compressed ? wanted : 2 * wanted;
    uint64_t got = 0;
    while (got < bytesWanted) {
      const size_t ask = static_cast<size_t>(std::min<uint64_t>(kTextPiece, bytesWanted - got));
      if (!wordDocument.ReadAt(piece.fc + got, ask, bytes)) return true;
      ByteReader reader(bytes);
      units.clear();
      if (piece.compressed) {
        for (char c : reader.ReadUpTo(bytes.size()))
          units.push_back(DocCompressedChar(static_cast<unsigned char>(c)));
      } else {
        uint16_t unit;
        while (reader.ReadU16(unit)) units.push_back(static_cast<char16_t>(unit));
      }
      produced += units.size();
      if (!units.empty() && !part(units)) return false;
      got += bytes.size();
      // The stream ended inside the piece: so does the text.
      if (bytes.size() < ask) return true;
    }
  }
  return true;
}

std::u16string DocPieceText(std::string_view wordDocument, const std::vector<DocPiece>& pieces,
                            uint32_t maxChars) {
  MemoryByteSource source(wordDocument);
  std::u16string text;
  ForEachDocPieceText(source, pieces, maxChars, [&](std::u16string_view part) {
    text.append(part);
    return true;
  });
  return text;
}

}  // namespace skarvo
