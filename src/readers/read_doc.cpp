// TReadDoc: which bytes hold a document's text, and how they become lines.
//
// The document stream is "WordDocument" of the compound document, or the whole file when
// there is no such stream. One byte of its header, the low byte of the product number at
// offset 4, picks the path:
//
// * 0x69, 0xC0 or 0xE0: 8-bit text of older word processors from offset 0x300, double-byte
//   characters stored with their two bytes swapped. It is walked in chunks of 513 bytes;
//   within a chunk, a pair whose second byte is a lead byte is swapped back, zero bytes met
//   on the way become 0x01 and are then dropped, and the text of the chunk ends at the first
//   zero left. Lines end at CR.
// * anything else: 16-bit text. Word 97 and later keep it wherever their piece table says,
//   so the piece table is followed when there is a usable one (doc_pieces.h); otherwise the
//   text is taken from offset 0x400. The count of characters is the header's main-text
//   count at 0x4C, cut to what the stream holds. The text ends at its first zero character,
//   is turned into CP932 and split at CR, LF and CR LF.
#include "readers/read_doc.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <optional>

#include "platform/byte_reader.h"
#include "platform/codepage.h"
#include "platform/compound_storage.h"
#include "platform/file_system.h"
#include "readers/doc_pieces.h"

namespace skarvo {
namespace {

constexpr size_t kHeaderSize = 300;
constexpr size_t kProductByteOffset = 4;
constexpr size_t kTextCountOffset = 0x4C;
constexpr size_t kEightBitTextOffset = 0x300;
constexpr size_t kSixteenBitTextOffset = 0x400;
constexpr size_t kChunkSize = 513;

const std::string& OpenFailedText() { return Sjis("ﾌｧｲﾙを開くことに失敗しました"); }
const std::string& ReadFailedText() { return Sjis("ﾌｧｲﾙを全て読み込むことが出来ませんでした."); }

bool IsEightBitProduct(unsigned char product) {
  return product == 0x69 || product == 0xC0 || product == 0xE0;
}

// Where the bytes come from: a file on disk or bytes in memory.
struct Source {
  const std::string* path = nullptr;
  const std::string* bytes = nullptr;

  std::unique_ptr<CompoundStorage> OpenStorage() const {
    return path ? CompoundStorage::Open(*path) : CompoundStorage::OpenBytes(*bytes);
  }
  std::optional<std::string> WholeFile() const {
    return path ? ReadWholeFile(*path) : std::optional<std::string>(*bytes);
  }
};

// The document's 16-bit text: through the piece table when there is a usable one.
std::u16string SixteenBitText(std::string_view stream, const CompoundStorage* storage,
                              uint32_t charCount) {
  if (storage) {
    if (auto tableName = DocTableStreamName(stream)) {
      if (auto table = storage->ReadStream(*tableName)) {
        if (auto pieces = ParseDocPieceTable(stream, *table))
          return DocPieceText(stream, *pieces, charCount);
      }
    }
  }
  return FixedOffsetDocText(stream, charCount);
}

void ReadDocument(const Source& source, std::vector<std::string>& lines) {
  std::unique_ptr<CompoundStorage> storage = source.OpenStorage();
  if (!storage) {
    auto text = source.WholeFile();
    if (!text) throw EReadDoc(OpenFailedText());
    SplitDocLines(*text, lines);
    return;
  }
  std::optional<std::string> stream = storage->ReadStream("WordDocument");
  if (!stream) {
    // A stream that is missing or damaged leaves the whole file as the document stream;
    // the piece table is of no use then.
    storage.reset();
    stream = source.WholeFile();
    if (!stream) throw EReadDoc(OpenFailedText());
  }

  std::array<unsigned char, kHeaderSize> header{};
  std::memcpy(header.data(), stream->data(), std::min(stream->size(), kHeaderSize));

  if (IsEightBitProduct(header[kProductByteOffset])) {
    try {
      AppendEightBitDocLines(*stream, lines);
    } catch (const std::exception&) {
      throw EReadDoc(ReadFailedText());
    }
    return;
  }

  const uint32_t charCount = static_cast<uint32_t>(header[kTextCountOffset]) |
                             (static_cast<uint32_t>(header[kTextCountOffset + 1]) << 8) |
                             (static_cast<uint32_t>(header[kTextCountOffset + 2]) << 16) |
                             (static_cast<uint32_t>(header[kTextCountOffset + 3]) << 24);
  std::u16string text = SixteenBitText(*stream, storage.get(), charCount);
  text.resize(std::min(text.size(), text.find(u'\0')));
  SplitDocLines(Utf16ToCp932(text), lines);
}

}  // namespace

void SplitDocLines(std::string_view text, std::vector<std::string>& lines) {
  lines.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(text.substr(start));
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}

void AppendEightBitDocLines(std::string_view documentStream, std::vector<std::string>& lines) {
  ByteReader reader(documentStream);
  if (!reader.Seek(kEightBitTextOffset)) return;  // nothing to read there
  std::array<unsigned char, kChunkSize> chunk{};
  std::string pending;
  for (;;) {
    std::string_view piece = reader.ReadUpTo(kChunkSize);
    if (piece.empty()) break;
    // Bytes past a short last read are cleared, so nothing of the chunk before is read again.
    chunk.fill(0);
    std::memcpy(chunk.data(), piece.data(), piece.size());
    size_t i = 0;
    while (i < kChunkSize - 2) {
      if (IsLeadByte(chunk[i + 1])) {
        std::swap(chunk[i], chunk[i + 1]);
        i += 2;
      } else {
        i += 1;
      }
      if (chunk[i] == 0) chunk[i] = 0x01;
    }
    const size_t scanFrom = pending.size();
    for (unsigned char c : chunk) {
      if (c == 0) break;
      if (c != 0x01) pending.push_back(static_cast<char>(c));
    }
    size_t lineStart = 0;
    for (size_t cr = pending.find('\r', scanFrom); cr != std::string::npos;
         cr = pending.find('\r', lineStart)) {
      lines.emplace_back(pending, lineStart, cr - lineStart);
      lineStart = cr + 1;
    }
    pending.erase(0, lineStart);
  }
}

std::u16string FixedOffsetDocText(std::string_view documentStream, uint32_t charCount) {
  ByteReader reader(documentStream);
  std::u16string text;
  if (!reader.Seek(kSixteenBitTextOffset)) return text;
  std::string_view bytes = reader.ReadUpTo(2 * static_cast<uint64_t>(charCount));
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return text;
}

void TReadDoc::ReadText(const std::string& FileName, std::vector<std::string>* Lines) {
  if (!Lines) return;
  Source source;
  source.path = &FileName;
  ReadDocument(source, *Lines);
}

void TReadDoc::ReadTextFromBytes(std::string bytes, std::vector<std::string>* Lines) {
  if (!Lines) return;
  Source source;
  source.bytes = &bytes;
  ReadDocument(source, *Lines);
}

}  // namespace skarvo
