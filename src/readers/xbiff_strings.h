// Texts of the spreadsheet record stream: BIFF8 strings whose characters may run on into
// CONTINUE records, the shared string table built from an SST record and its
// continuations, and the cutting of 8-bit texts to the reader's buffer sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "readers/biff_byte_reader.h"

namespace skarvo {

// Record bodies laid end to end: a record's body and those of the CONTINUE records after
// it, with the offset in `bytes` at which each body ends (ascending, the last one is
// bytes.size()).
struct BiffContinuedBody {
  std::string bytes;
  std::vector<size_t> ends;

  void Append(std::string_view body) {
    bytes.append(body);
    ends.push_back(bytes.size());
  }
};

// Reads the characters of a BIFF8 string whose header (count, options, run count,
// extension size) has been read, from `reader` over body.bytes. Characters that cross
// the end of a body continue after a fresh options byte at the start of the next one,
// which may switch between 8-bit and 16-bit characters. `boundary` is the index in
// body.ends of the body the reader is in; it is kept up to date. 8-bit characters are
// widened to 16-bit code units. Throws BiffReadError when the bytes run out.
std::u16string ReadContinuedBiff8Chars(BiffByteReader& reader, const BiffContinuedBody& body,
                                       size_t& boundary, uint16_t charCount, bool wide);

// Reads a whole BIFF8 string (16-bit count, options, optional run count and extension
// size, characters, runs, extension) and returns its text in CP932. Throws BiffReadError
// when the bytes run out.
std::string ReadBiff8String(BiffByteReader& reader, const BiffContinuedBody& body,
                            size_t& boundary);

// UTF-16 code units up to the first zero unit, in CP932 (characters without a CP932 form
// become "?").
std::string Biff8UnitsToCp932(std::u16string_view units);

// An 8-bit text up to its first zero byte, then cut to at most `maxBytes` bytes without
// splitting a 2-byte character.
std::string CutCp932Text(std::string_view bytes, size_t maxBytes);

// The shared string table of one workbook, addressed from 0.
class SharedStringTable {
 public:
  // Replaces the table by the strings of an SST record body and its continuations. A
  // string cut short by the end of the bytes, or by damaged sizes, ends the table quietly
  // with the strings read before it.
  void Build(const BiffContinuedBody& body);
  void Clear();
  size_t Size() const { return starts_.size(); }
  // The text at `index`, which must be below Size(). Valid until the next Build or Clear.
  std::string_view At(size_t index) const;
  // Appends a string at index Size().
  void Add(const std::string& text);

 private:
  std::string text_;            // every string, end to end
  std::vector<size_t> starts_;  // where each string begins in text_
};

}  // namespace skarvo
