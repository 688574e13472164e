#include "controls/FlashList.h"
#include "controls/TimerSpeedRepeat.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

class TFakeClock : public TTickClock {
 public:
  std::uint32_t TickCount() const override { return tick; }
  std::chrono::system_clock::time_point Now() const override { return wall; }

  void Advance(std::uint32_t ms) {
    tick += ms;
    wall += std::chrono::milliseconds(ms);
  }

  std::uint32_t tick = 100000;
  std::chrono::system_clock::time_point wall{std::chrono::seconds(1000)};
};

constexpr std::uint32_t kTick = 16;

// An arrow of the spin control on a service driven by a fake clock, ticking every 16 ms.
class RepeatTest : public ::testing::Test {
 protected:
  RepeatTest() : list(clock), arrow(list, &arrowIdentity) {
    list.SendFlash = [this](TFlashControl control, std::uint32_t, std::int64_t lateness) {
      ASSERT_EQ(control, &arrowIdentity);
      latenesses.push_back(lateness);
      if (arrow.ClickDue()) clickTimes.push_back(clock.tick - pressTime);
    };
  }

  void Press() {
    pressTime = clock.tick;
    arrow.Press();
  }

  void HoldFor(std::uint32_t ms) {
    for (std::uint32_t held = 0; held + kTick <= ms; held += kTick) {
      clock.Advance(kTick);
      list.Flash();
    }
  }

  TFakeClock clock;
  TFlashList list;
  int arrowIdentity = 0;
  TTimerSpeedRepeat arrow;
  std::uint32_t pressTime = 0;
  std::vector<std::uint32_t> clickTimes;
  std::vector<std::int64_t> latenesses;
};

TEST_F(RepeatTest, FirstRepeatAfterTheStartDelayThenEveryIntervalWithoutDrift) {
  Press();
  HoldFor(1010);
  // Due every 100 ms on the grid of the press; each taken by the first 16 ms tick at or after it.
  EXPECT_EQ(clickTimes, (std::vector<std::uint32_t>{512, 608, 704, 800, 912, 1008}));
  EXPECT_EQ(latenesses, (std::vector<std::int64_t>{12, 8, 4, 0, 12, 8, 4, 0, 12, 8}));
}

TEST_F(RepeatTest, QuickClickGivesNoRepeat) {
  Press();
  HoldFor(490);
  arrow.Release();
  HoldFor(1000);
  EXPECT_TRUE(clickTimes.empty());
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(RepeatTest, ZeroStartDelayRepeatsFromTheFirstDueTick) {
  arrow.SetStartDelay(0);
  Press();
  HoldFor(250);
  EXPECT_EQ(clickTimes, (std::vector<std::uint32_t>{112, 208}));
}

TEST_F(RepeatTest, IntervalsBelowFiftyAreIgnored) {
  arrow.SetInterval(20);
  EXPECT_EQ(arrow.Interval(), 100);
  arrow.SetInterval(50);
  EXPECT_EQ(arrow.Interval(), 50);
}

TEST_F(RepeatTest, DisabledTimerNeverRegisters) {
  arrow.SetTimerEnabled(false);
  Press();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_FALSE(list.ServiceRunning());
}

TEST_F(RepeatTest, RepeatsAcrossTheWrapOfTheTickCount) {
  clock.tick = 0xFFFFFFFFu - 300;
  Press();
  HoldFor(1010);
  EXPECT_EQ(clickTimes, (std::vector<std::uint32_t>{512, 608, 704, 800, 912, 1008}));
}

TEST_F(RepeatTest, VeryLateTickCountsAsOnTime) {
  Press();
  clock.Advance(1200);
  list.Flash();
  clock.Advance(99);
  list.Flash();
  clock.Advance(1);
  list.Flash();
  EXPECT_EQ(latenesses, (std::vector<std::int64_t>{0, 0}));
}

TEST_F(RepeatTest, PressingAgainReplacesTheRegistration) {
  Press();
  HoldFor(50);
  Press();
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list[0].NextDue, clock.tick + 100);
}

// ---- The service itself ----

