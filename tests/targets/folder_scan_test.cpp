#include "targets/folder_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "platform/codepage.h"
#include "support/fake_ui_port.h"
#include "targets/temp_tree.h"

namespace skarvo {
namespace {

using testing::TempTree;

std::vector<std::string> Texts(const CheckList& list) {
  std::vector<std::string> texts;
  for (const auto& row : list.Rows()) texts.push_back(row.text);
  return texts;
}

TEST(ScanFolderTree, ListsFoldersBreadthFirstInNameOrderIgnoringCase) {
  TempTree t;
  t.Folder("b/d");
  t.Folder("A/c/e");
  t.Folder(".hidden");
  t.File("A/file.txt");
  t.File("top.txt");
  CheckList undo;
  undo.Add("stale row");
  FakeUiPort port;
  ScanFolderTree(t.Root() + "/", undo, port);
  EXPECT_EQ(Texts(undo),
            (std::vector<std::string>{t.Root(), t.Path(".hidden"), t.Path("A"), t.Path("b"),
                                      t.Path("A/c"), t.Path("b/d"), t.Path("A/c/e")}));
}

TEST(ScanFolderTree, RootPathsKeepOneSeparator) {
  struct Row {
    std::string root, scanRoot, joined;
  };
  for (const Row& row : std::vector<Row>{{"/", "/", "/x"},
                                         {"/data/", "/data", "/data/x"},
                                         {"/data", "/data", "/data/x"},
                                         {"rel/", "rel", "rel/x"}}) {
    SCOPED_TRACE(row.root);
    EXPECT_EQ(ScanRoot(row.root), row.scanRoot);
    EXPECT_EQ(JoinPath(ScanRoot(row.root), "x"), row.joined);
  }
}

TEST(ScanFolderTree, FolderLinksAreFollowedOnceAndLoopsEnd) {
  TempTree outside;
  outside.Folder("deep");
  TempTree t;
  t.Folder("a");
  t.Link(t.Root(), "a/up");        // back to the root
  t.Link(".", "a/self");           // to itself
  t.Link(outside.Root(), "ext");   // out of the tree: followed
  t.Link(outside.Root(), "ext2");  // the same folder again: not listed twice
  CheckList undo;
  FakeUiPort port;
  ScanFolderTree(t.Root(), undo, port);
  EXPECT_EQ(Texts(undo),
            (std::vector<std::string>{t.Root(), t.Path("a"), t.Path("ext"), t.Path("ext/deep")}));
}

TEST(ScanFolderTree, ProgressTextsMoveOnePlacePerFolderAndTheLastOfALevelShowsNone) {
  TempTree t;
  for (int k = 0; k < 11; ++k) t.Folder("f" + std::to_string(k + 10));
  CheckList undo;
  FakeUiPort port;
  ScanFolderTree(t.Root(), undo, port);
  EXPECT_EQ(undo.Count(), 12);
  auto status = port.CallsOf("status");
  ASSERT_EQ(status.size(), 11u);  // the root's, then ten of the eleven
  EXPECT_EQ(status[0].text, Sjis("□□□□□□□□□□フォルダチェック中"));
  EXPECT_EQ(status[1].text, Sjis("■□□□□□□□□□フォルダチェック中"));
  EXPECT_EQ(status[5].text, Sjis("□□□□■□□□□□フォルダチェック中"));
  EXPECT_EQ(status[10].text, Sjis("□□□□□□□□□■フォルダチェック中"));
}

TEST(ScanFolderTree, ProgressTextRule) {
  struct Row {
    int i, n;
    const char* expected;  // nullptr: nothing shown
  };
  for (const Row& row : std::vector<Row>{
           {0, 1, "□□□□□□□□□□フォルダチェック中"},
           {0, 2, "■□□□□□□□□□フォルダチェック中"},
           {1, 2, nullptr},
           {1, 3, "□□□□□■□□□□フォルダチェック中"},
           {2, 3, nullptr},
           {3, 7, "□□□□□■□□□□フォルダチェック中"},  // trunc(30 / 6) = 5
           {4, 7, "□□□□□□■□□□フォルダチェック中"},  // trunc(40 / 6) = 6
       }) {
    SCOPED_TRACE(std::to_string(row.i) + " of " + std::to_string(row.n));
    auto text = ScanProgressText(row.i, row.n);
    if (row.expected)
      EXPECT_EQ(text, Sjis(row.expected));
    else
      EXPECT_FALSE(text.has_value());
  }
  EXPECT_EQ(BuildProgressText(0, 12), Sjis("□□□□□□□□□□検索中"));
  EXPECT_EQ(BuildProgressText(6, 12), Sjis("■■■■■□□□□□検索中"));  // trunc(60 / 11) = 5
  EXPECT_EQ(BuildProgressText(11, 12), Sjis("■■■■■■■■■■検索中"));
}

TEST(ListFolderFiles, ListsRegularFilesAndLinksToThemButNoFoldersOrBrokenLinks) {
  TempTree t;
  t.File("b.txt");
  t.File(".hidden");
  t.File("表.txt");
  t.Folder("A.txt");
  t.Link(t.Native("b.txt"), "c-link.txt");
  t.Link(t.Native("missing"), "d-broken.txt");
  t.File("x\xff.txt");  // no CP932 form
  FolderFiles files = ListFolderFiles(t.Root() + "/");
  EXPECT_EQ(files.paths, (std::vector<std::string>{t.Path(".hidden"), t.Path("b.txt"),
                                                   t.Path("c-link.txt"), t.Path("表.txt")}));
  EXPECT_EQ(files.leftOut, 1);
  EXPECT_TRUE(ListFolderFiles(t.Path("missing")).paths.empty());
}

// Root reads every folder, so the unreadable folder is tried by a child process that
// has given up root first.
TEST(ScanFolderTree, AnUnreadableFolderHasNoSubfoldersAndTheScanGoesOn) {
  TempTree t;
  t.Folder("a/hidden-below");
  t.Folder("b/c");
  ::chmod(t.Root().c_str(), 0755);
  ::chmod(t.Native("b").c_str(), 0755);
  ::chmod(t.Native("b/c").c_str(), 0755);
  ::chmod(t.Native("a").c_str(), 0);
  std::vector<std::string> expected{t.Root(), t.Path("a"), t.Path("b"), t.Path("b/c")};
  EXPECT_EXIT(
      {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) std::_Exit(3);
        CheckList undo;
        FakeUiPort port;
        ScanFolderTree(t.Root(), undo, port);
        bool ok = Texts(undo) == expected && ListFolderFiles(t.Path("a")).paths.empty();
        if (!ok)
          for (const auto& s : Texts(undo)) std::cerr << s << "\n";
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  ::chmod(t.Native("a").c_str(), 0755);
}

}  // namespace
}  // namespace skarvo
