#include "ucl/context_menu_layout.h"

#include <algorithm>

#include "utils/theme.h"

namespace {

// One axis of PlaceMenu: Start and Length within [Low, High).
int PlaceSpan(int Start, int Length, int Low, int High) noexcept {
    if (Start >= Low && Start + Length <= High) {
        return Start;
    }
    if (Start - Length >= Low && Start <= High) {
        return Start - Length;
    }
    return std::max(Low, std::min(Start, High - Length));
}

bool IsEnabledRow(int Row, const std::vector<TContextMenuItem>& Items) noexcept {
    return Row >= 0 && Row < int(Items.size()) && Items[size_t(Row)].Enabled;
}

// The next enabled row from From in Direction (±1), wrapping round; From when there is none.
int NextEnabledRow(int From, int Direction, const std::vector<TContextMenuItem>& Items) noexcept {
    const int count = int(Items.size());
    const int start = From >= 0 ? From : (Direction > 0 ? -1 : count);
    for (int step = 1; step <= count; ++step) {
        const int row = ((start + Direction * step) % count + count) % count;
        if (Items[size_t(row)].Enabled) {
            return row;
        }
    }
    return From;
}

} // namespace

TMenuMetrics TMenuMetrics::FromTheme() {
    TMenuMetrics m;
    m.MinWidth = ScaleValue(128);
    m.TextSpace = ScaleValue(60);
    m.ItemHeight = ScaleValue(32);
    m.CaptionLeft = ScaleValue(10) + ScaleValue(20);
    m.CaptionTop = ScaleValue(6);
    m.ShortcutRight = ScaleValue(10);
    m.ShortcutTop = ScaleValue(8);
    m.CaptionFontHeight = Theme->FontHeight();
    m.ShortcutFontHeight = ScaleValue(-11);
    return m;
}

int MenuWidth(const std::vector<TContextMenuItem>& Items, const TMenuMetrics& Metrics,
              const TMeasureMenuText& Measure) {
    int width = Metrics.MinWidth;
    for (const TContextMenuItem& item : Items) {
        const int pair = Measure(item.Caption, Metrics.CaptionFontHeight) +
                         Measure(item.Shortcut, Metrics.ShortcutFontHeight);
        width = std::max(width, Metrics.TextSpace + pair);
    }
    return width;
}

int MenuRowAt(int X, int Y, int Width, int Count, int ItemHeight) noexcept {
    if (X < 0 || Y < 0 || X >= Width || ItemHeight <= 0 || Y / ItemHeight >= Count) {
        return -1;
    }
    return Y / ItemHeight;
}

TRect PlaceMenu(int X, int Y, int Width, int Height, const TRect& WorkArea) noexcept {
    const int left = PlaceSpan(X, Width, WorkArea.Left, WorkArea.Right);
    const int top = PlaceSpan(Y, Height, WorkArea.Top, WorkArea.Bottom);
    return {left, top, left + Width, top + Height};
}

TButtonState TMenuTracker::RowState(int Row, const std::vector<TContextMenuItem>& Items) const noexcept {
    if (Row != FHotIndex || !IsEnabledRow(Row, Items)) {
        return bsNormal;
    }
    return FPressed ? bsActive : bsHover;
}

void TMenuTracker::Reset() noexcept {
    FHotIndex = 0;
    FPressed = false;
}

TMenuStep TMenuTracker::SetHot(int Row) noexcept {
    TMenuStep step;
    step.Repaint = Row != FHotIndex;
    FHotIndex = Row;
    return step;
}

TMenuStep TMenuTracker::EndPress() noexcept {
    TMenuStep step;
    step.Repaint = FPressed;
    FPressed = false;
    return step;
}

TMenuStep TMenuTracker::MouseMove(int Row) noexcept {
    return SetHot(Row);
}

TMenuStep TMenuTracker::MouseDown(TMouseButton Button) noexcept {
    TMenuStep step;
    if (Button == mbLeft) {
        step.Repaint = !FPressed;
        FPressed = true;
    }
    return step;
}

TMenuStep TMenuTracker::MouseUp(TMouseButton Button, int Row,
                                const std::vector<TContextMenuItem>& Items) noexcept {
    TMenuStep step = EndPress();
    if (Button != mbLeft || Row < 0) {
        return step;
    }
    step.Repaint = SetHot(Row).Repaint || step.Repaint;
    if (IsEnabledRow(Row, Items)) {
        step.Chosen = Row;
    }
    return step;
}

TMenuStep TMenuTracker::MouseLeave() noexcept {
    const bool pressed = EndPress().Repaint;
    TMenuStep step = SetHot(-1);
    step.Repaint = step.Repaint || pressed;
    return step;
}

TMenuStep TMenuTracker::CaptureLost() noexcept {
    return EndPress();
}

bool TMenuTracker::IsMenuKey(TVirtualKey Key) noexcept {
    return Key == vkEscape || Key == vkUp || Key == vkDown || Key == vkReturn;
}

TMenuStep TMenuTracker::KeyDown(TVirtualKey Key, const std::vector<TContextMenuItem>& Items) noexcept {
    TMenuStep step;
    switch (Key) {
    case vkEscape:
        step.Close = true;
        break;
    case vkUp:
    case vkDown:
        if (!Items.empty()) {
            step = SetHot(NextEnabledRow(FHotIndex, Key == vkDown ? 1 : -1, Items));
        }
        break;
    case vkReturn:
        if (IsEnabledRow(FHotIndex, Items)) {
            step.Chosen = FHotIndex;
        }
        break;
    default:
        break;
    }
    return step;
}
