// An on/off switch drawn from the theme's image strip, with its caption to the right. Any mouse
// button toggles it; Space toggles it when it has the focus. OnChange runs before the value
// flips, so a handler reads the value the switch had before.
#pragma once

#include <string>

#include "ucl/control_win.h"

class TSwitchControl : public TControl {
public:
    // 400 × 16, visible, a tab stop.
    explicit TSwitchControl(HWND Parent);

    const std::u16string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::u16string& Value);
    bool Checked() const noexcept { return FChecked; }
    // From code: no OnChange.
    void SetChecked(bool Value);
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Hover() const noexcept { return FHover; }
    const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
    void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }
    // The caption alone, without the track left of it.
    int CaptionWidth() const override;

    std::u16string AccessibleName(int Child) const override;
    LONG AccessibleRole(int Child) const override;
    LONG AccessibleState(int Child) const override;
    std::u16string AccessibleDefaultAction(int Child) const override;

protected:
    void Paint(HDC DC, const TRect& Client) override;
    void MouseMove(int X, int Y) override;
    void MouseLeave() override;
    void MouseDown(TMouseButton Button, int X, int Y) override;
    void KeyPress(char16_t& Key) override;
    void DoDefaultAction(int Child) override;

    void AdjustSize(int& Width, int& Height) override;

private:
    void Toggle();
    // The track and knob of the high-contrast look, drawn in the scheme's colours.
    void PaintHighContrastTrack(HDC DC, TColor Ink);
    // The width that shows the whole caption in DC's current font, the caption's.
    int FittingWidth(HDC DC) const;
    void FitToCaption();

    std::u16string FCaption;
    bool FChecked = false;
    bool FAutoSize = false;
    bool FHover = false;
    TNotifyEvent FOnChange;
};
