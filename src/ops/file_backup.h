// Byte-for-byte backups of files that an operation is about to change, and the atomic
// writes that change them and put them back. A backup lives under a backup root (home +
// "/Temp" in the window, a run folder for skarvo-cli) followed by the file's real path
// (links, "." and ".." resolved by the file system), so two files never share a place and
// one file reached by two spellings has one. A backup is checked to hold the bytes and to
// be a different file from the original before the original is touched, and is never
// readable by more people than the original (the folders made for it are 0700). A file
// reached through a symbolic link is written at the link's final target and the link stays
// a link; a dangling link is never replaced.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/sha256.h"

namespace skarvo {

class TempFolderLedger;

// The backup path of file: root followed by file's real path. When the real path cannot be
// found (file's folder is gone), its full path with "." and ".." elements dropped as text,
// so it always lies inside root.
std::string BackupPath(const std::string& root, const std::string& file);

class TFileBackup {
 public:
  // root: the folder the copies go under. ledger (may be null) writes them when root is
  // its temp folder, so shut-down knows them and a Temp the program did not make is not
  // written over; without it the folders are created and the copy written directly.
  TFileBackup(std::string root, TempFolderLedger* ledger);

  const std::string& Root() const { return root_; }

  // Writes bytes (the file's content as read) as the backup of file, replacing an earlier
  // backup at the same place, and checks it: a different file from file (device and
  // inode) that holds bytes. Returns the backup path, nullopt when it could not be written
  // or checked (file itself is then untouched).
  std::optional<std::string> Keep(const std::string& file, const std::string& bytes);
  // Reads file whole and keeps its backup. nullopt when it cannot be read or written.
  std::optional<std::string> Keep(const std::string& file);

 private:
  std::string root_;
  TempFolderLedger* ledger_;
};

// Puts the backup back over file, byte for byte, atomically (at the link's target). When
// original is given the backup must hold exactly those bytes. False when the backup cannot
// be read or does not match, or the file cannot be written.
bool RestoreFromBackup(const std::string& backup, const std::string& file,
                       const ContentDigest* original = nullptr);

}  // namespace skarvo
