// Obtaining the record stream of a workbook file: the "Workbook" stream of a compound
// document, else its "Book" stream, else the file's own bytes.
#include <optional>
#include <utility>

#include "platform/codepage.h"
#include "platform/compound_storage.h"
#include "platform/error.h"
#include "platform/file_system.h"
#include "readers/xbiff.h"

namespace skarvo {

void TXBiff::ReadWorkbook(const std::string& fileName) {
  fileName_ = fileName;
  std::optional<std::string> stream;
  TBiffLayout container = TBiffLayout::Plain;
  if (auto storage = CompoundStorage::Open(fileName)) {
    for (auto [name, layout] :
         {std::pair{"Workbook", TBiffLayout::Workbook}, std::pair{"Book", TBiffLayout::Book}}) {
      if (!storage->HasStream(name)) continue;
      // A workbook stream that is there but cannot be read whole is a damaged file, not
      // a bare record file: reading the container's raw sectors would report garbage.
      stream = storage->ReadStream(name);
      if (!stream) throw Exception(Sjis("ﾌｧｲﾙを開くことに失敗しました"));
      container = layout;
      break;
    }
  }
  if (!stream) stream = ReadWholeFile(fileName);
  if (!stream) throw Exception(Sjis("ﾌｧｲﾙを開くことに失敗しました"));
  ReadRecordStream(*stream, container);
}

}  // namespace skarvo
