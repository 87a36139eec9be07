#include "ucl/animation_win.h"

#include "ucl/gdi_win.h"
#include "utils/theme.h"

TAnimation::TAnimation(HWND Parent) {
    CreateControl(ChildParams(Parent, L"QuorvalentAnimation", 32, 32, true));
}

TAnimation::~TAnimation() = default;

void TAnimation::Start(uint32_t Interval) {
    SetVisible(true);
    if (!FFrameTimer) {
        FFrameTimer = std::make_unique<TTimer>(Interval, [this](TObject* sender) { FrameStep(sender); });
    }
    FFrameTimer->SetEnabled(true);
}

void TAnimation::Stop() {
    SetVisible(false);
    if (FFrameTimer) {
        FFrameTimer->SetEnabled(false);
        FFrameTimer.reset();
    }
}

void TAnimation::FrameStep(TObject*) {
    FFrameIndex = FFrameIndex < FFrameCount - 1 ? FFrameIndex + 1 : 0;
    Invalidate();
}

void TAnimation::Paint(HDC DC, const TRect& Client) {
    FillSolidRect(DC, Client, Theme->WindowColor());
    const int x = -(ScaleValue(FFrameWidth) * FFrameIndex);
    const int width = ScaleValueTrunc(FFrameWidth * FFrameCount);
    const int height = ScaleValueTrunc(FFrameWidth);
    // High contrast draws the turning shape in the text colour.
    const std::optional<TColor> tint =
        Theme->IsHighContrast() ? std::optional<TColor>(Theme->FontColor()) : std::nullopt;
    DrawPngImage(DC, *Theme->GetImage(imgLoader), {x, 0, x + width, height}, tint);
}

LONG TAnimation::AccessibleRole(int) const {
    return ROLE_SYSTEM_ANIMATION;
}

LONG TAnimation::AccessibleState(int Child) const {
    const LONG state = TControl::AccessibleState(Child);
    return FFrameTimer ? state | STATE_SYSTEM_ANIMATED | STATE_SYSTEM_BUSY : state;
}
