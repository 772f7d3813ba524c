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
// * a Word 6 or Word 95 header (identifier 0xA5DC, FIB version 101 to 105): 8-bit text in the
//   system's code page, ccpText bytes (offset 0x34) from fcMin (offset 0x18), ending at its
//   first zero byte and split at CR, LF and CR LF, whatever their product byte.
// * anything else: 16-bit text. Word 97 and later keep it wherever their piece table says,
//   so the piece table is followed when there is a usable one (doc_pieces.h); otherwise the
//   text is taken from offset 0x400. The count of characters is the header's main-text
//   count at 0x4C, cut to what the stream holds. The text ends at its first zero character,
//   is turned into CP932 and split at CR, LF and CR LF.
//
// Documents can be large, so nothing is held whole: the streams are read a piece at a
// time where they lie, and each piece of text goes on into CP932 and into lines at once.
// What is kept is the lines themselves (and the piece table), or not even those when each
// line is handed on as it is found (ReadLines).
#include "readers/read_doc.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "platform/byte_reader.h"
#include "platform/byte_source.h"
#include "platform/codepage.h"
#include "platform/compound_storage.h"
#include "readers/doc_pieces.h"

namespace skarvo {
namespace {

constexpr size_t kHeaderSize = 300;
constexpr size_t kProductByteOffset = 4;
constexpr size_t kTextCountOffset = 0x4C;
constexpr size_t kEightBitTextOffset = 0x300;
constexpr size_t kSixteenBitTextOffset = 0x400;
constexpr size_t kChunkSize = 513;
// What is read of a stream at a time: whole 513-byte chunks, an even count of bytes.
constexpr size_t kReadPiece = kChunkSize * 2048;
// A piece table larger than this (over a million pieces) is taken for damage, not held.
constexpr uint32_t kMaxClxBytes = uint32_t{16} << 20;
// UTF-16 units turned into CP932 at a time.
constexpr size_t kConvertUnits = size_t{1} << 18;

const std::string& OpenFailedText() { return Sjis("ﾌｧｲﾙを開くことに失敗しました"); }
const std::string& ReadFailedText() { return Sjis("ﾌｧｲﾙを全て読み込むことが出来ませんでした."); }

bool IsEightBitProduct(unsigned char product) {
  return product == 0x69 || product == 0xC0 || product == 0xE0;
}

constexpr size_t kWord6TextStartOffset = 0x18;  // fcMin
constexpr size_t kWord6TextCountOffset = 0x34;  // ccpText

uint16_t HeaderU16(std::string_view head, size_t offset) {
  if (head.size() < offset + 2) return 0;
  return static_cast<uint16_t>(static_cast<unsigned char>(head[offset]) |
                               (static_cast<unsigned char>(head[offset + 1]) << 8));
}

uint32_t HeaderU32(std::string_view head, size_t offset) {
  return HeaderU16(head, offset) | (static_cast<uint32_t>(HeaderU16(head, offset + 2)) << 16);
}

// Word 6 and Word 95 write FIB versions 101 to 105; Word 97 and later 193 and up.
bool IsWord6Header(std::string_view head) {
  const uint16_t version = HeaderU16(head, 2);
  return HeaderU16(head, 0) == 0xA5DC && version >= 101 && version <= 105;
}

// Where the lines go: into a list, or one by one to a handler as they are found.
class DocLines {
 public:
  explicit DocLines(std::vector<std::string>& held) : held_(&held) {}
  explicit DocLines(const TReadDoc::LineHandler& handler) : handler_(&handler) {}

  // A list that the text replaces is emptied first; a handler has seen nothing yet.
  void Clear() {
    if (held_) held_->clear();
  }
  void Add(std::string&& line) {
    if (held_)
      held_->push_back(std::move(line));
    else
      (*handler_)(line);
  }

 private:
  std::vector<std::string>* held_ = nullptr;
  const TReadDoc::LineHandler* handler_ = nullptr;
};

// Splits text handed in parts into lines exactly as SplitDocLines splits the whole.
class DocLineSplitter {
 public:
  explicit DocLineSplitter(DocLines& lines) : lines_(lines) {}

