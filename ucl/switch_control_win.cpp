#include "ucl/switch_control_win.h"

#include "ucl/gdi_win.h"
#include "ucl/switch_frame.h"
#include "utils/language.h"
#include "utils/theme.h"

TSwitchControl::TSwitchControl(HWND Parent) {
    TWindowParams params = ChildParams(Parent, L"QuorvalentSwitch", 400, 16, false);
    // Without a mouse nobody could turn a switch on or off.
    params.Style |= WS_TABSTOP;
    CreateControl(params);
}

namespace {

int CaptionLeft() {
    return ScaleValue(SwitchCaptionLeft96);
}

TFontHandle CaptionFont() {
    return CreateFontOf(FontNameRegular, Theme->FontHeight());
}

} // namespace

void TSwitchControl::SetCaption(const std::u16string& Value) {
    FCaption = Value;
    FitToCaption();
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_NAMECHANGE);
}

void TSwitchControl::SetChecked(bool Value) {
    FChecked = Value;
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_STATECHANGE);
}

void TSwitchControl::SetAutoSize(bool Value) {
    FAutoSize = Value;
    FitToCaption();
    Invalidate();
}

int TSwitchControl::CaptionWidth() const {
    const TWindowDC dc(Handle());
    const TFontHandle font = CaptionFont();
    const TSelectObject selected(dc.DC(), font.Get());
    return TextExtent(dc.DC(), FCaption).Width;
}

int TSwitchControl::FittingWidth(HDC DC) const {
    return TextExtent(DC, FCaption).Width + CaptionLeft();
}

void TSwitchControl::FitToCaption() {
    // A switch not yet on the screen is sized by the layout that places it.
    if (FAutoSize && Theme && IsWindowVisible(Handle())) {
        SetBounds(Left(), Top(), Width(), Height());
    }
}

void TSwitchControl::AdjustSize(int& Width, int&) {
    // Sized before it is first drawn: a size first found while painting would move the
    // switch again and make the form and the switch paint twice.
    if (FAutoSize && Theme) {
        const TWindowDC dc(Handle());
        const TFontHandle font = CaptionFont();
        const TSelectObject selected(dc.DC(), font.Get());
        Width = FittingWidth(dc.DC());
    }
}

void TSwitchControl::Paint(HDC DC, const TRect& Client) {
    FillSolidRect(DC, Client, Theme->WindowColor());
    const TFontHandle font = CaptionFont();
    const TSelectObject selected(DC, font.Get());
    const TColor ink = Enabled() ? Theme->FontColor() : Theme->GrayText();
    if (Theme->IsHighContrast()) {
        PaintHighContrastTrack(DC, ink);
    } else {
        const int top = SwitchStripTop(Enabled(), FHover, FChecked, Theme->IsDark(), ScaleValue);
        DrawPngImage(DC, *Theme->GetImage(imgSwitch), {0, top, ScaleValue(24), top + ScaleValue(192)});
    }
    const TTextExtent caption = TextExtent(DC, FCaption);
    DrawTextAt(DC, CaptionLeft(), ScaleValueTrunc(-2), FCaption, ink);
    if (Focused() && Theme->IsHighContrast()) {
        // Dotted around the caption, in its own colour: visible in every scheme.
        FrameDotted(DC,
                    {CaptionLeft() - ScaleValue(2), 0, CaptionLeft() + caption.Width + ScaleValue(2),
                     Client.Height()},
                    ink);
    } else if (Focused()) {
        // The focus cue of a keyboard user: an outline around the switch itself.
        FrameRectangle(DC, BorderRect({0, 0, ScaleValue(24), ScaleValue(16)}), Theme->BorderFocusColor(),
                       ScaleValueTrunc(1));
    }
    if (FAutoSize) {
        const int width = FittingWidth(DC);
        if (width != Client.Width()) {
            SetBounds(Left(), Top(), width, Client.Height());
        }
    }
}

void TSwitchControl::PaintHighContrastTrack(HDC DC, TColor Ink) {
    // On and off differ in shape, not only in colour: off is an outlined track with the knob
    // at the left, on a filled track with the knob at the right.
    const TRect track{0, 0, ScaleValue(24), ScaleValue(16)};
    const int inset = ScaleValue(3);
    const int knob = track.Height() - 2 * inset;
    const int knobLeft = FChecked ? track.Right - inset - knob : inset;
    const TSystemColors& colors = Theme->SystemColors();
    if (FChecked) {
        FillSolidRect(DC, track, Enabled() ? colors.Highlight : colors.GrayText);
        FillSolidRect(DC, {knobLeft, inset, knobLeft + knob, inset + knob},
                      Enabled() ? colors.HighlightText : colors.Window);
        // A scheme whose highlight is the window's own colour still shows the track.
        FrameRectangle(DC, BorderRect(track), Ink, ScaleValueTrunc(1));
    } else {
        FrameRectangle(DC, BorderRect(track), Ink, ScaleValueTrunc(1));
        FillSolidRect(DC, {knobLeft, inset, knobLeft + knob, inset + knob}, Ink);
    }
}

void TSwitchControl::MouseMove(int, int) {
    if (!FHover) {
        FHover = true;
        Invalidate();
    }
}

void TSwitchControl::MouseLeave() {
    FHover = false;
    Invalidate();
}

void TSwitchControl::MouseDown(TMouseButton, int, int) {
    Toggle();
}

void TSwitchControl::KeyPress(char16_t& Key) {
    if (Key == u' ') {
        Key = 0;
        Toggle();
    }
}

void TSwitchControl::DoDefaultAction(int) {
    Toggle();
}

void TSwitchControl::Toggle() {
    if (FOnChange) {
        FOnChange(this);
    }
    SetChecked(!FChecked);
}

std::u16string TSwitchControl::AccessibleName(int) const {
    return FCaption;
}

LONG TSwitchControl::AccessibleRole(int) const {
    return ROLE_SYSTEM_CHECKBUTTON;
}

LONG TSwitchControl::AccessibleState(int Child) const {
    return TControl::AccessibleState(Child) | STATE_SYSTEM_FOCUSABLE | (FChecked ? STATE_SYSTEM_CHECKED : 0);
}

std::u16string TSwitchControl::AccessibleDefaultAction(int) const {
    return FChecked ? u"Uncheck" : u"Check";
}
