#include "ucl/title_bar_win.h"

#include "ucl/gdi_win.h"
#include "utils/language.h"
#include "utils/theme.h"

namespace {

constexpr TColor HaloColor = RGB(204, 204, 204);
constexpr TColor CrossOnFillColor = RGB(255, 255, 255);
// SC_MOVE | HTCAPTION: the platform's own move loop follows the pointer until the release.
constexpr WPARAM MoveByCaption = 0xF012;
constexpr int CloseChild = 1;

// High contrast fills a hovered or pressed caption button with the highlight and draws its
// glyph in the highlight's text colour.
TColor CaptionButtonFill(TButtonState State) {
    if (Theme->IsHighContrast() && State != bsNormal) {
        return Theme->ButtonHoverColor();
    }
    switch (State) {
    case bsHover:
        return Theme->ButtonPlusColor();
    case bsActive:
        return Theme->ButtonActiveColor();
    case bsNormal:
        break;
    }
    return Theme->PanelColor();
}

} // namespace

TTitleBar::TTitleBar(HWND Parent) {
    TWindowParams params = ChildParams(Parent, L"QuorvalentTitleBar", 200, 32, false);
    params.ClassStyle = CS_DBLCLKS;
    CreateControl(params);
}

void TTitleBar::SetMaximizeVisible(bool Value) noexcept {
    TTitleBarButtons buttons = FInput.Buttons();
    buttons.MaximizeVisible = Value;
    FInput.SetButtons(buttons);
}

void TTitleBar::SetMinimizeVisible(bool Value) noexcept {
    TTitleBarButtons buttons = FInput.Buttons();
    buttons.MinimizeVisible = Value;
    FInput.SetButtons(buttons);
}

void TTitleBar::SetCaption(const std::u16string& Value) {
    FCaption = Value;
    NotifyAccessible(EVENT_OBJECT_NAMECHANGE);
}

HWND TTitleBar::Client() const noexcept {
    if (!FClient) {
        FClient = GetAncestor(Handle(), GA_ROOT);
    }
    return FClient;
}

TTitleBarScale TTitleBar::Scale() noexcept {
    return {ScaleValue, ScaleValueTrunc};
}

TTitleBarLayout TTitleBar::CurrentLayout() const noexcept {
    return TitleBarLayout(Width(), FInput.Buttons(), Scale());
}

