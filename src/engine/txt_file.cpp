// The block reader keeps a zero byte after the valid data of its buffer (two after the last
// block) and a zero at the end of CarryText, so each cursor notices every boundary the same
// way: it moves one byte and, when it lands on a zero, asks its refill routine what the zero
// means: the end of CarryText (go on at the start of the buffer), a zero byte of the file
// (becomes a space), or the end of the block (read the next block, keeping the place of what
// was let go, or the end of the file). The file's own zero bytes are made spaces as soon as a
// block is read, so in practice a cursor meets only the markers.
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

#include <algorithm>
#include <cerrno>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/byte_search.h"
#include "platform/codepage.h"

namespace skarvo {

namespace {

constexpr unsigned char kLf = 10;
constexpr unsigned char kCr = 13;

std::string OpenErrorMessage(const std::string& fileName, int savedErrno) {
  int code = savedErrno;
  // Opened but refused: a folder, or a pipe, device or socket that is not a file to read.
  if (code == 0 && !FolderExists(fileName)) return Sjis("通常のファイルではありません");
  if (code == 0) code = EISDIR;
  return Utf8ToCp932Lossy(std::strerror(code));
}

}  // namespace

EEndOfFile::EEndOfFile() : EInOutError("End Of File") {}

EGrepCancel::EGrepCancel() : Exception("CancelRequest") {}

namespace {
constexpr size_t kBufferSize = TTxtFile::BlockSize + 100;

// A zero byte of the file reads as a space. Turned into one as the block comes in, so the
// only zeros the cursors meet are the markers and every fast path stays open: a file of
// zero bytes would otherwise go through the byte-by-byte routines for each of them.
void SpaceOutZeros(char* data, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  // A zero ORed with a space's bits is a space; other bytes are ORed with nothing.
  const __m128i zero = _mm_setzero_si128();
  const __m128i space = _mm_set1_epi8(' ');
  for (; i + 16 <= n; i += 16) {
    auto* at = reinterpret_cast<__m128i*>(data + i);
    const __m128i bytes = _mm_loadu_si128(at);
    const __m128i zeros = _mm_cmpeq_epi8(bytes, zero);
    if (_mm_movemask_epi8(zeros) != 0)
      _mm_storeu_si128(at, _mm_or_si128(bytes, _mm_and_si128(zeros, space)));
  }
#endif
  for (; i < n; ++i)
    if (data[i] == 0) data[i] = ' ';
}

// The buffer of the last reader this thread closed, for the next one.
thread_local std::unique_ptr<char[]> spareBuffer;
}  // namespace

TTxtFile::TTxtFile(const std::string& fileName, const bool& cancel, TMessagePump pump,
                   std::stop_token stop, const HeadCheck* headCheck)
    : cancel_(cancel), pump_(std::move(pump)), stop_(std::move(stop)), headCheck_(headCheck) {
  errno = 0;
  if (!file_.Open(fileName)) {
    // Taken at once: making the exception may touch errno.
    const int code = errno;
    throw EFileNotFound(OpenErrorMessage(fileName, code));
  }
  sizeAtOpen_ = file_.Size();
  buffer_ =
      spareBuffer ? std::move(spareBuffer) : std::make_unique_for_overwrite<char[]>(kBufferSize);
  buffer_[0] = static_cast<char>(kLf);
  ReadBlock(1);
  main_ = lookahead_ = lineStart_ = Cursor{false, 0};
}

TTxtFile::~TTxtFile() {
  if (buffer_) spareBuffer = std::move(buffer_);
}

void TTxtFile::LetMessagesRun() {
  if (pump_ && pump_()) throw EGrepCancel();
  if (cancel_ || stop_.stop_requested()) throw EGrepCancel();
}

void TTxtFile::ReadBlock(size_t destination) {
  FillBlock(destination);
  LetMessagesRun();
}

void TTxtFile::FillBlock(size_t destination) {
  // A file that grows while it is read is read up to the size it had when it was opened,
  // and not asked again once that size is reached. A file that reported no size is read
  // until a read gives nothing. A file with a size is read by place, so a block can be read
  // again.
  // Nothing before the current line's head or the main cursor's place is read again, nor
  // before the last byte of the block being replaced (a CR the new block's first byte decides
  // about may become the line's head).
  uint64_t needed = bytesRead_ > 0 ? bytesRead_ - 1 : 0;
  if (lineHeadDropped_) needed = std::min(needed, lineHeadOffset_);
  if (mainAway_) needed = std::min(needed, mainOffset_);
  file_.Forget(needed);
  size_t want = BlockSize;
  if (sizeAtOpen_ > 0)
    want = static_cast<size_t>(std::min<uint64_t>(want, sizeAtOpen_ - bytesRead_));
  size_t n = 0;
  bool sawEnd = false;
  while (n < want) {
    char* into = buffer_.get() + destination + n;
    const long got = file_.ReadAt(into, want - n, bytesRead_ + n);
    if (got < 0) throw EInOutError(Utf8ToCp932Lossy(std::strerror(errno)));
    if (got == 0) {
      sawEnd = true;
      break;
    }
    n += static_cast<size_t>(got);
  }
  if (n == 0 && destination != 0) throw EEndOfFile();  // an empty file
  if (headCheck_ != nullptr) {
    // Once, on the first block, before its zero bytes become spaces.
    const HeadCheck& check = *headCheck_;
    headCheck_ = nullptr;
    check(std::string_view(buffer_.get() + destination, n),
          sawEnd || (sizeAtOpen_ > 0 && bytesRead_ + n >= sizeAtOpen_));
  }
  SpaceOutZeros(buffer_.get() + destination, n);
  bufferOffset_ = static_cast<int64_t>(bytesRead_) - static_cast<int64_t>(destination);
  bytesRead_ += n;
  atFileEnd_ = sawEnd || (sizeAtOpen_ > 0 && bytesRead_ >= sizeAtOpen_);
  size_t count = destination + n;
  if (atFileEnd_) {
    // The last byte of the file may be the last of the block before (a file that ended
    // at a block's end without saying so by its size): the line end then goes here alone.
    const unsigned char last =
        count > 0 ? static_cast<unsigned char>(buffer_[count - 1]) : lastByte_;
    if (last != kLf) buffer_[count++] = static_cast<char>(kLf);
    buffer_[count] = 0;
    buffer_[count + 1] = 0;
  } else {
    buffer_[count] = 0;
  }
  if (count > 0) lastByte_ = static_cast<unsigned char>(buffer_[count - 1]);
  dataCount_ = count;
  ++blockSerial_;
}

void TTxtFile::LetMainGo() {
  if (!mainAway_) {
    mainAway_ = true;
    mainOffset_ = Offset(main_);
    if (!lineHeadDropped_) {
      lineHeadDropped_ = true;
      lineHeadOffset_ = std::min(Offset(lineStart_), mainOffset_);
    }
  }
  // Only the block's last byte stays: it may be a CR that the next block's first byte
  // decides about.
  carryOffset_ = static_cast<uint64_t>(bufferOffset_ + static_cast<int64_t>(dataCount_) - 1);
  carry_.assign(1, buffer_[dataCount_ - 1]);
  if (carry_.capacity() > kBufferSize) carry_.shrink_to_fit();
}

void TTxtFile::BringMainBack() {
  mainAway_ = false;
  bytesRead_ = mainOffset_;
  FillBlock(0);
  // The line's text before the main cursor is read back from the file if it is reported.
  carry_.clear();
  carryOffset_ = mainOffset_;
  main_ = lookahead_ = lineStart_ = Cursor{false, 0};
  // The byte under the main cursor as the cursor left it: it rests on a CR only when no LF
  // follows (the CR became an LF), and on a zero byte of the file only as a space.
  unsigned char& b = At(main_);
  if (b == kCr)
    b = kLf;
  else if (b == 0 && dataCount_ > 0)
    b = ' ';
}

uint64_t TTxtFile::Offset(const Cursor& c) const {
  return c.inCarry ? carryOffset_ + c.pos
                   : static_cast<uint64_t>(bufferOffset_ + static_cast<int64_t>(c.pos));
}

void TTxtFile::DropLine() {
  // Only the block's last byte stays: it may be a CR that the next block's first byte
  // decides about. The line's place in the file is kept instead of its text.
  if (!lineHeadDropped_) lineHeadOffset_ = Offset(lineStart_);
  lineHeadDropped_ = true;
  carryOffset_ = static_cast<uint64_t>(bufferOffset_ + static_cast<int64_t>(dataCount_) - 1);
  carry_.assign(1, buffer_[dataCount_ - 1]);
  lineStart_ = Cursor{true, 0};
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
    if (!quietEnd_) throw EEndOfFile();
    ended_ = true;
    return false;
  }
  // The main cursor never comes back here: a line that runs on is not kept in memory, but
  // read again from the file if it is reported.
  DropLine();
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
  // The block under the main cursor is about to be replaced: the main cursor will read it
  // again from the file.
  LetMainGo();
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
    if (!main_.inCarry) {
      carry_.clear();
      if (carry_.capacity() > kBufferSize) carry_.shrink_to_fit();
    }
    lineStart_ = main_;
    lineHeadDropped_ = false;
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
  if (mainAway_) BringMainBack();
  if (!main_.inCarry) {
    // Fast path for the common character: not a line end, and the bytes the cursor lands on
    // need none of NextByte's care (a CR, a zero byte, the end of the block).
    const auto* u = reinterpret_cast<const unsigned char*>(buffer_.get()) + main_.pos;
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
  if (ended_) return 0;
  if (IsLeadByte(static_cast<unsigned char>(code))) {
    code = static_cast<uint16_t>(code << 8 | NextByte());
    if (ended_) return 0;
  }
  lookahead_ = main_;
  return code;
}

bool TTxtFile::NextChar(uint16_t& code) {
  if (ended_) return false;
  quietEnd_ = true;
  code = ReadChar();
  quietEnd_ = false;
  return !ended_;
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
  if (main_.inCarry || mainAway_) return;
  const auto* buffer = reinterpret_cast<const unsigned char*>(buffer_.get());
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

namespace {

// The line ends of [p, p + n) as the main cursor counts them: every LF, and every CR that no
// LF follows (it becomes one). p[n] must be readable.
uint64_t CountLineEnds(const unsigned char* p, size_t n) {
  uint64_t count = 0;
  size_t i = 0;
#if defined(__SSE2__)
  // Each lane counts down by one per line end (LF and CR never share a byte), and the
  // lanes are summed before any of them can wrap.
  const __m128i lf = _mm_set1_epi8(static_cast<char>(kLf));
  const __m128i cr = _mm_set1_epi8(static_cast<char>(kCr));
  while (i + 16 <= n) {
    __m128i lanes = _mm_setzero_si128();
    for (int k = 0; k < 255 && i + 16 <= n; ++k, i += 16) {
      const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      const __m128i after = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
      const __m128i lfs = _mm_cmpeq_epi8(here, lf);
      const __m128i loneCrs = _mm_andnot_si128(_mm_cmpeq_epi8(after, lf), _mm_cmpeq_epi8(here, cr));
      lanes = _mm_sub_epi8(lanes, _mm_or_si128(lfs, loneCrs));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<uint64_t>(_mm_cvtsi128_si32(sums)) +
             static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
  }
#endif
  for (; i < n; ++i)
    if (p[i] == kLf || (p[i] == kCr && p[i + 1] != kLf)) ++count;
  return count;
}

// True when the LF at p1 begins a character for a reader that begins one at p0 (an LF,
// p0 < p1). A byte that is no lead byte is followed by a character's start, whatever it
// was itself, so only the run of lead bytes before p1 counts (a CR before the LF is stepped
// over, as the reader pairs a lead byte with the LF after a CR).
bool StartsCharacter(const unsigned char* buffer, size_t p0, size_t p1) {
  size_t j = p1;
  if (buffer[j - 1] == kCr) --j;
  size_t leads = 0;
  while (j > p0 && IsLeadByte(buffer[j - 1])) {
    --j;
    ++leads;
  }
  return leads % 2 == 0;
}

}  // namespace

void TTxtFile::SkipToCandidate(Needles& needles) {
  if (main_.inCarry || mainAway_) return;
  const auto* buffer = reinterpret_cast<const unsigned char*>(buffer_.get());
  const size_t p0 = main_.pos;
  if (buffer[p0] != kLf) return;
  const size_t n = needles.texts.size();
  constexpr size_t kNowhere = ~size_t{0};  // not in the rest of the block
  constexpr size_t kUnknown = kNowhere - 1;
  if (needles.block != blockSerial_) {
    needles.block = blockSerial_;
    needles.next.assign(n, kUnknown);
  }
  size_t first = dataCount_;
  for (size_t i = 0; i < n; ++i) {
    size_t& next = needles.next[i];
    if (next == kUnknown || (next != kNowhere && next < p0)) {
      const std::string& text = needles.texts[i];
      const void* hit = FindBytes(buffer + p0, dataCount_ - p0, text);
      next = hit ? static_cast<size_t>(static_cast<const unsigned char*>(hit) - buffer) : kNowhere;
    }
    if (next != kNowhere) first = std::min(first, next);
  }
  // The line end before the first candidate that begins a character; buffer[p0] is one.
  size_t limit = first;
  size_t p1 = p0;
  while (limit > p0) {
    const void* lf = ::memrchr(buffer + p0, kLf, limit - p0);
    p1 = static_cast<size_t>(static_cast<const unsigned char*>(lf) - buffer);
    if (p1 == p0 || StartsCharacter(buffer, p0, p1)) break;
    limit = p1;
  }
  if (p1 == p0) return;
  lineNo_ += static_cast<int64_t>(CountLineEnds(buffer + p0, p1 - p0));
  main_ = lineStart_ = lookahead_ = Cursor{false, p1};
  lineHeadDropped_ = false;
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
    const auto* u = reinterpret_cast<const unsigned char*>(buffer_.get()) + lookahead_.pos;
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
  if (mainAway_) BringMainBack();
  while (At(main_) != kLf) {
    if (!main_.inCarry) {
      // Bytes before the next LF, CR or zero byte are passed without ado; NextByte takes the
      // last of them so that it lands on what follows as it always does.
      const auto* buffer = reinterpret_cast<const unsigned char*>(buffer_.get());
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
  if (lineHeadDropped_) {
    // Read back into a text that has room for the rest, so a long line is held once.
    const size_t rest = lineStart_.inCarry && !main_.inCarry
                            ? carry_.size() - lineStart_.pos + main_.pos
                            : main_.pos - lineStart_.pos;
    info.Line.reserve(static_cast<size_t>(carryOffset_ - lineHeadOffset_) + rest);
    // As the cursors left them: every zero byte they passed reads as a space.
    if (!file_.AppendLineText(lineHeadOffset_, static_cast<size_t>(carryOffset_ - lineHeadOffset_),
                              info.Line))
      throw EInOutError(Utf8ToCp932Lossy(std::strerror(errno)));
  }
  if (lineStart_.inCarry && !main_.inCarry) {
    info.Line.append(carry_, lineStart_.pos);
    info.Line.append(buffer_.get(), main_.pos);
  } else if (lineStart_.inCarry) {
    info.Line.append(carry_, lineStart_.pos, main_.pos - lineStart_.pos);
  } else {
    info.Line.append(buffer_.get() + lineStart_.pos, main_.pos - lineStart_.pos);
  }
  while (!info.Line.empty() && (info.Line.back() == '\r' || info.Line.back() == '\n'))
    info.Line.pop_back();
  info.LineNo = lineNo_;
  return info;
}

}  // namespace skarvo
