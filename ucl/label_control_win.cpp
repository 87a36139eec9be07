#include "ucl/label_control_win.h"

#include "ucl/gdi_win.h"
#include "utils/language.h"
#include "utils/theme.h"

namespace {

// Not a theme colour: the same red in both looks.
constexpr TColor LabelRed = 0x2D20BF; // #BF202D

} // namespace

TLabelControl::TLabelControl(HWND Parent) : TClickableControl(false) {
    CreateControl(ChildParams(Parent, L"QuorvalentLabel", 200, 18, false));
}

void TLabelControl::Change(bool& Field, bool Value) {
    if (Field != Value) {
        Field = Value;
        Invalidate();
    }
}

void TLabelControl::SetAutoSize(bool Value) {
    Change(FAutoSize, Value);
}

void TLabelControl::SetWordWrap(bool Value) {
    Change(FWordWrap, Value);
}

void TLabelControl::SetLightFont(bool Value) {
    Change(FLightFont, Value);
}

void TLabelControl::SetGrayFont(bool Value) {
    Change(FGrayFont, Value);
}

void TLabelControl::SetBlueFont(bool Value) {
    Change(FBlueFont, Value);
}

void TLabelControl::SetRedFont(bool Value) {
    Change(FRedFont, Value);
}

void TLabelControl::SetFontSize(TFontSize Value) {
    if (FFontSize != Value) {
        FFontSize = Value;
        Invalidate();
    }
}

void TLabelControl::SetOnClick(TNotifyEvent Value) {
    StoreOnClick(std::move(Value));
    // Without a mouse a link could never be followed: a clickable label takes the focus.
    SetTabStop(Clickable());
    SetCursor(Clickable() ? crHandPoint : crDefault);
}

int TLabelControl::FontHeightOf() const {
    switch (FFontSize) {
    case fsSmall:
        return Theme->SmallFontHeight();
    case fsLarge:
        return Theme->LargeFontHeight();
    case fsExtraLarge:
        return Theme->ExtraLargeFontHeight();
    case fsMedium:
        break;
    }
    return Theme->FontHeight();
}

TColor TLabelControl::ColorOf() const {
    switch (LabelColorOf(FRedFont, FBlueFont, FGrayFont)) {
    case lcRed:
        // A scheme has no red: the words say what is wrong.
        return Theme->IsHighContrast() ? Theme->FontColor() : LabelRed;
    case lcLink:
        return Theme->LinkFontColor();
    case lcGray:
        return Theme->GrayText();
    case lcFont:
        break;
    }
    return Theme->FontColor();
}

const std::u16string& TLabelControl::FaceOf() const {
    switch (LabelFaceOf(FLightFont, FBoldFont)) {
    case lfLight:
        return FontNameLight;
    case lfSemibold:
        return FontNameSemibold;
    case lfRegular:
        break;
    }
    return FontNameRegular;
}

int TLabelControl::CaptionWidth() const {
    const TWindowDC dc(Handle());
    const TFontHandle font = CreateFontOf(FaceOf(), FontHeightOf());
    const TSelectObject selected(dc.DC(), font.Get());
    return TextExtent(dc.DC(), Caption()).Width;
}

void TLabelControl::Paint(HDC DC, const TRect& Client) {
    const TColor background = Theme->WindowColor();
    FillSolidRect(DC, Client, background);
    const TFontHandle font = CreateFontOf(FaceOf(), FontHeightOf(), Clickable() && State() == bsHover);
    const TSelectObject selected(DC, font.Get());
    const TColor color = ColorOf();
    const TTextExtent text = TextExtent(DC, Caption());
    const int width = Client.Width();
    int left = LabelLineLeft(FAlignment, width, text.Width);
    if (FAlignment == taLeftJustify && FWordWrap && width < text.Width) {
        PaintWrapped(DC, width, color, background);
        left = 0;
    } else {
        DrawTextAt(DC, left, 0, Caption(), color, background);
    }
    if (Focused()) {
        // The focus cue of a keyboard user: a line under the text, which fills the label
        // exactly when it sizes itself and leaves no room for an outline.
        const int line = ScaleValueTrunc(1);
        const int y = std::min(text.Height, Client.Height()) - line;
        const int right = FWordWrap ? width : std::min(left + text.Width, width);
        FillSolidRect(DC, {std::max(left, 0), y, right, y + line},
                      Theme->IsHighContrast() ? color : Theme->BorderFocusColor());
    }
    if (FAutoSize && (text.Width != width || text.Height != Client.Height())) {
        SetBounds(Left(), Top(), text.Width, text.Height);
    }
}

void TLabelControl::PaintWrapped(HDC DC, int Width, TColor Color, TColor Background) {
    const int lineHeight = TextExtent(DC, u"Wq").Height;
    const auto measure = [DC](std::u16string_view word) { return TextExtent(DC, word).Width; };
    for (const TWrappedWord& word : WrapWords(Caption(), Width, measure)) {
        DrawTextAt(DC, word.X, word.Line * lineHeight, word.Text, Color, Background);
    }
}

void TLabelControl::KeyPress(char16_t& Key) {
    if (Clickable() && (Key == u' ' || Key == u'\r')) {
        Key = 0;
        Click();
    }
}

LONG TLabelControl::AccessibleRole(int) const {
    return Clickable() ? ROLE_SYSTEM_LINK : ROLE_SYSTEM_STATICTEXT;
}

LONG TLabelControl::AccessibleState(int Child) const {
    const LONG state = TControl::AccessibleState(Child);
    return Clickable() ? state | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED : state | STATE_SYSTEM_READONLY;
}

std::u16string TLabelControl::AccessibleDefaultAction(int) const {
    return Clickable() ? u"Click" : u"";
}
