// The record loop of the spreadsheet reader.
//
// The record stream is walked from front to back through a window, so a stream of any
// size costs the window and the shared strings, not its size. Parsing starts at the first BOF
// record, found by scanning 16-bit words at even offsets, which also decides the layout family;
// then every record (id, length, body) is taken in turn. Each body is handed to its
// handler through a bounds-checked reader over that body alone, so a damaged length can
// neither move the loop backwards nor let a field be read from the next record: a field
// that does not fit abandons just that record, and the loop goes on at the next one. A
// record cut off by the end of the stream is given the bytes that remain.
//
// Cells are reported with the number of worksheets begun so far. FORMULA records carry
// their result in 8 bytes: a number, or (when the last two bytes are FFFF) a marker whose
// first byte tells a text (the text follows in a STRING record, reported at the same
// cell), a boolean, an error code or an empty result. SST records and the CONTINUE
// records after them are joined into one buffer before the shared string table is built.
#include "readers/xbiff.h"

#include <algorithm>

#include "platform/byte_reader.h"
#include "platform/codepage.h"
#include "readers/biff_byte_reader.h"
#include "readers/biff_number_text.h"
#include "readers/stream_window.h"
#include "readers/xbiff_strings.h"

namespace skarvo {
namespace {

constexpr uint16_t kBof2 = 0x0009, kBof3 = 0x0209, kBof4 = 0x0409, kBof5 = 0x0809;
constexpr uint16_t kBiff8Version = 0x0600;
constexpr uint16_t kWorksheet = 0x0010;
constexpr uint16_t kContinue = 0x003C;
constexpr size_t kMaxSstPiece = 8224;
// The longest 8-bit text of a LABEL, RSTRING or pre-BIFF8 STRING record that is kept.
constexpr size_t kMaxShortText = 2045;
constexpr int32_t kLastColumn = 255;
// The most bytes of a cell's text record and its continuations that are kept: a string of
// 65535 16-bit characters with its runs and phonetic data fits many times over.
constexpr size_t kMaxCellText = size_t{16} << 20;

bool IsBof(uint16_t id) { return id == kBof2 || id == kBof3 || id == kBof4 || id == kBof5; }

// The usual text of a cell error code.
const char* ErrorText(uint8_t code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    case 0x2A:
      return "#N/A";
    default:
      return nullptr;
  }
}

int32_t ReadAttr3(BiffByteReader& r) {
  int32_t a = r.U8();
  a |= r.U8() << 8;
  a |= r.U8() << 16;
  return a;
}

}  // namespace

// One read of one record stream; lives for the duration of ReadRecordStream.
class XBiffRecordParser {
 public:
  XBiffRecordParser(TXBiff& owner, ByteSource& stream, TBiffLayout container)
      : owner_(owner), records_(stream), layout_(container) {}

  void Run();

 private:
  struct Record {
    uint16_t id;
    size_t declaredLength;
    std::string_view body;  // cut short when the stream ends first; valid until the next
                            // record is looked at
  };

  uint64_t FindFirstBof();
  Record NextRecord();
  bool NextHeader(uint16_t& id, uint16_t& length);
  BiffContinuedBody GatherContinued(std::string_view first, bool limitPieces);
  void Handle(const Record& record);
  void HandleFirstBof(const Record& record);

  void Cell(int32_t row, int32_t col, int32_t attr, const std::string& data);
  // A boolean or error constant, as the sheet shows it.
  void BoolErr(int32_t row, int32_t col, int32_t attr, uint8_t value, uint8_t isError);
  void Formula(BiffByteReader& r);
  void String(const Record& record);
  void Label(const Record& record);
  void RString(const Record& record);
  void MulRk(BiffByteReader& r, size_t length);
  void BoundSheet(BiffByteReader& r);
  void ColInfo(BiffByteReader& r);
  std::string Biff8Text(const Record& record, size_t headerBytes);

