// libFuzzer harness: the word-processor reader on arbitrary bytes. Compound documents go
// the whole way through TReadDoc; every input also goes straight into the parsers of the
// document stream, which a mutated compound document rarely reaches intact.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "readers/doc_pieces.h"
#include "readers/read_doc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  try {
    skarvo::TReadDoc().ReadTextFromBytes(bytes, &lines);
  } catch (const skarvo::Exception&) {
  }

  // The same bytes as a document stream whose table stream is its own tail.
  const std::string_view stream(bytes);
  const std::string_view table = stream.substr(stream.size() / 2);
  if (auto pieces = skarvo::ParseDocPieceTable(stream, table)) {
    std::u16string text = skarvo::DocPieceText(stream, *pieces, 0xFFFFFFFF);
    if (text.size() > stream.size()) __builtin_trap();
  }
  lines.clear();
  skarvo::AppendEightBitDocLines(stream, lines);
  if (skarvo::FixedOffsetDocText(stream, 0xFFFFFFFF).size() > stream.size()) __builtin_trap();
  return 0;
}
