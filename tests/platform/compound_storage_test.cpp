#include "platform/compound_storage.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>

#include "platform/codepage.h"
#include "platform/compound_file_builder.h"
#include "platform/work_done.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

using testing::BuildCompoundFile;
using testing::DirectoryEntryOffset;
using testing::FatEntryOffset;
using testing::PutU32;
using testing::SetStreamSize;
using testing::StreamStartSector;

// Patterned content, so a byte out of place shows.
std::string Pattern(size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 31 + seed + i / 251) & 0xFF);
  return s;
}

using testing::TempFile;

TEST(CompoundStorageTest, NonCompoundInputDoesNotOpen) {
  const std::string valid = BuildCompoundFile({{"Data", Pattern(5000, 1)}});
  struct Row {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"empty", ""},
      {"plain text", "hello\r\nworld\r\n"},
      {"signature only", valid.substr(0, 8)},
      {"header cut short", valid.substr(0, 300)},
      {"header without sectors", valid.substr(0, 512)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(CompoundStorage::OpenBytes(row.bytes), nullptr);
    TempFile file(row.bytes);
    EXPECT_EQ(CompoundStorage::Open(file.path()), nullptr);
  }
  EXPECT_EQ(CompoundStorage::Open("/nonexistent/skarvo/file.doc"), nullptr);
  EXPECT_EQ(CompoundStorage::Open("/tmp"), nullptr);
}

TEST(CompoundStorageTest, ReadsBigAndSmallStreamsWhole) {
  // 5000 bytes lie in regular sectors, 300 in the mini stream, 0 in none.
  const std::string big = Pattern(5000, 7), small = Pattern(300, 9);
  const std::string file = BuildCompoundFile({{"Big", big}, {"Small", small}, {"Empty", ""}});
  for (bool fromDisk : {false, true}) {
    SCOPED_TRACE(fromDisk ? "file" : "memory");
    TempFile temp(file);
    auto storage = fromDisk ? CompoundStorage::Open(temp.path()) : CompoundStorage::OpenBytes(file);
    ASSERT_NE(storage, nullptr);
    EXPECT_EQ(storage->FileSize(), file.size());
    EXPECT_EQ(storage->ReadStream("Big"), big);
    EXPECT_EQ(storage->ReadStream("Small"), small);
    EXPECT_EQ(storage->ReadStream("Empty"), std::string());
    EXPECT_EQ(storage->ReadStream("Missing"), std::nullopt);
  }
}

TEST(CompoundStorageTest, FindsStreamsWithoutRegardToCase) {
  const std::string file = BuildCompoundFile(
      {{"WordDocument", "w"}, {"1Table", "t"}, {"Book", "", true}, {"テスト", "j"}});
  auto storage = CompoundStorage::OpenBytes(file);
  ASSERT_NE(storage, nullptr);
  struct Row {
    const char* name;
    std::optional<std::string> content;
  } rows[] = {
      {"WordDocument", "w"},     {"worddocument", "w"},  {"WORDDOCUMENT", "w"}, {"1table", "t"},
      {"1Table ", std::nullopt}, {"Book", std::nullopt},  // a storage, not a stream
      {"book", std::nullopt},    {"", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(storage->ReadStream(row.name), row.content);
    EXPECT_EQ(storage->HasStream(row.name), row.content.has_value());
  }
  EXPECT_EQ(storage->ReadStream(Sjis("テスト")), "j");
  std::vector<std::string> names = storage->StreamNames();
  std::sort(names.begin(), names.end());
  std::vector<std::string> expected = {"1Table", "WordDocument", Sjis("テスト")};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
}

// Each kind of damage must give a clean "cannot read" quickly, never a hang or a huge
// allocation (the sanitizer build would report one).
TEST(CompoundStorageTest, DamagedStreamsAreUnreadableNotFatal) {
  const std::string good =
      BuildCompoundFile({{"Big", Pattern(20000, 3)}, {"Small", Pattern(700, 4)}});
  struct Row {
    const char* what;
    void (*damage)(std::string&);
  } rows[] = {
      {"chain loops to its own start",
       [](std::string& f) {
         uint32_t s = StreamStartSector(f, "Big");
         PutU32(f, FatEntryOffset(f, s + 2), s);
       }},
      {"chain points past the end",
       [](std::string& f) {
         uint32_t s = StreamStartSector(f, "Big");
         PutU32(f, FatEntryOffset(f, s + 1), 0x00FFFFF0);
       }},
      {"chain ends early",
       [](std::string& f) {
         uint32_t s = StreamStartSector(f, "Big");
         PutU32(f, FatEntryOffset(f, s + 3), 0xFFFFFFFE);
       }},
      {"huge declared size", [](std::string& f) { SetStreamSize(f, "Big", 0x7FFFFF00); }},
      {"small stream grown past the mini stream",
       [](std::string& f) { SetStreamSize(f, "Small", 4000); }},
      {"start sector past the end",
       [](std::string& f) { PutU32(f, DirectoryEntryOffset(f, "Big") + 0x74, 0x0FFFFFFF); }},
      {"file cut in half", [](std::string& f) { f.resize(f.size() / 2); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::string file = good;
    row.damage(file);
    auto storage = CompoundStorage::OpenBytes(file);
    if (storage) {
      auto big = storage->ReadStream("Big");
      if (big) {
        EXPECT_LE(big->size(), file.size());
      }
      auto small = storage->ReadStream("Small");
      if (small) {
        EXPECT_LE(small->size(), file.size());
      }
      EXPECT_FALSE(big && small && *big == Pattern(20000, 3) && *small == Pattern(700, 4))
          << "damage was not noticed";
      // Read in pieces, each stream is checked once when opened and then delivers what it
      // holds: never more than the file's size, twice, per stream.
      const uint64_t before = workDone;
      std::string piece;
      for (const char* name : {"Big", "Small"}) {
        if (auto stream = storage->OpenStream(name)) {
          for (uint64_t at = 0; stream->ReadAt(at, 4096, piece) && !piece.empty();)
            at += piece.size();
        }
      }
      EXPECT_LE(workDone - before, 4 * file.size());
    }
  }
}

}  // namespace
}  // namespace skarvo
