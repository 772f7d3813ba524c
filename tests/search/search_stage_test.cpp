// TSearchStage on its own: the rows and their records, a sink that stops, a failed file as
// a typed event.
#include "search/search_stage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "platform/codepage.h"
#include "platform/compound_file_builder.h"
#include "platform/file_system.h"
#include "readers/xbiff_builder.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

const std::string kTree = std::string(SKARVO_TEST_DATA) + "/search/tree";

// Records every event; says stop after stopAfter rows (never when negative).
class RecordingSink : public SearchSink {
 public:
  int stopAfter = -1;
  std::vector<CheckListRow> rows;
  std::vector<SearchFileFailure> failures;
  std::vector<SearchFileFailure> refused;
  int targetsSeen = 0;

  bool OnTarget(int, int) override {
    ++targetsSeen;
    return true;
  }
  bool OnRow(const CheckListRow& row) override {
    rows.push_back(row);
    return stopAfter < 0 || static_cast<int>(rows.size()) < stopAfter;
  }
  void OnFileFailed(const SearchFileFailure& failure) override { failures.push_back(failure); }
  void OnFileRefused(const SearchFileFailure& failure) override { refused.push_back(failure); }
};

class SearchStageTest : public testing::TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ledger_.emplace(dir_);
    stage_.emplace(SearchStageParts{grep_, xbiff_, readDoc_, *ledger_});
  }

  static CheckListRow File(const std::string& path, bool checked = true) {
    CheckListRow row;
    row.text = path;
    row.checked = checked;
    return row;
  }
  SearchEnd Run(const std::vector<CheckListRow>& targets, const std::string& pattern,
                bool regex = true) {
    stage_->SetPattern(SearchPattern{pattern, regex, true, false});
    return stage_->Run(targets, sink_);
  }

  TGrep grep_;
  TXBiff xbiff_;
  TReadDoc readDoc_;
  std::optional<TempFolderLedger> ledger_;  // in the test's folder
  std::optional<TSearchStage> stage_;
  RecordingSink sink_;
};

TEST_F(SearchStageTest, HitRowsKeepLineNumberAndLineTextApartFromTheDisplayedText) {
  const std::string a = Write("x\r\nabc one\r\nno\nabc two");
  const std::string b = Write("nothing here\n");
  for (bool regex : {true, false}) {
    SCOPED_TRACE(regex);
    sink_ = RecordingSink();
    CheckListRow folder;
    folder.text = "folder row";
    folder.header = true;
    EXPECT_EQ(
        Run({folder, File(a), File(b), File(a, false), File(dir_ + "/gone.txt")}, "abc", regex),
        SearchEnd::kCompleted);
    EXPECT_EQ(sink_.targetsSeen, 5);
    ASSERT_EQ(sink_.rows.size(), 3u);
    EXPECT_TRUE(sink_.rows[0].header);
    EXPECT_EQ(sink_.rows[0].text, FileHeaderRowText(a));
    EXPECT_EQ(sink_.rows[1].text, Sjis("【2列目】abc one"));
    EXPECT_EQ(sink_.rows[1].lineNo, 2);
    EXPECT_EQ(sink_.rows[1].lineText, "abc one");
    EXPECT_TRUE(sink_.rows[1].checked);
    EXPECT_EQ(sink_.rows[2].lineNo, 4);
    EXPECT_EQ(sink_.rows[2].lineText, "abc two");
    EXPECT_TRUE(sink_.failures.empty());
  }
}

TEST_F(SearchStageTest, ASinkThatSaysStopEndsTheRunAfterThatRowAndNeverLeavesAHeaderAlone) {
  const std::string a = Write("abc\nabc\nabc\n");
  const std::string b = Write("abc\n");
  // Spreadsheet rows are held until labelled and then reported the same way.
  const std::string xls = kTree + "/sub/d.xls";
  for (bool regex : {true, false}) {
    for (int n : {1, 2, 3, 5}) {
      SCOPED_TRACE(std::to_string(regex) + " " + std::to_string(n));
      sink_ = RecordingSink();
      sink_.stopAfter = n;
      EXPECT_EQ(Run({File(a), File(xls), File(b)}, "abc", regex), SearchEnd::kStopped);
      // Stopping at a header (row 1 and the spreadsheet's at row 5) still reports its hit.
      EXPECT_EQ(sink_.rows.size(), static_cast<size_t>(n == 1 || n == 5 ? n + 1 : n));
      EXPECT_FALSE(sink_.rows.back().header);
    }
  }
  sink_ = RecordingSink();
  sink_.stopAfter = 6;
  EXPECT_EQ(Run({File(a), File(xls)}, "abc"), SearchEnd::kStopped);
  ASSERT_EQ(sink_.rows.size(), 6u);
  EXPECT_EQ(sink_.rows[5].text, Sjis("【Excel,Sheet1, A3セル】abc"));
  EXPECT_EQ(sink_.rows[5].lineText, "abc");
}

