#include "ops/file_backup.h"

#include <sys/stat.h>

#include "search/search_text.h"
#include "search/temp_folder_ledger.h"

namespace skarvo {

std::string BackupPath(const std::string& root, const std::string& file) {
  // The file system says where a name leads: "ln/.." is the folder above ln's target, not
  // the folder holding ln.
  if (std::optional<std::string> real = RealPath(file)) return ExtractedTextPath(root, *real);
  // A relative name stands for the file under the current folder: its copy goes where the
  // full path would put it.
  if (!file.empty() && file[0] != '/') return ExtractedTextPath(root, CurrentFolder() + "/" + file);
  return ExtractedTextPath(root, file);
}

namespace {

// Narrows a file's permissions to at most those of the original's (never widens them).
void NarrowMode(const std::string& path, mode_t originalMode) {
  struct stat st;
  auto native = NativePath(path);
  if (native && ::lstat(native->c_str(), &st) == 0 && S_ISREG(st.st_mode))
    ::chmod(native->c_str(), st.st_mode & originalMode & 0666);
}

}  // namespace

TFileBackup::TFileBackup(std::string root, TempFolderLedger* ledger)
    : root_(std::move(root)), ledger_(ledger) {}

std::optional<std::string> TFileBackup::Keep(const std::string& file, const std::string& bytes) {
  std::optional<FileIdentity> original = IdentityOf(file);
  auto nativeFile = NativePath(file);
  struct stat fileStat;
  if (!original || !nativeFile || ::stat(nativeFile->c_str(), &fileStat) != 0) return std::nullopt;
  const std::string backup = BackupPath(root_, file);
  // A backup place that leads to the file itself would overwrite the only copy with itself.
  if (std::optional<FileIdentity> there = IdentityOf(backup); there && there->SameFile(*original))
    return std::nullopt;
  const size_t slash = backup.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : backup.substr(0, slash);
  const bool inLedger = ledger_ != nullptr && ledger_->IsInside(backup);
  if (inLedger) {
    // The ledger's rules: its folders recorded, never through a link, and a file in a Temp
    // the program did not make is replaced only when this run wrote it.
    if (backup == ledger_->TempFolder() || !ledger_->CreateFolders(folder) ||
        IsSymbolicLink(backup))
      return std::nullopt;
    if (!ledger_->OwnsWholeTempFolder() && ledger_->WrittenFiles().count(backup) == 0 &&
        (FileExists(backup) || FolderExists(backup)))
      return std::nullopt;
    for (const std::string& made : ledger_->CreatedFolders())
      if (auto native = NativePath(made)) ::chmod(native->c_str(), 0700);
  } else {
    if (!folder.empty() && !CreatePrivateFolderPath(folder)) return std::nullopt;
    // A link at the backup's place would send the copy elsewhere: the place is the copy's own.
    if (IsSymbolicLink(backup) && !DeleteFilePath(backup)) return std::nullopt;
  }
  AtomicWriteOptions options;
  options.newFileMode = fileStat.st_mode & 0666;  // never readable by more than the original
  if (!WriteFileSafely(
           backup, [&](const FilePieceWriter& write) { write(bytes); }, options)
           .Ok())
    return std::nullopt;
  if (inLedger) ledger_->RecordWrittenFile(backup);
  NarrowMode(backup, fileStat.st_mode);
  // The copy must be a file of its own that holds the bytes, and the file untouched by it.
  std::optional<FileIdentity> copy = IdentityOf(backup);
  std::optional<FileIdentity> fileNow = IdentityOf(file);
  if (!copy || !fileNow || copy->SameFile(*fileNow) || !fileNow->SameFile(*original))
    return std::nullopt;
  std::optional<std::string> readBack = ReadWholeFile(backup);
  if (!readBack || *readBack != bytes) return std::nullopt;
  return backup;
}

std::optional<std::string> TFileBackup::Keep(const std::string& file) {
  std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes) return std::nullopt;
  return Keep(file, *bytes);
}

bool RestoreFromBackup(const std::string& backup, const std::string& file,
                       const ContentDigest* original) {
  std::optional<std::string> bytes = ReadWholeFile(backup);
  if (!bytes || (original != nullptr && DigestOf(*bytes) != *original)) return false;
  // The platform's writer lands at a link's final target and never replaces a dangling one.
  return WriteFileAtomic(file, *bytes);
}

}  // namespace skarvo
