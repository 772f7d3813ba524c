#include "dialogs/version_dialog.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace skarvo {
namespace {

TEST(VersionDialogTest, TextsAndTheLink) {
  RecordingProcessPort processes;
  const std::string readme = ShippedFile("README.md", "README.md");
  ASSERT_FALSE(readme.empty());
  EXPECT_TRUE(FileExists(readme));
  TForm3 dialog(processes, readme);
  EXPECT_EQ(TForm3::TitleText(), Sjis("Skarvo\u3000\u3000Ver,2.1.0"));
  EXPECT_EQ(dialog.LinkAddress(), "file://" + readme);
  EXPECT_EQ(dialog.LinkText(), Sjis("WebSite【") + "file://" + readme + Sjis("】"));
  EXPECT_FALSE(TForm3::Line1().empty());
  EXPECT_FALSE(TForm3::Line2().empty());
  dialog.Show();
  EXPECT_TRUE(dialog.Visible());
  EXPECT_TRUE(dialog.LinkClick());
  ASSERT_EQ(processes.requests.size(), 1u);
  EXPECT_EQ(processes.requests[0].kind, "open");
  EXPECT_EQ(processes.requests[0].target, readme);
  EXPECT_EQ(processes.requests[0].workingFolder, ProgramFolder());
  dialog.CloseClick();
  EXPECT_FALSE(dialog.Visible());

  // Without a document nothing is opened.
  TForm3 bare(processes, {});
  EXPECT_FALSE(bare.LinkClick());
  EXPECT_EQ(processes.requests.size(), 1u);
  EXPECT_EQ(ShippedFile("no-such-file", "no/such/file"), "");
}

}  // namespace
}  // namespace skarvo
