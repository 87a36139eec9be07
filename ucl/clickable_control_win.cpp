#include "ucl/clickable_control_win.h"

void TClickableControl::SetCaption(const std::u16string& Value) {
    if (Value != FCaption) {
        FCaption = Value;
        Invalidate();
        NotifyAccessible(EVENT_OBJECT_NAMECHANGE);
    }
}

std::u16string TClickableControl::AccessibleName(int) const {
    return FCaption;
}

void TClickableControl::Click() {
    if (FOnClick) {
        FOnClick(this);
    }
}

void TClickableControl::StateChanged() {
    Invalidate();
    if (FPressable) {
        NotifyAccessible(EVENT_OBJECT_STATECHANGE);
    }
}

void TClickableControl::MouseMove(int, int) {
    if (FBehaviour.MouseMove()) {
        Invalidate();
    }
}

void TClickableControl::MouseLeave() {
    FBehaviour.MouseLeave();
    Invalidate();
}

void TClickableControl::MouseDown(TMouseButton Button, int, int) {
    if (Button == mbLeft && FPressable) {
        FBehaviour.MouseDown(Button);
        StateChanged();
    }
}

void TClickableControl::MouseUp(TMouseButton Button, int X, int Y) {
    if (Button != mbLeft) {
        return;
    }
    // The handler runs first and sees the control still pressed.
    if (InClient(X, Y)) {
        Click();
    }
    bool clicked = false;
    FBehaviour.MouseUp(Button, InClient(X, Y), clicked);
    StateChanged();
}

void TClickableControl::CaptureLost() {
    if (FBehaviour.CaptureLost()) {
        StateChanged();
    }
}

void TClickableControl::DoDefaultAction(int) {
    Click();
}
