// The extracted text of a word-processor file, written line by line as the reader finds the
// lines: byte for byte the text of all its lines, each with a CR LF, as when it was written
// whole.
#include <gtest/gtest.h>

#include <random>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "search/search_stage.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

class SearchExtractTest : public testing::TempFolderTest {};

struct NoRows : SearchSink {
  int rows = 0;
  std::vector<SearchFileFailure> failures;
  std::vector<SearchFileFailure> refused;
  bool OnTarget(int, int) override { return true; }
  bool OnRow(const CheckListRow&) override {
    ++rows;
    return true;
  }
  void OnFileFailed(const SearchFileFailure& failure) override { failures.push_back(failure); }
  void OnFileRefused(const SearchFileFailure& failure) override { refused.push_back(failure); }
};

TEST_F(SearchExtractTest, TheWrittenTextIsEveryLineWithACrLf) {
  // A file that is no compound document is read as text in 1,050,624-byte reads: line ends of
  // every kind, a CR LF cut between two reads, a line end as the last byte of a read, several
  // megabytes so the text goes to the file in several pieces.
  std::mt19937 random(7);
  std::string plain(5 * (size_t{1} << 20) + 333, 'q');
  for (size_t i = 0; i < plain.size(); i += 1 + random() % 300)
    plain[i] = "\r\n\x82\xa0 x"[random() % 6];
  plain[513 * 2048 - 1] = '\r';
  plain[513 * 2048] = '\n';
  plain[2 * 513 * 2048 - 1] = '\n';
  const std::string generated = dir_ + "/large.doc";
  ASSERT_TRUE(WriteFileAtomic(generated, plain));
  const std::string fixture = std::string(SKARVO_TEST_DATA) + "/search/tree/sub/c.doc";
  for (const std::string& doc : {generated, fixture}) {
    SCOPED_TRACE(doc);
    std::vector<std::string> lines;
    TReadDoc().ReadText(doc, &lines);
    std::string expected;
    for (const std::string& line : lines) expected += RemoveLineBreaks(line) + "\r\n";

    TGrep grep;
    TXBiff xbiff;
    TReadDoc readDoc;
    TempFolderLedger ledger(dir_);
    TSearchStage stage(SearchStageParts{grep, xbiff, readDoc, ledger});
    for (bool regex : {true, false}) {
      stage.SetPattern(SearchPattern{"x", regex, true, false});
      CheckListRow row;
      row.text = doc;
      row.checked = true;
      NoRows sink;
      EXPECT_EQ(stage.Run({row}, sink), SearchEnd::kCompleted);
      EXPECT_TRUE(sink.failures.empty());
      const auto written = ReadWholeFile(ExtractedTextPath(ledger.TempFolder(), doc));
      ASSERT_TRUE(written.has_value());
      EXPECT_TRUE(*written == expected)
          << written->size() << " bytes, expected " << expected.size();
    }
  }
}

TEST_F(SearchExtractTest, AFillThatFailsLeavesNothingWritten) {
  TempFolderLedger ledger(dir_);
  const std::string path = ledger.TempFolder() + "/part.txt";
  EXPECT_THROW(ledger.WriteFilePieces(path,
                                      [](const FilePieceWriter& write) {
                                        write("first piece");
                                        throw std::runtime_error("read failed");
                                      }),
               std::runtime_error);
  EXPECT_FALSE(FileExists(path));
  const auto left = ListFolder(ledger.TempFolder());
  EXPECT_TRUE(left.ok && left.entries.empty());
  // Pieces written in turn make the whole.
  EXPECT_TRUE(ledger.WriteFilePieces(path, [](const FilePieceWriter& write) {
    write("a\r\n");
    write("");
    write("b\r\n");
  }));
  EXPECT_EQ(ReadWholeFile(path), "a\r\nb\r\n");
}

}  // namespace
}  // namespace skarvo
