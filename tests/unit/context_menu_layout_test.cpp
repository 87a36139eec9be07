#include <gtest/gtest.h>

#include <vector>

#include "ucl/context_menu_layout.h"

namespace {

using TItems = std::vector<TContextMenuItem>;

TContextMenuItem Entry(std::u16string Caption, std::u16string Shortcut, bool Enabled = true) {
    return TContextMenuItem::Create(Caption, Shortcut, imgNone, nullptr, Enabled);
}

// Ten pixels per code unit at the caption height (-13), five at the shortcut height.
int Measure(std::u16string_view Text, int FontHeight) {
    return int(Text.size()) * (FontHeight == -13 ? 10 : 5);
}

TEST(ContextMenuLayout, WidthIsTheWidestPairOfOneEntryAndAtLeastTheMinimum) {
    EXPECT_EQ(MenuWidth({}, {}, Measure), 128);
    const TItems items = {Entry(u"Select everything", u"A"), Entry(u"Cut", u"Ctrl+Shift+Alt+X")};
    // 60 + 170 + 5 and 60 + 30 + 80; the longest parts taken apart would give 60 + 170 + 80.
    EXPECT_EQ(MenuWidth(items, {}, Measure), 235);
}

TEST(ContextMenuLayout, RowUnderAPoint) {
    const int cases[][3] = {{0, 0, 0},   {99, 31, 0}, {5, 32, 1},  {5, 95, 2},
                            {5, 96, -1}, {5, -1, -1}, {-1, 5, -1}, {100, 5, -1}};
    for (const auto& [x, y, row] : cases) {
        EXPECT_EQ(MenuRowAt(x, y, 100, 3, 32), row) << x << "," << y;
    }
}

TEST(ContextMenuLayout, PlacementKeepsTheMenuInsideTheWorkArea) {
    struct {
        int X, Y, W, H;
        TRect Expected;
    } cases[] = {
        {100, 100, 200, 192, {100, 100, 300, 292}},  // fits where asked
        {900, 100, 200, 192, {700, 100, 900, 292}},  // to the left of the point
        {100, 600, 200, 192, {100, 408, 300, 600}},  // above the point
        {999, 699, 200, 192, {799, 507, 999, 699}},  // bottom-right corner: both
        {150, 100, 900, 192, {100, 100, 1000, 292}}, // fits on neither side: pushed in
        {-50, -20, 200, 192, {0, 0, 200, 192}},      // a point outside the area
        {10, 10, 1200, 800, {0, 0, 1200, 800}},      // larger than the area
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlaceMenu(c.X, c.Y, c.W, c.H, {0, 0, 1000, 700}), c.Expected) << c.X << "," << c.Y;
    }
    EXPECT_EQ(PlaceMenu(1900, 50, 200, 100, {1000, 40, 2000, 1000}), (TRect{1700, 50, 1900, 150}));
}

class ContextMenuTracker : public testing::Test {
protected:
    TMenuTracker Menu;
    TItems Items = {Entry(u"a", u""), Entry(u"b", u"", false), Entry(u"c", u""), Entry(u"d", u"")};
    void SetUp() override { Menu.Reset(); }
};

TEST_F(ContextMenuTracker, TheHotRowFollowsThePointerButOnlyEnabledRowsLightUp) {
    EXPECT_EQ(Menu.RowState(0, Items), bsHover) << "the first row is hot after showing";
    EXPECT_FALSE(Menu.MouseMove(0).Repaint);
    EXPECT_TRUE(Menu.MouseMove(1).Repaint);
    EXPECT_EQ(Menu.HotIndex(), 1);
    EXPECT_TRUE(Menu.MouseDown(mbLeft).Repaint);
    EXPECT_EQ(Menu.RowState(1, Items), bsNormal) << "a disabled row is never highlighted";
    EXPECT_TRUE(Menu.MouseLeave().Repaint);
    EXPECT_EQ(Menu.HotIndex(), -1);
    EXPECT_FALSE(Menu.Pressed());
    Menu.MouseMove(2);
    EXPECT_FALSE(Menu.MouseDown(mbRight).Repaint);
    Menu.MouseDown(mbLeft);
    EXPECT_EQ(Menu.RowState(2, Items), bsActive);
    EXPECT_TRUE(Menu.CaptureLost().Repaint);
    EXPECT_EQ(Menu.RowState(2, Items), bsHover);
}

TEST_F(ContextMenuTracker, OnlyALeftReleaseOnAnEnabledRowChooses) {
    struct {
        TMouseButton Button;
        int Row, Chosen, Hot;
    } cases[] = {{mbLeft, 2, 2, 2},
                 {mbLeft, 1, -1, 1},
                 {mbLeft, -1, -1, 0},
                 {mbRight, 2, -1, 0},
                 {mbMiddle, 3, -1, 0}};
    for (const auto& c : cases) {
        Menu.Reset();
        Menu.MouseDown(mbLeft);
        const TMenuStep step = Menu.MouseUp(c.Button, c.Row, Items);
        EXPECT_EQ(step.Chosen, c.Chosen) << c.Button << " at " << c.Row;
        EXPECT_EQ(Menu.HotIndex(), c.Hot) << c.Button << " at " << c.Row;
        EXPECT_TRUE(step.Repaint && !Menu.Pressed()) << "every release ends the press";
    }
}

TEST_F(ContextMenuTracker, KeysMoveOverEnabledRowsWrapChooseAndClose) {
    const int moves[][3] = {{0, vkDown, 2},  {2, vkDown, 3}, {3, vkDown, 0}, {0, vkUp, 3}, {2, vkUp, 0},
                            {-1, vkDown, 0}, {-1, vkUp, 3},  {1, vkDown, 2}, {1, vkUp, 0}};
    for (const auto& [from, key, to] : moves) {
        Menu.MouseMove(from);
        Menu.KeyDown(TVirtualKey(key), Items);
        EXPECT_EQ(Menu.HotIndex(), to) << from << (key == vkUp ? " up" : " down");
    }
    EXPECT_EQ(Menu.KeyDown(vkReturn, Items).Chosen, 0);
    Menu.MouseMove(1);
    EXPECT_EQ(Menu.KeyDown(vkReturn, Items).Chosen, -1) << "disabled";
    EXPECT_TRUE(Menu.KeyDown(vkEscape, Items).Close);
    EXPECT_FALSE(Menu.KeyDown(vkDown, {Entry(u"x", u"", false)}).Repaint) << "nothing to move to";
    EXPECT_TRUE(TMenuTracker::IsMenuKey(vkReturn) && TMenuTracker::IsMenuKey(vkEscape));
    EXPECT_FALSE(TMenuTracker::IsMenuKey(vkLeft) || TMenuTracker::IsMenuKey(vkApps));
}

} // namespace
