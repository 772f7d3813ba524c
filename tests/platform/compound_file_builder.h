// Test helpers: compound documents built in memory with libgsf's writer, and the few
// header and directory fields a test needs to damage one on purpose.
#pragma once

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace skarvo::testing {

struct StreamEntry {
  std::string name;  // UTF-8
  std::string content;
  bool isStorage = false;  // an empty storage of that name instead of a stream
};

// A compound document whose root holds the given streams and storages, in that order.
inline std::string BuildCompoundFile(const std::vector<StreamEntry>& streams) {
  gsf_init();
  GsfOutput* memory = gsf_output_memory_new();
  GsfOutfile* root = gsf_outfile_msole_new(memory);
  for (const StreamEntry& entry : streams) {
    GsfOutput* child = gsf_outfile_new_child(root, entry.name.c_str(), entry.isStorage);
    if (!entry.isStorage)
      gsf_output_write(child, entry.content.size(),
                       reinterpret_cast<const guint8*>(entry.content.data()));
    gsf_output_close(child);
    g_object_unref(child);
  }
  gsf_output_close(GSF_OUTPUT(root));
  g_object_unref(root);
  const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
  std::string result(reinterpret_cast<const char*>(bytes),
                     static_cast<size_t>(gsf_output_size(memory)));
  g_object_unref(memory);
  return result;
}

inline uint32_t GetU32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b.at(at + i));
  return v;
}
inline void PutU32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void PutU16(std::string& b, size_t at, uint16_t v) {
  b.at(at) = static_cast<char>(v & 0xFF);
  b.at(at + 1) = static_cast<char>(v >> 8);
}

// Sector size is 512 in the files libgsf writes; sector n starts after the header.
inline size_t SectorOffset(uint32_t sector) { return (static_cast<size_t>(sector) + 1) * 512; }

// Offset of the FAT entry of a sector (the first 109 FAT sectors are listed in the header).
inline size_t FatEntryOffset(const std::string& file, uint32_t sector) {
  uint32_t fatSector = GetU32(file, 0x4C + 4 * (sector / 128));
  return SectorOffset(fatSector) + 4 * (sector % 128);
}

// Offset of the 128-byte directory entry whose name is the ASCII text given; npos if none.
inline size_t DirectoryEntryOffset(const std::string& file, const std::string& asciiName) {
  uint32_t sector = GetU32(file, 0x30);
  for (int guard = 0; sector < 0xFFFFFFFA && guard < 1000; ++guard) {
    for (int e = 0; e < 4; ++e) {
      size_t at = SectorOffset(sector) + 128 * e;
      size_t nameBytes = static_cast<uint8_t>(file.at(at + 0x40)) |
                         (static_cast<uint8_t>(file.at(at + 0x41)) << 8);
      if (nameBytes != 2 * (asciiName.size() + 1)) continue;
      bool same = true;
      for (size_t i = 0; i < asciiName.size() && same; ++i)
        same = file.at(at + 2 * i) == asciiName[i] && file.at(at + 2 * i + 1) == 0;
      if (same) return at;
    }
    sector = GetU32(file, FatEntryOffset(file, sector));
  }
  return std::string::npos;
}

// First sector and declared size of a stream's directory entry.
inline uint32_t StreamStartSector(const std::string& file, const std::string& asciiName) {
  return GetU32(file, DirectoryEntryOffset(file, asciiName) + 0x74);
}
inline void SetStreamSize(std::string& file, const std::string& asciiName, uint32_t size) {
  PutU32(file, DirectoryEntryOffset(file, asciiName) + 0x78, size);
}

}  // namespace skarvo::testing
