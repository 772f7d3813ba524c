// The encodings text files come in, told apart by their bytes, and the one text form the rest
// of the program searches and replaces in.
//
// Internal form: CP932 bytes, as every Shift-JIS file and the whole pattern engine have
// them. A character CP932 cannot hold (and a byte that is no character of its file's
// encoding) is written as one unit of 12 bytes: 0xFF and then 11 base-4 digits, most
// significant first, each one of 0x80 0xA0 0xFD 0xFE. None of these bytes is a CP932 lead
// byte, a CP932 character or a line end, so a unit never pairs with the text around it, and
// a pattern holding the same unit finds it byte for byte. The unit's value is the code point,
// or kRawByteBase + the byte for a byte that does not decode (so it goes back as it was).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace skarvo {

enum class TextEncoding { kShiftJis, kUtf8, kUtf8Bom, kUtf16Le, kUtf16Be, kEucJp };

// How a text file's encoding is chosen: told from its bytes, or Shift-JIS always.
enum class EncodingChoice { kDetect, kShiftJisOnly };

// The encoding's name as shown to the user ("Shift_JIS", "UTF-8", "UTF-8 BOM", "UTF-16LE",
// "UTF-16BE", "EUC-JP").
const char* EncodingName(TextEncoding encoding);

// The byte order mark the encoding's files begin with ("" for none).
std::string_view ByteOrderMark(TextEncoding encoding);

// Tells the encoding of a text from its first bytes; complete says head is the whole text
// (otherwise a character cut at its end is no fault). A byte order mark decides; text without
// a byte above 0x7F, and text that is valid Shift-JIS and not clearly another encoding, is
// Shift-JIS; text valid in no encoding is Shift-JIS too (read as it always was).
TextEncoding DetectEncoding(std::string_view head, bool complete);

// DetectEncoding on the first kDetectionBytes of a file; Shift-JIS when it cannot be read
// (the reader that follows reports why).
constexpr std::size_t kDetectionBytes = 64 * 1024;
TextEncoding DetectFileEncoding(const std::string& path);

constexpr std::uint32_t kRawByteBase = 0x110000;
constexpr std::size_t kUnitSize = 12;

// Turns a file's bytes into the internal form piece by piece, so a file of any size can be
// converted in bounded memory. The byte order mark at the start is dropped; line ends stay
// line ends (a UTF-16 CR or LF becomes that one byte).
class InternalFormWriter {
 public:
  // atFileStart: the first piece is the file's start, where a byte order mark is dropped.
  explicit InternalFormWriter(TextEncoding encoding, bool atFileStart = true)
      : encoding_(encoding), started_(!atFileStart) {}
  // Appends the internal form of the next piece of the file to out; last marks the end (a
  // character cut there is written as raw bytes).
  void Convert(std::string_view piece, std::string& out, bool last);

 private:
  void ConvertUtf8(std::string_view in, std::string& out, bool last);
  void ConvertUtf16(std::string_view in, std::string& out, bool last);
  void ConvertEucJp(std::string_view in, std::string& out, bool last);
  TextEncoding encoding_;
  bool started_ = false;
  std::string pending_;  // the bytes of a character cut at the end of the last piece
};

// The whole text in internal form (a Shift-JIS text is returned as it is); atFileStart as
// for InternalFormWriter.
std::string ToInternalForm(std::string_view bytes, TextEncoding encoding, bool atFileStart = true);

// A pattern or replacement text the user typed is kept in the internal form (Utf8ToInternal),
// which files of other encodings are searched in as it is. For Shift-JIS files each unit
// that Utf8ToCp932 can convert (a character CP932 holds only one way, as U+301C) becomes
// those bytes, so the text is the one Utf8ToCp932 always made of it; a text without units
// is returned as it is.
std::string ToShiftJisPattern(std::string_view internal);

// The line ends of a text in its encoding, as the search counts them (CR LF, a lone CR, a
// lone LF; 16-bit units in UTF-16). Each line: its content [begin, end) and its end with
// the line break (the next line's begin). The byte order mark is before the first line;
// text after the last break is a line when it is not empty.
struct LineSpan {
  size_t begin, end, next;
};
std::vector<LineSpan> SplitLinesIn(std::string_view bytes, TextEncoding encoding);

// True when the text holds the character U+0000 in its encoding.
bool HoldsNulCharacter(std::string_view bytes, TextEncoding encoding);

// Writes the internal-form text in the encoding (no byte order mark). Returns false, with out
// unspecified, when a character has no form in that encoding.
bool FromInternalForm(std::string_view internal, TextEncoding encoding, std::string& out);

// UTF-8 to internal form: characters CP932 has become CP932 bytes exactly as Utf8ToCp932
// gives them, the others units. Returns false for bytes that are not UTF-8.
bool Utf8ToInternal(std::string_view utf8, std::string& out);

// Internal form to UTF-8 for showing: a raw byte and a byte that is no CP932 character
// become U+FFFD.
std::string InternalToUtf8(std::string_view internal);

// True when the text holds a unit (a character CP932 lacks).
bool HoldsUnit(std::string_view internal);

// The unit of a value (a code point, or kRawByteBase + byte); value < 4^11.
void AppendUnit(std::uint32_t value, std::string& out);

}  // namespace skarvo
