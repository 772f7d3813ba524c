// libFuzzer harness: the XML parts of the zipped office files on arbitrary text. The first
// byte picks the part the rest stands for (worksheet, shared strings, workbook, its
// relationships, document, package relationships); the other parts are sound ones, and the
// package is a stored zip made here, so every input reaches the XML readers.
#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "readers/open_xml.h"
#include "readers/package_refusal.h"
#include "readers/zip_package.h"

namespace {

constexpr std::string_view kRel =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string Rels(std::string_view body) {
  return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
         std::string(body) + "</Relationships>";
}

std::string Relation(std::string_view id, std::string_view kind, std::string_view target) {
  return "<Relationship Id=\"" + std::string(id) + "\" Type=\"" + std::string(kRel) + "/" +
         std::string(kind) + "\" Target=\"" + std::string(target) + "\"/>";
}

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A zip of stored entries.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string zip, directory;
  for (const auto& entry : entries) {
    const std::string& name = entry.first;
    const std::string& body = entry.second;
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    const uint32_t offset = static_cast<uint32_t>(zip.size());
    auto header = [&](std::string& out, bool central) {
      Put32(out, central ? 0x02014b50 : 0x04034b50);
      if (central) Put16(out, 20);
      Put16(out, 20);  // version needed
      Put16(out, 0);   // flags
      Put16(out, 0);   // stored
      Put32(out, 0);   // time and date
      Put32(out, crc);
      Put32(out, static_cast<uint32_t>(body.size()));
      Put32(out, static_cast<uint32_t>(body.size()));
      Put16(out, static_cast<uint32_t>(name.size()));
      Put16(out, 0);  // extra
      if (central) {
        Put16(out, 0);  // comment
        Put16(out, 0);  // disk
        Put16(out, 0);  // internal attributes
        Put32(out, 0);  // external attributes
        Put32(out, offset);
      }
      out += name;
    };
    header(zip, false);
    zip += body;
    header(directory, true);
  }
  const uint32_t directoryOffset = static_cast<uint32_t>(zip.size());
  zip += directory;
  Put32(zip, 0x06054b50);
  Put16(zip, 0);
  Put16(zip, 0);
  Put16(zip, static_cast<uint32_t>(entries.size()));
  Put16(zip, static_cast<uint32_t>(entries.size()));
  Put32(zip, static_cast<uint32_t>(directory.size()));
  Put32(zip, directoryOffset);
  Put16(zip, 0);
  return zip;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string s =
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
      "xmlns:r=\"" +
      std::string(kRel) + "\"";
  using Parts = std::vector<std::pair<std::string, std::string>>;
  Parts book = {
      {"_rels/.rels", Rels(Relation("rId1", "officeDocument", "xl/workbook.xml"))},
      {"xl/workbook.xml", "<workbook " + s +
                              "><sheets><sheet r:id=\"rId1\"/>"
                              "<sheet r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       Rels(Relation("rId1", "worksheet", "s.xml") + Relation("rId2", "sharedStrings", "t.xml"))},
      {"xl/s.xml", "<worksheet " + s +
                       "><sheetData><row><c t=\"s\"><v>0</v></c>"
                       "<c><v>1.5</v></c></row></sheetData></worksheet>"},
      {"xl/t.xml", "<sst " + s + "><si><t>a</t></si></sst>"},
  };
  Parts letter = {
      {"_rels/.rels", Rels(Relation("rId1", "officeDocument", "word/document.xml"))},
      {"word/document.xml",
       "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
       "<w:body><w:p><w:r><w:t>a</w:t></w:r></w:p></w:body></w:document>"},
  };
  // 0 sheet, 1 shared strings, 2 workbook, 3 its relationships, 4 document, 5 the package's
  // relationships (of both).
  switch (data[0] % 6) {
    case 4:
      letter[1].second = text;
      break;
    case 5:
      book[0].second = letter[0].second = text;
      break;
    default:
      book[static_cast<size_t>(std::array<int, 4>{3, 4, 1, 2}[data[0] % 6])].second = text;
      break;
  }
  try {
    const std::string zip = StoredZip(book);
    std::unique_ptr<skarvo::ZipPackage> package = skarvo::ZipPackage::OpenBytes(zip);
    skarvo::ReadXlsxCells(*package,
                          [&](int32_t sheetNo, int32_t row, int32_t col, const std::string& cell) {
                            if (sheetNo < 1 || row < 0 || col < 0 || cell.empty()) __builtin_trap();
                          });
  } catch (const skarvo::EPackageRefused&) {
  }
  try {
    const std::string zip = StoredZip(letter);
    std::unique_ptr<skarvo::ZipPackage> package = skarvo::ZipPackage::OpenBytes(zip);
    skarvo::ReadDocxLines(*package, [&](std::string&) {});
  } catch (const skarvo::EPackageRefused&) {
  }
  return 0;
}
