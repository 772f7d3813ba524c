#include "platform/office_automation.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/libreoffice_automation.h"
#include "platform/line_helper_process.h"
#include "platform/process_port.h"
#include "targets/temp_tree.h"

namespace skarvo {
namespace {

TEST(RecordingAutomationTest, LogsCallsByNameAndFailsOnDemand) {
  RecordingAutomation office;
  office.Failing() = {"Cells.Activate"};
  {
    OleObjectPtr app = office.CreateOleObject("Excel.Application");
    app->SetProperty("Visible", true);
    OleObjectPtr cells = OleObject(app->GetProperty("Cells", {7, 3}));
    EXPECT_THROW(cells->Invoke("Activate", {}, {}), EOleError);
    OleObject(app->Invoke("WorkBooks", {}, {}))
        ->Invoke("Open", {}, {{"FileName", std::string("/a b.xls")}, {"readOnly", false}});
  }
  EXPECT_EQ(office.Log(), (std::vector<std::string>{
                              "create Excel.Application", "Excel.Application.Visible = true",
                              "Excel.Application.Cells[7, 3]", "Cells.Activate()",
                              "Excel.Application.WorkBooks()",
                              "WorkBooks.Open(FileName:=/a b.xls, readOnly:=false)", "release Open",
                              "release WorkBooks", "release Cells", "release Excel.Application"}));
  EXPECT_THROW(OleObject(OleValue{3}), EOleError);
  EXPECT_TRUE(SameOleName("WorkBooks", "workbooks"));
  EXPECT_FALSE(SameOleName("WorkBook", "workbooks"));
}

TEST(ProcessArgumentsTest, EveryArgumentArrivesWhole) {
  testing::TempTree tree;
  SystemProcessPort port;
  const std::string out = tree.Path("args.txt");
  ASSERT_TRUE(
      port.StartArguments({"sh", "-c", "printf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"",
                           out, "a b/x.txt", "/L12", "/w:", Sjis("語 句")},
                          ""));
  for (int i = 0; i < 500 && !FileExists(out); ++i) usleep(10000);
  EXPECT_EQ(ReadWholeFile(out).value_or(""),
            "a b/x.txt\n/L12\n/w:\n" + std::string("語 句") + "\n");
  EXPECT_FALSE(port.StartArguments({}, ""));
  EXPECT_FALSE(port.StartArguments({"/nonexistent/editor", "x"}, ""));
}

TEST(LineHelperProcessTest, LinesBothWaysAndTimeLimits) {
  LineHelperProcess cat;
  ASSERT_TRUE(cat.Start({"cat"}));
  EXPECT_TRUE(cat.Send("hello\tworld"));
  EXPECT_EQ(cat.ReadLine(5000), "hello\tworld");
  EXPECT_EQ(cat.ReadLine(50), std::nullopt);  // nothing more: the time limit ends the wait
  cat.Finish(1000);
  EXPECT_FALSE(cat.Running());
  EXPECT_FALSE(cat.Send("gone"));

  // A helper that never ends by itself (a Finish that waited for it would never return) is
  // ended by force, and reaped: its process is gone.
  LineHelperProcess quiet;
  ASSERT_TRUE(quiet.Start({"sh", "-c", "echo $$; exec sleep infinity"}));
  const std::optional<std::string> pid = quiet.ReadLine(5000);
  ASSERT_TRUE(pid.has_value());
  quiet.Finish(100);
  EXPECT_FALSE(quiet.Running());
  errno = 0;
  EXPECT_EQ(::kill(static_cast<pid_t>(std::stol(*pid)), 0), -1);
  EXPECT_EQ(errno, ESRCH);
  LineHelperProcess none;
  EXPECT_FALSE(none.Start({"/nonexistent/helper"}) && none.ReadLine(1000).has_value());
}

// The LibreOffice backend for real: open a spreadsheet at sheet 2, cell C7, and read back
// through UNO what is active; open a .doc. Run by scripts/test (SKARVO_OFFICE_TESTS=1),
// which installs LibreOffice; it takes several seconds.
TEST(LibreOfficeAutomationTest, OpensAtTheCellAndShowsDocuments) {
  if (!std::getenv("SKARVO_OFFICE_TESTS")) GTEST_SKIP() << "set SKARVO_OFFICE_TESTS=1";
  testing::TempTree tree;
  LibreOfficeAutomation::Options options;
  options.headless = true;
  options.profileFolder = tree.Native("") + "/profile";
  LibreOfficeAutomation office(options);
  ASSERT_TRUE(office.Available()) << "LibreOffice, python3-uno or the helper is missing";
  const std::string data = std::string(SKARVO_TEST_DATA) + "/office";
  // The user's own LibreOffice, with a document open: it must outlive everything below.
  LineHelperProcess user;
  ASSERT_TRUE(user.Start({"/usr/bin/python3", LibreOfficeAutomation::HelperScriptPath(),
                          tree.Native("") + "/user-profile", "--headless"}));
  ASSERT_EQ(user.ReadLine(120000), "ok\tready");
  tree.File("mine.doc", ReadWholeFile(data + "/letter.doc").value_or(""));
  ASSERT_TRUE(user.Send("open\t" + tree.Native("mine.doc")));
  ASSERT_EQ(user.ReadLine(60000), "ok\twriter");
  {
    OleObjectPtr app = office.CreateOleObject("Excel.Application");
    app->SetProperty("Visible", true);
    OleObjectPtr book = OleObject(
        OleObject(app->Invoke("WorkBooks", {}, {}))
            ->Invoke("Open", {}, {{"FileName", data + "/sheets.xls"}, {"readOnly", false}}));
    OleObjectPtr sheet = OleObject(app->GetProperty("WorkSheets", {2}));
    OleObject(sheet->GetProperty("Cells", {7, 3}))->Invoke("Activate", {}, {});
    EXPECT_EQ(office.ActiveState(), "2\tC7");
    OleObject(OleObject(app->GetProperty("WorkSheets", {1}))->GetProperty("Cells", {12, 28}))
        ->Invoke("Activate", {}, {});
    EXPECT_EQ(office.ActiveState(), "1\tAB12");
    // No such sheet: an automation error; the sheet alone can still be activated.
    EXPECT_THROW(
        OleObject(OleObject(app->GetProperty("WorkSheets", {9}))->GetProperty("Cells", {1, 1}))
            ->Invoke("Activate", {}, {}),
        EOleError);
    OleObject(app->GetProperty("WorkSheets", {3}))->Invoke("Activate", {}, {});
    EXPECT_EQ(office.ActiveState().value_or("").substr(0, 2), "3\t");
    book->Invoke("close", {}, {});
    app->Invoke("Quit", {}, {});
  }
  EXPECT_EQ(office.ActiveState(), std::nullopt);  // the instance is gone
  {
    OleObjectPtr app = office.CreateOleObject("Word.Application");
    app->SetProperty("Visible", true);
    OleObject(app->Invoke("documents", {}, {}))->Invoke("open", {data + "/letter.doc"}, {});
    app->Invoke("Activate", {}, {});
    EXPECT_EQ(office.ActiveState(), "letter.doc");
    // A file that does not exist is an automation error.
    EXPECT_THROW(
        OleObject(app->Invoke("documents", {}, {}))->Invoke("open", {data + "/none.doc"}, {}),
        EOleError);
    app->Invoke("Quit", {}, {});
  }
  EXPECT_THROW(office.CreateOleObject("Other.Application"), EOleError);
  ASSERT_TRUE(user.Send("state"));
  EXPECT_EQ(user.ReadLine(60000), "ok\tmine.doc");
  user.Send("quit");
  EXPECT_EQ(user.ReadLine(60000), "ok\tbye");
  user.Finish(30000);
}

}  // namespace
}  // namespace skarvo
