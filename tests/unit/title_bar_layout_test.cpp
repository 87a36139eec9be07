#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/run_services.h"
#include "tests/unit/png_builder.h"
#include "ucl/title_bar_layout.h"
#include "utils/theme.h"

namespace {

const TTitleBarScale Scale{ScaleValue, ScaleValueTrunc};

// The run's services with a theme at Factor, which has a one-pixel picture for every image.
class TScopedTheme {
public:
    explicit TScopedTheme(float Factor) {
        FServices.AdoptTheme(std::make_unique<TTheme>(
            Factor, [this](const std::u16string&) { return std::span<const uint8_t>(FPixel); }));
    }

private:
    std::vector<uint8_t> FPixel = PatternPng(1, 1).Build();
    TRunServices FServices{u"English"};
};

TEST(TitleBarLayout, RectanglesFollowWidthScaleAndButtons) {
    const struct {
        float Factor;
        int Width;
        TTitleBarButtons Buttons;
        TRect Close, Maximize, Minimize, Resize, Drag;
    } cases[] = {
        {1.0f,
         520,
         {},
         {472, 0, 520, 32},
         {424, 0, 472, 32},
         {376, 0, 424, 32},
         {0, 0, 520, 4},
         {0, 0, 472, 32}},
        {1.25f,
         650,
         {true, false},
         {590, 0, 650, 40},
         {530, 0, 590, 40},
         {470, 0, 530, 40},
         {0, 0, 650, 5},
         {0, 0, 470, 40}},
        {1.5f,
         780,
         {false, true},
         {708, 0, 780, 48},
         {636, 0, 708, 48},
         {636, 0, 708, 48},
         {0, 0, 780, 6},
         {0, 0, 636, 48}},
        {1.75f,
         910,
         {},
         {826, 0, 910, 56},
         {742, 0, 826, 56},
         {658, 0, 742, 56},
         {0, 0, 910, 7},
         {0, 0, 826, 56}},
        {2.0f,
         1040,
         {true, true},
         {944, 0, 1040, 64},
         {848, 0, 944, 64},
         {752, 0, 848, 64},
         {0, 0, 1040, 8},
         {0, 0, 752, 64}},
    };
    for (const auto& c : cases) {
        TScopedTheme theme(c.Factor);
        const TTitleBarLayout l = TitleBarLayout(c.Width, c.Buttons, Scale);
        EXPECT_EQ(
            (std::vector<TRect>{l.CloseButton, l.MaximizeButton, l.MinimizeButton, l.VertResize, l.DragMove}),
            (std::vector<TRect>{c.Close, c.Maximize, c.Minimize, c.Resize, c.Drag}))
            << c.Factor;
    }
}

TEST(TitleBarLayout, GlyphsAtOneHundredPercent) {
    TScopedTheme theme(1.0f);
    const int w = 520;
    const TTitleBarGlyphs g = TitleBarGlyphs(w, TitleBarLayout(w, {true, true}, Scale), Scale);
    // A 10 × 10 cross over x W-29..W-20 and y 11..20, end points excluded.
    EXPECT_EQ(g.Cross[0], (TLine{w - 29, 11, w - 19, 21}));
    EXPECT_EQ(g.Cross[1], (TLine{w - 20, 11, w - 30, 21}));
    EXPECT_EQ(g.Halo[0], (TLine{w - 28, 11, w - 19, 20}));
    EXPECT_EQ(g.MaximizeBox, (TRect{w - 77, 11, w - 67, 21}));
    EXPECT_EQ(g.RestoreBoxes[1], (TRect{w - 77, 13, w - 69, 21}));
    EXPECT_EQ(g.MinimizeBar, (TLine{w - 125, 16, w - 115, 16}));
    const TTitleBarGlyphs alone = TitleBarGlyphs(w, TitleBarLayout(w, {false, true}, Scale), Scale);
    EXPECT_EQ(alone.MinimizeBar, (TLine{w - 77, 16, w - 67, 16})) << "moves with its button";
}

// At 100 %, 520 wide: minimize 376-424, maximize 424-472, close 472-520, resize strip y < 4.
class TitleBarInput : public ::testing::Test {
protected:
    static constexpr int CloseX = 500, MaximizeX = 450, MinimizeX = 400, DragX = 100, Mid = 16, Strip = 2;
    TScopedTheme FTheme{1.0f};
    TTitleBarInput Input;
    TTitleBarForm Form{false, false, 300, 400, 250};

