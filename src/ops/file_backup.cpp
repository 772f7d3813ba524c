#include "ops/file_backup.h"

#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <memory>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_text.h"
#include "search/temp_folder_ledger.h"

namespace skarvo {

std::string BackupPath(const std::string& root, const std::string& file) {
  // A relative name stands for the file under the current folder: its copy goes where the
  // full path would put it.
  if (!file.empty() && file[0] != '/') return ExtractedTextPath(root, CurrentFolder() + "/" + file);
  return ExtractedTextPath(root, file);
}

ContentDigest DigestOf(std::string_view bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return ContentDigest{bytes.size(), hash};
}

std::optional<std::string> FinalTarget(const std::string& path) {
  std::optional<std::string> native = NativePath(path);
  if (!native) return std::nullopt;
  struct stat st;
  if (::lstat(native->c_str(), &st) != 0) {
    // Nothing there yet: the path itself is where a new file goes.
    return path;
  }
  if (!S_ISLNK(st.st_mode)) return path;
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(native->c_str(), nullptr), std::free);
  if (!resolved) return std::nullopt;  // dangling link or loop: never replaced
  std::string cp932;
  if (!Utf8ToCp932(resolved.get(), cp932)) return std::nullopt;
  return cp932;
}

bool WriteFileAtTarget(const std::string& path, const std::string& data) {
  std::optional<std::string> target = FinalTarget(path);
  return target && WriteFileAtomic(*target, data);
}

TFileBackup::TFileBackup(std::string root, TempFolderLedger* ledger)
    : root_(std::move(root)), ledger_(ledger) {}

std::optional<std::string> TFileBackup::Keep(const std::string& file, const std::string& bytes) {
  std::string backup = BackupPath(root_, file);
  if (ledger_ != nullptr && ledger_->IsInside(backup)) {
    if (!ledger_->WriteFile(backup, bytes)) return std::nullopt;
    return backup;
  }
  const size_t slash = backup.rfind('/');
  if (slash != std::string::npos && slash > 0 && !CreateFolderPath(backup.substr(0, slash)))
    return std::nullopt;
  // A link at the backup's place would send the copy elsewhere: the place is the copy's own.
  if (IsSymbolicLink(backup) && !DeleteFilePath(backup)) return std::nullopt;
  if (!WriteFileAtomic(backup, bytes)) return std::nullopt;
  return backup;
}

std::optional<std::string> TFileBackup::Keep(const std::string& file) {
  std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes) return std::nullopt;
  return Keep(file, *bytes);
}

bool RestoreFromBackup(const std::string& backup, const std::string& file) {
  std::optional<std::string> bytes = ReadWholeFile(backup);
  return bytes && WriteFileAtTarget(file, *bytes);
}

}  // namespace skarvo
