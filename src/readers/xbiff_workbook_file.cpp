// Obtaining the record stream of a workbook file: the "Workbook" stream of a compound
// document, else its "Book" stream; the file's own bytes when it is not a compound
// document. The file is read whole once; the stream is copied out of it.
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
  std::optional<std::string> bytes = ReadWholeFile(fileName);
  if (!bytes) throw Exception(Sjis("ﾌｧｲﾙを開くことに失敗しました"));
  ReadWorkbookBytes(std::move(*bytes));
}

void TXBiff::ReadWorkbookBytes(std::string bytes) {
  if (!std::string_view(bytes).starts_with(kCompoundSignature)) {
    ReadRecordStream(bytes, TBiffLayout::Plain);
    return;
  }
  const std::string& openError = Sjis("ﾌｧｲﾙを開くことに失敗しました");
  // A compound document that cannot be opened is damaged, not a bare record file.
  auto storage = CompoundStorage::OpenBytes(std::move(bytes));
  if (!storage) throw Exception(openError);
  for (auto [name, layout] :
       {std::pair{"Workbook", TBiffLayout::Workbook}, std::pair{"Book", TBiffLayout::Book}}) {
    if (!storage->HasStream(name)) continue;
    // A workbook stream that is there but cannot be read whole is damaged too.
    std::optional<std::string> stream = storage->ReadStream(name);
    if (!stream) throw Exception(openError);
    storage.reset();
    ReadRecordStream(*stream, layout);
    return;
  }
  // Without a workbook stream there are no records: the container's own sectors would be
  // read as records and give garbage cells.
  ReadRecordStream({}, TBiffLayout::Plain);
}

}  // namespace skarvo
