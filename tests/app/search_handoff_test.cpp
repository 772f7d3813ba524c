// The search worker and its handoff against the stage run directly: the same rows in the same
// order, whatever the batch size and however the taking thread interleaves.
#include "app/search_handoff.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <random>

#include "platform/file_system.h"
#include "support/temp_files.h"
#include "support/worker_gate.h"

namespace skarvo {
namespace {

class CollectingSink : public SearchSink {
 public:
  std::vector<CheckListRow> rows;
  bool OnRow(const CheckListRow& row) override {
    rows.push_back(row);
    return true;
  }
  void OnFileFailed(const SearchFileFailure&) override {}
  void OnFileRefused(const SearchFileFailure&) override {}
};

std::string RowKey(const CheckListRow& row) {
  return std::string(row.header ? "H " : "- ") + std::to_string(row.lineNo) + " " + row.text;
}

class SearchHandoffTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ledger_.emplace(dir_ + "/home");
    stage_.emplace(SearchStageParts{grep_, xbiff_, readDoc_, *ledger_});
  }

  // Seeded random text files: lines with and without the word, some long files (past the
  // stage's progress interval), an unchecked row, a vanished file and a folder row.
  std::vector<CheckListRow> RandomTargets(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<CheckListRow> targets;
    CheckListRow folder;
    folder.header = true;
    folder.text = dir_;
    targets.push_back(folder);
    const int files = 5 + static_cast<int>(random() % 30);
    for (int f = 0; f < files; ++f) {
      const std::string path =
          dir_ + "/f" + std::to_string(seed) + "_" + std::to_string(f) + ".txt";
      std::ofstream out(path, std::ios::binary);
      const int lines = random() % 5 == 0 ? 9000 : static_cast<int>(random() % 40);
      for (int l = 0; l < lines; ++l)
        out << (random() % 7 == 0 ? "a hit here" : "filler") << (random() % 2 ? "\r\n" : "\n");
      CheckListRow row;
      row.text = path;
      row.checked = random() % 9 != 0;
      targets.push_back(row);
    }
    CheckListRow gone;
    gone.text = dir_ + "/gone.txt";
    gone.checked = true;
    targets.insert(targets.begin() + 2, gone);
    return targets;
  }

  TGrep grep_{[] { return SearchWorker::PollCurrent(); }};
  TXBiff xbiff_;
  TReadDoc readDoc_;
  std::optional<TempFolderLedger> ledger_;
  std::optional<TSearchStage> stage_;
};

TEST_F(SearchHandoffTest, BatchesCarryTheStagesRowsInOrder) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    auto targets = std::make_shared<const std::vector<CheckListRow>>(RandomTargets(seed));
    for (bool regex : {true, false}) {
      stage_->SetPattern(SearchPattern{"hit", regex, true, false});
      CollectingSink direct;
      ASSERT_EQ(stage_->Run(*targets, direct), SearchEnd::kCompleted);
      std::vector<std::string> expected;
      int64_t hits = 0;
      for (const CheckListRow& row : direct.rows) {
        expected.push_back(RowKey(row));
        hits += row.header ? 0 : 1;
      }
      ASSERT_GT(hits, 0);

      for (size_t batchRows : {size_t{1}, size_t{3}, size_t{1000}}) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " regex " + std::to_string(regex) +
                     " batch " + std::to_string(batchRows));
        std::atomic<int> wakes = 0;
        SearchHandoff handoff([&] { ++wakes; });
        int takes = 0;
        std::vector<std::string> got;
        std::vector<std::string> searched;
        std::optional<SearchProgress> progress;
        int64_t dots = 0;
        SearchBatch last;
        {
          SearchWorker worker(
              *stage_, targets, handoff,
              {batchRows, std::chrono::milliseconds(batchRows == 1 ? 0 : 50), !regex});
          for (bool ended = false; !ended;) {
            handoff.WaitForBatch();
            SearchBatch batch = handoff.Take();
            ++takes;
            for (const CheckListRow& row : batch.rows) {
              got.push_back(RowKey(row));
              if (!row.header) ++dots;
            }
            for (const auto& [path, identity] : batch.searchedFiles) searched.push_back(path);
            if (batch.progress) {
              // Progress only moves forward.
              if (progress) {
                EXPECT_GE(batch.progress->index, progress->index);
              }
              progress = batch.progress;
            }
            ended = batch.ended;
            if (ended) last = std::move(batch);
          }
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(last.end, SearchEnd::kCompleted);
        EXPECT_FALSE(last.failure);
        EXPECT_FALSE(last.error);
        // Every header's file, in order, as found.
        std::vector<std::string> headers;
        for (const CheckListRow& row : direct.rows)
          if (row.header) headers.push_back(row.file);
        EXPECT_EQ(searched, headers);
        ASSERT_TRUE(progress);
        EXPECT_EQ(progress->count, static_cast<int>(targets->size()));
        EXPECT_EQ(progress->index, progress->count - 1);
        // A plain search counts its hits for the status dots; a pattern search does not.
        if (regex) {
          EXPECT_EQ(progress->hitsSinceTarget, 0);
        }
        EXPECT_LE(progress->hitsSinceTarget, dots);
        // One wake-up at a time: each but the end's waits for a take.
        EXPECT_LE(wakes.load(), takes + 1);
        EXPECT_GE(wakes.load(), 1);
      }
    }
  }
}

// A stop asked for from the taking thread ends the run at its next row, target or block
// read, as a stop, with no error; a worker destroyed while it runs stops and is joined.
TEST_F(SearchHandoffTest, AStopFromTheWindowsThreadEndsTheRun) {
  auto targets = std::make_shared<const std::vector<CheckListRow>>(RandomTargets(11));
  for (bool regex : {true, false}) {
    SCOPED_TRACE(regex);
    stage_->SetPattern(SearchPattern{"hit", regex, true, false});
    // Held at its first hand-over (the first target's progress) while the stop comes.
    WorkerGate gate;
    SearchHandoff handoff(gate.Wake());
    SearchWorker worker(*stage_, targets, handoff, {1, std::chrono::milliseconds(0), !regex});
    gate.WaitHeld();
    worker.RequestStop();
    gate.Open();
    SearchBatch batch;
    for (bool ended = false; !ended;) {
      handoff.WaitForBatch();
      SearchBatch part = handoff.Take();
      ended = part.ended;
      batch.Merge(std::move(part));
    }
    EXPECT_EQ(batch.end, SearchEnd::kStopped);
    EXPECT_FALSE(batch.error);
    EXPECT_TRUE(batch.rows.empty());
  }
  {
    stage_->SetPattern(SearchPattern{"hit", true, true, false});
    SearchHandoff handoff(nullptr);
    SearchWorker worker(*stage_, targets, handoff, {});
  }
}

}  // namespace
}  // namespace skarvo
