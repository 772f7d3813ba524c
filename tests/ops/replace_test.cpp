#include "engine/regexp_error.h"
#include "ops/ops_fixture.h"
#include "results/result_rules.h"

namespace skarvo::testing {
namespace {

TEST(SubstituteLine, FallsExactlyOnWhatTheSearchFound) {
  struct Case {
    const char* name;
    SubstitutionRule rule;
    std::string replacement, line, expected;
  };
  const std::string aa = S("ああ");  // 82 A0 82 A0
  const Case cases[] = {
      {"pattern", {"a.b", true, true, false}, "Z", "a.b axb", "Z Z"},
      {"pattern, & is the match", {"b+", true, true, false}, "[&]", "abbc b", "a[bb]c [b]"},
      {"literal keeps the dot", {"a.b", false, true, false}, "Z", "a.b axb", "Z axb"},
      {"literal without case",
       {"A.B", false, false, false},
       "[&]",
       "a.b axb A.B",
       "[a.b] axb [A.B]"},
      {"literal with case", {"A.B", false, true, false}, "Z", "a.b A.B", "a.b Z"},
      {"literal never starts on a second byte", {"\xA0\x82", false, true, false}, "Z", aa, aa},
      {"literal 2-byte", {S("あ"), false, true, false}, "x", aa + "a", "xxa"},
      {"literal never ends inside a character", {"\x82", false, true, false}, "Z", aa, aa},
      {"literal without case, half a character",
       {"a\x82", false, false, false},
       "Z",
       "A" + aa,
       "A" + aa},
      {"empty replacement deletes", {"1", true, true, false}, "", "a1b1", "ab"},
      {"fuzzy as the search had it", {"A", true, true, true}, "z", S("aＡ"), "zz"},
  };
  TAWKStr awk;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SubstituteLine(c.rule, c.replacement, c.line, awk), c.expected);
  }
  EXPECT_THROW(SubstituteLine({"a", true, true, false}, "x\\", "a", awk), ERegExpParser);
}

TEST_F(OpsTest, ReplacePreviewsInCheckedRowsAndTheChecksSwapTexts) {
  OnReplace();
  EXPECT_EQ(ui_.statusText, S("検索がされていません！"));
  EXPECT_TRUE(Texts("input").empty());

  const std::string x = Write("x.txt", S("a1 b\r\nno\r\nb 1列 b\r\n"));
  const std::string y = Write("y.txt", "b\r\n");
  Build(Data());
  Search("b|1");
  const std::vector<std::string> found = Rows(resultList_);
  ASSERT_EQ(found, (std::vector<std::string>{"H " + FileHeaderRowText(x), S("+ 【1列目】a1 b"),
                                             S("+ 【3列目】b 1列 b"), "H " + FileHeaderRowText(y),
                                             S("+ 【1列目】b")}));
  // Cancel changes nothing.
  OnReplace();
  EXPECT_EQ(Texts("input"), std::vector<std::string>{S("置き換える文字列を入力してください！")});
  EXPECT_EQ(ui_.CallsOf("input")[0].caption, S("置換"));
  EXPECT_EQ(Rows(resultList_), found);
  EXPECT_FALSE(state_.replacePending);

  // The prefix keeps its digit although the search text matches digits.
  resultList_.SetChecked(4, false);
  Replace("[&]");
  EXPECT_EQ(Rows(resultList_),
            (std::vector<std::string>{"H " + FileHeaderRowText(x), S("+ 【1列目】a[1] [b]"),
                                      S("+ 【3列目】[b] [1]列 [b]"), "H " + FileHeaderRowText(y),
                                      S("- 【1列目】b")}));
  EXPECT_EQ(OtherRows()[1].text, S("【1列目】a1 b"));
  EXPECT_EQ(OtherRows()[4].text, S("【1列目】[b]"));
  ASSERT_TRUE(std::holds_alternative<PendingReplaceUndo>(session_.undo));
  EXPECT_EQ(Texts("message"), std::vector<std::string>{
                                  S("実際のファイルは、まだ置換えられていません。\r\n上書き保存で"
                                    "、Checkの入った所のみ置換えが実行されます！")});
  EXPECT_TRUE(overwriteEnabled_ && restoreEnabled_ && state_.replacePending);
  EXPECT_EQ(state_.replaceText, "[&]");

  // Row clicks, then the file commands, swap the texts both ways.
  ClickResultCheck(1);
  EXPECT_EQ(resultList_.Text(1), S("【1列目】a1 b"));
  EXPECT_FALSE(OtherRows()[1].checked);
  ClickResultCheck(4);
  EXPECT_EQ(resultList_.Text(4), S("【1列目】[b]"));
  resultList_.SetItemIndex(0);
  OnCheckFileHits(true);
  EXPECT_EQ(resultList_.Text(1), S("【1列目】a[1] [b]"));
  EXPECT_TRUE(resultList_.Checked(1) && OtherRows()[1].checked);
  resultList_.SetItemIndex(3);
  OnCheckFileHits(false);
  EXPECT_EQ(Rows(resultList_)[4], S("- 【1列目】b"));
  EXPECT_EQ(OtherRows()[4].text, S("【1列目】[b]"));
  EXPECT_FALSE(OtherRows()[4].checked);
  EXPECT_FALSE(OtherRows()[3].header && OtherRows()[3].checked);

  // A second replace first takes the pending one back, with its message.
  ui_.calls.clear();
  Replace("<&>");
  EXPECT_EQ(Texts("message")[0], S("検索結果") + "b|1\r\n" + S("に戻した後に置換えを実行します。"));
  EXPECT_EQ(Rows(resultList_)[2], S("+ 【3列目】<b> <1>列 <b>"));
  EXPECT_EQ(Rows(resultList_)[4], S("- 【1列目】b"));

  // The restore takes it back without a question.
  OnRestore();
  EXPECT_TRUE(Texts("confirm").empty());
  std::vector<std::string> back = found;
  back[4] = S("- 【1列目】b");
  EXPECT_EQ(Rows(resultList_), back);
  EXPECT_TRUE(std::holds_alternative<NoUndo>(session_.undo));
  EXPECT_FALSE(state_.replacePending || overwriteEnabled_ || restoreEnabled_);
  EXPECT_TRUE(state_.replaceText.empty());
}

