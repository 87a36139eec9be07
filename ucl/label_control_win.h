// A line of text in one of four sizes and colours, with a light or semibold face, that can wrap
// at spaces, size itself to its text, and act as a link: with a click handler it is underlined
// while hovered, shows the pointing hand, and is a tab stop that Space or Enter clicks.
#pragma once

#include <functional>
#include <string>

#include "ucl/clickable_control_win.h"
#include "ucl/label_layout.h"

class TLabelControl : public TClickableControl {
public:
    // 200 × 18, visible.
    explicit TLabelControl(HWND Parent);

    // Stored only; shows on the next repaint.
    TAlignment Alignment() const noexcept { return FAlignment; }
    void SetAlignment(TAlignment Value) noexcept { FAlignment = Value; }
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool WordWrap() const noexcept { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool LightFont() const noexcept { return FLightFont; }
    void SetLightFont(bool Value);
    // Stored only; shows on the next repaint.
    bool BoldFont() const noexcept { return FBoldFont; }
    void SetBoldFont(bool Value) noexcept { FBoldFont = Value; }
    TFontSize FontSize() const noexcept { return FFontSize; }
    void SetFontSize(TFontSize Value);
    bool GrayFont() const noexcept { return FGrayFont; }
    void SetGrayFont(bool Value);
    bool BlueFont() const noexcept { return FBlueFont; }
    void SetBlueFont(bool Value);
    bool RedFont() const noexcept { return FRedFont; }
    void SetRedFont(bool Value);
    // A handler makes the label a link: a tab stop with the pointing hand.
    void SetOnClick(TNotifyEvent Value);
    // The caption on one line, in the label's face and size.
    int CaptionWidth() const override;
    // The font the label paints its caption in.
    const std::u16string& FaceOf() const;
    int FontHeightOf() const;

    // What screen readers are told: static text, or a link with its click.
    LONG AccessibleRole(int Child) const override;
    LONG AccessibleState(int Child) const override;
    std::u16string AccessibleDefaultAction(int Child) const override;

protected:
    void Paint(HDC DC, const TRect& Client) override;
    void KeyPress(char16_t& Key) override;

private:
    // Stores Value in Field and repaints when it differs.
    void Change(bool& Field, bool Value);
    TColor ColorOf() const;
    void PaintWrapped(HDC DC, int Width, TColor Color, TColor Background);

    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = false;
    bool FWordWrap = false;
    bool FLightFont = false;
    bool FBoldFont = false;
    TFontSize FFontSize = fsMedium;
    bool FGrayFont = false;
    bool FBlueFont = false;
    bool FRedFont = false;
};