  void Add(std::string_view text) {
    size_t start = 0;
    if (afterCr_ && !text.empty()) {
      if (text[0] == '\n') start = 1;  // the LF of a CR LF cut between two parts
      afterCr_ = false;
    }
    while (start < text.size()) {
      size_t end = start;
      while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
      if (end == text.size()) {
        pending_.append(text.substr(start));
        return;
      }
      pending_.append(text.substr(start, end - start));
      lines_.Add(std::move(pending_));
      pending_.clear();
      start = end + 1;
      if (text[end] == '\r') {
        if (start == text.size())
          afterCr_ = true;
        else if (text[start] == '\n')
          ++start;
      }
    }
  }

  // A line end at the very end does not start another, empty, line.
  void Finish() {
    if (!pending_.empty()) lines_.Add(std::move(pending_));
    pending_.clear();
  }

 private:
  DocLines& lines_;
  std::string pending_;  // the line begun but not ended
  bool afterCr_ = false;
};

// 16-bit text handed in parts: it ends at its first zero character, goes into CP932 a
// batch at a time (never cutting a surrogate pair) and on into lines.
class DocTextSink {
 public:
  explicit DocTextSink(DocLines& lines) : splitter_(lines) {}

  // False once the text has ended.
  bool Add(std::u16string_view units) {
    if (ended_) return false;
    const size_t zero = units.find(u'\0');
    if (zero != std::u16string_view::npos) {
      units = units.substr(0, zero);
      ended_ = true;
    }
    pending_.append(units);
    if (pending_.size() >= kConvertUnits) Convert(false);
    return !ended_;
  }

  void Finish() {
    Convert(true);
    splitter_.Finish();
  }

 private:
  void Convert(bool all) {
    size_t count = pending_.size();
    // A high surrogate waits for its partner, as the whole text would be converted.
    if (!all && count > 0 && pending_[count - 1] >= 0xD800 && pending_[count - 1] <= 0xDBFF)
      --count;
    splitter_.Add(Utf16ToCp932(std::u16string_view(pending_).substr(0, count)));
    pending_.erase(0, count);
  }

  DocLineSplitter splitter_;
  std::u16string pending_;
  bool ended_ = false;
};

// The 8-bit text of older documents, a 513-byte chunk at a time.
class EightBitDocLines {
 public:
  explicit EightBitDocLines(DocLines& lines) : lines_(lines) {}

  void Chunk(std::string_view piece) {
    // Bytes past a short last chunk are cleared, so nothing of the chunk before is read
    // again.
    chunk_.fill(0);
    std::memcpy(chunk_.data(), piece.data(), std::min(piece.size(), kChunkSize));
    size_t i = 0;
    while (i < kChunkSize - 2) {
      if (IsLeadByte(chunk_[i + 1])) {
        std::swap(chunk_[i], chunk_[i + 1]);
        i += 2;
      } else {
        i += 1;
      }
      if (chunk_[i] == 0) chunk_[i] = 0x01;
    }
    const size_t scanFrom = pending_.size();
    for (unsigned char c : chunk_) {
      if (c == 0) break;
      if (c != 0x01) pending_.push_back(static_cast<char>(c));
    }
    size_t lineStart = 0;
    for (size_t cr = pending_.find('\r', scanFrom); cr != std::string::npos;
         cr = pending_.find('\r', lineStart)) {
      lines_.Add(pending_.substr(lineStart, cr - lineStart));
      lineStart = cr + 1;
    }
    pending_.erase(0, lineStart);
  }

