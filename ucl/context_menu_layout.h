// The context menu's rules that need no platform: its width, the row under a point, the hot
// row and the pressed state as the pointer and the keyboard move them, and where the menu goes
// on the screen. The Windows menu turns its messages into these steps and draws what they say.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "ucl/types.h"
#include "utils/rect.h"

// The menu's lengths in device pixels for one scale factor; the defaults are those of 100 %.
struct TMenuMetrics {
    int MinWidth = 128;
    // Caption margin, shortcut margin and the gap between the two, together.
    int TextSpace = 60;
    int ItemHeight = 32;
    int CaptionLeft = 30;
    int CaptionTop = 6;
    int ShortcutRight = 10;
    int ShortcutTop = 8;
    // Platform font heights (negative: character height in pixels).
    int CaptionFontHeight = -13;
    int ShortcutFontHeight = -11;

    // The lengths for the theme's factor and font height.
    static TMenuMetrics FromTheme();
};

// The width of Text in the menu's face at FontHeight.
using TMeasureMenuText = std::function<int(std::u16string_view Text, int FontHeight)>;

// At least MinWidth, and wide enough for the widest caption-and-shortcut pair of one entry.
int MenuWidth(const std::vector<TContextMenuItem>& Items, const TMenuMetrics& Metrics,
              const TMeasureMenuText& Measure);

// The row under the client point (X, Y) of a menu Width wide with Count rows; -1 outside.
int MenuRowAt(int X, int Y, int Width, int Count, int ItemHeight) noexcept;

// The screen bounds of a menu of Width × Height asked for at (X, Y), kept inside WorkArea the
// way the system's menus are on each axis: where asked when it fits, else ending at the point
// (to the left, above), else pushed inside from the far edge, and from the near edge when
// larger than the area.
TRect PlaceMenu(int X, int Y, int Width, int Height, const TRect& WorkArea) noexcept;

// What one input asks of the menu.
struct TMenuStep {
    bool Repaint = false;
    // Hide the menu without choosing.
    bool Close = false;
    // The entry to choose (close the menu, then run its handler); -1 for none.
    int Chosen = -1;
};

// The hot row and the pressed state of an open menu. Steps update the state first and then
// report what the menu should do, so a handler that re-opens the menu finds it reset.
class TMenuTracker {
public:
    // -1 when no row is hot.
    int HotIndex() const noexcept { return FHotIndex; }
    // The left button went down inside the menu and has not come up.
    bool Pressed() const noexcept { return FPressed; }
    // How row Row is drawn: only an enabled hot row is highlighted, as bsActive while pressed.
    TButtonState RowState(int Row, const std::vector<TContextMenuItem>& Items) const noexcept;

    // A fresh showing: the first row is hot until the pointer or a key moves it.
    void Reset() noexcept;

    // Row is MenuRowAt of the pointer, -1 outside (moves reach the menu outside while the left
    // button holds the capture).
    TMenuStep MouseMove(int Row) noexcept;
    TMenuStep MouseDown(TMouseButton Button) noexcept;
    // A left release on an enabled row chooses it; any release ends the press.
    TMenuStep MouseUp(TMouseButton Button, int Row, const std::vector<TContextMenuItem>& Items) noexcept;
    TMenuStep MouseLeave() noexcept;
    // The capture was taken away in the middle of a press.
    TMenuStep CaptureLost() noexcept;

    // Escape, Up, Down and Return: the keys an open menu takes from the focused window.
    static bool IsMenuKey(TVirtualKey Key) noexcept;
    // Up and Down move the hot row to the previous or next enabled entry, wrapping round (from
    // no hot row Down goes to the first and Up to the last); Return chooses the hot entry when
    // it is enabled; Escape closes. Other keys do nothing.
    TMenuStep KeyDown(TVirtualKey Key, const std::vector<TContextMenuItem>& Items) noexcept;

private:
    TMenuStep SetHot(int Row) noexcept;
    TMenuStep EndPress() noexcept;

    int FHotIndex = -1;
    bool FPressed = false;
};
