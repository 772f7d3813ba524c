// The stage with several workers against the stage with one: every call its sink gets (targets,
// rows with all their fields, progress, failures, the end), over the fixtures and over seeded
// random trees of small and large text files (in Shift-JIS and other encodings), office files,
// vanished and broken files, each run also stopped at a random call and by a stop token.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stop_token>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "search/search_stage.h"
#include "support/temp_files.h"

namespace skarvo {
namespace {

namespace fs = std::filesystem;

// Writes down every call; answers stop at the first call from stopAt on (counted from 1,
// never when 0) that can answer, or asks stopper for a stop there instead.
class TraceSink : public SearchSink {
 public:
  std::vector<std::string> trace;
  size_t stopAt = 0;
  std::stop_source* stopper = nullptr;

  bool OnTarget(int index, int count) override {
    return Note("T " + std::to_string(index) + "/" + std::to_string(count));
  }
  bool OnRow(const CheckListRow& r) override {
    return Note("R " + std::to_string(r.header) + std::to_string(r.checked) + " " +
                std::to_string(static_cast<int>(r.kind)) + " " + std::to_string(r.lineNo) + " " +
                std::to_string(r.sheet) + "," + std::to_string(r.cellRow) + "," +
                std::to_string(r.cellColumn) + " " + std::to_string(r.lineTo) + " " +
                EncodingName(r.encoding) + " [" + r.text + "] [" + r.lineText + "] [" + r.file +
                "]");
  }
  bool OnProgress() override { return Note("P"); }
  void OnFileFailed(const SearchFileFailure& f) override {
    Note("F " + f.path + " " + f.reason, false);
  }
  void OnFileRefused(const SearchFileFailure& f) override {
    Note("X " + f.path + " " + f.reason, false);
  }

 private:
  bool Note(std::string event, bool answers = true) {
    trace.push_back(std::move(event));
    if (stopAt == 0 || trace.size() < stopAt || !answers || answered_) return true;
    answered_ = true;
    if (stopper == nullptr) return false;
    stopper->request_stop();
    return true;
  }
  bool answered_ = false;
};

struct Case {
  std::string name;
  std::vector<CheckListRow> targets;
};

std::vector<std::string> Fixtures() {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(SKARVO_TEST_DATA))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

CheckListRow Target(const std::string& path, bool checked = true, bool header = false) {
  CheckListRow row;
  row.text = path;
  row.checked = checked;
  row.header = header;
  return row;
}

class SearchWorkersTest : public testing::TempFolderTest {
 protected:
  // A tree of small text files in a few folders, a large one whose hits fill many batches
  // and pass the progress mark, copies of office fixtures, and now and then a broken
  // spreadsheet, a vanished file, unchecked and folder rows.
  Case RandomTree(unsigned seed) {
    std::mt19937 random(seed);
    const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    const std::string root = dir_ + "/t" + std::to_string(seed);
    const std::vector<std::string> pieces = {
        "abc", Sjis("検索"), Sjis("ファイル"), " ",      std::string(1, '\0'), "\r\n", "\n", "\r",
        "x",   "ABC",        "1234",           Sjis("ｱ")};
    std::vector<std::string> office;
    for (const std::string& f : Fixtures())
      if (ClassifyTarget(f) != TargetKind::kText) office.push_back(f);
    Case c{"tree " + std::to_string(seed), {}};
    const size_t files = 30 + pick(90);
    const size_t big = pick(files);
    for (size_t i = 0; i < files; ++i) {
      const std::string folder = root + "/d" + std::to_string(pick(4));
      fs::create_directories(folder);
      std::string path = folder + "/f" + std::to_string(i) + ".txt";
      std::string bytes;
      if (i == big) {
        for (int line = 0; line < 5000; ++line)
          bytes += "abc line " + std::to_string(line) + "\r\n";
      } else {
        for (size_t k = pick(300); k > 0; --k) bytes += pieces[pick(pieces.size())];
      }
      const size_t what = pick(40);
      // Some files in other encodings, converted by each worker before it searches them; an
      // odd seed's large file too, in UTF-16, whose hits then fill batches.
      const bool bigUtf16 = i == big && seed % 2 == 1;
      if ((what >= 9 && what <= 12) || bigUtf16) {
        const TextEncoding encodings[] = {TextEncoding::kUtf8, TextEncoding::kUtf16Le,
                                          TextEncoding::kEucJp, TextEncoding::kUtf16Be};
        const TextEncoding encoding = bigUtf16 ? TextEncoding::kUtf16Le : encodings[what - 9];
        std::string converted;
        if (FromInternalForm(bytes, encoding, converted))
          bytes = std::string(ByteOrderMark(encoding)) + converted;
      }
      if (what < 4 && !office.empty()) {
        const std::string& from = office[pick(office.size())];
        path = folder + "/o" + std::to_string(i) + fs::path(from).extension().string();
        fs::copy_file(from, path);
      } else if (what == 4) {
        // A spreadsheet cut short inside its records fails the run.
        path = folder + "/broken" + std::to_string(i) + ".xls";
        std::ofstream(path, std::ios::binary)
            << ReadWholeFile(std::string(SKARVO_TEST_DATA) + "/search/tree/sub/d.xls")
                   .value()
                   .substr(0, 3000);
      } else {
        std::ofstream(path, std::ios::binary) << bytes;
      }
      if (what == 5) fs::remove(path);  // listed, gone before the search
      if (what == 6) c.targets.push_back(Target(folder, true, true));
      c.targets.push_back(Target(path, what != 7));
      // Listed twice (a folder given twice): an office file is then extracted twice at once.
      if (what < 4 || what == 8) c.targets.push_back(Target(path));
    }
    return c;
  }

