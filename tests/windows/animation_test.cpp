#include <gtest/gtest.h>

#include <memory>

#include "app/run_services.h"
#include "tests/windows/test_host.h"
#include "ucl/animation_win.h"
#include "utils/theme_win.h"

namespace {

class AnimationTest : public ::testing::Test {
protected:
    void SetUp() override { FServices.AdoptTheme(std::make_unique<TTheme>(1.0f)); }
    TRunServices FServices{u"English"};
};

TEST_F(AnimationTest, StartsHiddenWithoutATimer) {
    TTestHost host(100, 100);
    TAnimation animation(host.Handle());
    EXPECT_FALSE(animation.Visible());
    EXPECT_EQ(animation.Width(), 32);
    EXPECT_EQ(animation.Height(), 32);
    EXPECT_EQ(animation.FrameTimer(), nullptr);
    animation.Stop();
    EXPECT_FALSE(animation.Visible());
    EXPECT_EQ(animation.FrameTimer(), nullptr);
}

TEST_F(AnimationTest, ThirtySixFramesMakeOneTurn) {
    TTestHost host(100, 100);
    TAnimation animation(host.Handle());
    animation.SetFrameCount(36);
    for (int i = 1; i <= 35; ++i) {
        animation.FrameStep(nullptr);
        EXPECT_EQ(animation.FrameIndex(), i);
    }
    animation.FrameStep(nullptr);
    EXPECT_EQ(animation.FrameIndex(), 0);
}

TEST_F(AnimationTest, StartKeepsTheRunningTimerAndStopKeepsTheFrame) {
    TTestHost host(100, 100);
    TAnimation animation(host.Handle());
    animation.SetFrameWidth(24);
    animation.SetFrameCount(36);
    animation.Start(14);
    EXPECT_TRUE(animation.Visible());
    const TTimer* timer = animation.FrameTimer();
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->Interval(), 14u);
    EXPECT_TRUE(timer->Enabled());
    animation.Start(500);
    EXPECT_EQ(animation.FrameTimer(), timer);
    EXPECT_EQ(timer->Interval(), 14u);

    PumpMessagesFor(10000, [&] { return animation.FrameIndex() >= 3; });
    EXPECT_GE(animation.FrameIndex(), 3) << "the real timer steps the frames";
    animation.Stop();
    const int shown = animation.FrameIndex();
    EXPECT_FALSE(animation.Visible());
    EXPECT_EQ(animation.FrameTimer(), nullptr);
    PumpMessagesFor(100);
    EXPECT_EQ(animation.FrameIndex(), shown);
    animation.Start(14);
    EXPECT_EQ(animation.FrameIndex(), shown) << "a restart goes on from the frame shown";
    animation.Stop();
}

} // namespace