  TXBiff& owner_;
  StreamWindow records_;  // the record loop's position in the stream
  TBiffLayout layout_;
  int32_t sheetNo_ = 0;
  int32_t lastRow_ = 0, lastCol_ = 0, lastAttr_ = 0;
  SharedStringTable sst_;
  bool cancel_ = false;
};

uint64_t XBiffRecordParser::FindFirstBof() {
  // Words at even offsets, a window at a time (the window's size is even).
  constexpr size_t kScan = size_t{1} << 20;
  for (uint64_t at = 0; at < records_.Size(); at += kScan) {
    records_.Seek(at);
    ByteReader words(records_.Peek(kScan));
    uint16_t word = 0;
    while (words.ReadU16(word))
      if (IsBof(word)) return at + words.Position() - 2;
  }
  return records_.Size();
}

bool XBiffRecordParser::NextHeader(uint16_t& id, uint16_t& length) {
  ByteReader header(records_.Peek(4));
  return header.ReadU16(id) && header.ReadU16(length);
}

XBiffRecordParser::Record XBiffRecordParser::NextRecord() {
  uint16_t id = 0, length = 0;
  if (!NextHeader(id, length)) {
    // Bytes too few for a record header: nothing to report.
    records_.Seek(records_.Size());
    return Record{0xFFFF, 0, {}};
  }
  records_.Advance(4);
  std::string_view body = records_.Peek(length);
  records_.Advance(body.size());
  return Record{id, length, body};
}

BiffContinuedBody XBiffRecordParser::GatherContinued(std::string_view first, bool limitPieces) {
  BiffContinuedBody body;
  body.Append(first);  // before the next header is looked at, which may move the window
  uint16_t id = 0, length = 0;
  while (NextHeader(id, length) && id == kContinue) {
    if (limitPieces && length > kMaxSstPiece) throw Exception(Sjis("未知のフォーマット."));
    std::string_view next = NextRecord().body;
    // One cell's text needs far less; a hostile chain is passed over, not held.
    if (limitPieces || body.bytes.size() < kMaxCellText) body.Append(next);
  }
  return body;
}

void XBiffRecordParser::HandleFirstBof(const Record& record) {
  BiffByteReader r(record.body);
  uint16_t version = 0, type = 0;
  try {
    version = r.U16();
    type = r.U16();
  } catch (const BiffReadError&) {
    // A BOF too short to say more still marks where the records start.
  }
  // BIFF3 and BIFF4 files, and BIFF5 ones outside a compound document, share the later
  // FORMULA and STRING layouts.
  if (record.id == kBof3 || record.id == kBof4 ||
      (record.id == kBof5 && layout_ == TBiffLayout::Plain))
    layout_ = TBiffLayout::Biff3;
  if (version == kBiff8Version) layout_ = TBiffLayout::Biff8;
  if (type == kWorksheet) sheetNo_ = 1;
}

void XBiffRecordParser::Run() {
  records_.Seek(FindFirstBof());
  if (!records_.AtEnd()) HandleFirstBof(NextRecord());
  owner_.layout_ = layout_;
  while (!records_.AtEnd()) {
    Record record = NextRecord();
    Handle(record);
    owner_.progress_ = static_cast<int32_t>(records_.Position() * uint64_t{100} /
                                            std::max<uint64_t>(records_.Size(), 1));
    if (owner_.OnProgress) owner_.OnProgress(owner_, owner_.progress_);
    if (cancel_) break;
  }
  owner_.progress_ = 0;
  if (owner_.OnProgress) owner_.OnProgress(owner_, 0);
}

void XBiffRecordParser::Cell(int32_t row, int32_t col, int32_t attr, const std::string& data) {
  lastRow_ = row;
  lastCol_ = col;
  lastAttr_ = attr;
  if (owner_.OnReadCell) owner_.OnReadCell(owner_, sheetNo_, row, col, attr, data, cancel_);
}