TTitleBarForm TTitleBar::FormState() const noexcept {
    const HWND form = Client();
    TTitleBarForm state;
    state.Maximized = IsZoomed(form) != FALSE;
    state.Minimized = IsIconic(form) != FALSE;
    RECT bounds{};
    GetWindowRect(form, &bounds);
    state.Top = bounds.top;
    state.Height = bounds.bottom - bounds.top;
    // A form without a constraint leaves the zeros alone.
    MINMAXINFO limits{};
    SendMessageW(form, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    state.MinHeight = limits.ptMinTrackSize.y;
    return state;
}

bool TTitleBar::FormNormal() const noexcept {
    return !IsZoomed(Client()) && !IsIconic(Client());
}

bool TTitleBar::FormActive() const noexcept {
    return GetActiveWindow() == Client();
}

TColor TTitleBar::GlyphColor() const noexcept {
    return FormActive() ? Theme->TitleBarActiveColor() : Theme->TitleBarInactiveColor();
}

// Mouse messages are converted to client coordinates when they are taken from the queue, so
// this is the pointer's row even while a resize moves the bar under it.
int TTitleBar::ScreenY(int X, int Y) const noexcept {
    POINT p{X, Y};
    ClientToScreen(Handle(), &p);
    return p.y;
}

// ---- Pointer ----

void TTitleBar::MouseMove(int X, int Y) {
    Apply(FInput.MouseMove(X, Y, ScreenY(X, Y), FormState()));
}

void TTitleBar::MouseLeave() {
    Apply(FInput.MouseLeave());
}

void TTitleBar::MouseDown(TMouseButton Button, int X, int Y) {
    Apply(FInput.MouseDown(Button == mbLeft, X, Y, ScreenY(X, Y), FormState()));
}

void TTitleBar::MouseUp(TMouseButton Button, int X, int Y) {
    Apply(FInput.MouseUp(Button == mbLeft, X, Y, FormState()));
}

void TTitleBar::DblClick(int X, int Y) {
    Apply(FInput.DblClick(X, Y, FormState()));
}

void TTitleBar::CaptureLost() {
    Apply(FInput.CaptureLost());
}

void TTitleBar::Apply(const TTitleBarReaction& Reaction) {
    if (Reaction.Resize) {
        ResizeForm(*Reaction.Resize);
    }
    if (Reaction.Cursor) {
        SetCursor(*Reaction.Cursor == tcSizeNS ? crSizeNS : crDefault);
    }
    if (Reaction.Repaint) {
        Invalidate();
    }
    if (CloseButtonState() != FAnnouncedCloseState) {
        FAnnouncedCloseState = CloseButtonState();
        NotifyAccessible(EVENT_OBJECT_STATECHANGE, CloseChild);
    }
    // Last: the form's close handling may destroy the bar.
    RunCommand(Reaction.Command);
}

void TTitleBar::ResizeForm(TVertBounds Bounds) const noexcept {
    const HWND form = Client();
    RECT r{};
    GetWindowRect(form, &r);
    SetWindowPos(form, nullptr, r.left, Bounds.Top, r.right - r.left, Bounds.Height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void TTitleBar::RunCommand(TTitleBarCommand Command) const noexcept {
    const HWND form = Client();
    switch (Command) {
    case tbClose:
        SendMessageW(form, WM_CLOSE, 0, 0);
        break;
    case tbMaximize:
        ShowWindow(form, SW_MAXIMIZE);
        break;
    case tbRestore:
        ShowWindow(form, SW_RESTORE);
        break;
    case tbMinimize:
        ShowWindow(form, SW_MINIMIZE);
        break;
    case tbMove:
        // The move loop takes the capture itself and eats the release.
        ReleaseCapture();
        SendMessageW(form, WM_SYSCOMMAND, MoveByCaption, 0);
        break;
    case tbNone:
        break;
    }
}

// ---- Paint ----

void TTitleBar::Paint(HDC DC, const TRect& Area) {
    FillSolidRect(DC, Area, Theme->PanelColor());
    PaintIcon(DC);
    PaintCaption(DC);
    FInput.SetLayout(CurrentLayout());
    const TTitleBarGlyphs glyphs = TitleBarGlyphs(Area.Width(), FInput.Layout(), Scale());
    PaintCloseButton(DC, glyphs);
    if (MaximizeVisible()) {
        PaintMaximizeButton(DC, glyphs);
    }
    if (MinimizeVisible()) {
        PaintMinimizeButton(DC, glyphs);
    }
    if (FormNormal()) {
        PaintTopLine(DC, Area.Width());
    }
}

void TTitleBar::PaintIcon(HDC DC) const {
    if (FIconImage == imgNone) {
        return;
    }
    const auto r = [](int n) { return ScaleValue(n); };
    const TRect dest =
        FIconImage == imgAppIcon ? TRect{r(8), r(8), r(24), r(24)} : TRect{r(10), r(10), r(22), r(22)};
    DrawPngImage(DC, *Theme->GetImage(FIconImage), dest);
}

void TTitleBar::PaintCaption(HDC DC) const {
    const TFontHandle font = CreateFontOf(FontNameRegular, Theme->FontHeight());
    const TSelectObject selected(DC, font.Get());
    const int x = ScaleValue(FIconImage == imgNone ? 10 : 30);
    DrawTextAt(DC, x, ScaleValue(6), FCaption, GlyphColor());
}

TColor TTitleBar::ButtonGlyphColor(TButtonState State) const noexcept {
    return Theme->IsHighContrast() && State != bsNormal ? Theme->SelectedTextColor() : GlyphColor();
}

void TTitleBar::PaintCloseButton(HDC DC, const TTitleBarGlyphs& Glyphs) {
    const TButtonState state = CloseButtonState();
    if (state != bsNormal) {
        const TColor fill =
            state == bsHover ? Theme->TitleBarCloseHoverColor() : Theme->TitleBarCloseActiveColor();
        FillSolidRect(DC, FInput.Layout().CloseButton, fill);
    }
    if (Theme->IsLight() && state == bsNormal && Theme->ScaleFactor() < 2.0f) {
        for (const TLine& l : Glyphs.Halo) {
            DrawLine(DC, l.X1, l.Y1, l.X2, l.Y2, HaloColor, FPenWidth);
        }
    }
    const TColor cross =
        state != bsNormal && !Theme->IsHighContrast() ? CrossOnFillColor : ButtonGlyphColor(state);
    const int width = PenWidth(ScaleValueTrunc(1));
    for (const TLine& l : Glyphs.Cross) {
        DrawLine(DC, l.X1, l.Y1, l.X2, l.Y2, cross, width);
    }
}

void TTitleBar::PaintMaximizeButton(HDC DC, const TTitleBarGlyphs& Glyphs) {
    const TButtonState state = MaximizeButtonState();
    const TColor fill = CaptionButtonFill(state);
    if (state != bsNormal) {
        FillSolidRect(DC, FInput.Layout().MaximizeButton, fill);
    }
    const int width = PenWidth(ScaleValueTrunc(1));
    if (FormNormal()) {
        FillFramedRectangle(DC, Glyphs.MaximizeBox, fill, ButtonGlyphColor(state), width);
        return;
    }
    for (const TRect& box : Glyphs.RestoreBoxes) {
        FillFramedRectangle(DC, box, fill, ButtonGlyphColor(state), width);
    }
}

void TTitleBar::PaintMinimizeButton(HDC DC, const TTitleBarGlyphs& Glyphs) {
    const TButtonState state = MinimizeButtonState();
    if (state != bsNormal) {
        FillSolidRect(DC, FInput.Layout().MinimizeButton, CaptionButtonFill(state));
    }
    const int width = PenWidth(ScaleValueTrunc(1));
    const TLine& bar = Glyphs.MinimizeBar;
    DrawLine(DC, bar.X1, bar.Y1, bar.X2, bar.Y2, ButtonGlyphColor(state), width);
    DrawLine(DC, bar.X2, bar.Y2, bar.X1, bar.Y1, ButtonGlyphColor(state), width);
}

void TTitleBar::PaintTopLine(HDC DC, int Width) {
    TColor color = FormActive() ? Theme->TitleBarTopLineActiveColor() : Theme->TitleBarTopLineInactiveColor();
    if (Theme->IsDark()) {
        color = Theme->PanelColor();
    }
    DrawLine(DC, -1, 0, Width, 0, color, PenWidth(ScaleValueTrunc(2) - 1));
}

// ---- Accessibility ----

std::u16string TTitleBar::AccessibleName(int Child) const {
    return Child == CloseChild ? u"Close" : FCaption;
}

LONG TTitleBar::AccessibleRole(int Child) const {
    return Child == CloseChild ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_TITLEBAR;
}

LONG TTitleBar::AccessibleState(int Child) const {
    LONG state = TControl::AccessibleState(Child);
    if (Child == CloseChild) {
        state |= CloseButtonState() == bsHover ? STATE_SYSTEM_HOTTRACKED : 0;
        state |= CloseButtonState() == bsActive ? STATE_SYSTEM_PRESSED : 0;
    }
    return state;
}

std::u16string TTitleBar::AccessibleDefaultAction(int Child) const {
    return Child == CloseChild ? u"Press" : u"";
}

bool TTitleBar::AccessibleDoDefaultAction(int Child) {
    if (Child != CloseChild) {
        return false;
    }
    // Posted: the reader waits for this call, and the close may end the bar.
    PostMessageW(Client(), WM_CLOSE, 0, 0);
    return true;
}

// Where the button is drawn at the bar's present width, even before the next paint.
RECT TTitleBar::AccessibleLocation(int Child) const {
    if (Child != CloseChild) {
        return TControl::AccessibleLocation(Child);
    }
    RECT r = ToRECT(CurrentLayout().CloseButton);
    MapWindowPoints(Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return r;
}
