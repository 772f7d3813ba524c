// Compound documents (OLE structured storage, the container of .doc and .xls files), read
// through libgsf. The readers need only the root storage's streams: open a file as
// storage, find a stream by name without regard to case, read it whole or in pieces.
//
// Damaged input is expected. A file that is not a compound document, or whose header or
// directory cannot be read, does not open. A stream is read only when its declared size
// fits in the file and its sectors deliver every byte; otherwise it counts as unreadable.
// So reading never allocates more than the file's size and never loops. libgsf's own
// warnings about damaged input are kept off stderr.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/byte_source.h"

namespace skarvo {

class CompoundStorage {
 public:
  ~CompoundStorage();
  CompoundStorage(const CompoundStorage&) = delete;
  CompoundStorage& operator=(const CompoundStorage&) = delete;

  // Opens the file (a CP932 path) as a compound document for reading. nullptr when the
  // file cannot be opened or is not a readable compound document.
  static std::unique_ptr<CompoundStorage> Open(const std::string& path);
  // The same for a document held in memory (tests, fuzzing). The bytes are kept.
  static std::unique_ptr<CompoundStorage> OpenBytes(std::string bytes);

  // Names of the streams (not storages) of the root storage in directory order, in CP932;
  // a name without a CP932 form is left out.
  std::vector<std::string> StreamNames() const;

  // True when the root storage has a stream of that name, compared without regard to case.
  bool HasStream(const std::string& name) const;

  // The whole content of the root stream of that name (compared without regard to case).
  // nullopt when there is no such stream or it cannot be read whole (damaged).
  std::optional<std::string> ReadStream(const std::string& name) const;

  // The root stream of that name (compared without regard to case) as a source read in
  // pieces, for streams too large to hold: every byte has been checked to be readable, so
  // a damaged stream gives nullptr as ReadStream gives nullopt. The source must not outlive
  // this storage.
  std::unique_ptr<ByteSource> OpenStream(const std::string& name) const;

  // Size of the whole compound file in bytes: the ceiling for any stream.
  uint64_t FileSize() const { return fileSize_; }

 private:
  struct Handles;

 public:
  // Only Open and OpenBytes can make the handles this takes.
  CompoundStorage(std::unique_ptr<Handles> handles, uint64_t fileSize);

 private:
  static std::unique_ptr<CompoundStorage> Attach(std::unique_ptr<Handles> handles);

  std::unique_ptr<Handles> handles_;
  uint64_t fileSize_ = 0;
};

}  // namespace skarvo