  std::vector<std::string> Run(const std::vector<CheckListRow>& targets,
                               const SearchPattern& pattern, int workers, size_t stopAt = 0,
                               bool byToken = false) {
    TGrep grep;
    TXBiff xbiff;
    TReadDoc readDoc;
    // A home of its own: a temp folder found there would be taken for the user's.
    TempFolderLedger ledger(dir_ + "/home" + std::to_string(runs_++));
    TSearchStage stage(SearchStageParts{grep, xbiff, readDoc, ledger});
    stage.SetPattern(pattern);
    TraceSink sink;
    std::stop_source stopper;
    sink.stopAt = stopAt;
    if (byToken) sink.stopper = &stopper;
    SearchRunOptions options;
    options.workers = workers;
    options.stop = stopper.get_token();
    const SearchEnd end = stage.Run(targets, sink, options);
    sink.trace.push_back("E " + std::to_string(static_cast<int>(end)));
    return sink.trace;
  }

  // The same lines in each encoding the search tells apart, each file with hits.
  Case EncodedFiles() {
    Case c{"encodings", {}};
    const std::string text = "abc " + Sjis("検索") + "\r\nx\r\n" + Sjis("ファイル") + " abc1\r\n";
    const TextEncoding encodings[] = {TextEncoding::kShiftJis, TextEncoding::kUtf8,
                                      TextEncoding::kUtf8Bom,  TextEncoding::kUtf16Le,
                                      TextEncoding::kUtf16Be,  TextEncoding::kEucJp};
    fs::create_directories(dir_ + "/enc");
    for (const TextEncoding encoding : encodings) {
      std::string bytes;
      EXPECT_TRUE(FromInternalForm(text, encoding, bytes));
      const std::string path = dir_ + "/enc/" + EncodingName(encoding) + ".txt";
      std::ofstream(path, std::ios::binary) << ByteOrderMark(encoding) << bytes;
      c.targets.push_back(Target(path));
    }
    return c;
  }

  int runs_ = 0;

  // The first call where two traces differ, or nothing when they are the same.
  static std::string FirstDifference(const std::vector<std::string>& a,
                                     const std::vector<std::string>& b) {
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (x == a.end() && y == b.end()) return {};
    return "call " + std::to_string(x - a.begin()) + ": " + (x == a.end() ? "(none)" : *x) +
           "\n  one worker: " + (y == b.end() ? "(none)" : *y);
  }

