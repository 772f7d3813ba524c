#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "platform/codepage.h"
#include "platform/compound_file_builder.h"
#include "platform/compound_storage.h"
#include "platform/file_system.h"
#include "platform/work_done.h"
#include "readers/doc_builder.h"
#include "readers/read_doc.h"

namespace skarvo {
namespace {

using Lines = std::vector<std::string>;
const std::string kData = SKARVO_TEST_DATA;

std::string Fixture(const char* name) {
  auto bytes = ReadWholeFile(kData + "/readers/" + name);
  return bytes ? *bytes : std::string();
}

size_t TotalSize(const Lines& lines) {
  size_t total = 0;
  for (const auto& line : lines) total += line.size() + 1;
  return total;
}

// Reads damaged bytes: a clean result or the reader's own error, with work (bytes read and
// converted) that grows with the input, and never more text than the input holds.
void ExpectCleanRead(const std::string& bytes) {
  const uint64_t before = workDone;
  Lines lines;
  try {
    TReadDoc().ReadTextFromBytes(bytes, &lines);
  } catch (const EReadDoc&) {
  }
  EXPECT_LE(TotalSize(lines), bytes.size() + 1);
  EXPECT_LT(workDone - before, 64 * bytes.size() + (64 << 10));
}

// The document rebuilt with its WordDocument stream changed by edit.
std::string WithWordStream(const std::string& file, const std::function<void(std::string&)>& edit) {
  auto storage = CompoundStorage::OpenBytes(file);
  std::vector<testing::StreamEntry> streams;
  for (const std::string& name : storage->StreamNames()) {
    std::string content = *storage->ReadStream(name);
    if (name == "WordDocument") edit(content);
    streams.push_back({name, content});
  }
  return testing::BuildCompoundFile(streams);
}

TEST(ReadDocDamageTest, TruncatedDocumentsEndCleanly) {
  for (const char* name : {"doc_paragraphs.doc", "doc_long.doc"}) {
    const std::string file = Fixture(name);
    ASSERT_FALSE(file.empty());
    for (size_t cut = 0; cut < file.size(); cut += (cut < 4096 ? 61 : 1021)) {
      SCOPED_TRACE(std::string(name) + " cut at " + std::to_string(cut));
      ExpectCleanRead(file.substr(0, cut));
    }
  }
}

TEST(ReadDocDamageTest, OverwrittenBytesEndCleanly) {
  const std::string file = Fixture("doc_paragraphs.doc");
  for (const std::string& junk : {std::string("\xFF\xFF\xFF\xFF"), std::string("\xFE\xFF\xFF\xFF"),
                                  std::string(4, '\0'), std::string("\x00\x00\x00\x7F", 4)}) {
    for (size_t at = 0; at + 4 <= file.size(); at += 37) {
      SCOPED_TRACE(at);
      std::string bad = file;
      bad.replace(at, 4, junk);
      ExpectCleanRead(bad);
    }
  }
}

TEST(ReadDocDamageTest, CharacterCountsLargerThanTheStream) {
  const std::string file = Fixture("doc_paragraphs.doc");
  Lines original;
  TReadDoc().ReadTextFromBytes(file, &original);
  ASSERT_EQ(original.size(), 6u);
  for (uint32_t count : {0x10000u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    SCOPED_TRACE(count);
    const std::string bad =
        WithWordStream(file, [count](std::string& s) { testing::PutLE(s, 0x4C, count, 4); });
    Lines lines;
    TReadDoc().ReadTextFromBytes(bad, &lines);
    // The pieces end the text where the document's text ends.
    EXPECT_EQ(lines, original);
  }
}

}  // namespace
}  // namespace skarvo