void XBiffRecordParser::Handle(const Record& record) {
  BiffByteReader r(record.body);
  try {
    switch (record.id) {
      case kBof2:
      case kBof3:
      case kBof4:
      case kBof5: {
        r.U16();  // version
        if (r.U16() == kWorksheet) ++sheetNo_;
        break;
      }
      case 0x0002: {  // INTEGER
        int32_t row = r.U16(), col = r.U16(), attr = ReadAttr3(r);
        Cell(row, col, attr, FormatBiffInteger(r.U16()));
        break;
      }
      case 0x0003: {  // NUMBER, BIFF2
        int32_t row = r.U16(), col = r.U16(), attr = ReadAttr3(r);
        Cell(row, col, attr, FormatBiffFloat(r.F64()));
        break;
      }
      case 0x0203: {  // NUMBER
        int32_t row = r.U16(), col = r.U16(), xf = r.U16();
        Cell(row, col, xf, FormatBiffFloat(r.F64()));
        break;
      }
      case 0x0005: {  // BOOLERR, BIFF2
        int32_t row = r.U16(), col = r.U16(), attr = ReadAttr3(r);
        const uint8_t value = r.U8();
        BoolErr(row, col, attr, value, r.U8());
        break;
      }
      case 0x0205: {  // BOOLERR
        int32_t row = r.U16(), col = r.U16(), xf = r.U16();
        const uint8_t value = r.U8();
        BoolErr(row, col, xf, value, r.U8());
        break;
      }
      case 0x0004:
      case 0x0204:
        Label(record);
        break;
      case 0x00D6:
        RString(record);
        break;
      case 0x0006:
      case 0x0206:
      case 0x0406:
        Formula(r);
        break;
      case 0x0007:
      case 0x0207:
        String(record);
        break;
      case 0x027E: {  // RK
        int32_t row = r.U16(), col = r.U16(), xf = r.U16();
        Cell(row, col, xf, FormatBiffFloat(DecodeRk(r.U32())));
        break;
      }
      case 0x00BD:
        MulRk(r, record.body.size());
        break;
      case 0x00FC: {  // SST and its continuations
        if (record.declaredLength > kMaxSstPiece) throw Exception(Sjis("未知のフォーマット."));
        sst_.Build(GatherContinued(record.body, true));
        break;
      }
      case 0x00FD: {  // LABELSST
        int32_t row = r.U16(), col = r.U16();
        r.U16();  // xf
        uint32_t index = r.U32();
        if (index < sst_.Size()) Cell(row, col, 0, std::string(sst_.At(index)));
        break;
      }
      case 0x0085:
        BoundSheet(r);
        break;
      case 0x007D:
        ColInfo(r);
        break;
      default:
        break;  // formatting, drawing, EOF and the rest carry no cell text
    }
  } catch (const BiffReadError&) {
    // A record whose fields do not fit in its length yields nothing more.
  }
}

void XBiffRecordParser::BoolErr(int32_t row, int32_t col, int32_t attr, uint8_t value,
                                uint8_t isError) {
  if (isError == 0) {
    Cell(row, col, attr, value ? "TRUE" : "FALSE");
  } else if (const char* text = ErrorText(value)) {
    Cell(row, col, attr, text);
  }
}

void XBiffRecordParser::Formula(BiffByteReader& r) {
  int32_t row = r.U16(), col = r.U16();
  int32_t attr = layout_ == TBiffLayout::Plain ? ReadAttr3(r) : r.U16();
  std::string_view result = r.Bytes(8);
  auto byte = [&](size_t i) { return static_cast<uint8_t>(result[i]); };
  lastRow_ = row;
  lastCol_ = col;
  lastAttr_ = attr;
  if (byte(6) == 0xFF && byte(7) == 0xFF) {
    switch (byte(0)) {
      case 1:
        Cell(row, col, attr, byte(2) ? "TRUE" : "FALSE");
        break;
      case 2:
        if (const char* text = ErrorText(byte(2))) Cell(row, col, attr, text);
        break;
      default:
        // A text result arrives with the STRING record that follows; an empty result
        // has no text at all.
        break;
    }
    return;
  }
  BiffByteReader number(result);
  Cell(row, col, attr, FormatBiffFloat(number.F64()));
}