  // Runs every case with every pattern on one worker, then on several: whole, stopped by the
  // sink at a random call, and stopped by a token asked at that call.
  void Compare(const std::vector<Case>& cases, const std::vector<SearchPattern>& patterns) {
    std::mt19937 random(2024);
    for (const Case& c : cases) {
      for (const SearchPattern& pattern : patterns) {
        SCOPED_TRACE(c.name + " / " + pattern.searchString + (pattern.useRegex ? " re" : " plain"));
        const std::vector<std::string> one = Run(c.targets, pattern, 1);
        ASSERT_GE(one.size(), 2u);
        const size_t stopAt = 1 + static_cast<size_t>(random() % (one.size() - 1));
        const std::vector<std::string> oneStopped = Run(c.targets, pattern, 1, stopAt);
        // A stop while a failed file's held rows are reported still reports the failure.
        EXPECT_LE(oneStopped.size(), stopAt + 3);
        for (int workers : {2, 5}) {
          SCOPED_TRACE(workers);
          EXPECT_EQ(FirstDifference(Run(c.targets, pattern, workers), one), "");
          EXPECT_EQ(FirstDifference(Run(c.targets, pattern, workers, stopAt), oneStopped), "")
              << stopAt;
        }
        // A stop token ends the run soon after the call that asked for it, with a part of
        // what one worker gives (the end may come a little later than a sink's stop).
        std::vector<std::string> byToken = Run(c.targets, pattern, 3, stopAt, true);
        const std::string end = byToken.back();
        byToken.pop_back();
        ASSERT_GE(byToken.size(), stopAt);
        ASSERT_LE(byToken.size(), one.size() - 1);
        EXPECT_TRUE(std::equal(byToken.begin(), byToken.end(), one.begin()));
        EXPECT_TRUE(end == one.back() || end == kStopped) << end;
        ++compared_;
      }
    }
  }

  const std::string kStopped = "E " + std::to_string(static_cast<int>(SearchEnd::kStopped));
  size_t compared_ = 0;
};

const std::vector<SearchPattern> kPatterns = {{"abc", true, true, false},
                                              {"[a-z]+[0-9]", true, true, false},
                                              {Sjis("検索|ファイル"), true, true, false},
                                              {"e", false, false, false},
                                              {"ABC", false, true, false},
                                              {" ", true, true, false}};

TEST_F(SearchWorkersTest, SeveralWorkersGiveTheSinkWhatOneGives) {
  std::vector<Case> cases;
  Case all{"every fixture", {}};
  for (const std::string& f : Fixtures()) {
    cases.push_back(Case{f, {Target(f)}});
    all.targets.push_back(Target(f));
  }
  Compare(cases, {kPatterns[0], kPatterns[3]});
  cases = {all, EncodedFiles()};
  for (unsigned seed = 1; seed <= 3; ++seed) cases.push_back(RandomTree(seed));
  Compare(cases, kPatterns);
  EXPECT_EQ(compared_, Fixtures().size() * 2 + 5 * kPatterns.size());
  // Each worker tells each file's encoding, and its rows carry it through the writer.
  const std::vector<std::string> trace = Run(cases[1].targets, kPatterns[2], 3);
  for (const char* name : {"Shift_JIS", "UTF-8", "UTF-8 BOM", "UTF-16LE", "UTF-16BE", "EUC-JP"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(std::count_if(trace.begin(), trace.end(),
                            [&](const std::string& call) {
                              return call.find(std::string(" ") + name + " [") != std::string::npos;
                            }),
              name == std::string("Shift_JIS") ? 6 + 2 : 2);  // headers: no encoding of theirs
  }
}

TEST_F(SearchWorkersTest, SeveralWorkersGiveTheSinkWhatOneGivesOnManyTrees) {
  std::vector<Case> cases;
  for (unsigned seed = 4; seed <= 16; ++seed) cases.push_back(RandomTree(seed));
  Compare(cases, kPatterns);
}

}  // namespace
}  // namespace skarvo
