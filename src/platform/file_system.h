// Files and folders. Every path here is a CP932 byte string, as the core holds it; it is
// turned into the file system's UTF-8 here and nowhere else. A name that has no CP932
// form is never handed to the core (a listing leaves it out and counts it), so the core
// cannot open, write or delete a different file by mistake.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skarvo {

struct FolderEntry {
  std::string name;       // CP932
  bool isFolder = false;  // a directory, or a link to one
  bool isFile = false;    // a regular file, or a link to one
  dev_t device = 0;       // of a folder after following links; 0 for a plain file
  ino_t inode = 0;
};

struct FolderListing {
  bool ok = false;                   // false when the folder could not be read
  std::vector<FolderEntry> entries;  // without "." and "..", hidden entries included
  int unrepresentableNames = 0;      // names left out because they have no CP932 form
};

// Lists a folder in name order ignoring ASCII case, ties by the bytes of the name.
FolderListing ListFolder(const std::string& folder);

// The path in the file system's encoding; nullopt when it has no UTF-8 form.
std::optional<std::string> NativePath(const std::string& cp932Path);

bool FileExists(const std::string& path);    // a regular file, or a link to one
bool FolderExists(const std::string& path);  // a directory, or a link to one
// Device and inode of a folder (after links); false when it cannot be read.
bool FolderIdentity(const std::string& path, dev_t& device, ino_t& inode);

// Creates the folder and every missing folder above it. True when it exists afterwards.
bool CreateFolderPath(const std::string& path);
// Deletes one file (or link). True on success.
bool DeleteFilePath(const std::string& path);
// Deletes an empty folder. True on success.
bool DeleteEmptyFolder(const std::string& path);
// Deletes a folder and everything in it, without following links out of it.
bool DeleteFolderTree(const std::string& path);

// Reads a whole file. nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Which file a path leads to (links followed) and how it looked: a file replaced, swapped
// for a link or written to shows a different identity.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  uint64_t size = 0;
  int64_t mtimeNs = 0;
  bool SameFile(const FileIdentity& other) const {
    return device == other.device && inode == other.inode;
  }
  bool operator==(const FileIdentity&) const = default;
};
// nullopt when path leads to nothing (or is not representable).
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The path with every link, "." and ".." resolved by the file system (CP932). When only the
// last element is missing, the resolved folder followed by that name. nullopt when it cannot
// be resolved (a dangling link, a loop, a missing folder) or has no CP932 form.
std::optional<std::string> RealPath(const std::string& path);

// Reads a whole file with the identity it had while it was read; nullopt when it cannot be
// read or changed while it was read.
std::optional<std::string> ReadWholeFileAs(const std::string& path, FileIdentity& identity);

// Why a write failed.
enum class WriteFailure {
  kNone,
  kUnresolved,         // a dangling link or a loop: never replaced
  kNotRegular,         // the target is not a regular file
  kReadOnlyFile,       // the file has no write permission (refused even for root)
  kFolderNotWritable,  // no new file can be made in the target's folder
  kChanged,            // the target is no longer the expected file, or changed meanwhile
  kIo,                 // writing failed (a full disk...); the target is as it was
  kPartial,            // an in-place write failed midway: the target is part-written
};
struct WriteOutcome {
  WriteFailure failure = WriteFailure::kNone;
  std::string folder;  // the target's folder (CP932), for kFolderNotWritable
  bool Ok() const { return failure == WriteFailure::kNone; }
};

struct AtomicWriteOptions {
  // When set, the final target must be this file (device and inode), unchanged (size and
  // modification time), when the write starts and again immediately before it lands.
  const FileIdentity* expected = nullptr;
  // The permission bits of a file that did not exist, before the umask.
  mode_t newFileMode = 0666;
  // Told the temporary file's path (CP932) as soon as it exists, so that a journal can name
  // what a killed process left.
  std::function<void(const std::string& tempPath)> onTempCreated;
};

// Hands a piece of a file's content to the file being written; false once writing failed.
using FilePieceWriter = std::function<bool(std::string_view)>;

// Writes a whole file safely: the content goes to a temporary file ".skarvo-XXXXXX" in the
// target's folder, flushed, made the same as the old file (owner, group, mode, extended
// attributes and ACLs) and renamed over it. A file with more than one hard link, or whose
// owner or attributes the temporary file cannot take, is written in place from the flushed
// temporary file instead, so every name stays the same file with everything it had. The
// target is checked again (device, inode, size, modification time) immediately before it
// is replaced; a change in that moment is refused, but an editor writing the same instant
// is not seen. On failure the old file is untouched (in place: a write error can leave it
// part-written, which is why callers back it up first), the temporary file is removed and
// the reason returned. A symbolic link is written at its final target and stays a link.
// When fill throws, the temporary file is removed, the target untouched and the exception
// goes on. While the temporary file exists, RemoveInflightTempFiles removes it.
WriteOutcome WriteFileSafely(const std::string& path,
                             const std::function<void(const FilePieceWriter&)>& fill,
                             const AtomicWriteOptions& options = {});

// WriteFileSafely with the whole content; true when written.
bool WriteFileAtomic(const std::string& path, const std::string& data);
// WriteFileSafely; true when written.
bool WriteFileAtomicPieces(const std::string& path,
                           const std::function<void(const FilePieceWriter&)>& fill);

// Removes the temporary files of the writes in progress in this process. Safe to call from
// a signal handler (the process is about to end).
void RemoveInflightTempFiles() noexcept;

// Creates the folder and every missing folder above it; the levels it creates are 0700.
bool CreatePrivateFolderPath(const std::string& path);

// The current folder (CP932); empty when it has no CP932 form.
std::string CurrentFolder();

// While one lives on a thread, InputFile::Open of a file right inside the folder last named
// to Use opens it by its name relative to that folder, held open, so a search of many files
// does not walk the folder's path again for every one of them. The file found is the one the
// path names as long as the folder is not renamed or replaced during the search. Hints nest;
// the innermost one is used.
class OpenFolderHint {
 public:
  OpenFolderHint();
  ~OpenFolderHint();
  OpenFolderHint(const OpenFolderHint&) = delete;
  OpenFolderHint& operator=(const OpenFolderHint&) = delete;

  // Holds folder (a CP932 path, no trailing slash) open unless it already is; a folder that
  // cannot be held leaves the files to be opened by their paths.
  void Use(std::string_view folder);
  // The descriptor to open path's name relative to, and its name; -1 when path does not lie
  // right inside the held folder.
  int RelativeTo(const std::string& path, std::string& name) const;

 private:
  std::string folder_;
  bool tried_ = false;
  int fd_ = -1;
  OpenFolderHint* outer_;
};

// A file opened for reading in pieces, for readers that must not load a whole file.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens a regular file. False when it does not exist or cannot be read.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // Reads up to size bytes; returns the count read, 0 at the end, -1 on an error.
  long Read(void* buffer, size_t size);
  // Reads up to size bytes at offset without moving the file position; as Read.
  long ReadAt(void* buffer, size_t size, uint64_t offset);
  // The size of the file when it was opened.
  uint64_t Size() const { return size_; }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

}  // namespace skarvo
