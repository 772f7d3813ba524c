#include "platform/core_timer.h"

#include <gtest/gtest.h>

namespace skarvo {
namespace {

TEST(CoreTimer, FiresOnlyWhenEnabledWithAnIntervalAndAHandler) {
  CoreTimer timer(5000, false);
  int fired = 0;
  EXPECT_FALSE(timer.Fire());  // no handler
  timer.SetHandler([&] { ++fired; });
  EXPECT_FALSE(timer.Fire());  // disabled
  timer.SetEnabled(true);
  EXPECT_TRUE(timer.Fire());
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Fire());
  timer.SetInterval(-5);
  EXPECT_EQ(timer.Interval(), 0);
  EXPECT_EQ(fired, 1);
}

TEST(CoreTimer, AdvanceCountsWholeIntervalsFromTheLastStart) {
  CoreTimer timer(150, true);
  int fired = 0;
  timer.SetHandler([&] { ++fired; });
  EXPECT_EQ(timer.Advance(149), 0);
  EXPECT_EQ(timer.Advance(1), 1);
  EXPECT_EQ(timer.Advance(450), 3);
  EXPECT_EQ(timer.Advance(100), 0);
  // Switching off and on starts a new interval: the 100 ms already passed are forgotten.
  timer.SetEnabled(false);
  EXPECT_EQ(timer.Advance(1000), 0);
  timer.SetEnabled(true);
  EXPECT_EQ(timer.Advance(100), 0);
  EXPECT_EQ(timer.Advance(50), 1);
  // Enabling an enabled timer changes nothing.
  timer.Advance(100);
  timer.SetEnabled(true);
  EXPECT_EQ(timer.Advance(50), 1);
  // A new interval restarts the count; the same interval does not.
  timer.Advance(100);
  timer.SetInterval(150);
  EXPECT_EQ(timer.Advance(50), 1);
  timer.Advance(100);
  timer.SetInterval(200);
  EXPECT_EQ(timer.Advance(150), 0);
  EXPECT_EQ(timer.Advance(50), 1);
  EXPECT_EQ(fired, 8);
}

TEST(CoreTimer, AOneShotHandlerThatSwitchesItselfOffFiresOnce) {
  // The status message timer clears the text once and stops.
  CoreTimer timer(5000, false);
  std::string status = "notice";
  timer.SetHandler([&] {
    timer.SetEnabled(false);
    status.clear();
  });
  timer.SetEnabled(true);
  EXPECT_EQ(timer.Advance(4999), 0);
  EXPECT_EQ(status, "notice");
  EXPECT_EQ(timer.Advance(20000), 1);
  EXPECT_EQ(status, "");
  EXPECT_FALSE(timer.Enabled());
}

TEST(CoreTimer, TellsItsDriverWhenTheRealTimerMustRestartOrStop) {
  CoreTimer timer(100, false);
  int changes = 0;
  timer.SetChangeListener([&] { ++changes; });
  timer.SetHandler([] {});
  unsigned long g0 = timer.Generation();
  timer.SetEnabled(true);   // start
  timer.SetEnabled(true);   // no change
  timer.SetInterval(100);   // no change
  timer.SetInterval(200);   // restart
  timer.Fire();             // a repeating real timer goes on by itself
  timer.SetEnabled(false);  // stop
  timer.SetInterval(300);   // disabled: nothing to restart
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(timer.Generation(), g0 + 3);
}

TEST(CoreTimer, AdvanceWithoutAHandlerOnlyMovesTime) {
  CoreTimer timer(1, true);
  EXPECT_EQ(timer.Advance(2000000000), 0);  // returns at once, no loop per interval
  int fired = 0;
  timer.SetHandler([&] { ++fired; });
  EXPECT_EQ(timer.Advance(1), 1);
}

}  // namespace
}  // namespace skarvo
