#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/windows/message_pump.h"
#include "ucl/timer_win.h"
#include "utils/exception.h"

namespace {

// Records the platform calls of the re-arm instead of making them, and can refuse a timer.
class TRecordingTimer : public TTimer {
public:
    using TTimer::TTimer;
    std::vector<std::string> Calls;
    bool Refuse = false;

protected:
    void KillPlatformTimer() noexcept override { Calls.push_back("kill"); }
    bool SetPlatformTimer(uint32_t Interval) noexcept override {
        Calls.push_back("set " + std::to_string(Interval));
        return !Refuse;
    }
};

using Calls = std::vector<std::string>;

TEST(TimerRearm, StartsOnlyWithIntervalEnabledAndHandler) {
    TRecordingTimer timer;
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    EXPECT_FALSE(timer.OnTimer());
    EXPECT_TRUE(timer.Calls.empty());

    timer.SetEnabled(true);
    EXPECT_EQ(timer.Calls, Calls{"kill"}) << "no handler: the platform timer is only stopped";
    timer.Calls.clear();
    timer.SetOnTimer([](TObject*) {});
    EXPECT_EQ(timer.Calls, (Calls{"kill", "set 1000"}));
    timer.Calls.clear();
    timer.SetInterval(0);
    EXPECT_EQ(timer.Calls, Calls{"kill"});
    timer.Calls.clear();
    timer.SetInterval(250);
    EXPECT_EQ(timer.Calls, (Calls{"kill", "set 250"}));
    timer.Calls.clear();
    timer.SetEnabled(false);
    EXPECT_EQ(timer.Calls, Calls{"kill"});
}

TEST(TimerRearm, UnchangedValuesKeepThePeriodButAHandlerAlwaysRestartsIt) {
    TRecordingTimer timer(100, [](TObject*) {});
    EXPECT_FALSE(timer.Enabled()) << "the custom constructor leaves the timer stopped";
    EXPECT_TRUE(timer.Calls.empty());
    timer.SetEnabled(true);
    timer.Calls.clear();
    timer.SetEnabled(true);
    timer.SetInterval(100);
    EXPECT_TRUE(timer.Calls.empty());
    const TNotifyEvent same = timer.OnTimer();
    timer.SetOnTimer(same);
    EXPECT_EQ(timer.Calls, (Calls{"kill", "set 100"}));
    timer.Calls.clear();
    timer.SetOnTimer(nullptr);
    EXPECT_EQ(timer.Calls, Calls{"kill"});
}

TEST(TimerRearm, ARefusedTimerRaisesAndKeepsTheNewValue) {
    TRecordingTimer timer(100, [](TObject*) {});
    timer.Refuse = true;
    try {
        timer.SetEnabled(true);
        FAIL() << "no error raised";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), u"Not enough timers available");
    }
    EXPECT_TRUE(timer.Enabled());
    EXPECT_THROW(timer.SetInterval(50), EOutOfResources);
    EXPECT_EQ(timer.Interval(), 50u);
    timer.Refuse = false;
    timer.Calls.clear();
    timer.SetInterval(60);
    EXPECT_EQ(timer.Calls, (Calls{"kill", "set 60"}));
}

TEST(TimerTicks, RealWmTimerCallsTheHandlerWithTheTimerAsSender) {
    int ticks = 0;
    TObject* sender = nullptr;
    TTimer timer(20, [&](TObject* s) {
        ++ticks;
        sender = s;
    });
    ASSERT_NE(timer.Handle(), nullptr);
    EXPECT_FALSE(IsWindowVisible(timer.Handle()));
    timer.SetEnabled(true);
    PumpMessagesFor(10000, [&] { return ticks >= 3; });
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(sender, &timer);

    timer.SetEnabled(false);
    const int stopped = ticks;
    PumpMessagesFor(200);
    EXPECT_EQ(ticks, stopped);
}

TEST(TimerTicks, ZeroIntervalOrNoHandlerNeverTicksUntilTheHandlerArrives) {
    int ticks = 0;
    auto count = [&](TObject*) { ++ticks; };
    TTimer zero(0, count);
    zero.SetEnabled(true);
    TTimer unassigned;
    unassigned.SetInterval(20);
    unassigned.SetEnabled(true);
    PumpMessagesFor(300);
    EXPECT_EQ(ticks, 0);

    unassigned.SetOnTimer(count);
    PumpMessagesFor(10000, [&] { return ticks > 0; });
    EXPECT_GT(ticks, 0);
}

// The platform never delivers a tick early by more than its timer granularity.
constexpr uint64_t Granularity = 30;

TEST(TimerTicks, ReArmingStartsAFreshPeriod) {
    uint64_t firstTick = 0;
    TTimer timer(400, [&](TObject*) {
        if (!firstTick) {
            firstTick = GetTickCount64();
        }
    });
    timer.SetEnabled(true);
    PumpMessagesFor(250);
    ASSERT_EQ(firstTick, 0u);
    const uint64_t rearmed = GetTickCount64();
    timer.SetOnTimer(timer.OnTimer());
    PumpMessagesFor(10000, [&] { return firstTick != 0; });
    ASSERT_NE(firstTick, 0u);
    EXPECT_GE(firstTick - rearmed + Granularity, 400u);

    firstTick = 0;
    PumpMessagesFor(250);
    const uint64_t changed = GetTickCount64();
    timer.SetInterval(401);
    PumpMessagesFor(10000, [&] { return firstTick != 0; });
    ASSERT_NE(firstTick, 0u);
    EXPECT_GE(firstTick - changed + Granularity, 401u);
}

TEST(TimerTicks, AHandlerErrorReachesTheMessageLoop) {
    TTimer timer(20, [](TObject*) { throw EError(u"tick failed"); });
    timer.SetEnabled(true);
    try {
        PumpMessagesFor(10000);
        FAIL() << "the error did not arrive";
    } catch (const EError& e) {
        EXPECT_EQ(e.Message(), u"tick failed");
    }
    timer.SetEnabled(false);
}

TEST(TimerTicks, AHandlerMayFreeItsOwnTimer) {
    int ticks = 0;
    auto timer = std::make_unique<TTimer>();
    timer->SetInterval(20);
    timer->SetOnTimer([&](TObject*) {
        ++ticks;
        timer.reset();
    });
    timer->SetEnabled(true);
    PumpMessagesFor(10000, [&] { return timer == nullptr; });
    PumpMessagesFor(100);
    EXPECT_EQ(ticks, 1);
}

} // namespace
