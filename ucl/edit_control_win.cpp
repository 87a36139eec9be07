#include "ucl/edit_control_win.h"

#include <imm.h>

#include "ucl/clipboard_win.h"
#include "ucl/context_menu_win.h"
#include "ucl/gdi_win.h"
#include "utils/language.h"
#include "utils/theme.h"

namespace {

bool IsHighSurrogate(char16_t c) noexcept {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) noexcept {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The edit menu's entries in menu order: phrase key and key hint.
struct TMenuEntry {
    const char16_t* Phrase;
    const char16_t* Shortcut;
};
constexpr TMenuEntry MenuEntries[EditMenuEntryCount] = {
    {u"UNDO", u"Ctrl+Z"},  {u"CUT", u"Ctrl+X"}, {u"COPY", u"Ctrl+C"},
    {u"PASTE", u"Ctrl+V"}, {u"DELETE", u"Del"}, {u"SELECT_ALL", u"Ctrl+A"},
};

// An input context of the window, released at the end of the scope.
class TInputContext {
public:
    explicit TInputContext(HWND Window) noexcept : FWindow(Window), FContext(ImmGetContext(Window)) {}
    TInputContext(const TInputContext&) = delete;
    TInputContext& operator=(const TInputContext&) = delete;
    ~TInputContext() {
        if (FContext) {
            ImmReleaseContext(FWindow, FContext);
        }
    }
    HIMC Get() const noexcept { return FContext; }

private:
    HWND FWindow;
    HIMC FContext;
};

} // namespace

TEditControl::TEditControl(HWND Parent) {
    ConnectModel();
    TWindowParams params = ChildParams(Parent, L"QuorvalentEdit", 200, 32, false);
    params.Style |= WS_TABSTOP;
    CreateControl(params);
    SetCursor(crIBeam);
}

TEditControl::~TEditControl() {
    if (FHasSystemCaret) {
        DestroyCaret();
    }
}

void TEditControl::ConnectModel() {
    FModel.OnChange = [this] {
        NotifyAccessible(EVENT_OBJECT_VALUECHANGE);
        if (OnChange) {
            OnChange(this);
        }
    };
    FModel.OnPaste = [this](const std::u16string& Text) {
        if (OnPaste) {
            OnPaste(this, Text);
        }
    };
    FModel.OnClick = [this] {
        if (OnClick) {
            OnClick(this);
        }
    };
    FModel.OnButtonClick = [this] {
        if (OnButtonClick) {
            OnButtonClick(this);
        }
    };
    FModel.OnKeyDown = [this](TVirtualKey& Key, TShiftState Shift) {
        if (OnKeyDown) {
            OnKeyDown(this, Key, Shift);
        }
    };
    FModel.OnKeyPress = [this](char32_t& Key) {
        // The owner's handler sees characters of the basic plane, Enter and Escape among them.
        if (OnKeyPress && Key <= 0xFFFF) {
            auto unit = static_cast<char16_t>(Key);
            OnKeyPress(this, unit);
            Key = unit;
        }
    };
    FModel.OnEnter = [this] {
        if (OnEnter) {
            OnEnter(this);
        }
    };
    FModel.OnExit = [this](const std::u16string& Text) {
        if (OnExit) {
            OnExit(this, Text);
        }
    };
}

void TEditControl::SetText(const std::u16string& Value) {
    const std::u16string before = FModel.Text();
    FModel.SetText(Value);
    if (FModel.Text() != before) {
        NotifyAccessible(EVENT_OBJECT_VALUECHANGE);
    }
}

void TEditControl::SetReadOnly(bool Value) {
    FModel.SetReadOnly(Value);
    NotifyAccessible(EVENT_OBJECT_STATECHANGE);
}

void TEditControl::SetPlaceholder(const std::u16string& Value) {
    if (Value != FPlaceholder) {
        FPlaceholder = Value;
        if (FModel.Text().empty()) {
            Invalidate();
        }
    }
}

int64_t TEditControl::THost::Now() {
    return static_cast<int64_t>(GetTickCount64());
}

std::u16string TEditControl::THost::ClipboardText() {
    return ReadClipboardText(FControl.Handle());
}

void TEditControl::THost::SetClipboardText(const std::u16string& Text) {
    WriteClipboardText(FControl.Handle(), Text);
}

void TEditControl::THost::Beep() {
    MessageBeep(0);
}

int TEditControl::THost::Scale(int n) {
    return ScaleValue(n);
}

void TEditControl::ShowEditMenu() {
    if (!ContextMenu) {
        return;
    }
    ContextMenu->Clear();
    for (int i = 0; i < EditMenuEntryCount; ++i) {
        const auto entry = static_cast<TEditMenuEntry>(i);
        ContextMenu->AddItem(GetPhrase(MenuEntries[i].Phrase), MenuEntries[i].Shortcut, imgNone,
                             [this, entry](TObject*) { FModel.RunMenuCommand(entry); });
    }
    const auto enabled = FModel.EditMenuEnabled();
    for (int i = 0; i < emSelectAll; ++i) {
        ContextMenu->UpdateItemEnabled(i, enabled[size_t(i)]);
    }
    ContextMenu->Show();
    TakeFocus();
}

void TEditControl::SetCaretTimer(bool Enabled, uint32_t Interval) {
    // The caret blinks only while the field has the focus: its timer, a window of its own, is
    // made when the field first gets it, not at every start-up.
    if (!FCaretTimer) {
        if (!Enabled) {
            return;
        }
        FCaretTimer = std::make_unique<TTimer>(Interval, [this](TObject*) { FModel.CaretBlinkTick(); });
    }
    // Both are set afresh each time, so that the period starts again.
    FCaretTimer->SetEnabled(false);
    FCaretTimer->SetInterval(Interval);
    FCaretTimer->SetEnabled(Enabled);
}

void TEditControl::TakeFocus() {
    if (CanFocus() && !Focused()) {
        SetFocus();
    }
}

void TEditControl::MouseMove(int X, int Y) {
    switch (FModel.MouseMove(X, Y)) {
    case ecArrow:
        SetCursor(crDefault);
        break;
    case ecHandPoint:
        SetCursor(crHandPoint);
        break;
    case ecIBeam:
        SetCursor(crIBeam);
        break;
    }
}

void TEditControl::MouseLeave() {
    FModel.MouseLeave();
}

void TEditControl::MouseDown(TMouseButton Button, int X, int Y) {
    FModel.MouseDown(static_cast<TEditMouseButton>(Button), X, Y);
}

void TEditControl::MouseUp(TMouseButton Button, int X, int Y) {
    FModel.MouseUp(static_cast<TEditMouseButton>(Button), X, Y);
}

void TEditControl::KeyDown(TVirtualKey& Key, TShiftState Shift) {
    // Shift+F10 is the keyboard's other way to ask for the context menu; taken here, it does
    // not also open the window's own menu mode.
    if (Key == vkF10 && Shift == ssShift) {
        TVirtualKey apps = vkApps;
        FModel.KeyDown(apps, Shift);
        Key = 0;
        return;
    }
    FModel.KeyDown(Key, Shift);
}

void TEditControl::KeyUp(TVirtualKey& Key, TShiftState Shift) {
    FModel.KeyUp(Key, Shift);
    if (Key == vkF10 && Shift == ssShift) {
        Key = 0;
    }
}

void TEditControl::KeyPress(char16_t& Key) {
    WMChar(Key);
}

void TEditControl::WMChar(char16_t Unit) {
    if (IsHighSurrogate(Unit)) {
        FHighSurrogate = Unit;
        return;
    }
    if (IsLowSurrogate(Unit)) {
        const char16_t high = std::exchange(FHighSurrogate, 0);
        if (high) {
            CharacterStep(0x10000 + ((char32_t(high) - 0xD800) << 10) + (char32_t(Unit) - 0xDC00));
        }
        return; // half a character is no character
    }
    FHighSurrogate = 0;
    CharacterStep(Unit);
}

void TEditControl::CharacterStep(char32_t Key) {
    FModel.KeyPress(Key);
}

void TEditControl::FocusChanged(bool Gained) {
    if (Gained) {
        FModel.FocusEnter();
        FHasSystemCaret =
            CreateCaret(Handle(), nullptr, std::max(ScaleValueTrunc(1), 1), FModel.LineHeight) != FALSE;
        PlaceSystemCaret();
    } else {
        FModel.FocusExit();
        if (FHasSystemCaret) {
            DestroyCaret();
            FHasSystemCaret = false;
        }
    }
    TControl::FocusChanged(Gained);
}

LRESULT TEditControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_IME_CHAR:
        WMChar(static_cast<char16_t>(wParam));
        return 0;
    case WM_IME_STARTCOMPOSITION:
        PlaceComposition();
        return DefaultHandler(msg, wParam, lParam);
    default:
        return TControl::WndProc(msg, wParam, lParam);
    }
}

