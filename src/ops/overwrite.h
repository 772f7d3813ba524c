// The overwrite (OnOverwrite): writes the pending replacement into the lines
// of the checked hits, asking once per file (はい / キャンセル / すべてはい), after keeping a
// byte-for-byte backup of each file under home + "/Temp" + its full path.
//
// Line model: a file is read as bytes split into lines at CR LF, a lone CR or a lone LF
// (text after the last break is a line when it is not empty) and written back as each line
// followed by CR LF. A file is never written when it no longer holds, at every checked
// line number, the line the search saw (it vanished, shrank or changed), when it holds a
// NUL byte (its text after the NUL is outside the line model), or when its backup cannot
// be written; each such file is reported by name and the walk goes on. Writes are atomic,
// keep owner, mode and attributes, and land at a link's target.
//
// A file in another encoding than Shift-JIS (its hits say which) keeps its bytes: only the
// content of each replaced line is written anew, in the file's encoding, between the line
// ends it had; a replaced line the encoding cannot hold leaves the whole file unwritten.
//
// A file is the file the search found (device and inode of its final target): one swapped
// or replaced since is left as changed, and one file reached by two spellings is one
// target, backed up and written once. A file whose bytes the replace would not change is
// neither asked about nor written. The backup is checked (a different file holding the
// original's bytes) before the file is touched.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ops/file_backup.h"
#include "ops/overwrite_record.h"
#include "ops/prompter.h"
#include "ops/replace.h"
#include "ops/result_session.h"
#include "platform/text_encoding.h"

namespace skarvo {

// Why a file of the work list was left unwritten.
enum class SkipReason {
  kVanished,           // no longer there
  kUnreadable,         // cannot be read
  kChanged,            // its lines are no longer those the search saw
  kHoldsNul,           // a NUL byte: outside the line model
  kNoBackup,           // the backup copy could not be written
  kDeclined,           // the user answered キャンセル
  kWriteFailed,        // read-only, a dangling link, a full disk...
  kFolderNotWritable,  // no file can be made in the file's folder
  kNotRecorded,        // the run's journal could not record the write
  kInBackups,          // under the backup folder or in a run folder: the program's copies
  kPartial,            // written in place and failed midway: part-written, backup kept
  kCannotHold,         // a replaced line holds a character the file's encoding lacks
};
// A short English key for scripts ("changed", "nul", ...).
const char* SkipReasonKey(SkipReason reason);
// The message naming the file (CP932), for every reason but kDeclined; folder names the
// folder of kFolderNotWritable.
std::string SkipMessage(SkipReason reason, const std::string& path, const std::string& folder = {});
// The message of kCannotHold, naming the file's encoding.
std::string CannotHoldMessage(const std::string& path, TextEncoding encoding);

// Where an overwrite run records what it does, so that a crash or a kill leaves a record
// that the next run and the restore can read. Each call comes before the step it names.
class OverwriteJournal {
 public:
  virtual ~OverwriteJournal() = default;
  // file (its real path) is about to be replaced: its backup (checked) holds original,
  // written is what will be written. False when it cannot be recorded: nothing is written.
  virtual bool WillWrite(const std::string& file, const std::string& backup,
                         const ContentDigest& original, const ContentDigest& written) = 0;
  // The write's temporary file exists at tempPath.
  virtual void TempCreated(const std::string& file, const std::string& tempPath) = 0;
  // file now holds what WillWrite named.
  virtual void Written(const std::string& file) = 0;
};

// Reports each file as the walk finishes with it: written, or skipped with a reason.
using OverwriteObserver =
    std::function<void(const std::string& path, bool written, SkipReason reason)>;

// The overwrite of the session's pending replacement. Backups go through backup (the
// window: home + "/Temp" with the ledger). Afterwards the session's record is an
// OverwriteUndo naming every backup, in the order written, and the replacement and the
// pending flag are cleared; the outcome disables the overwrite, enables the restore when a
// file was written (disables it otherwise) and says "上書きが終了しました。". Each skipped
// file is told (and also reported when observer is set). journal (may be null) is told each
// write before it happens.
OpOutcome Overwrite(ResultSession& session, TFileBackup& backup, TAWKStr& awk, Prompter& prompter,
                    const OverwriteObserver& observer = {}, OverwriteJournal* journal = nullptr);

}  // namespace skarvo
