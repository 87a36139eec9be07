#include "ucl/button_behaviour.h"

bool TButtonBehaviour::SetState(TButtonState Value) noexcept {
    const bool changed = FState != Value;
    FState = Value;
    return changed;
}

bool TButtonBehaviour::MouseMove() noexcept {
    // While pressed, moves change nothing: the release decides.
    return FState == bsNormal && SetState(bsHover);
}

bool TButtonBehaviour::MouseLeave() noexcept {
    return SetState(bsNormal);
}

bool TButtonBehaviour::MouseDown(TMouseButton Button) noexcept {
    return FPressable && Button == mbLeft && SetState(bsActive);
}

bool TButtonBehaviour::MouseUp(TMouseButton Button, bool Inside, bool& Clicked) noexcept {
    Clicked = Button == mbLeft && Inside;
    if (Button != mbLeft) {
        return false;
    }
    // Normal even though the pointer is still there: the next move makes it hover again.
    SetState(bsNormal);
    return true;
}

bool TButtonBehaviour::CaptureLost() noexcept {
    return FState == bsActive && SetState(bsNormal);
}
