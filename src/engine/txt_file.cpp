// The block reader keeps a zero byte after the valid data of its buffer (two after the last
// block) and a zero at the end of CarryText, so each cursor notices every boundary the same
// way: it moves one byte and, when it lands on a zero, asks its refill routine what the zero
// means: the end of CarryText (go on at the start of the buffer), a zero byte of the file
// (becomes a space), or the end of the block (keep the current line in CarryText and read the
// next block, or the end of the file).
//
// Line ends: the main cursor, after each byte it consumes, steps over a CR that an LF follows
// and turns a lone CR into an LF in place; the lookahead cursor does the same as it reads. So
// both see one LF per line end, and the bytes a line is cut from hold the same LFs for both.
//
// Speed: the byte-by-byte routines above define every result, but most bytes need none of
// their care. ReadChar, NextLookaheadChar and GetLine first try a fast path inside the buffer
// that applies only when no line end is consumed and the cursor lands on no CR, zero byte or
// block end; anything else goes through the full routine. SkipCharacters passes, in a tight
// loop, the characters that cannot begin a match under the same condition. So the order of
// line counts, block reads and message processing is exactly that of the full routines.
#include "engine/txt_file.h"

#include <cerrno>
#include <cstring>

#include "platform/codepage.h"

namespace skarvo {

namespace {

constexpr unsigned char kLf = 10;
constexpr unsigned char kCr = 13;

std::string OpenErrorMessage(const std::string& fileName, int savedErrno) {
  int code = savedErrno;
  if (code == 0) code = FolderExists(fileName) ? EISDIR : EINVAL;
  return Utf8ToCp932Lossy(std::strerror(code));
}

}  // namespace

EEndOfFile::EEndOfFile() : EInOutError("End Of File") {}

EGrepCancel::EGrepCancel() : Exception("CancelRequest") {}

TTxtFile::TTxtFile(const std::string& fileName, const bool& cancel, TMessagePump pump)
    : cancel_(cancel), pump_(std::move(pump)) {
  errno = 0;
  if (!file_.Open(fileName)) throw EFileNotFound(OpenErrorMessage(fileName, errno));
  buffer_.assign(BlockSize + 100, 0);
  buffer_[0] = static_cast<char>(kLf);
  ReadBlock(1);
  main_ = lookahead_ = lineStart_ = Cursor{false, 0};
}

TTxtFile::~TTxtFile() = default;

void TTxtFile::LetMessagesRun() {
  if (pump_ && pump_()) throw EGrepCancel();
}

void TTxtFile::ReadBlock(size_t destination) {
  size_t n = 0;
  while (n < BlockSize) {
    long got = file_.Read(buffer_.data() + destination + n, BlockSize - n);
    if (got < 0) throw EInOutError(Utf8ToCp932Lossy(std::strerror(errno)));
    if (got == 0) break;
    n += static_cast<size_t>(got);
  }
  if (n == 0) throw EEndOfFile();
  bytesRead_ += n;
  // A file that grows while it is read is read up to the size it had when it was opened.
  atFileEnd_ = n < BlockSize || bytesRead_ >= file_.Size();
  size_t count = destination + n;
  if (atFileEnd_) {
    if (static_cast<unsigned char>(buffer_[count - 1]) != kLf) buffer_[count++] = kLf;
    buffer_[count] = 0;
    buffer_[count + 1] = 0;
  } else {
    buffer_[count] = 0;
  }
  dataCount_ = count;
  LetMessagesRun();
  if (cancel_) throw EGrepCancel();
}

void TTxtFile::KeepLine() {
  if (lineStart_.inCarry) {
    carry_.append(buffer_.data(), dataCount_);
  } else {
    carry_.assign(buffer_.data() + lineStart_.pos, dataCount_ - lineStart_.pos);
    lineStart_ = Cursor{true, 0};
  }
}

bool TTxtFile::RefillMain(unsigned char consumed) {
  if (main_.inCarry) {
    if (main_.pos >= carry_.size()) {
      main_ = Cursor{false, 0};
      return true;
    }
    carry_[main_.pos] = ' ';
    return false;
  }
  if (main_.pos < dataCount_) {
    buffer_[main_.pos] = ' ';
    return false;
  }
  if (atFileEnd_) {
    if (consumed == 0) --main_.pos;
    throw EEndOfFile();
  }
  KeepLine();
  ReadBlock(0);
  main_ = Cursor{false, 0};
  return true;
}

bool TTxtFile::RefillLookahead(unsigned char consumed) {
  if (lookahead_.inCarry) {
    if (lookahead_.pos >= carry_.size()) {
      lookahead_ = Cursor{false, 0};
      return true;
    }
    carry_[lookahead_.pos] = ' ';
    return false;
  }
  if (lookahead_.pos < dataCount_) {
    buffer_[lookahead_.pos] = ' ';
    return false;
  }
  if (atFileEnd_) {
    if (consumed == 0) --lookahead_.pos;
    return false;
  }
  // The block under the main cursor is about to be replaced: the main cursor moves into
  // CarryText with the line start, at the same distance from it.
  const Cursor oldLineStart = lineStart_;
  const size_t oldCarrySize = carry_.size();
  KeepLine();
  if (!main_.inCarry) {
    main_.pos = oldLineStart.inCarry ? oldCarrySize + main_.pos : main_.pos - oldLineStart.pos;
    main_.inCarry = true;
  }
  ReadBlock(0);
  lookahead_ = Cursor{false, 0};
  return true;
}

TTxtFile::Cursor TTxtFile::CrBefore(const Cursor& crPlace, const Cursor& now) const {
  if (now.inCarry == crPlace.inCarry && now.pos == crPlace.pos + 1) return crPlace;
  return Cursor{true, carry_.size() - 1};
}

unsigned char TTxtFile::NextByte() {
  const unsigned char b = At(main_);
  ++main_.pos;
  while (At(main_) == 0 && RefillMain(b)) {
  }
  if (b == kLf) {
    if (!main_.inCarry) carry_.clear();
    lineStart_ = main_;
    ++lineNo_;
  }
  if (At(main_) == kCr) {
    const Cursor cr = main_;
    ++main_.pos;
    while (At(main_) == 0 && RefillMain(kCr)) {
    }
    if (At(main_) != kLf) {
      main_ = CrBefore(cr, main_);
      At(main_) = kLf;
    }
  }
  lookahead_ = main_;
  return b;
}

uint16_t TTxtFile::ReadChar() {
  if (!main_.inCarry) {
    // Fast path for the common character: not a line end, and the bytes the cursor lands on
    // need none of NextByte's care (a CR, a zero byte, the end of the block).
    const auto* u = reinterpret_cast<const unsigned char*>(buffer_.data()) + main_.pos;
    const unsigned char b = u[0];
    if (b != kLf && b != kCr && b != 0) {
      if (!IsLeadByte(b)) {
        if (u[1] != kCr && u[1] != 0) {
          main_.pos += 1;
          lookahead_ = main_;
          return b;
        }
      } else if (u[1] != kLf && u[1] != kCr && u[1] != 0 && u[2] != kCr && u[2] != 0) {
        main_.pos += 2;
        lookahead_ = main_;
        return static_cast<uint16_t>(b << 8 | u[1]);
      }
    }
  }
  uint16_t code = NextByte();
  if (IsLeadByte(static_cast<unsigned char>(code)))
    code = static_cast<uint16_t>(code << 8 | NextByte());
  lookahead_ = main_;
  return code;
}

namespace {
enum SkipClass : uint8_t { kSkipSingle = 0, kSkipLead = 1, kStop = 2 };
}  // namespace

TTxtFile::SkipTable TTxtFile::MakeSkipTable(const std::array<bool, 256>& mayStart) {
  SkipTable table{};
  for (int b = 0; b < 256; ++b) {
    const auto u = static_cast<unsigned char>(b);
    if (mayStart[u] || u == kLf || u == kCr || u == 0)
      table[u] = kStop;
    else
      table[u] = IsLeadByte(u) ? kSkipLead : kSkipSingle;
  }
  return table;
}

void TTxtFile::SkipCharacters(const SkipTable& table) {
  if (main_.inCarry) return;
  const auto* buffer = reinterpret_cast<const unsigned char*>(buffer_.data());
  const size_t start = main_.pos;
  size_t pos = start;
  size_t previous = start;
  for (;;) {
    const uint8_t kind = table[buffer[pos]];
    if (kind == kSkipSingle) {
      previous = pos;
      pos += 1;
    } else if (kind == kSkipLead) {
      const unsigned char trail = buffer[pos + 1];  // the data always ends in an LF and a zero
      if (trail == kLf || trail == kCr || trail == 0) break;
      previous = pos;
      pos += 2;
    } else {
      break;
    }
  }
  // The cursor may rest on an LF or a possible start, never on a CR or a zero byte: NextByte
  // deals with those when it lands on them, so the character before is left to it.
  if (pos != start && (buffer[pos] == kCr || buffer[pos] == 0)) pos = previous;
  main_.pos = pos;
  lookahead_ = main_;
}

unsigned char TTxtFile::NextLookaheadByte() {
  const Cursor place = lookahead_;
  const unsigned char b = At(lookahead_);
  ++lookahead_.pos;
  while (At(lookahead_) == 0 && RefillLookahead(b)) {
  }
  if (b != kCr) return b;
  if (At(lookahead_) == kLf) {
    ++lookahead_.pos;
    while (At(lookahead_) == 0 && RefillLookahead(kLf)) {
    }
  } else {
    At(CrBefore(place, lookahead_)) = kLf;
  }
  return kLf;
}

uint16_t TTxtFile::NextLookaheadChar() {
  if (!lookahead_.inCarry) {
    // Fast path: no CR to turn into a line end, and no zero byte to land on.
    const auto* u = reinterpret_cast<const unsigned char*>(buffer_.data()) + lookahead_.pos;
    const unsigned char b = u[0];
    if (b != kCr && b != 0) {
      if (!IsLeadByte(b)) {
        if (u[1] != 0) {
          lookahead_.pos += 1;
          return b;
        }
      } else if (u[1] != kCr && u[1] != 0 && u[2] != 0) {
        lookahead_.pos += 2;
        return static_cast<uint16_t>(b << 8 | u[1]);
      }
    }
  }
  uint16_t code = NextLookaheadByte();
  if (IsLeadByte(static_cast<unsigned char>(code)))
    code = static_cast<uint16_t>(code << 8 | NextLookaheadByte());
  return code;
}

RE_LineInfo_t TTxtFile::GetLine() {
  LetMessagesRun();
  if (cancel_) throw EGrepCancel();
  while (At(main_) != kLf) {
    if (!main_.inCarry) {
      // Bytes before the next LF, CR or zero byte are passed without ado; NextByte takes the
      // last of them so that it lands on what follows as it always does.
      const auto* buffer = reinterpret_cast<const unsigned char*>(buffer_.data());
      size_t q = main_.pos;
      while (buffer[q] != kLf && buffer[q] != kCr && buffer[q] != 0) ++q;
      if (buffer[q] == kLf) {
        main_.pos = q;
        lookahead_ = main_;
        break;
      }
      if (q - 1 > main_.pos) main_.pos = q - 1;
    }
    NextByte();
  }
  RE_LineInfo_t info;
  if (lineStart_.inCarry && !main_.inCarry) {
    info.Line.assign(carry_, lineStart_.pos);
    info.Line.append(buffer_.data(), main_.pos);
  } else if (lineStart_.inCarry) {
    info.Line.assign(carry_, lineStart_.pos, main_.pos - lineStart_.pos);
  } else {
    info.Line.assign(buffer_.data() + lineStart_.pos, main_.pos - lineStart_.pos);
  }
  while (!info.Line.empty() && (info.Line.back() == '\r' || info.Line.back() == '\n'))
    info.Line.pop_back();
  info.LineNo = lineNo_;
  return info;
}

}  // namespace skarvo
