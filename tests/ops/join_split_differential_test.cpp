// The join and the split against a plain reference of what they must write, on seeded
// random files: line ends of every kind, blank lines, 2-byte characters, random hits,
// checks and modes.
#include <random>
#include <set>

#include "ops/join_split_fixture.h"

namespace skarvo::testing {
namespace {

// Lines the plain way: every CR LF and lone CR becomes LF, then the text is cut at LF; a
// final LF ends the last line rather than starting a new one.
std::vector<std::string> ReferenceLines(std::string text) {
  std::string unified;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      unified += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      unified += text[i];
    }
  }
  std::vector<std::string> lines;
  std::string current;
  for (char c : unified) {
    if (c == '\n') {
      lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

std::string RandomText(std::mt19937& rng) {
  static const std::vector<std::string> pieces = {"a",  "bc",   " ",        "\r",
                                                  "\n", "\r\n", "\x82\xa0", "xyz"};
  std::string text;
  const int n = std::uniform_int_distribution<int>(0, 40)(rng);
  for (int i = 0; i < n; ++i) text += pieces[rng() % pieces.size()];
  return text;
}

std::string WithCrLf(const std::vector<std::string>& lines, int64_t first, int64_t last) {
  std::string out;
  for (int64_t n = first; n <= last; ++n) out += lines[n - 1] + "\r\n";
  return out;
}

class JoinSplitDifferential : public JoinSplitTest {};

TEST_F(JoinSplitDifferential, JoinWritesSeparatorsAndCheckedFiles) {
  std::mt19937 rng(20261207);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    const std::string separator = rng() % 3 == 0 ? "" : "sep" + std::to_string(round);
    JoinSettings("結合文字列=" + separator + "\n");
    targetList_.Clear();
    std::vector<std::string> paths, texts;
    const int files = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < files; ++f) {
      texts.push_back(RandomText(rng));
      paths.push_back(Write("f" + std::to_string(f) + ".txt", texts.back()));
    }
    Targets(paths);
    settings_.ignoreBlankLines = rng() % 2;
    Apply(ops_.OnJoinFiles());
    std::string expected;
    for (int f = 0; f < files; ++f) {
      if (!separator.empty()) expected += separator + "\r\n";
      const int row = separator.empty() ? f : 2 * f + 1;
      if (rng() % 3 == 0) {
        ops_.OnJoinListCheckClick(row);
        continue;
      }
      const std::vector<std::string> lines = ReferenceLines(texts[f]);
      expected += WithCrLf(lines, 1, static_cast<int64_t>(lines.size()));
    }
    if (!separator.empty()) expected += separator + "\r\n";
    const std::string out = home_ + "/out" + std::to_string(round) + ".txt";
    ui_.confirmAnswers = {true};
    ui_.saveAnswers = {out};
    mode_ = 1;
    Apply(ops_.OnSaveToNewFile(mode_));
    EXPECT_EQ(Read(out), expected);
  }
}

TEST_F(JoinSplitDifferential, SplitWritesThePartsOfThePartTable) {
  std::mt19937 rng(7);
  for (int round = 0; round < 150; ++round) {
    SCOPED_TRACE(round);
    const int mode = 1 + static_cast<int>(rng() % 3);
    JoinSettings("分割モード=" + std::to_string(mode) + "\n");
    DeleteFolderTree(home_ + "/data");
    const std::string text = RandomText(rng);
    const std::string path = Write("s.txt", text);
    const std::vector<std::string> lines = ReferenceLines(text);
    const int64_t count = static_cast<int64_t>(lines.size());
    std::set<int64_t> hitSet;
    for (int64_t n = 1; n <= count; ++n)
      if (rng() % 4 == 0) hitSet.insert(n);
    std::vector<int64_t> p{1};
    std::vector<bool> checked{true};
    resultList_.Clear();
    Header(path);
    for (int64_t n : hitSet) {
      const bool on = rng() % 4 != 0;
      Hit(path, TextHitRowText(n, lines[n - 1]), on, n, lines[n - 1]);
      p.push_back(n);
      checked.push_back(on);
    }
    p.push_back(count);
    checked.push_back(true);
    resultList_.SetItemIndex(0);
    mode_ = 1;
    Apply(ops_.OnSplitFile());
    ASSERT_EQ(mode_, 3);

    // The reference: the part table row by row, and the user unchecking some parts.
    std::map<std::string, std::string> expected;
    int partRow = 1;
    const size_t last = p.size() - 1;
    for (size_t i = 0; i < last; ++i) {
      if (!checked[i]) continue;
      int64_t first = p[i];
      if (mode == 3 && i >= 1) first = p[i] + 1;
      int64_t end = p[i + 1];
      if (mode == 1 && i + 1 != last) end = p[i + 1] - 1;
      const std::string name = home_ + "/data/s" + std::to_string(i) + ".txt";
      ASSERT_LT(partRow, joinList_.Count());
      EXPECT_EQ(joinList_.Text(partRow - 1), name);
      const bool userKeeps = rng() % 5 != 0;
      if (!userKeeps) ops_.OnJoinListCheckClick(partRow);
      partRow += 2;
      if (userKeeps && end - first + 1 >= 2 && !lines[first - 1].empty())
        expected[name] = WithCrLf(lines, first, end);
    }
    EXPECT_EQ(joinList_.Count(), partRow - 1);
    ui_.confirmAnswers = {true};
    Apply(ops_.OnSaveToNewFile(mode_));
    std::map<std::string, std::string> written;
    for (const FolderEntry& e : ListFolder(home_ + "/data").entries)
      if (e.name != "s.txt") written[home_ + "/data/" + e.name] = Read(home_ + "/data/" + e.name);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(Read(path), text);  // the source is never touched
  }
}

}  // namespace
}  // namespace skarvo::testing
