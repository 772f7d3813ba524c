// libFuzzer harness: the spreadsheet reader on arbitrary bytes. Every input goes the whole
// way through ReadWorkbookBytes (compound documents included), and also straight into the
// record loop under each container family, which a mutated compound document rarely
// reaches intact.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "readers/xbiff.h"

namespace {

// Handlers on every event, so that each path that builds an event's text runs; one input
// byte decides whether the first cell cancels the read.
void Attach(skarvo::TXBiff& reader, bool cancelFirst, size_t inputSize) {
  reader.OnReadCell = [=](skarvo::TXBiff&, int32_t, int32_t, int32_t, int32_t,
                          const std::string& data, bool& cancel) {
    // A cell's text never holds more than two bytes per input byte.
    if (data.size() > 2 * inputSize + 16) __builtin_trap();
    if (cancelFirst) cancel = true;
  };
  reader.OnProgress = [](skarvo::TXBiff&, int32_t progress) {
    if (progress < 0 || progress > 100) __builtin_trap();
  };
  reader.OnReadColW = [](skarvo::TXBiff&, int32_t, int32_t, int32_t) {};
  reader.OnReadSheetName = [](skarvo::TXBiff&, const std::string&) {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const bool cancelFirst = size > 0 && data[size - 1] == 0xCA;
  try {
    skarvo::TXBiff reader;
    Attach(reader, cancelFirst, size);
    reader.ReadWorkbookBytes(bytes);
  } catch (const skarvo::Exception&) {
  }
  for (auto layout : {skarvo::TBiffLayout::Plain, skarvo::TBiffLayout::Book}) {
    try {
      skarvo::TXBiff reader;
      Attach(reader, cancelFirst, size);
      reader.ReadRecordStream(bytes, layout);
    } catch (const skarvo::Exception&) {
    }
  }
  return 0;
}
