// Obtaining the record stream of a workbook file: the "Workbook" stream of a compound
// document, else its "Book" stream; the file's own bytes when it is not a compound
// document. The stream is read in pieces where it lies, never copied whole.
#include <memory>
#include <string_view>
#include <utility>

#include "platform/byte_source.h"
#include "platform/codepage.h"
#include "platform/compound_storage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "readers/xbiff.h"

namespace skarvo {
namespace {

constexpr std::string_view kCompoundSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

const std::string& OpenErrorText() { return Sjis("ﾌｧｲﾙを開くことに失敗しました"); }

// Reads the records of `file`; openStorage opens the same bytes as a compound document.
template <typename OpenStorage>
void ReadWorkbookSource(TXBiff& reader, ByteSource& file, OpenStorage openStorage) {
  std::string head;
  if (!file.ReadAt(0, kCompoundSignature.size(), head)) throw Exception(OpenErrorText());
  if (head != kCompoundSignature) {
    reader.ReadRecordSource(file, TBiffLayout::Plain);
    return;
  }
  // A compound document that cannot be opened is damaged, not a bare record file.
  std::unique_ptr<CompoundStorage> storage = openStorage();
  if (!storage) throw Exception(OpenErrorText());
  for (auto [name, layout] :
       {std::pair{"Workbook", TBiffLayout::Workbook}, std::pair{"Book", TBiffLayout::Book}}) {
    if (!storage->HasStream(name)) continue;
    // A workbook stream that is there but cannot be read whole is damaged too.
    std::unique_ptr<ByteSource> stream = storage->OpenStream(name);
    if (!stream) throw Exception(OpenErrorText());
    reader.ReadRecordSource(*stream, layout);
    return;
  }
  // Without a workbook stream there are no records: the container's own sectors would be
  // read as records and give garbage cells.
  reader.ReadRecordStream({}, TBiffLayout::Plain);
}

}  // namespace

void TXBiff::ReadWorkbook(const std::string& fileName) {
  fileName_ = fileName;
  std::unique_ptr<ByteSource> file = OpenFileByteSource(fileName);
  if (!file) throw Exception(OpenErrorText());
  ReadWorkbookSource(*this, *file, [&] { return CompoundStorage::Open(fileName); });
}

void TXBiff::ReadWorkbookBytes(std::string bytes) {
  MemoryByteSource file(bytes);
  ReadWorkbookSource(*this, file, [&] { return CompoundStorage::OpenBytes(bytes); });
}

}  // namespace skarvo
