// What an overwrite did: the files it backed up and wrote, for the restore and skarvo-cli.
#pragma once

#include <string>
#include <vector>

#include "platform/sha256.h"

namespace skarvo {

// One file the overwrite backed up, and what it wrote there.
struct OverwrittenFile {
  std::string file;
  std::string backup;
  bool written = false;
  ContentDigest originalDigest;  // of the backup's bytes
  ContentDigest writtenDigest;   // of what was written, when written
};

// What an overwrite did, for the restore and for skarvo-cli.
struct OverwriteRecord {
  std::vector<OverwrittenFile> files;  // in the order the backups were written
};

}  // namespace skarvo
