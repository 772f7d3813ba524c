// libFuzzer harness: the zipped office readers on arbitrary bytes taken as a zip. Each input
// is read as a workbook and as a document; every refusal must be an EPackageRefused, and no
// input may give more text than the limits on expansion allow.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "readers/open_xml.h"
#include "readers/package_refusal.h"
#include "readers/zip_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The most text a package may give: every part together expands at most kMaxRatio times
  // the file, or kRatioFreeBytes; CP932 never takes more bytes than UTF-8.
  const uint64_t bound =
      std::max<uint64_t>(skarvo::ZipPackage::kRatioFreeBytes, skarvo::ZipPackage::kMaxRatio * size);
  try {
    std::unique_ptr<skarvo::ZipPackage> package = skarvo::ZipPackage::OpenBytes(bytes);
    uint64_t total = 0;
    skarvo::ReadXlsxCells(*package,
                          [&](int32_t sheetNo, int32_t row, int32_t col, const std::string& text) {
                            total += text.size();
                            if (sheetNo < 1 || row < 0 || col < 0 || text.empty() || total > bound)
                              __builtin_trap();
                          });
  } catch (const skarvo::EPackageRefused&) {
  }
  try {
    std::unique_ptr<skarvo::ZipPackage> package = skarvo::ZipPackage::OpenBytes(bytes);
    uint64_t total = 0;
    skarvo::ReadDocxLines(*package, [&](std::string& line) {
      total += line.size();
      if (total > bound) __builtin_trap();
    });
  } catch (const skarvo::EPackageRefused&) {
  }
  return 0;
}
