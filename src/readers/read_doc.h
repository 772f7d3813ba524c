// TReadDoc: the text lines of a word-processor (.doc) file, for the search run to search
// like a text file. It does not interpret the document beyond finding its text; a file
// that is not a compound document is read as a plain text file.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace skarvo {

class CompoundStorage;

// The reader's failures; the message is the program's text.
class EReadDoc : public Exception {
 public:
  using Exception::Exception;
};

class TReadDoc {
 public:
  // Fills *Lines with the text lines of the file FileName (a CP932 path). Lines hold CP932
  // text without their line ends. Older documents whose header marks 8-bit text add their
  // lines to what *Lines holds; every other file replaces its content. A null Lines does
  // nothing. Throws EReadDoc ("ﾌｧｲﾙを開くことに失敗しました" when the file cannot be read).
  void ReadText(const std::string& FileName, std::vector<std::string>* Lines);

  // Each line of the file in order, handed to onLine as soon as it is found (the handler may
  // take the text); nothing of the text is held, so a document of any size costs little
  // memory. A failure throws as ReadText does, after the lines found before it.
  using LineHandler = std::function<void(std::string&)>;
  void ReadLines(const std::string& FileName, const LineHandler& onLine);

  // The same for a file's bytes held in memory.
  void ReadTextFromBytes(std::string bytes, std::vector<std::string>* Lines);
};

// Splits text into lines at CR LF, a lone CR or a lone LF, replacing the content of lines.
// A line end at the very end of the text does not start another, empty, line.
void SplitDocLines(std::string_view text, std::vector<std::string>& lines);

// The 8-bit text of older documents: from offset 0x300 of the document stream, byte pairs
// stored swapped are put back in order, and every line that ends in CR is appended to lines.
// The text after the last CR is not a line.
void AppendEightBitDocLines(std::string_view documentStream, std::vector<std::string>& lines);

// The 16-bit text of a document stream without a usable piece table: up to charCount UTF-16
// characters from offset 0x400, fewer when the stream ends first.
std::u16string FixedOffsetDocText(std::string_view documentStream, uint32_t charCount);

}  // namespace skarvo
