// The main text of a word-processor (.doc) document of Word 97 and later, found through
// the document's piece table.
//
// The text of such a document is not stored in one place: the FIB (the header at the start
// of the "WordDocument" stream) names a table stream ("0Table" or "1Table") and the offset
// of the CLX in it; the CLX ends with the piece table, a list of character positions and
// one piece descriptor per piece, each saying where in "WordDocument" the piece's
// characters lie and whether they are 16-bit (UTF-16LE) or compressed 8-bit (one byte per
// character, Windows-1252). Any field that does not hold up (an older FIB, a missing table
// stream, a CLX that runs past its stream, positions that go backwards) makes the table
// unusable, and the caller falls back to the fixed text offset of older documents.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skarvo {

class ByteSource;

struct DocPiece {
  uint32_t cpStart = 0;  // first character position of the piece
  uint32_t cpEnd = 0;    // one past its last
  uint32_t fc = 0;       // byte offset of the piece in "WordDocument"
  bool compressed = false;
};

// Name of the table stream the FIB points at ("0Table" or "1Table"), or nullopt when the
// stream does not start with a FIB whose piece table fields this reader knows.
std::optional<std::string> DocTableStreamName(std::string_view wordDocument);

// The pieces of the piece table in the CLX that the FIB locates in tableStream; nullopt
// when there is no usable piece table.
std::optional<std::vector<DocPiece>> ParseDocPieceTable(std::string_view wordDocument,
                                                        std::string_view tableStream);

// Where the FIB at the start of wordDocument (its first 0x400 bytes are enough) says the
// CLX lies in the table stream; false when the FIB is not known or names an empty CLX.
bool DocClxLocation(std::string_view wordDocument, uint32_t& fcClx, uint32_t& lcbClx);

// The pieces of the piece table in a CLX's bytes; nullopt when it is not usable.
std::optional<std::vector<DocPiece>> ParseDocClx(std::string_view clx);

// Receives the text in order, a part at a time; returns false to stop.
using DocTextPart = std::function<bool(std::u16string_view)>;

// The first maxChars characters of the text the pieces describe, as UTF-16, handed to
// part a piece of the stream at a time. The text ends early where a piece runs past the
// stream, and never has more characters than the stream has bytes, whatever the counts
// say. False when part asked to stop.
bool ForEachDocPieceText(ByteSource& wordDocument, const std::vector<DocPiece>& pieces,
                         uint32_t maxChars, const DocTextPart& part);

// The same, collected whole.
std::u16string DocPieceText(std::string_view wordDocument, const std::vector<DocPiece>& pieces,
                            uint32_t maxChars);

// Windows-1252 byte -> UTF-16 code unit, as compressed pieces are stored.
char16_t DocCompressedChar(unsigned char byte);

}  // namespace skarvo