TEST_F(OpsTest, OfficeHitsCannotBeCheckedByTheFileCommand) {
  settings_.extensionList = ".xls";
  Build(std::string(SKARVO_TEST_DATA) + "/search/tree");
  Search("abc");
  ASSERT_GT(resultList_.Count(), 1);
  resultList_.SetItemIndex(0);
  OnCheckFileHits(true);
  EXPECT_EQ(ui_.statusText, S("Excel、Wordファイルはチェック対象にできません。"));
  EXPECT_TRUE(timer_.Enabled());
  EXPECT_EQ(resultList_.CheckedCount(), 0);
}

// A replacement the matcher cannot expand, one that would put a zero byte into a file, and a
// plain search text cut inside a 2-byte character are each refused with their message
// before any row changes.
TEST_F(OpsTest, ABadReplacementIsReportedAndChangesNothing) {
  Write("x.txt", "b\r\n" + S("あ") + "\r\n");
  Build(Data());
  const std::string nul = S("置き換える文字列がNUL文字を含むため、置換できません。");
  struct Row {
    const char* what;
    bool regex;
    std::string search, replacement, error;  // empty error: the engine's own message
  } rows[] = {
      {"unfinished escape", true, "b", "x\\", ""},
      {"zero byte", true, "b", "\\0", nul},
      {"zero byte amid text", true, "b", "a\\0b", nul},
      {"zero byte by hex", true, "b", "\\x0", nul},
      {"zero second byte of a code", true, "b", "\\x4100", nul},
      {"zero byte by octal, plain search", false, "b", "\\000", nul},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    settings_.useRegex = row.regex;
    Search(row.search);
    const std::vector<std::string> found = Rows(resultList_);
    ASSERT_FALSE(found.empty());
    const size_t errors = ui_.CallsOf("error").size();
    Replace(row.replacement);
    ASSERT_EQ(ui_.CallsOf("error").size(), errors + 1);
    if (!row.error.empty()) {
      EXPECT_EQ(ui_.CallsOf("error").back().text, row.error);
    }
    EXPECT_EQ(Rows(resultList_), found);
    EXPECT_FALSE(state_.replacePending || overwriteEnabled_);
  }
  // A plain search text ending in a lone lead byte is refused by the search itself, as a
  // pattern's is: it would find the first half of "あ".
  settings_.useRegex = false;
  resultList_.Clear();
  Search("\x82");
  EXPECT_EQ(ui_.CallsOf("error").back().text,
            S("検索する文字列が２バイト文字の途中で終わっています。"));
  EXPECT_TRUE(resultList_.Empty());
  settings_.useRegex = true;
  Search("\x82");
  EXPECT_EQ(ui_.CallsOf("error").back().text, S("不正な２バイト文字コードです。"));
}

// The file check commands with no row selected, or a hit row, change nothing.
TEST_F(OpsTest, TheFileCheckCommandsNeedAFileRow) {
  Write("x.txt", "b\r\nb\r\n");
  Build(Data());
  Search("b");
  const std::vector<std::string> found = Rows(resultList_);
  for (int selected : {-1, 1}) {
    SCOPED_TRACE(selected);
    resultList_.SetItemIndex(selected);
    EXPECT_NO_THROW(OnCheckFileHits(false));
    EXPECT_NO_THROW(OnCheckFileHits(true));
    EXPECT_EQ(Rows(resultList_), found);
  }
}

}  // namespace
}  // namespace skarvo::testing
