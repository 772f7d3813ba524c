// A BIFF8 string holds a character count, an options byte (bit 0: 16-bit characters,
// bit 2: extension data follows, bit 3: formatting runs follow) and the characters.
// When the characters do not fit in the record, the writer ends the record and goes on in
// a CONTINUE record that begins with a new options byte of its own, so one string may be
// part 8-bit and part 16-bit. The bodies are therefore concatenated once into one buffer
// with the list of their end offsets, and a string reader consults that list only to find
// the places where a fresh options byte sits. Headers, formatting runs and extension data
// are never interrupted that way, so they are read straight across body ends.
#include "readers/xbiff_strings.h"

#include "platform/codepage.h"

namespace skarvo {
namespace {

// Appends `bytes` as code units: 2 bytes each when wide (an odd last byte is dropped),
// else 1 byte each, widened. Returns the number of characters appended.
size_t AppendUnits(std::u16string& out, std::string_view bytes, bool wide) {
  auto b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (!wide) {
    for (size_t i = 0; i < bytes.size(); ++i) out.push_back(static_cast<char16_t>(b[i]));
    return bytes.size();
  }
  size_t count = bytes.size() / 2;
  for (size_t i = 0; i < count; ++i)
    out.push_back(static_cast<char16_t>(b[2 * i] | (b[2 * i + 1] << 8)));
  return count;
}

// Moves `boundary` to the body that holds the reader's position.
void FollowBoundary(const BiffByteReader& reader, const BiffContinuedBody& body, size_t& boundary) {
  while (boundary + 1 < body.ends.size() && reader.Position() >= body.ends[boundary]) ++boundary;
}

}  // namespace

std::u16string ReadContinuedBiff8Chars(BiffByteReader& reader, const BiffContinuedBody& body,
                                       size_t& boundary, uint16_t charCount, bool wide) {
  std::u16string units;
  size_t missing = charCount;
  bool first = true;
  while (true) {
    if (!first) {
      FollowBoundary(reader, body, boundary);
      wide = reader.U8() & 1;  // the continuation's own options byte
    }
    first = false;
    size_t count = wide ? 2 * missing : missing;
    size_t end = boundary < body.ends.size() ? body.ends[boundary] : reader.Size();
    size_t room = end > reader.Position() ? end - reader.Position() : 0;
    bool split = count > room;
    if (split) count = room;
    missing -= AppendUnits(units, reader.Bytes(count), wide);
    if (!split || missing == 0) return units;
    // The rest of the characters lie after the end of this body: the loop reads the next
    // options byte, which fails cleanly when there is no next body.
    if (boundary + 1 >= body.ends.size()) throw BiffReadError();
  }
}

std::string ReadBiff8String(BiffByteReader& reader, const BiffContinuedBody& body,
                            size_t& boundary) {
  FollowBoundary(reader, body, boundary);
  uint16_t count = reader.U16();
  uint8_t options = reader.U8();
  uint16_t runs = (options & 8) ? reader.U16() : 0;
  uint32_t extension = (options & 4) ? reader.U32() : 0;
  std::u16string units = ReadContinuedBiff8Chars(reader, body, boundary, count, options & 1);
  reader.Skip(4 * static_cast<size_t>(runs));
  reader.Skip(extension);
  return Biff8UnitsToCp932(units);
}

std::string Biff8UnitsToCp932(std::u16string_view units) {
  size_t zero = units.find(u'\0');
  if (zero != std::u16string_view::npos) units = units.substr(0, zero);
  bool ascii = true;
  for (char16_t u : units) {
    if (u >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (!ascii) return Utf16ToCp932(units);
  // Most cell texts are plain ASCII; they need no conversion service.
  std::string text;
  text.reserve(units.size());
  for (char16_t u : units) text.push_back(static_cast<char>(u));
  return text;
}

std::string CutCp932Text(std::string_view bytes, size_t maxBytes) {
  size_t zero = bytes.find('\0');
  if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
  if (bytes.size() <= maxBytes) return std::string(bytes);
  size_t i = 0;
  while (i < maxBytes) {
    size_t step = IsLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
    if (i + step > maxBytes) break;
    i += step;
  }
  return std::string(bytes.substr(0, i));
}

void SharedStringTable::Clear() {
  text_.clear();
  starts_.clear();
}

void SharedStringTable::Add(const std::string& text) {
  starts_.push_back(text_.size());
  text_ += text;
}

std::string_view SharedStringTable::At(size_t index) const {
  size_t begin = starts_[index];
  size_t end = index + 1 < starts_.size() ? starts_[index + 1] : text_.size();
  return std::string_view(text_).substr(begin, end - begin);
}

void SharedStringTable::Build(const BiffContinuedBody& body) {
  Clear();
  BiffByteReader reader(body.bytes);
  size_t boundary = 0;
  try {
    reader.U32();  // total count of LABELSST references: not needed
    reader.U32();  // unique count: not trusted, the bytes decide
    while (!reader.AtEnd()) {
      // Formatting runs may have run on into the next body.
      FollowBoundary(reader, body, boundary);
      uint16_t count = reader.U16();
      uint8_t options = reader.U8();
      uint16_t runs = (options & 8) ? reader.U16() : 0;
      uint32_t extension = (options & 4) ? reader.U32() : 0;
      std::u16string units = ReadContinuedBiff8Chars(reader, body, boundary, count, options & 1);
      Add(Biff8UnitsToCp932(units));
      reader.Skip(4 * static_cast<size_t>(runs));
      reader.Skip(extension);
    }
  } catch (const BiffReadError&) {
    // A damaged or cut table keeps the strings read so far.
  }
}

}  // namespace skarvo