std::string XBiffRecordParser::Biff8Text(const Record& record, size_t headerBytes) {
  BiffContinuedBody body = GatherContinued(record.body, false);
  BiffByteReader r(body.bytes);
  r.Skip(headerBytes);
  size_t boundary = 0;
  return ReadBiff8String(r, body, boundary);
}

void XBiffRecordParser::String(const Record& record) {
  std::string text;
  if (layout_ == TBiffLayout::Biff8) {
    text = Biff8Text(record, 0);
  } else {
    BiffByteReader r(record.body);
    size_t count = layout_ == TBiffLayout::Plain ? r.U8() : r.U16();
    text = CutCp932Text(r.Bytes(count), kMaxShortText);
  }
  Cell(lastRow_, lastCol_, lastAttr_, text);
}

void XBiffRecordParser::Label(const Record& record) {
  BiffByteReader r(record.body);
  int32_t row = r.U16(), col = r.U16();
  if (layout_ == TBiffLayout::Biff8 && record.id == 0x0204) {
    int32_t xf = r.U16();
    Cell(row, col, xf, Biff8Text(record, 6));
    return;
  }
  int32_t attr = ReadAttr3(r);
  r.U8();  // the length byte: the record's own length decides
  Cell(row, col, attr, CutCp932Text(r.Bytes(r.Remaining()), kMaxShortText));
}

void XBiffRecordParser::RString(const Record& record) {
  BiffByteReader r(record.body);
  int32_t row = r.U16(), col = r.U16(), xf = r.U16();
  if (layout_ == TBiffLayout::Biff8) {
    Cell(row, col, xf, Biff8Text(record, 6));
    return;
  }
  uint16_t count = r.U16();
  Cell(row, col, xf, CutCp932Text(r.Bytes(count), kMaxShortText));
}

void XBiffRecordParser::MulRk(BiffByteReader& r, size_t length) {
  int32_t row = r.U16(), first = r.U16();
  size_t pairs = length >= 6 ? (length - 6) / 6 : 0;
  for (size_t i = 0; i < pairs; ++i) {
    int32_t xf = r.U16();
    double value = DecodeRk(r.U32());
    // Every value of the record is reported, even after a handler asked to stop.
    Cell(row, first + static_cast<int32_t>(i), xf, FormatBiffFloat(value));
  }
}

void XBiffRecordParser::BoundSheet(BiffByteReader& r) {
  r.U32();  // stream position of the sheet's BOF
  uint16_t options = r.U16();
  if ((options >> 8) != 0) return;  // chart, macro or other non-worksheet
  std::string name;
  uint8_t count = r.U8();
  if (layout_ == TBiffLayout::Biff8) {
    bool wide = r.U8() & 1;
    std::u16string units;
    std::string_view bytes = r.Bytes(wide ? 2 * count : count);
    for (size_t i = 0; i < count; ++i) {
      auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
      units.push_back(static_cast<char16_t>(wide ? b(2 * i) | (b(2 * i + 1) << 8) : b(i)));
    }
    name = Biff8UnitsToCp932(units);
  } else {
    name = CutCp932Text(r.Bytes(count), 255);
  }
  if (owner_.OnReadSheetName) owner_.OnReadSheetName(owner_, name);
}

void XBiffRecordParser::ColInfo(BiffByteReader& r) {
  int32_t first = r.U16(), last = r.U16(), width = r.U16();
  if (!owner_.OnReadColW) return;
  // No sheet of the .xls family has a column past IV; a damaged range must not turn one
  // 12-byte record into 65536 events.
  last = std::min(last, kLastColumn);
  for (int32_t col = first; col <= last; ++col) owner_.OnReadColW(owner_, sheetNo_, col, width);
}

void TXBiff::ReadRecordStream(std::string_view stream, TBiffLayout container) {
  MemoryByteSource source(stream);
  ReadRecordSource(source, container);
}

void TXBiff::ReadRecordSource(ByteSource& stream, TBiffLayout container) {
  progress_ = 0;
  layout_ = container;
  XBiffRecordParser parser(*this, stream, container);
  parser.Run();
}

}  // namespace skarvo
