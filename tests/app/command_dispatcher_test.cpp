// The handler table behind MainWindowCore::Execute: every command names its handler, the window's
// own commands have one, and an operation can register the handler of a command it brings.
#include "app/command_dispatcher.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/main_window_core_fixture.h"
#include "platform/codepage.h"
#include "support/worker_gate.h"

namespace skarvo {
namespace {

using testing::MainWindowCoreTest;

TEST(CommandTable, EveryCommandNamesItsOwnHandler) {
  std::set<std::string> names;
  for (const CommandInfo& info : CommandTable()) {
    ASSERT_NE(info.handler, nullptr) << info.caption;
    EXPECT_TRUE(names.insert(info.handler).second) << info.handler << " twice";
  }
  EXPECT_STREQ(Command(CommandId::kOverwriteSave).handler, "OnOverwrite");
  EXPECT_STREQ(Command(CommandId::kToolReplace).handler, "OnToolReplace");
}

TEST_F(MainWindowCoreTest, ExecuteRunsWhatIsRegisteredAndOnlyForAnUsableCommand) {
  auto form = MakeForm();
  // Every command of the table has its handler: the window's own and the operations'.
  for (const CommandInfo& info : CommandTable()) {
    SCOPED_TRACE(info.handler);
    EXPECT_TRUE(form->Commands().Has(info.id));
  }
  int replaced = 0;
  form->Commands().Register({CommandId::kReplace, CommandId::kToolReplace}, [&] { ++replaced; });
  form->Execute(CommandId::kReplace);
  form->Execute(CommandId::kToolReplace);
  EXPECT_EQ(replaced, 2);
  // Disabled: the handler is not run.
  form->SetCommandEnabled(CommandId::kReplace, false);
  form->Execute(CommandId::kReplace);
  EXPECT_EQ(replaced, 2);
  // A later registration replaces the earlier one; the end marker is never a command.
  int other = 0;
  form->Commands().Register({CommandId::kToolReplace}, [&] { ++other; });
  form->Execute(CommandId::kToolReplace);
  EXPECT_EQ(replaced, 2);
  EXPECT_EQ(other, 1);
  EXPECT_FALSE(TCommandDispatcher().Run(CommandId::kCount));
}

TEST_F(MainWindowCoreTest, DuringASearchOnlyTheStopIsEnabledAndItEndsTheRun) {
  auto form = MakeForm();
  form->folderHistory.SetItems({SearchTree()});
  form->folderHistory.SetItemIndex(0);
  form->Targets().BuildTargetList(false);
  form->searchHistory.SetText("abc");
  // The worker is held at its first hand-over, before any row.
  WorkerGate gate;
  form->SearchRun().SetBatching(1, std::chrono::milliseconds(0));
  form->SetSearchWake(gate.Wake());
  form->Execute(CommandId::kToolSearch);
  gate.WaitHeld();
  EXPECT_TRUE(form->Search().runInProgress);
  EXPECT_FALSE(form->State(CommandId::kSearch).enabled);
  EXPECT_FALSE(form->State(CommandId::kFolderSelect).enabled);
  EXPECT_TRUE(form->State(CommandId::kToolSearch).enabled);
  form->Execute(CommandId::kToolSearch);  // "中止"
  gate.Open();
  form->WaitForSearch();
  EXPECT_FALSE(form->Search().runInProgress);
  EXPECT_TRUE(form->State(CommandId::kSearch).enabled);
  EXPECT_EQ(form->StatusText(), Sjis("検索を中止しました（0ファイル、0件）"));
  EXPECT_TRUE(form->resultList.Empty());
}

}  // namespace
}  // namespace skarvo
