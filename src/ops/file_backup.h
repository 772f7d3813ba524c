// Byte-for-byte backups of files that an operation is about to change, and the atomic
// writes that change them and put them back. A backup lives under a backup root (home +
// "/Temp" in the window) followed by the file's full path, so every file has one place
// and a later backup of the same file replaces the earlier one. A file reached through a
// symbolic link is written at the link's final target and the link stays a link; a
// dangling link is never replaced.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace skarvo {

class TempFolderLedger;

// The backup path of file: root followed by file's full path (a relative file taken from
// the current folder; "." and ".." elements dropped, so it always lies inside root).
std::string BackupPath(const std::string& root, const std::string& file);

// A digest of a file's bytes, to tell later whether a file still holds what was written.
struct ContentDigest {
  uint64_t size = 0;
  uint64_t hash = 0;  // FNV-1a, 64 bits
  bool operator==(const ContentDigest&) const = default;
};
ContentDigest DigestOf(std::string_view bytes);

// The final target of path (links followed; the target need not exist yet when only the
// last element is missing). nullopt for a dangling link, a link loop, or a target whose
// name has no CP932 form.
std::optional<std::string> FinalTarget(const std::string& path);

// Writes data at path's final target atomically (temporary file and rename, permissions
// kept). False when the target cannot be resolved or written; the old file stays whole.
bool WriteFileAtTarget(const std::string& path, const std::string& data);

class TFileBackup {
 public:
  // root: the folder the copies go under. ledger (may be null) writes them when root is
  // its temp folder, so shut-down knows them and a Temp the program did not make is not
  // written over; without it the folders are created and the copy written directly.
  TFileBackup(std::string root, TempFolderLedger* ledger);

  const std::string& Root() const { return root_; }

  // Writes bytes (the file's content as read) as the backup of file, replacing an earlier
  // backup. Returns the backup path, nullopt when it could not be written.
  std::optional<std::string> Keep(const std::string& file, const std::string& bytes);
  // Reads file whole and keeps its backup. nullopt when it cannot be read or written.
  std::optional<std::string> Keep(const std::string& file);

 private:
  std::string root_;
  TempFolderLedger* ledger_;
};

// Puts the backup back over file, byte for byte, atomically (at the link's target). False
// when the backup cannot be read or the file cannot be written.
bool RestoreFromBackup(const std::string& backup, const std::string& file);

}  // namespace skarvo