 private:
  DocLines& lines_;
  std::array<unsigned char, kChunkSize> chunk_{};
  std::string pending_;  // the text after the last CR is not a line
};

void ReadEightBitLines(ByteSource& stream, DocLines& lines) {
  if (stream.Size() < kEightBitTextOffset) return;  // nothing to read there
  EightBitDocLines eightBit(lines);
  std::string bytes;
  for (uint64_t at = kEightBitTextOffset; at < stream.Size(); at += bytes.size()) {
    if (!stream.ReadAt(at, kReadPiece, bytes) || bytes.empty()) break;
    for (size_t i = 0; i < bytes.size(); i += kChunkSize)
      eightBit.Chunk(std::string_view(bytes).substr(i, kChunkSize));
  }
}

// Up to charCount UTF-16 characters from offset 0x400, fewer when the stream ends first.
void ForEachFixedOffsetPart(ByteSource& stream, uint32_t charCount, const DocTextPart& part) {
  const uint64_t end =
      std::min<uint64_t>(stream.Size(), kSixteenBitTextOffset + 2 * uint64_t{charCount});
  std::string bytes;
  std::u16string units;
  for (uint64_t at = kSixteenBitTextOffset; at < end; at += bytes.size()) {
    const size_t ask = static_cast<size_t>(std::min<uint64_t>(kReadPiece, end - at));
    if (!stream.ReadAt(at, ask, bytes) || bytes.empty()) return;
    ByteReader reader(bytes);
    units.clear();
    uint16_t unit;
    while (reader.ReadU16(unit)) units.push_back(static_cast<char16_t>(unit));
    if (!part(units)) return;
  }
}

// The 8-bit text of a Word 6 or Word 95 document, bytes of the system's code page.
void ReadWord6Lines(ByteSource& stream, std::string_view head, DocLines& lines) {
  const uint64_t start = HeaderU32(head, kWord6TextStartOffset);
  const uint64_t end =
      std::min<uint64_t>(stream.Size(), start + HeaderU32(head, kWord6TextCountOffset));
  lines.Clear();
  DocLineSplitter splitter(lines);
  std::string bytes;
  for (uint64_t at = start; at < end; at += bytes.size()) {
    const size_t ask = static_cast<size_t>(std::min<uint64_t>(kReadPiece, end - at));
    if (!stream.ReadAt(at, ask, bytes) || bytes.empty()) break;
    const size_t zero = bytes.find('\0');
    splitter.Add(std::string_view(bytes).substr(0, zero));
    if (zero != std::string::npos) break;
  }
  splitter.Finish();
}

// A file that is not a compound document, read as plain text a piece at a time.
void ReadPlainLines(ByteSource& file, DocLines& lines) {
  lines.Clear();
  DocLineSplitter splitter(lines);
  std::string bytes;
  for (uint64_t at = 0; at < file.Size(); at += bytes.size()) {
    if (!file.ReadAt(at, kReadPiece, bytes)) throw EReadDoc(OpenFailedText());
    if (bytes.empty()) break;
    splitter.Add(bytes);
  }
  splitter.Finish();
}

// The piece table the FIB points at, read from the table stream; nullopt when unusable.
std::optional<std::vector<DocPiece>> ReadPieceTable(std::string_view fibHead,
                                                    const CompoundStorage& storage) {
  auto tableName = DocTableStreamName(fibHead);
  uint32_t fcClx = 0, lcbClx = 0;
  if (!tableName || !DocClxLocation(fibHead, fcClx, lcbClx)) return std::nullopt;
  std::unique_ptr<ByteSource> table = storage.OpenStream(*tableName);
  uint64_t clxEnd = 0;
  if (!table || lcbClx > kMaxClxBytes || !CheckedAdd(fcClx, lcbClx, clxEnd) ||
      clxEnd > table->Size())
    return std::nullopt;
  std::string clx;
  if (!table->ReadAt(fcClx, lcbClx, clx) || clx.size() != lcbClx) return std::nullopt;
  return ParseDocClx(clx);
}

// Where the bytes come from: a file on disk or bytes in memory.
struct Source {
  const std::string* path = nullptr;
  const std::string* bytes = nullptr;

