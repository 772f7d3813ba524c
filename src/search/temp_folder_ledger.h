// The record of what this run of the program created in its temp folder (home + "/Temp"),
// so that shut-down deletes only that. The home folder is the current folder at start, so
// a "Temp" folder found there may be the user's own: when it existed before the program
// first needed it, only the files the program wrote and the folders it created may go;
// when the program created it, the whole folder is the program's.
//
// The search's workers write their extracted texts at the same time: every member may be
// called from several threads at once, except WrittenFiles and CreatedFolders, whose sets
// are read while nothing is written.
#pragma once

#include <condition_variable>
#include <mutex>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace skarvo {

// True when path names a symbolic link (not followed).
bool IsSymbolicLink(const std::string& path);

class TempFolderLedger {
 public:
  explicit TempFolderLedger(std::string homeFolder);

  // home + "/Temp".
  const std::string& TempFolder() const { return tempFolder_; }
  const std::string& HomeFolder() const { return homeFolder_; }

  // True when path is the temp folder or lies inside it (a plain prefix test on the text;
  // paths are built without "." and ".." elements).
  bool IsInside(const std::string& path) const;

  // Creates folder (the temp folder or a folder inside it) with every missing level,
  // recording the levels it created; the first call that finds the temp folder decides
  // whether it existed before. False when folder lies outside, a level cannot be made, or
  // a level below the temp folder is a link (what lies behind it is not the temp folder).
  bool CreateFolders(const std::string& folder);

  // Writes data to path (inside the temp folder) atomically, creating its folders first,
  // and records the file. Refuses, with false, to replace a file that this run did not
  // write while the temp folder is not the program's own: that file is the user's. Never
  // writes through a link.
  bool WriteFile(const std::string& path, const std::string& data);
  // The same with the content handed piece by piece (WriteFileAtomicPieces); an exception
  // from fill leaves nothing written and goes on.
  bool WriteFilePieces(const std::string& path,
                       const std::function<void(const FilePieceWriter&)>& fill);

  // Records a file inside the temp folder that another part of the program wrote.
  void RecordWrittenFile(const std::string& path);

  // True when the program created the temp folder, so all of it may be deleted.
  bool OwnsWholeTempFolder() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return state_ == State::kCreated;
  }
  // True when the program needed the temp folder at all in this run.
  bool TempFolderUsed() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return state_ != State::kUnused;
  }

  // Whether shut-down may delete this file / folder.
  bool MayDeleteFile(const std::string& path) const;
  bool MayDeleteFolder(const std::string& path) const;

  // Exactly what this run wrote and created inside the temp folder.
  const std::set<std::string>& WrittenFiles() const { return writtenFiles_; }
  const std::set<std::string>& CreatedFolders() const { return createdFolders_; }

 private:
  enum class State { kUnused, kCreated, kFoundExisting };

  // CreateFolders with mutex_ held.
  bool CreateFoldersLocked(const std::string& folder);

  mutable std::mutex mutex_;  // over state_ and the sets
  std::condition_variable written_;
  std::set<std::string> writing_;  // paths being written now
  std::string homeFolder_;
  std::string tempFolder_;
  State state_ = State::kUnused;
  std::set<std::string> createdFolders_;
  std::set<std::string> writtenFiles_;
};

}  // namespace skarvo
