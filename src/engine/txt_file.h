// TTxtFile: the text reader under TGrep. It reads one file in blocks of 102400 bytes and
// presents it as a stream of 1- and 2-byte character codes in which every line end (CR LF, a
// lone CR or a lone LF) is one LF, a zero byte is a space, the file starts with an LF of its
// own (so the first line is line 1 and `^` finds it) and always ends with a line end.
//
// Two cursors move over that stream. The main cursor marks where a match may start and counts
// lines; the lookahead cursor runs ahead of it while an automaton is walked. A block both
// cursors have left is let go; what is needed again (a reported line's head, the block the
// main cursor is in when the lookahead runs on) is read again by place, so a line of any
// length is reported whole while the file is never held in memory.
//
// The reader lets the host's pending messages run after every block it reads and before every
// line it hands out; when the host answers stop, the owner's cancel flag is found set or a
// stop is requested on its stop token, at either point it raises EGrepCancel "CancelRequest".
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"
#include "platform/rereadable_file.h"

namespace skarvo {

// Lets the host's pending window messages run (repaints, and whatever the window allows
// meanwhile); returns true when the search must stop.
using TMessagePump = std::function<bool()>;

// The record of a reported line.
struct RE_LineInfo_t {
  std::string Line;    // the line's text, trailing CR and LF bytes removed
  int64_t LineNo = 0;  // 1-based number of the line in the file
};

// An input or output error of a file.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
};

// The reader came to the end of the file ("End Of File"); ends a search normally.
class EEndOfFile : public EInOutError {
 public:
  EEndOfFile();
};

// The file could not be opened; carries the OS's reason.
class EFileNotFound : public EInOutError {
 public:
  using EInOutError::EInOutError;
};

// The owner's cancel flag was found set ("CancelRequest").
class EGrepCancel : public Exception {
 public:
  EGrepCancel();
};

class TTxtFile {
 public:
  static constexpr size_t BlockSize = 102400;

  // Opens the file and reads its first block. Raises EFileNotFound when it cannot be opened,
  // EEndOfFile when it is empty, EGrepCancel when cancel is set after the first block is read.
  // cancel must outlive the reader; pump may be empty. stop may be asked from another thread.
  // headCheck, when given, is shown the first block's bytes as they were read (zero bytes
  // still zeros) and whether they are the whole file, before anything else; what it throws
  // goes on.
  using HeadCheck = std::function<void(std::string_view head, bool whole)>;
  TTxtFile(const std::string& fileName, const bool& cancel, TMessagePump pump,
           std::stop_token stop = {}, const HeadCheck* headCheck = nullptr);
  ~TTxtFile();
  TTxtFile(const TTxtFile&) = delete;
  TTxtFile& operator=(const TTxtFile&) = delete;

  // The next character at the main cursor; the lookahead cursor is put right after it.
  // Raises EEndOfFile when the main cursor consumes the file's last line end.
  uint16_t ReadChar();
  // As ReadChar, but the end of the file is an answer, not an exception: false (and the
  // reader is done) where ReadChar would raise EEndOfFile. A search reaches the end of
  // every file, so it asks this way.
  bool NextChar(uint16_t& code);

  // The next character at the lookahead cursor; 0 once the end of the file is reached, and
  // from then on.
  uint16_t NextLookaheadChar();

  // Moves the main cursor to the end of its line and returns that line with its number.
  // Lets pending messages run first and raises EGrepCancel when cancel is set.
  RE_LineInfo_t GetLine();

  // What SkipCharacters does with a character, by its first byte (built once per search).
  using SkipTable = std::array<uint8_t, 256>;
  // The table for a search in which only characters whose first byte is marked in mayStart
  // can begin a match.
  static SkipTable MakeSkipTable(const std::array<bool, 256>& mayStart);

  // Moves the main cursor over whole characters that cannot begin a match, as ReadChar would
  // read them one by one, but stops before anything that ReadChar treats specially: a line
  // end, a CR, a zero byte, the end of the block, CarryText. So nothing observable happens on
  // the way (no line counted, no block read, no byte rewritten).
  void SkipCharacters(const SkipTable& table);

