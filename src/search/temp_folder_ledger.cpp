#include "search/temp_folder_ledger.h"

#include <sys/stat.h>

#include <vector>

#include "platform/file_system.h"

namespace skarvo {

bool IsSymbolicLink(const std::string& path) {
  auto native = NativePath(path);
  struct stat st;
  return native && ::lstat(native->c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TempFolderLedger::TempFolderLedger(std::string homeFolder)
    : homeFolder_(std::move(homeFolder)), tempFolder_(homeFolder_ + "/Temp") {}

bool TempFolderLedger::IsInside(const std::string& path) const {
  if (path == tempFolder_) return true;
  return path.size() > tempFolder_.size() + 1 &&
         path.compare(0, tempFolder_.size(), tempFolder_) == 0 && path[tempFolder_.size()] == '/';
}

bool TempFolderLedger::CreateFolders(const std::string& folder) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return CreateFoldersLocked(folder);
}

bool TempFolderLedger::CreateFoldersLocked(const std::string& folder) {
  if (!IsInside(folder)) return false;
  if (!FolderExists(tempFolder_)) {
    if (!CreateFolderPath(tempFolder_)) return false;
    // Made now: the whole folder is the program's (also when a folder of that name was
    // there earlier in the run and went away).
    state_ = State::kCreated;
    createdFolders_.insert(tempFolder_);
  } else if (state_ == State::kUnused) {
    state_ = State::kFoundExisting;
  }
  // Each level below the temp folder, from the top down, so the record says exactly which
  // levels this run made.
  size_t pos = tempFolder_.size();
  while (pos < folder.size()) {
    size_t next = folder.find('/', pos + 1);
    if (next == std::string::npos) next = folder.size();
    std::string level = folder.substr(0, next);
    if (IsSymbolicLink(level)) return false;
    if (!FolderExists(level)) {
      if (!CreateFolderPath(level)) return false;
      createdFolders_.insert(level);
    }
    pos = next;
  }
  return true;
}

bool TempFolderLedger::WriteFile(const std::string& path, const std::string& data) {
  return WriteFilePieces(path, [&](const FilePieceWriter& write) { write(data); });
}

bool TempFolderLedger::WriteFilePieces(const std::string& path,
                                       const std::function<void(const FilePieceWriter&)>& fill) {
  if (!IsInside(path) || path == tempFolder_) return false;
  std::unique_lock<std::mutex> lock(mutex_);
  // One write of a path at a time (a target listed twice is extracted twice): a write that
  // found no file would take one put there meanwhile for someone else's.
  written_.wait(lock, [&] { return writing_.count(path) == 0; });
  size_t slash = path.rfind('/');
  if (!CreateFoldersLocked(path.substr(0, slash)) || IsSymbolicLink(path)) return false;
  if (state_ != State::kCreated && writtenFiles_.count(path) == 0 &&
      (FileExists(path) || FolderExists(path)))
    return false;
  writing_.insert(path);
  lock.unlock();
  // Written without the lock, so the workers' texts are written side by side.
  bool ok = false;
  try {
    ok = WriteFileAtomicPieces(path, fill);
  } catch (...) {
    lock.lock();
    writing_.erase(path);
    written_.notify_all();
    throw;
  }
  lock.lock();
  writing_.erase(path);
  written_.notify_all();
  if (ok) writtenFiles_.insert(path);
  return ok;
}

void TempFolderLedger::RecordWrittenFile(const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (IsInside(path)) writtenFiles_.insert(path);
}

bool TempFolderLedger::MayDeleteFile(const std::string& path) const {
  if (!IsInside(path)) return false;
  const std::lock_guard<std::mutex> lock(mutex_);
  return state_ == State::kCreated || writtenFiles_.count(path) != 0;
}

bool TempFolderLedger::MayDeleteFolder(const std::string& path) const {
  if (!IsInside(path)) return false;
  const std::lock_guard<std::mutex> lock(mutex_);
  return state_ == State::kCreated || createdFolders_.count(path) != 0;
}

}  // namespace skarvo
