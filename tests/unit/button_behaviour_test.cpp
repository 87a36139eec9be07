#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ucl/button_behaviour.h"
#include "ucl/switch_frame.h"

namespace {

// Steps: 'm' move, 'l' leave, 'd' left press, 'r' right press, 'u' left release inside,
// 'o' left release outside, 'c' capture lost. The trace is the state after each step, and '!'
// after a click.
std::string Trace(bool pressable, const std::string& steps) {
    TButtonBehaviour behaviour(pressable);
    std::string trace;
    for (const char step : steps) {
        bool clicked = false;
        switch (step) {
        case 'm':
            behaviour.MouseMove();
            break;
        case 'l':
            behaviour.MouseLeave();
            break;
        case 'd':
            behaviour.MouseDown(mbLeft);
            break;
        case 'r':
            behaviour.MouseDown(mbRight);
            break;
        case 'u':
            behaviour.MouseUp(mbLeft, true, clicked);
            break;
        case 'o':
            behaviour.MouseUp(mbLeft, false, clicked);
            break;
        case 'c':
            behaviour.CaptureLost();
            break;
        }
        trace += "NHA"[behaviour.State()];
        if (clicked) {
            trace += '!';
        }
    }
    return trace;
}

TEST(ButtonBehaviour, StatesAndClicksFollowThePointer) {
    const struct {
        bool Pressable;
        const char* Steps;
        const char* Trace;
    } cases[] = {
        {true, "mdu", "HAN!"},   // a click; normal again until the next move
        {true, "mdum", "HAN!H"}, //
        {true, "du", "AN!"},     // a press without a move goes straight to pressed
        {true, "dmmo", "AAAN"},  // moves while pressed change nothing; released outside: no click
        {true, "mdl", "HAN"},    // the leave ends even a press
        {true, "mdc", "HAN"},    // a lost capture ends the press without a click
        {true, "mc", "HH"},      // and leaves a hover alone
        {true, "mrl", "HHN"},    // only the left button presses
        {false, "mdu", "HHN!"},  // a label is never pressed, and clicks on a release inside
        {false, "u", "N!"},      // even without a press of its own
        {false, "mo", "HN"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trace(c.Pressable, c.Steps), c.Trace) << c.Steps;
    }
}

int Scale150(int n) {
    // n × 1.5, ties to even.
    const int twice = n * 3;
    const int whole = twice / 2;
    return twice % 2 == 0 ? whole : whole + (whole % 2 != 0);
}

TEST(SwitchFrame, ChosenByEnabledHoverCheckedAndTheme) {
    const struct {
        bool Enabled, Hover, Checked;
        int Light;
    } rows[] = {{true, false, false, 0}, {true, false, true, 1},   {true, true, false, 2},
                {true, true, true, 3},   {false, false, false, 4}, {false, true, false, 4},
                {false, false, true, 5}, {false, true, true, 5}};
    for (const auto& r : rows) {
        EXPECT_EQ(SwitchFrame(r.Enabled, r.Hover, r.Checked, false), r.Light);
        EXPECT_EQ(SwitchFrame(r.Enabled, r.Hover, r.Checked, true), r.Light + 6);
    }
}

TEST(SwitchFrame, StripTopScalesEachLengthOnItsOwn) {
    const auto identity = [](int n) { return n; };
    EXPECT_EQ(SwitchStripTop(true, false, false, false, identity), 0);
    EXPECT_EQ(SwitchStripTop(true, true, true, false, identity), -48);
    // A disabled, switched-on switch in the dark theme: frame 11.
    EXPECT_EQ(SwitchStripTop(false, true, true, true, identity), -80 - 96);
    EXPECT_EQ(SwitchStripTop(false, false, true, true, Scale150), -120 - 144);
}

} // namespace