  std::unique_ptr<CompoundStorage> OpenStorage() const {
    return path ? CompoundStorage::Open(*path) : CompoundStorage::OpenBytes(*bytes);
  }
  std::unique_ptr<ByteSource> OpenFile() const {
    if (path) return OpenFileByteSource(*path);
    return std::make_unique<MemoryByteSource>(*bytes);
  }
};

void ReadDocument(const Source& source, DocLines& lines) {
  std::unique_ptr<CompoundStorage> storage = source.OpenStorage();
  if (!storage) {
    std::unique_ptr<ByteSource> file = source.OpenFile();
    if (!file) throw EReadDoc(OpenFailedText());
    ReadPlainLines(*file, lines);
    return;
  }
  std::unique_ptr<ByteSource> stream = storage->OpenStream("WordDocument");
  if (!stream) {
    // A stream that is missing or damaged leaves the whole file as the document stream;
    // the piece table is of no use then.
    storage.reset();
    stream = source.OpenFile();
    if (!stream) throw EReadDoc(OpenFailedText());
  }

  // The FIB and the fixed header fields all lie in the first 0x400 bytes.
  std::string head;
  if (!stream->ReadAt(0, kSixteenBitTextOffset, head)) throw EReadDoc(OpenFailedText());
  std::array<unsigned char, kHeaderSize> header{};
  std::memcpy(header.data(), head.data(), std::min(head.size(), kHeaderSize));

  if (IsEightBitProduct(header[kProductByteOffset])) {
    try {
      ReadEightBitLines(*stream, lines);
    } catch (const std::exception&) {
      throw EReadDoc(ReadFailedText());
    }
    return;
  }
  if (IsWord6Header(head)) {
    ReadWord6Lines(*stream, head, lines);
    return;
  }

  const uint32_t charCount = static_cast<uint32_t>(header[kTextCountOffset]) |
                             (static_cast<uint32_t>(header[kTextCountOffset + 1]) << 8) |
                             (static_cast<uint32_t>(header[kTextCountOffset + 2]) << 16) |
                             (static_cast<uint32_t>(header[kTextCountOffset + 3]) << 24);
  lines.Clear();
  DocTextSink sink(lines);
  const DocTextPart part = [&](std::u16string_view units) { return sink.Add(units); };
  std::optional<std::vector<DocPiece>> pieces;
  if (storage) pieces = ReadPieceTable(head, *storage);
  if (pieces)
    ForEachDocPieceText(*stream, *pieces, charCount, part);
  else
    ForEachFixedOffsetPart(*stream, charCount, part);
  sink.Finish();
}

}  // namespace

void SplitDocLines(std::string_view text, std::vector<std::string>& lines) {
  lines.clear();
  DocLines into(lines);
  DocLineSplitter splitter(into);
  splitter.Add(text);
  splitter.Finish();
}

void AppendEightBitDocLines(std::string_view documentStream, std::vector<std::string>& lines) {
  MemoryByteSource source(documentStream);
  DocLines into(lines);
  ReadEightBitLines(source, into);
}

std::u16string FixedOffsetDocText(std::string_view documentStream, uint32_t charCount) {
  MemoryByteSource source(documentStream);
  std::u16string text;
  ForEachFixedOffsetPart(source, charCount, [&](std::u16string_view units) {
    text.append(units);
    return true;
  });
  return text;
}

void TReadDoc::ReadText(const std::string& FileName, std::vector<std::string>* Lines) {
  if (!Lines) return;
  Source source;
  source.path = &FileName;
  DocLines into(*Lines);
  ReadDocument(source, into);
}

void TReadDoc::ReadLines(const std::string& FileName, const LineHandler& onLine) {
  Source source;
  source.path = &FileName;
  DocLines into(onLine);
  ReadDocument(source, into);
}

void TReadDoc::ReadTextFromBytes(std::string bytes, std::vector<std::string>* Lines) {
  if (!Lines) return;
  Source source;
  source.bytes = &bytes;
  DocLines into(*Lines);
  ReadDocument(source, into);
}

}  // namespace skarvo
