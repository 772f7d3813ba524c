// RereadableFile: a file read from its start to its end in which any place already read can
// be read again. A file with a size is simply read by place. A file that reports no size (the
// system's process folder and the like) can be read only once, so what is read of it is kept,
// from the first place the reader may still ask for on: in memory up to a bound, beyond it in
// an unnamed temporary file. Memory stays bounded whatever the file's length.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace skarvo {

class RereadableFile {
 public:
  static constexpr std::size_t kHeldInMemory = std::size_t{16} << 20;

  // The calls that write and read the temporary file (pwrite and pread). Tests replace them
  // to make writes and reads short, interrupted or failed, which a real disk seldom does.
  struct SpoolCalls {
    ssize_t (*write)(int fd, const void* data, std::size_t size, off_t offset);
    ssize_t (*read)(int fd, void* data, std::size_t size, off_t offset);
  };
  static SpoolCalls spoolCalls;

  // readOnce takes the file as one that cannot be read twice even when it reports a size, so
  // the keeping can be tried on any file.
  explicit RereadableFile(std::size_t heldInMemory = kHeldInMemory, bool readOnce = false);
  ~RereadableFile();
  RereadableFile(const RereadableFile&) = delete;
  RereadableFile& operator=(const RereadableFile&) = delete;

  // Opens a regular file, as InputFile::Open (errno tells why it failed).
  bool Open(const std::string& path);
  // The size from opening; 0 when the file reported none.
  uint64_t Size() const { return readOnce_ ? 0 : file_.Size(); }

  // Reads up to size bytes at offset: the count read, 0 at the end, -1 on an error (errno).
  // For a file without a size, offset lies between the place last given to Forget and the
  // end of what was read so far; at that end the file is read on.
  long ReadAt(void* buffer, std::size_t size, uint64_t offset);

  // Appends the bytes [offset, offset + count) to text as a line reads them, each zero byte
  // as a blank. False on an error or when fewer bytes are there (errno tells which).
  bool AppendLineText(uint64_t offset, std::size_t count, std::string& text);

  // Places before offset will not be asked for again: what is kept of them may go.
  void Forget(uint64_t offset);

  // Bytes kept in memory now (0 for a file with a size).
  std::size_t HeldInMemory() const { return memory_.size(); }
  // True once the kept bytes went to a temporary file.
  bool Spilled() const { return spool_ >= 0; }

 private:
  bool Keep(const char* data, std::size_t size);
  bool Spill();
  // Lets the bytes before keptFrom_ go from memory_.
  void Compact();

  InputFile file_;
  std::size_t limit_;
  bool readOnce_;
  uint64_t readEnd_ = 0;     // how much of a file without a size was read
  uint64_t keptFrom_ = 0;    // the first place that may still be asked for
  uint64_t memoryFrom_ = 0;  // the place of memory_[0] (at most keptFrom_)
  std::string memory_;       // [memoryFrom_, readEnd_) while kept in memory
  int spool_ = -1;           // the temporary file: every byte at its own place
  uint64_t released_ = 0;    // the temporary file's bytes before this were given back
};

}  // namespace skarvo
