// Obtaining the record stream of a workbook file: the "Workbook" stream of a compound
// document, else its "Book" stream; the file's own bytes when it is not a compound
// document.
#include <optional>
#include <string_view>
#include <utility>

#include "platform/codepage.h"
#include "platform/compound_storage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "readers/xbiff.h"

namespace skarvo {
namespace {

constexpr std::string_view kCompoundSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

}  // namespace

void TXBiff::ReadWorkbook(const std::string& fileName) {
  fileName_ = fileName;
  const std::string& openError = Sjis("ﾌｧｲﾙを開くことに失敗しました");
  std::string stream;
  TBiffLayout container = TBiffLayout::Plain;
  bool found = false;
  auto storage = CompoundStorage::Open(fileName);
  const bool opened = storage != nullptr;
  if (storage) {
    for (auto [name, layout] :
         {std::pair{"Workbook", TBiffLayout::Workbook}, std::pair{"Book", TBiffLayout::Book}}) {
      if (!storage->HasStream(name)) continue;
      // A workbook stream that is there but cannot be read whole is a damaged file, not
      // a bare record file: reading the container's raw sectors would report garbage.
      std::optional<std::string> bytes = storage->ReadStream(name);
      if (!bytes) throw Exception(openError);
      stream = std::move(*bytes);
      container = layout;
      found = true;
      break;
    }
    // A compound document without a workbook stream holds no records; its sectors would
    // be read as records and give garbage cells, so it is read as an empty stream.
    found = true;
    storage.reset();
  }
  if (!found) {
    std::optional<std::string> bytes = ReadWholeFile(fileName);
    if (!bytes) throw Exception(openError);
    // A compound document that could not be opened is damaged, not a bare record file.
    if (!opened && bytes->starts_with(kCompoundSignature)) throw Exception(openError);
    stream = std::move(*bytes);
  }
  ReadRecordStream(stream, container);
}

}  // namespace skarvo
