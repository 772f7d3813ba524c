// The zip container of an office file, read over libzip. Entries are streamed a piece at a
// time, never held whole, and each read is watched for a zip bomb: an entry that expands
// past kMaxEntryBytes, or whose expansion runs past kMaxRatio times its compressed size (or
// the whole package's past kMaxRatio times the file) once past kRatioFreeBytes. Every
// failure is an EPackageRefused.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct zip;

namespace skarvo {

class ZipPackage {
 public:
  static constexpr uint64_t kMaxEntryBytes = uint64_t{1} << 30;
  static constexpr uint64_t kRatioFreeBytes = uint64_t{1} << 20;
  static constexpr uint64_t kMaxRatio = 200;

  // The zip at path (CP932). Throws EPackageRefused: DamagedPackageText when the file cannot
  // be opened or is no sound zip.
  static std::unique_ptr<ZipPackage> Open(const std::string& path);
  // The same for bytes held in memory; they must outlive the package.
  static std::unique_ptr<ZipPackage> OpenBytes(std::string_view bytes);
  ~ZipPackage();
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  // True when the package holds an entry of this name (compared without ASCII case, as
  // office part names are).
  bool Has(std::string_view name) const;
  // Hands the entry's bytes to onPiece in order, the last call with last set (also for an
  // empty entry). Throws EPackageRefused: DamagedPackageText for a missing, encrypted or
  // damaged entry, PackageBombText past the limits.
  using PieceHandler = std::function<void(std::string_view piece, bool last)>;
  void Read(std::string_view name, const PieceHandler& onPiece);

 private:
  ZipPackage(struct zip* archive, uint64_t fileSize);
  struct zip* archive_;
  uint64_t fileSize_;
  uint64_t expanded_ = 0;  // by every read so far
};

}  // namespace skarvo