  // Required texts of the pattern (one of which every match holds within the line where it
  // starts) and, for each, the place of its next occurrence in the current block.
  struct Needles {
    std::vector<std::string> texts;
    std::vector<size_t> next;
    uint64_t block = ~uint64_t{0};
  };
  // When the main cursor rests on a line end in the buffer, moves it on to the line end
  // before the first line of the block where a needle occurs (without one, to the block's
  // last line end), counting the line ends it passes as the main cursor would. It rests only
  // on an LF that begins a character as ReadChar would read from here (never on the second
  // byte of a 2-byte character, never on a CR), and reads nothing, so no block is read and
  // no message runs on the way. A line it passes could not hold the start of a match.
  void SkipToCandidate(Needles& needles);

  // Number of line ends the main cursor has consumed (the current line's number).
  int64_t LineNo() const { return lineNo_; }

 private:
  // A place in the buffer or in CarryText.
  struct Cursor {
    bool inCarry = false;
    size_t pos = 0;
  };

  unsigned char& At(const Cursor& c) {
    return reinterpret_cast<unsigned char&>(c.inCarry ? carry_[c.pos] : buffer_[c.pos]);
  }
  void ReadBlock(size_t destination);
  // Reads the block at bytesRead_ into the buffer from destination on; no messages run.
  void FillBlock(size_t destination);
  // The lookahead leaves the main cursor's block: the main cursor's place is kept instead of
  // the block.
  void LetMainGo();
  // Reads the block at the main cursor's place again and puts both cursors there.
  void BringMainBack();
  void LetMessagesRun();
  // Lets the current line's text before the end of the block go, keeping where it began.
  void DropLine();
  // The place in the file of the byte under a cursor.
  uint64_t Offset(const Cursor& c) const;
  unsigned char NextByte();
  unsigned char NextLookaheadByte();
  // Called while the cursor stands on a zero byte; true when the byte under it must be
  // looked at again, false when the cursor rests where it is.
  bool RefillMain(unsigned char consumed);
  bool RefillLookahead(unsigned char consumed);
  // The CR just passed by cursor c (the last byte of CarryText when a refill intervened).
  Cursor CrBefore(const Cursor& crPlace, const Cursor& now) const;

  RereadableFile file_;
  const bool& cancel_;
  TMessagePump pump_;
  std::stop_token stop_;
  const HeadCheck* headCheck_;  // until the first block is read
  uint64_t bytesRead_ = 0;
  // The size from opening, or 0 when the file reported none (/proc and the like): then it
  // is read until a read gives nothing (and file_ keeps what may be read again).
  uint64_t sizeAtOpen_ = 0;
  bool atFileEnd_ = false;
  // Set by NextChar for its call: the end of the file marks ended_ instead of raising.
  bool quietEnd_ = false;
  bool ended_ = false;
  unsigned char lastByte_ = 0;  // the last data byte of the block before
  uint64_t blockSerial_ = 0;    // counts the blocks read
  int64_t bufferOffset_ = 0;    // the place in the file of buffer_[0] (-1 for the first block)
  uint64_t carryOffset_ = 0;    // the place in the file of carry_[0]
  // The current line began before carry_ and its text there was let go: it begins at
  // lineHeadOffset_ and is read again when the line is reported.
  bool lineHeadDropped_ = false;
  uint64_t lineHeadOffset_ = 0;
  // The lookahead went on past the block the main cursor is in, which was let go: the main
  // cursor stands at mainOffset_ in the file.
  bool mainAway_ = false;
  uint64_t mainOffset_ = 0;
  // Lent by a per-thread spare for the reader's life, so a search of many files allocates
  // it once; never zero-filled (the reader writes its markers itself).
  std::unique_ptr<char[]> buffer_;
  size_t dataCount_ = 0;
  std::string carry_;  // CarryText
  Cursor main_;
  Cursor lookahead_;
  Cursor lineStart_;
  int64_t lineNo_ = 0;
};

}  // namespace skarvo
