#include "ucl/button_control_win.h"

#include "ucl/gdi_win.h"
#include "utils/language.h"
#include "utils/theme.h"

TButtonControl::TButtonControl(HWND Parent) : TClickableControl(true) {
    TWindowParams params = ChildParams(Parent, L"QuorvalentButton", 80, 32, false);
    params.Style |= WS_TABSTOP;
    CreateControl(params);
}

TColor TButtonControl::FillColor() const {
    switch (State()) {
    case bsHover:
        return Theme->ButtonHoverColor();
    case bsActive:
        return Theme->ButtonActiveColor();
    case bsNormal:
        break;
    }
    return Theme->ButtonColor();
}

TColor TButtonControl::BorderColor() const {
    if (Focused()) {
        return Theme->BorderFocusColor();
    }
    if (State() == bsHover) {
        return Theme->ButtonHoverColor();
    }
    return Enabled() ? Theme->ButtonPlusColor() : Theme->BorderDisableColor();
}

TColor TButtonControl::TextColor() const {
    if (!Enabled()) {
        return Theme->GrayText();
    }
    return State() == bsNormal ? Theme->ButtonTextColor() : Theme->SelectedTextColor();
}

namespace {

TFontHandle CaptionFont() {
    return CreateFontOf(FontNameRegular, Theme->FontHeight());
}

} // namespace

int TButtonControl::CaptionWidth() const {
    const TWindowDC dc(Handle());
    const TFontHandle font = CaptionFont();
    const TSelectObject selected(dc.DC(), font.Get());
    return TextExtent(dc.DC(), Caption()).Width;
}

void TButtonControl::Paint(HDC DC, const TRect& Client) {
    FillSolidRect(DC, Client, FillColor());
    const TFontHandle font = CaptionFont();
    const TSelectObject selected(DC, font.Get());
    const TTextExtent text = TextExtent(DC, Caption());
    DrawTextAt(DC, (Client.Width() - text.Width) / 2,
               (Client.Height() - text.Height) / 2 - ScaleValueTrunc(1), Caption(), TextColor(), FillColor());
    if (Theme->IsHighContrast()) {
        PaintHighContrastFrame(DC, Client);
    } else {
        FrameRectangle(DC, BorderRect(Client), BorderColor(), ScaleValueTrunc(1));
    }
}

void TButtonControl::PaintHighContrastFrame(HDC DC, const TRect& Client) {
    // A disabled button has a dotted outline, an enabled one a solid double one, and the
    // focused one the dotted focus cue inside: told apart by shape in any scheme.
    if (!Enabled()) {
        FrameDotted(DC, Client, Theme->GrayText());
        return;
    }
    const TColor border = Focused() ? Theme->BorderFocusColor() : Theme->ButtonPlusColor();
    FrameRectangle(DC, BorderRect(Client), border, ScaleValueTrunc(1));
    FrameRectangle(DC, BorderRect(Client.Inflated(-ScaleValueTrunc(1))), border, ScaleValueTrunc(1));
    if (Focused()) {
        FrameDotted(DC, Client.Inflated(-ScaleValue(4)), TextColor());
    }
}

void TButtonControl::KeyPress(char16_t& Key) {
    if (FOnKeyPress) {
        FOnKeyPress(this, Key);
    }
    if (Key == u' ') {
        Click();
    }
}

LONG TButtonControl::AccessibleRole(int) const {
    return ROLE_SYSTEM_PUSHBUTTON;
}

LONG TButtonControl::AccessibleState(int Child) const {
    LONG state = TControl::AccessibleState(Child) | STATE_SYSTEM_FOCUSABLE;
    if (State() == bsActive) {
        state |= STATE_SYSTEM_PRESSED;
    } else if (State() == bsHover) {
        state |= STATE_SYSTEM_HOTTRACKED;
    }
    return state;
}

std::u16string TButtonControl::AccessibleDefaultAction(int) const {
    return u"Press";
}
