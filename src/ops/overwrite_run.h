// The overwrite runs of skarvo-cli. Each run keeps its backups apart from every other run's,
// in a run folder of its own under the backup folder, so a later run never replaces an
// earlier run's backup, and records in the folder's manifest what it is about to do before
// it does it, so the restore works after a crash, a kill or a restart:
//
//   <backup folder>/<run>/manifest        the record below, 0600
//   <backup folder>/<run>/files/<path>     the backup of the file at <path> (its real path)
//
// <run> is the UTC start time and the process id, "YYYYMMDD-HHMMSS-<pid>" (a suffix "-N"
// when that is taken). The manifest is text, one record a line, fields split by tabs; a
// path has "\" written "\\", a tab "\t" and a line break "\n" (CP932 paths, a trail byte
// that is "\" left as it is):
//
//   skarvo-overwrite-run 1
//   started  <time>                        <time>: YYYY-MM-DDTHH:MM:SSZ
//   pid      <process id>
//   home     <private temp folder>         removed when the run ended without cleaning up
//   file     <path> <backup> <size> <sha256> <written size> <written sha256>
//   temp     <path> <temporary file>       the temporary file of that write
//   written  <path> <time>
//   end      <time>                        the run ended; "cleaned" when a later command
//   cleaned  <time>                        cleaned up after a run that was killed
//   restored <time>
//
// A "file" line is written and flushed to disk before the file is touched, after its
// backup has been written and checked.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ops/file_backup.h"
#include "ops/overwrite.h"

namespace skarvo {

struct RunFileEntry {
  std::string file;    // real path
  std::string backup;  // path of the backup
  ContentDigest original;
  ContentDigest written;
  bool done = false;               // a "written" line
  std::vector<std::string> temps;  // temporary files of the write
};

struct RunManifest {
  std::string name;    // the run folder's name
  std::string folder;  // the run folder
  std::string started;
  long pid = 0;
  std::string home;
  bool ended = false;                 // "end" or "cleaned"
  bool cleaned = false;               // "cleaned": the run was killed and cleaned up after
  std::vector<std::string> restored;  // times of restores
  std::vector<RunFileEntry> files;
  // The first line that could not be read (1-based); 0 when the manifest is whole. The
  // lines before it are kept.
  int damagedLine = 0;
};

class OverwriteRun : public OverwriteJournal {
 public:
  // Makes a new run folder (0700) under backupFolder (an existing folder) and its manifest.
  // home: the private temp folder of the process, recorded so a kill does not leave it.
  // nullptr when it cannot be made.
  static std::unique_ptr<OverwriteRun> Start(const std::string& backupFolder,
                                             const std::string& home);
  ~OverwriteRun() override;
  OverwriteRun(const OverwriteRun&) = delete;
  OverwriteRun& operator=(const OverwriteRun&) = delete;

  const std::string& Folder() const { return folder_; }
  // Where the backups go: the run folder + "/files".
  std::string FilesRoot() const { return folder_ + "/files"; }
  // Lines recorded: "file" lines so far.
  int FileCount() const { return files_; }

  bool WillWrite(const std::string& file, const std::string& backup, const ContentDigest& original,
                 const ContentDigest& written) override;
  void TempCreated(const std::string& file, const std::string& tempPath) override;
  void Written(const std::string& file) override;

  // Records the end of the run.
  void Finish();
  // Removes the run folder when nothing was recorded in it (a run with nothing to do).
  void RemoveIfEmpty();

 private:
  OverwriteRun(std::string folder, int fd) : folder_(std::move(folder)), fd_(fd) {}
  bool Append(const std::string& line, bool sync);

  std::string folder_;
  int fd_ = -1;
  int files_ = 0;
};

// Escapes "\", tab and line break of a CP932 text as "\\", "\t" and "\n" (a trail byte is
// left as it is), so a name never splits a line or a field.
std::string EscapeField(const std::string& cp932);
std::string UnescapeField(const std::string& text);

// The current UTC time as YYYY-MM-DDTHH:MM:SSZ.
std::string UtcTimeText();

// Reads the manifest of a run folder; nullopt when it has none. A manifest that cannot be
// read through is still a run, with damagedLine set.
std::optional<RunManifest> ReadRunManifest(const std::string& runFolder);
// The runs under backupFolder, oldest first.
std::vector<RunManifest> ListRuns(const std::string& backupFolder);

// Cleans up after the runs under backupFolder that were killed (no "end" and their process
// gone): removes the temporary files they recorded and their private temp folder, and marks
// them "cleaned". Returns the number of runs cleaned.
int CleanKilledRuns(const std::string& backupFolder);

// True when path (by its real path) lies under the folder backupRoot (none when empty) or
// inside a run folder (a folder holding a run's manifest): the program's own copies, never
// searched for a replace nor written by one.
bool InBackups(const std::string& path, const std::string& backupRoot);

// What the restore did with one file of a run.
enum class RunRestoreResult {
  kRestored,         // the backup was put back
  kRestoredPartial,  // the backup was put back over a write that may have been cut short
  kUnchanged,        // the file holds the original already (the run never wrote it)
  kChanged,          // the file holds neither what the run wrote nor the original
  kVanished,         // the file is gone
  kBadBackup,        // the backup is missing or no longer holds the original
  kWriteFailed,      // the file could not be written
};
const char* RunRestoreKey(RunRestoreResult result);
// The message of a file not put back (CP932).
std::string RunRestoreMessage(RunRestoreResult result, const std::string& path);

// Puts back the files of run from its backups: a file that holds what the run wrote gets
// its backup back (checked against the original's digest first); a file that holds
// something else is left unless force. report is told each file's result. Records
// "restored" in the manifest when a file was put back.
void RestoreRun(const RunManifest& run, bool force,
                const std::function<void(const RunFileEntry&, RunRestoreResult)>& report);

}  // namespace skarvo