void TEditControl::PlaceSystemCaret() {
    if (FHasSystemCaret) {
        ::SetCaretPos(FModel.ColumnX(FModel.CaretPos()) - 1, FModel.PaddingTop);
    }
}

void TEditControl::PlaceComposition() {
    const TInputContext context(Handle());
    if (!context.Get()) {
        return;
    }
    COMPOSITIONFORM form{};
    form.dwStyle = CFS_POINT;
    form.ptCurrentPos = {FModel.ColumnX(FModel.CaretPos()), FModel.PaddingTop};
    ImmSetCompositionWindow(context.Get(), &form);
    LOGFONTW font{};
    font.lfHeight = Theme->FontHeight();
    font.lfCharSet = DEFAULT_CHARSET;
    const size_t length = std::min<size_t>(FontNameMonospace.size(), LF_FACESIZE - 1);
    std::copy_n(FontNameMonospace.begin(), length, reinterpret_cast<char16_t*>(font.lfFaceName));
    ImmSetCompositionFontW(context.Get(), &font);
}

TColor TEditControl::BorderColor() const {
    if (Focused()) {
        return Theme->BorderFocusColor();
    }
    if (Theme->IsHighContrast() && Enabled()) {
        return Theme->BorderColor();
    }
    return Enabled() ? Theme->ButtonHoverColor() : Theme->BorderDisableColor();
}

