#include "dialogs/version_dialog.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "targets/temp_tree.h"

namespace skarvo {
namespace {

TEST(VersionDialogTest, TextsAndTheLink) {
  RecordingProcessPort processes;
  const std::string guide = VersionDialogCore::ProgramLinkTarget();
  ASSERT_FALSE(guide.empty());
  EXPECT_TRUE(FileExists(guide));
  EXPECT_TRUE(guide.ends_with("/guide.html"));
  VersionDialogCore dialog(processes, guide);
  EXPECT_EQ(VersionDialogCore::TitleText(), Sjis("Skarvo\u3000\u3000Ver,2.1.0"));
  EXPECT_EQ(dialog.LinkAddress(), "file://" + guide);
  EXPECT_EQ(dialog.LinkText(), Sjis("WebSite【") + "file://" + guide + Sjis("】"));
  EXPECT_FALSE(VersionDialogCore::Line1().empty());
  EXPECT_FALSE(VersionDialogCore::Line2().empty());
  dialog.Show();
  EXPECT_TRUE(dialog.Visible());
  EXPECT_TRUE(dialog.LinkClick());
  ASSERT_EQ(processes.requests.size(), 1u);
  EXPECT_EQ(processes.requests[0].kind, "open");
  EXPECT_EQ(processes.requests[0].target, guide);
  EXPECT_EQ(processes.requests[0].workingFolder, ProgramFolder());
  dialog.CloseClick();
  EXPECT_FALSE(dialog.Visible());

  // A web page is linked and opened as it is.
  VersionDialogCore web(processes, "https://example.org/skarvo");
  EXPECT_EQ(web.LinkAddress(), "https://example.org/skarvo");
  EXPECT_TRUE(web.LinkClick());
  ASSERT_EQ(processes.requests.size(), 2u);
  EXPECT_EQ(processes.requests[1].target, "https://example.org/skarvo");

  // Without a target nothing is opened.
  VersionDialogCore bare(processes, {});
  EXPECT_EQ(bare.LinkAddress(), "");
  EXPECT_FALSE(bare.LinkClick());
  EXPECT_EQ(processes.requests.size(), 2u);
  EXPECT_EQ(ShippedFile("no-such-file", "no/such/file"), "");
}

// An installed program finds the guide under its prefix and never in the tree it was built
// from; only a program in its build folder falls back to the source tree.
TEST(VersionDialogTest, ShippedFilesOfAnInstalledProgram) {
  testing::TempTree tree;
  tree.Folder("usr/bin");
  tree.File("usr/share/doc/skarvo/guide.html", "<html></html>");
  tree.Folder("bare/bin");
  const std::string source = ShippedFileFor(ProgramFolder(), "not-installed", "README.md");
  const struct {
    std::string programFolder;
    std::string expected;
  } rows[] = {
      {tree.Path("usr/bin"), tree.Path("usr/share/doc/skarvo/guide.html")},
      {tree.Path("bare/bin"), ""},
      {"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.programFolder);
    EXPECT_EQ(ShippedFileFor(row.programFolder, "guide.html", "data/help/guide.html"),
              row.expected);
  }
  // The tests run in the build folder: the source tree's copy.
  EXPECT_TRUE(source.ends_with("/README.md"));
  EXPECT_TRUE(FileExists(source));
  EXPECT_EQ(ShippedFileFor(tree.Path("bare/bin"), "not-installed", "README.md"), "");
}

}  // namespace
}  // namespace skarvo