    void Layout(TTitleBarButtons Buttons) {
        Input.SetButtons(Buttons);
        Input.SetLayout(TitleBarLayout(520, Buttons, Scale));
    }
    std::vector<TButtonState> States() const {
        return {Input.State(cbClose), Input.State(cbMaximize), Input.State(cbMinimize)};
    }
    TTitleBarCommand Click(int DownX, int UpX) {
        Input.MouseDown(true, DownX, Mid, Mid, Form);
        return Input.MouseUp(true, UpX, Mid, Form).Command;
    }
};

using S = std::vector<TButtonState>;
constexpr TButtonState N = bsNormal, H = bsHover, A = bsActive;

TEST_F(TitleBarInput, NothingIsHitBeforeTheFirstPaint) {
    Input.SetButtons({true, true});
    Input.MouseMove(CloseX, Mid, Mid, Form);
    EXPECT_EQ(States(), (S{N, N, N}));
    EXPECT_EQ(Click(CloseX, CloseX), tbNone);
}

// The pointer reaches only the buttons that are shown; the release point decides the action.
TEST_F(TitleBarInput, HoverAndClicksReachOnlyTheEnabledButtons) {
    const struct {
        TTitleBarButtons Buttons;
        int Down, Up;
        bool Maximized;
        S Hover;
        TTitleBarCommand Command;
    } cases[] = {
        {{}, CloseX, CloseX, false, {H, N, N}, tbClose},
        {{}, CloseX, 600, false, {H, N, N}, tbNone},
        {{}, MaximizeX, MaximizeX, false, {N, N, N}, tbNone},
        {{true, true}, MaximizeX, CloseX, false, {N, H, N}, tbClose},
        {{true, true}, MaximizeX, MaximizeX, false, {N, H, N}, tbMaximize},
        {{true, true}, MaximizeX, MaximizeX, true, {N, H, N}, tbRestore},
        {{true, true}, MinimizeX, MinimizeX, false, {N, N, H}, tbMinimize},
        {{true, false}, MinimizeX, MinimizeX, false, {N, N, N}, tbNone},
        {{false, true}, MaximizeX, MaximizeX, false, {N, N, H}, tbMinimize},
    };
    for (const auto& c : cases) {
        Layout(c.Buttons);
        Form.Maximized = c.Maximized;
        const TTitleBarReaction r = Input.MouseMove(c.Down, Mid, Mid, Form);
        EXPECT_EQ(States(), c.Hover) << c.Down;
        EXPECT_TRUE(r.Repaint);
        EXPECT_EQ(Click(c.Down, c.Up), c.Command) << c.Down << " to " << c.Up;
        EXPECT_EQ(States(), (S{N, N, N}));
    }
}

TEST_F(TitleBarInput, MovesWhilePressedChangeNeitherStatesNorCursor) {
    Layout({true, true});
    Input.MouseDown(true, CloseX, Mid, Mid, Form);
    EXPECT_FALSE(Input.MouseMove(MaximizeX, Strip, Strip, Form).Cursor);
    EXPECT_EQ(States(), (S{A, N, N}));
    Input.MouseLeave();
    EXPECT_EQ(States(), (S{N, N, N})) << "the leave ends the press";
}

TEST_F(TitleBarInput, TheStripSizesAndTheDragAreaMovesUnlessMaximized) {
    Layout({true, false});
    const struct {
        int X, Y;
        bool Maximized;
        TTitleBarCursor Cursor;
        TTitleBarCommand Press;
    } cases[] = {
        {DragX, Mid, false, tcDefault, tbMove},  {375, Mid, false, tcDefault, tbMove},
        {376, Mid, false, tcDefault, tbNone},    {DragX, Strip, true, tcDefault, tbMove},
        {DragX, Strip, false, tcSizeNS, tbNone}, {DragX, 32, false, tcDefault, tbNone},
    };
    for (const auto& c : cases) {
        Form.Maximized = c.Maximized;
        EXPECT_EQ(Input.MouseMove(c.X, c.Y, c.Y, Form).Cursor, c.Cursor) << c.X << "," << c.Y;
        EXPECT_EQ(Input.MouseDown(true, c.X, c.Y, c.Y, Form).Command, c.Press) << c.X << "," << c.Y;
        EXPECT_EQ(Input.VertResizeMode(), c.Cursor == tcSizeNS);
        Input.MouseUp(true, c.X, c.Y, Form);
    }
    EXPECT_EQ(Input.MouseDown(false, DragX, Mid, Mid, Form).Command, tbNone) << "left button only";
}

TEST_F(TitleBarInput, TopEdgeResizeKeepsTheBottomAndStopsAtTheMinimumHeight) {
    Layout({});
    Input.MouseDown(true, DragX, Strip, 302, Form);
    // The bar moves with the form: only the screen row counts, not the client row.
    const struct {
        int ScreenY;
        std::optional<TVertBounds> Expected;
    } moves[] = {{250, TVertBounds{248, 452}}, {452, TVertBounds{450, 250}}, {453, std::nullopt}};
    for (const auto& m : moves) {
        EXPECT_EQ(Input.MouseMove(DragX, Strip, m.ScreenY, Form).Resize, m.Expected) << m.ScreenY;
    }
    Input.MouseUp(false, DragX, Strip, Form);
    EXPECT_FALSE(Input.VertResizeMode()) << "any button's release ends it";
    EXPECT_FALSE(Input.MouseMove(DragX, Strip, 100, Form).Resize);
}

TEST_F(TitleBarInput, AResizeStartedOnCloseNeitherClosesNorOutlivesTheCapture) {
    Layout({});
    Input.MouseDown(true, CloseX, Strip, Strip, Form);
    EXPECT_EQ(States(), (S{A, N, N}));
    EXPECT_EQ(Input.MouseUp(true, CloseX, Strip, Form).Command, tbNone);
    Input.MouseDown(true, CloseX, Strip, Strip, Form);
    EXPECT_TRUE(Input.CaptureLost().Repaint);
    EXPECT_EQ(States(), (S{N, N, N}));
    EXPECT_FALSE(Input.MouseMove(DragX, Mid, 100, Form).Resize) << "no resize without the button";
}

TEST_F(TitleBarInput, DoubleClickTogglesOnlyWithMaximizeInTheDragArea) {
    const struct {
        TTitleBarButtons Buttons;
        int X;
        bool Maximized;
        TTitleBarCommand Expected;
    } cases[] = {
        {{}, DragX, false, tbNone},
        {{false, true}, DragX, false, tbNone},
        {{true, false}, DragX, false, tbMaximize},
        {{true, false}, DragX, true, tbRestore},
        {{true, false}, CloseX, false, tbNone},
        {{true, false}, MinimizeX, false, tbNone},
    };
    for (const auto& c : cases) {
        Layout(c.Buttons);
        Form.Maximized = c.Maximized;
        EXPECT_EQ(Input.DblClick(c.X, Mid, Form).Command, c.Expected) << c.X;
    }
}

} // namespace
