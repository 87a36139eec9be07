// A flat push button with a centred caption: normal, hovered and pressed colours, a border that
// shows the keyboard focus, and a tab stop. Characters typed while it has the focus go to
// OnKeyPress, which decides what Enter and Escape mean; Space clicks it, as it does any
// Windows button, unless the handler took the key.
#pragma once

#include <functional>
#include <string>

#include "ucl/clickable_control_win.h"

// A character typed while the control has the focus; the handler may change it (0 takes it).
using TKeyPressEvent = std::function<void(TObject* Sender, char16_t& Key)>;

class TButtonControl : public TClickableControl {
public:
    // 80 × 32, visible, a tab stop.
    explicit TButtonControl(HWND Parent);

    void SetOnClick(TNotifyEvent Value) { StoreOnClick(std::move(Value)); }
    const TKeyPressEvent& OnKeyPress() const noexcept { return FOnKeyPress; }
    void SetOnKeyPress(TKeyPressEvent Value) { FOnKeyPress = std::move(Value); }
    int CaptionWidth() const override;

    LONG AccessibleRole(int Child) const override;
    LONG AccessibleState(int Child) const override;
    std::u16string AccessibleDefaultAction(int Child) const override;

protected:
    void Paint(HDC DC, const TRect& Client) override;
    void KeyPress(char16_t& Key) override;
    // Arrow keys stay with the button; Tab still moves the focus.
    LRESULT DialogCode() override { return DLGC_WANTARROWS; }

private:
    TColor FillColor() const;
    TColor BorderColor() const;
    TColor TextColor() const;
    void PaintHighContrastFrame(HDC DC, const TRect& Client);

    TKeyPressEvent FOnKeyPress;
};
