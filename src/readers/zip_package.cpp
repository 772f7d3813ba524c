#include "readers/zip_package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <memory>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "readers/package_refusal.h"

namespace skarvo {

const std::string& DamagedPackageText() { return Sjis("ファイルが壊れています"); }
const std::string& NotOfficePackageText() { return Sjis("Excel、Wordのファイルではありません"); }
const std::string& PackageBombText() { return Sjis("展開後のサイズが上限を超えています"); }

namespace {

[[noreturn]] void Damaged() { throw EPackageRefused(DamagedPackageText()); }

// The consistency checks also compare each local header with the central directory, so an
// entry cannot claim one size there and be read with another.
constexpr int kOpenFlags = ZIP_CHECKCONS;

// A zip's first bytes: a local file header, or the end record of an empty zip.
bool IsZipHead(const char* head) {
  return head[0] == 'P' && head[1] == 'K' &&
         ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}

// A file that is no zip at all is no office file; one that begins as a zip but does not open
// is a damaged one.
[[noreturn]] void RefuseOpen(int error, bool zipHead) {
  if (error == ZIP_ER_NOZIP && !zipHead) throw EPackageRefused(NotOfficePackageText());
  Damaged();
}

struct ZipFileCloser {
  void operator()(zip_file_t* file) const { zip_fclose(file); }
};

}  // namespace

ZipPackage::ZipPackage(struct zip* archive, uint64_t fileSize)
    : archive_(archive), fileSize_(fileSize) {}

ZipPackage::~ZipPackage() { zip_discard(archive_); }

std::unique_ptr<ZipPackage> ZipPackage::Open(const std::string& path) {
  const std::optional<std::string> native = NativePath(path);
  if (!native) Damaged();
  // Without blocking, so that a pipe in place of a file cannot stall the open.
  const int fd = ::open(native->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) throw EPackageRefused(Sjis("ﾌｧｲﾙを開くことに失敗しました"));
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw EPackageRefused(Sjis("ﾌｧｲﾙを開くことに失敗しました"));
  }
  int error = 0;
  zip_t* archive = zip_fdopen(fd, kOpenFlags, &error);
  if (archive == nullptr) {
    char head[4] = {};
    const bool zipHead = ::pread(fd, head, sizeof head, 0) == sizeof head && IsZipHead(head);
    ::close(fd);  // left to the caller when the open fails
    RefuseOpen(error, zipHead);
  }
  return std::unique_ptr<ZipPackage>(new ZipPackage(archive, static_cast<uint64_t>(st.st_size)));
}

std::unique_ptr<ZipPackage> ZipPackage::OpenBytes(std::string_view bytes) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_error_fini(&error);
  if (source == nullptr) throw std::bad_alloc();
  zip_error_init(&error);
  zip_t* archive = zip_open_from_source(source, kOpenFlags | ZIP_RDONLY, &error);
  const int code = zip_error_code_zip(&error);
  zip_error_fini(&error);
  if (archive == nullptr) {
    zip_source_free(source);
    RefuseOpen(code, bytes.size() >= 4 && IsZipHead(bytes.data()));
  }
  return std::unique_ptr<ZipPackage>(new ZipPackage(archive, bytes.size()));
}

bool ZipPackage::Has(std::string_view name) const {
  const std::string key(name);
  return zip_name_locate(archive_, key.c_str(), ZIP_FL_NOCASE) >= 0;
}

void ZipPackage::Read(std::string_view name, const PieceHandler& onPiece) {
  const std::string key(name);
  const zip_int64_t index = zip_name_locate(archive_, key.c_str(), ZIP_FL_NOCASE);
  if (index < 0) Damaged();
  const auto at = static_cast<zip_uint64_t>(index);
  zip_stat_t st;
  zip_stat_init(&st);
  if (zip_stat_index(archive_, at, 0, &st) != 0 || (st.valid & ZIP_STAT_COMP_SIZE) == 0) Damaged();
  const uint64_t compressed = st.comp_size;
  const auto tooLarge = [&](uint64_t entryBytes) {
    if (entryBytes > kMaxEntryBytes) return true;
    if (entryBytes > kRatioFreeBytes && entryBytes / kMaxRatio > compressed) return true;
    const uint64_t total = expanded_ + entryBytes;
    return total > kRatioFreeBytes && total / kMaxRatio > fileSize_;
  };
  // What the directory promises is refused before anything is unpacked; what the data
  // really gives is counted as it comes.
  if ((st.valid & ZIP_STAT_SIZE) != 0 && tooLarge(st.size))
    throw EPackageRefused(PackageBombText());
  const std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(archive_, at, 0));
  if (!file) Damaged();
  constexpr size_t kPiece = 64 * 1024;
  const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kPiece);
  uint64_t produced = 0;
  while (true) {
    const zip_int64_t n = zip_fread(file.get(), buffer.get(), kPiece);
    if (n < 0) Damaged();  // inflate error, a wrong checksum or a short entry
    produced += static_cast<uint64_t>(n);
    if (tooLarge(produced)) throw EPackageRefused(PackageBombText());
    if (n == 0) break;
    onPiece(std::string_view(buffer.get(), static_cast<size_t>(n)), false);
  }
  expanded_ += produced;
  onPiece(std::string_view(), true);
}

}  // namespace skarvo
