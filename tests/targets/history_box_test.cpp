#include "targets/history_box.h"

#include <gtest/gtest.h>

namespace skarvo {
namespace {

TEST(HistoryBoxFolderPaths, TrailingSlashNamesTheSameFolder) {
  const struct {
    const char* a;
    const char* b;
    bool folderRule;
    bool exact;
  } cases[] = {
      {"/data", "/data/", true, false},
      {"/data//", "/data", true, false},
      {"/data", "/data", true, true},
      {"/", "/", true, true},
      {"/", "", false, false},
      {"/data", "/dat", false, false},
      {"/data/x", "/data", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " | " + c.b);
    HistoryBox folders;
    folders.SetFolderPaths(true);
    EXPECT_EQ(folders.SameEntry(c.a, c.b), c.folderRule);
    EXPECT_EQ(HistoryBox().SameEntry(c.a, c.b), c.exact);
  }

  HistoryBox box;
  box.SetFolderPaths(true);
  box.SetItems({"/data", "/home/u/", "/"});
  box.InsertTop("/data/");
  box.RemoveDuplicatesOfTop();
  EXPECT_EQ(box.Items(), (std::vector<std::string>{"/data/", "/home/u/", "/"}));
  EXPECT_EQ(box.IndexOf("/home/u"), 1);
  EXPECT_EQ(box.IndexOf("//"), 2);
  // The search history keeps the exact rule.
  HistoryBox search;
  search.SetItems({"abc/", "abc"});
  search.InsertTop("abc");
  search.RemoveDuplicatesOfTop();
  EXPECT_EQ(search.Items(), (std::vector<std::string>{"abc", "abc/"}));
}

}  // namespace
}  // namespace skarvo
