// What the push button and a clickable label share: a caption that screen readers read as the
// control's name, the pointer rules (hover, a press held by the capture, a click on a release
// inside), and one click that the pointer, the keyboard and a screen reader's default action
// all end in.
#pragma once

#include <string>

#include "ucl/button_behaviour.h"
#include "ucl/control_win.h"

class TClickableControl : public TControl {
public:
    TButtonState State() const noexcept { return FBehaviour.State(); }
    const std::u16string& Caption() const noexcept { return FCaption; }
    // Repaints and tells screen readers when the caption changes.
    void SetCaption(const std::u16string& Value);
    const TNotifyEvent& OnClick() const noexcept { return FOnClick; }

    std::u16string AccessibleName(int Child) const override;

protected:
    // A label is hovered but never pressed.
    explicit TClickableControl(bool Pressable) noexcept : FBehaviour(Pressable), FPressable(Pressable) {}

    void StoreOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }
    bool Clickable() const noexcept { return static_cast<bool>(FOnClick); }
    void Click();

    void MouseMove(int X, int Y) override;
    void MouseLeave() override;
    void MouseDown(TMouseButton Button, int X, int Y) override;
    void MouseUp(TMouseButton Button, int X, int Y) override;
    void CaptureLost() override;
    void DoDefaultAction(int Child) override;

private:
    // A pressed state is one a screen reader is told of.
    void StateChanged();

    TButtonBehaviour FBehaviour;
    const bool FPressable;
    std::u16string FCaption;
    TNotifyEvent FOnClick;
};