class FlashListTest : public ::testing::Test {
 protected:
  FlashListTest() : list(clock) {
    list.StartService = [this] { ++starts; };
    list.StopService = [this] { ++stops; };
    list.ApplicationTerminating = [this] { return terminating; };
  }

  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) {
      clock.Advance(kTick);
      list.Flash();
    }
  }

  TFakeClock clock;
  TFlashList list;
  int starts = 0;
  int stops = 0;
  bool terminating = false;
};

TEST_F(FlashListTest, FirstRegistrationStartsTheServiceWhichKeepsRunning) {
  int a = 0;
  int b = 0;
  list.AddControl(nullptr, 100);
  EXPECT_EQ(starts, 0) << "no control, no registration";
  list.AddControl(&a, 100);
  list.AddControl(&b, 100);
  EXPECT_EQ(starts, 1);
  list.DelControl(&a);
  list.DelControl(&b);
  EXPECT_EQ(stops, 0);
  EXPECT_TRUE(list.ServiceRunning());
}

TEST_F(FlashListTest, LastRemovalWhileTerminatingStopsTheService) {
  int a = 0;
  list.AddControl(&a, 100);
  terminating = true;
  list.DelControl(&a);
  EXPECT_EQ(stops, 1);
}

TEST_F(FlashListTest, BlinkNotifiesOnEachChangeOfItsBit) {
  std::vector<std::pair<std::uint32_t, std::int64_t>> seen;
  list.AddProc([&](std::uint32_t tim, std::int64_t state) { seen.emplace_back(tim, state); }, 3);
  Tick(24);
  EXPECT_EQ(seen, (std::vector<std::pair<std::uint32_t, std::int64_t>>{{8, 1}, {16, 0}, {24, 1}}));
}

TEST_F(FlashListTest, PulseOncePerSecondOfWallClock) {
  int pulses = 0;
  list.AddProc([&](std::uint32_t, std::int64_t) { ++pulses; }, kFlashPulse);
  Tick(63);
  EXPECT_EQ(pulses, 1);
  Tick(63);
  EXPECT_EQ(pulses, 2);
}

TEST_F(FlashListTest, HandlersMayUnregisterDuringTheScan) {
  int a = 0;
  int b = 0;
  int c = 0;
  std::vector<void*> notified;
  list.SendFlash = [&](TFlashControl control, std::uint32_t, std::int64_t) {
    notified.push_back(control);
    if (control == &a) {
      list.DelControl(&a);
      list.DelControl(&c);
    }
  };
  list.AddControl(&a, 50);
  list.AddControl(&b, 50);
  list.AddControl(&c, 50);
  // The record moved into the removed one's place is skipped on this tick and taken on the next due one.
  Tick(8);
  EXPECT_EQ(notified, (std::vector<void*>{&a, &b, &b}));
}

TEST_F(FlashListTest, OverflowErrorsAreSwallowedOthersPropagate) {
  int later = 0;
  list.AddProc([](std::uint32_t, std::int64_t) { throw std::overflow_error("overflow"); }, 50);
  list.AddProc([&](std::uint32_t, std::int64_t) { ++later; }, 50);
  Tick(4);
  EXPECT_EQ(later, 1);
  list.AddProc([](std::uint32_t, std::int64_t) { throw std::logic_error("bug"); }, 50);
  EXPECT_THROW(Tick(4), std::logic_error);
}

TEST_F(FlashListTest, RemovalByIndexIgnoresBadIndexes) {
  int a = 0;
  list.AddControl(&a, 100);
  list.DelControlNo(5);
  list.DelProcNo(-1);
  EXPECT_EQ(list.Count(), 1);
  list.DelControlNo(0);
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(FlashListTest, TheTickCounterWraps) {
  int a = 0;
  list.AddControl(&a, 100);
  std::uint32_t lastTim = 0;
  list.SendFlash = [&](TFlashControl, std::uint32_t tim, std::int64_t) { lastTim = tim; };
  Tick(7);
  EXPECT_EQ(lastTim, 7u);
  EXPECT_EQ(list.Tim(), 7u);
}

}  // namespace
