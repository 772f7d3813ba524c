// libFuzzer harness: the compound document adapter on arbitrary bytes. Every stream of the
// root is read; none may be larger than the input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/compound_storage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto storage =
      skarvo::CompoundStorage::OpenBytes(std::string(reinterpret_cast<const char*>(data), size));
  if (!storage) return 0;
  for (const std::string& name : storage->StreamNames()) {
    auto content = storage->ReadStream(name);
    if (content && content->size() > size) __builtin_trap();
  }
  (void)storage->ReadStream("Workbook");
  return 0;
}