void TEditControl::PaintBorder(HDC DC, const TRect& Client) {
    // High contrast tells the state by shape as well: a dotted outline when disabled, a
    // double one with the focus.
    if (Theme->IsHighContrast() && !Enabled()) {
        FrameDotted(DC, Client, Theme->GrayText());
        return;
    }
    FrameRectangle(DC, BorderRect(Client), BorderColor(), ScaleValueTrunc(1));
    if (Theme->IsHighContrast() && Focused()) {
        FrameRectangle(DC, BorderRect(Client.Inflated(-ScaleValueTrunc(1))), BorderColor(),
                       ScaleValueTrunc(1));
    }
}

void TEditControl::Paint(HDC DC, const TRect& Client) {
    FillSolidRect(DC, Client, Enabled() ? Theme->WindowColor() : Theme->EditDisableColor());
    const TFontHandle font = CreateFontOf(FontNameMonospace, Theme->FontHeight());
    const TSelectObject selected(DC, font.Get());
    FModel.SetPaintMetrics(ScaleValue(8), ScaleValue(7), TextExtent(DC, u"W").Width, ScaleValue(18));
    PaintText(DC, Client);
    PaintButton(DC, Client);
    if (FModel.CaretDrawn()) {
        const int x = FModel.ColumnX(FModel.CaretPos()) - 1;
        FillSolidRect(DC,
                      {x, FModel.PaddingTop, x + ScaleValueTrunc(1), FModel.PaddingTop + FModel.LineHeight},
                      Theme->CaretColor());
    }
    PaintBorder(DC, Client);
    PlaceSystemCaret();
    PlaceComposition();
}

void TEditControl::PaintText(HDC DC, const TRect&) {
    const int top = FModel.PaddingTop;
    if (FModel.HasSelection()) {
        const auto [from, to] = FModel.SelectionBounds();
        FillSolidRect(DC, {FModel.ColumnX(from), top, FModel.ColumnX(to), top + FModel.LineHeight},
                      Theme->TextSelectionColor());
    }
    const int x0 = FModel.ColumnX(0);
    DrawTextAt(DC, x0, top + ScaleValue(1), FModel.DisplayText(),
               Enabled() ? Theme->FontColor() : Theme->GrayText());
    if (FModel.HasSelection() && Theme->IsHighContrast()) {
        // The selected text again, inside the selection, in the highlight's text colour.
        const auto [from, to] = FModel.SelectionBounds();
        const int saved = SaveDC(DC);
        IntersectClipRect(DC, FModel.ColumnX(from), top, FModel.ColumnX(to), top + FModel.LineHeight);
        DrawTextAt(DC, x0, top + ScaleValue(1), FModel.DisplayText(), Theme->SelectedTextColor());
        RestoreDC(DC, saved);
    }
    if (FModel.Text().empty() && !FPlaceholder.empty()) {
        DrawTextAt(DC, x0, top + ScaleValue(1), FPlaceholder, Theme->GrayText());
    }
}

void TEditControl::PaintButton(HDC DC, const TRect& Client) {
    if (!FModel.BtnVisible || !Enabled()) {
        return;
    }
    const int width = Client.Width();
    TColor fill = Theme->WindowColor();
    if (FModel.ButtonState == bsHover) {
        fill = Theme->ButtonColor();
    } else if (FModel.ButtonState == bsActive) {
        fill = Theme->ButtonHoverColor();
    }
    FillSolidRect(DC, {width - ScaleValueTrunc(32), 0, width, Client.Height()}, fill);
    // High contrast draws the glyph's shape in the text colour of what lies under it.
    std::optional<TColor> glyph;
    if (Theme->IsHighContrast()) {
        glyph = FModel.ButtonState == bsActive  ? Theme->SelectedTextColor()
                : FModel.ButtonState == bsHover ? Theme->ButtonTextColor()
                                                : Theme->FontColor();
    }
    DrawPngImage(
        DC, *Theme->GetImage(FButtonImage),
        {width - ScaleValueTrunc(24), ScaleValueTrunc(8), width - ScaleValueTrunc(8), ScaleValueTrunc(24)},
        glyph);
}

std::u16string TEditControl::AccessibleName(int) const {
    return FAccessibleName;
}

std::u16string TEditControl::AccessibleValue(int) const {
    // While a mask is shown the clear text is never told.
    return FModel.DisplayText();
}

LONG TEditControl::AccessibleRole(int) const {
    return ROLE_SYSTEM_TEXT;
}

LONG TEditControl::AccessibleState(int Child) const {
    LONG state = TControl::AccessibleState(Child) | STATE_SYSTEM_FOCUSABLE;
    if (FModel.ReadOnly()) {
        state |= STATE_SYSTEM_READONLY;
    }
    if (FModel.PasChar != 0) {
        state |= STATE_SYSTEM_PROTECTED;
    }
    return state;
}