TEST_F(SearchStageTest, AFailedFileIsATypedEventAfterTheRowsFoundBefore) {
  const std::string a = Write("abc\n");
  // A spreadsheet cut short inside its records.
  const std::string broken = dir_ + "/broken.xls";
  std::ofstream(broken, std::ios::binary)
      << ReadWholeFile(kTree + "/sub/d.xls").value().substr(0, 3000);
  const std::string b = Write("abc\n");
  EXPECT_EQ(Run({File(a), File(broken), File(b)}, "abc"), SearchEnd::kFailed);
  ASSERT_EQ(sink_.rows.size(), 2u);
  ASSERT_EQ(sink_.failures.size(), 1u);
  EXPECT_EQ(sink_.failures[0].path, broken);
  EXPECT_FALSE(sink_.failures[0].reason.empty());
  EXPECT_EQ(SearchErrorMessage(sink_.failures[0]),
            Sjis("新規検索エラー\n") + broken + ": " + sink_.failures[0].reason);
  // A rejected pattern is thrown before anything is searched.
  EXPECT_THROW(stage_->SetPattern(SearchPattern{"(abc", true, true, false}), Exception);
}

// The fuzzy switch of each run reaches the pattern search, both ways.
TEST_F(SearchStageTest, EachRunSearchesWithItsOwnFuzzySwitch) {
  const std::string a = Write("x" + Sjis("Ａｂ") + "\n");
  for (bool fuzzy : {true, false, true}) {
    SCOPED_TRACE(fuzzy);
    sink_ = RecordingSink();
    stage_->SetPattern(SearchPattern{"ab", true, true, fuzzy});
    EXPECT_EQ(stage_->Run({File(a)}, sink_), SearchEnd::kCompleted);
    EXPECT_EQ(sink_.rows.size(), fuzzy ? 2u : 0u);
  }
}

// A plain search of a spreadsheet stopped between lines (so with hits still waiting for their
// cell labels) leaves none of them to the next run.
TEST_F(SearchStageTest, HitsOfAStoppedSpreadsheetStayOutOfTheNextRun) {
  using testing::BiffBytes;
  testing::BiffStream sheet;
  sheet.Bof8(0x0010);
  const int cells = static_cast<int>(SearchSink::kProgressLines) + 4;
  for (int row = 0; row < cells; ++row)
    sheet.Record(
        0x0204, BiffBytes().U16(static_cast<unsigned>(row)).U16(0).U16(15).U16(3).U8(0).Raw("abc"));
  sheet.Eof();
  const std::string xls = dir_ + "/many.xls";
  std::ofstream(xls, std::ios::binary) << testing::BuildCompoundFile({{"Workbook", sheet.Str()}});
  const std::string text = Write("abc\n");
  struct StoppingSink : RecordingSink {
    int progressAnswers = 0;
    bool OnProgress() override { return progressAnswers++ > 0; }
  } sink;
  stage_->SetPattern(SearchPattern{"abc", false, true, false});
  EXPECT_EQ(stage_->Run({File(xls)}, sink), SearchEnd::kStopped);
  EXPECT_TRUE(sink.rows.empty());
  EXPECT_EQ(sink.progressAnswers, 1);
  EXPECT_EQ(stage_->Run({File(text)}, sink), SearchEnd::kCompleted);
  ASSERT_EQ(sink.rows.size(), 2u);
  EXPECT_EQ(sink.rows[0].text, FileHeaderRowText(text));
  EXPECT_EQ(sink.rows[1].lineText, "abc");
}

}  // namespace
}  // namespace skarvo
