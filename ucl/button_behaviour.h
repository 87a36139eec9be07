// The pointer rules of a control that can be clicked (the push button and a clickable label),
// apart from drawing so that they run natively: hover from the first move to the leave
// notification, pressed from a left press to its release (which clicks only inside the
// control), and a press whose capture was taken away ends without a click.
#pragma once

#include "ucl/types.h"

class TButtonBehaviour {
public:
    // A label is hovered but never pressed.
    explicit TButtonBehaviour(bool Pressable) noexcept : FPressable(Pressable) {}

    TButtonState State() const noexcept { return FState; }

    // Each step returns whether the state changed, that is whether to repaint.
    bool MouseMove() noexcept;
    bool MouseLeave() noexcept;
    bool MouseDown(TMouseButton Button) noexcept;
    // A release ends the press; Clicked tells whether it was a left release inside.
    bool MouseUp(TMouseButton Button, bool Inside, bool& Clicked) noexcept;
    bool CaptureLost() noexcept;

private:
    bool SetState(TButtonState Value) noexcept;

    bool FPressable;
    TButtonState FState = bsNormal;
};
