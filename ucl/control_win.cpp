#include "ucl/control_win.h"

#include <windowsx.h>

#include <vector>

#include "ucl/gdi_win.h"

namespace {

// The default action a screen reader asked for, run from the message loop.
constexpr UINT WMDefaultAction = WM_APP + 1;

RECT BoundsInParent(HWND window) noexcept {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, GetAncestor(window, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool IsTabStop(HWND window) noexcept {
    return (GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(window) &&
           IsWindowEnabled(window);
}

const wchar_t* CursorResource(TCursorShape shape) noexcept {
    switch (shape) {
    case crHandPoint:
        return IDC_HAND;
    case crIBeam:
        return IDC_IBEAM;
    case crSizeNS:
        return IDC_SIZENS;
    case crDefault:
        break;
    }
    return IDC_ARROW;
}

} // namespace

TWindowParams TControl::ChildParams(HWND Parent, const wchar_t* ClassName, int Width, int Height,
                                    bool Hidden) {
    TWindowParams params;
    params.ClassName = ClassName;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS | (Hidden ? 0 : WS_VISIBLE);
    params.Parent = Parent;
    params.Left = 0;
    params.Top = 0;
    params.Width = Width;
    params.Height = Height;
    return params;
}

TControl::~TControl() {
    // A screen reader may still hold the accessible object; it must not reach this control.
    FAccessibleLink.Disconnect();
}

int TControl::Left() const noexcept {
    return BoundsInParent(Handle()).left;
}

int TControl::Top() const noexcept {
    return BoundsInParent(Handle()).top;
}

int TControl::Width() const noexcept {
    RECT r{};
    GetClientRect(Handle(), &r);
    return r.right;
}

int TControl::Height() const noexcept {
    RECT r{};
    GetClientRect(Handle(), &r);
    return r.bottom;
}

void TControl::SetBounds(int Left, int Top, int Width, int Height) {
    AdjustSize(Width, Height);
    SetWindowPos(Handle(), nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TControl::Visible() const noexcept {
    return (GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void TControl::SetVisible(bool Value) {
    const bool changed = Value != Visible();
    if (!Value) {
        PassFocusOn();
    }
    ShowWindow(Handle(), Value ? SW_SHOWNA : SW_HIDE);
    // A control that appears (a warning, a busy indicator) is announced to screen readers.
    if (changed) {
        NotifyAccessible(Value ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE);
    }
}

bool TControl::Enabled() const noexcept {
    return IsWindowEnabled(Handle()) != FALSE;
}

void TControl::SetEnabled(bool Value) {
    if (!Value) {
        PassFocusOn();
    }
    EnableWindow(Handle(), Value);
    Invalidate();
}

void TControl::PassFocusOn() {
    if (!Focused()) {
        return;
    }
    // Windows drops the focus of a window it disables or hides: nothing would have it, and
    // Tab, Escape and Enter would do nothing until the next click.
    const HWND parent = GetParent(Handle());
    const HWND next = NextTabStop(parent, Handle(), false);
    ::SetFocus(next != Handle() ? next : parent);
}

void TControl::Invalidate() noexcept {
    InvalidateRect(Handle(), nullptr, FALSE);
}

bool TControl::TabStop() const noexcept {
    return (GetWindowLongW(Handle(), GWL_STYLE) & WS_TABSTOP) != 0;
}

void TControl::SetTabStop(bool Value) {
    const LONG style = GetWindowLongW(Handle(), GWL_STYLE);
    SetWindowLongW(Handle(), GWL_STYLE, Value ? style | WS_TABSTOP : style & ~WS_TABSTOP);
}

bool TControl::Focused() const noexcept {
    return Handle() && GetFocus() == Handle();
}

bool TControl::CanFocus() const noexcept {
    return IsWindowVisible(Handle()) && IsWindowEnabled(Handle());
}

void TControl::SetFocus() {
    ::SetFocus(Handle());
}

std::u16string TControl::AccessibleName(int) const {
    return {};
}

LONG TControl::AccessibleRole(int) const {
    return ROLE_SYSTEM_CLIENT;
}

bool TControl::AccessibleDoDefaultAction(int Child) {
    // A disabled control does nothing, whoever asks.
    return Enabled() && !AccessibleDefaultAction(Child).empty() &&
           PostMessageW(Handle(), WMDefaultAction, static_cast<WPARAM>(Child), 0);
}

bool TControl::InClient(int X, int Y) const noexcept {
    return X >= 0 && Y >= 0 && X < Width() && Y < Height();
}

void TControl::NotifyAccessible(DWORD Event, LONG Child) const noexcept {
    if (Handle()) {
        NotifyWinEvent(Event, Handle(), OBJID_CLIENT, Child);
    }
}

TShiftState TControl::ShiftState() noexcept {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= ssShift;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= ssAlt;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= ssCtrl;
    }
    return shift;
}

LRESULT TControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        WMPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
    case WM_NCPAINT:
        return 0; // no border, no scroll bars: nothing outside the client area to draw
    case WM_MOUSEMOVE:
        WMMouseMove(lParam);
        return 0;
    case WM_MOUSELEAVE:
        MouseLeave();
        return 0;
    case WM_LBUTTONDOWN:
        WMButtonDown(mbLeft, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        WMButtonDown(mbRight, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        WMButtonDown(mbMiddle, lParam);
        return 0;
    case WM_LBUTTONUP:
        WMButtonUp(mbLeft, lParam);
        return 0;
    case WM_RBUTTONUP:
        WMButtonUp(mbRight, lParam);
        return 0;
    case WM_MBUTTONUP:
        WMButtonUp(mbMiddle, lParam);
        return 0;
    case WM_LBUTTONDBLCLK:
        DblClick(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        WMCaptureChanged(lParam);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        return WMKey(msg, wParam, lParam);
    case WM_CHAR:
        return WMChar(wParam);
    case WM_CONTEXTMENU:
        return 0; // menus open from the controls' own key and mouse steps
    case WM_SETFOCUS:
        FocusChanged(true);
        return 0;
    case WM_KILLFOCUS:
        FocusChanged(false);
        return 0;
    case WM_ENABLE:
        EnabledChanged();
        return 0;
    case WM_GETDLGCODE:
        return DialogCode();
    case WM_SETCURSOR:
        if (WMSetCursor(lParam)) {
            return TRUE;
        }
        return DefaultHandler(msg, wParam, lParam);
    case WM_GETOBJECT:
        return FAccessibleLink.WMGetObject(wParam, lParam);
    case WMDefaultAction:
        // Asked for while enabled, it may arrive after the control was disabled.
        if (Enabled()) {
            DoDefaultAction(static_cast<int>(wParam));
        }
        return 0;
    case WM_DESTROY:
        FAccessibleLink.Disconnect();
        return DefaultHandler(msg, wParam, lParam);
    default:
        return DefaultHandler(msg, wParam, lParam);
    }
}

void TControl::WMPaint() {
    PaintBuffered(Handle(), [this](HDC dc, const TRect& client) { Paint(dc, client); });
}

void TControl::WMMouseMove(LPARAM lParam) {
    // Asked again on every move: the platform forgets the request after each leave.
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Handle(), 0};
    TrackMouseEvent(&track);
    MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

void TControl::WMButtonDown(TMouseButton Button, LPARAM lParam) {
    if (Button == mbLeft) {
        // As the system's own buttons and check boxes do: what is clicked takes the focus.
        if (TabStop() && CanFocus() && !Focused()) {
            SetFocus();
        }
        SetCapture(Handle());
    }
    MouseDown(Button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

void TControl::WMButtonUp(TMouseButton Button, LPARAM lParam) {
    if (Button == mbLeft && GetCapture() == Handle()) {
        FReleasingCapture = true;
        ReleaseCapture();
        FReleasingCapture = false;
    }
    MouseUp(Button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

void TControl::WMCaptureChanged(LPARAM lParam) {
    if (!FReleasingCapture && reinterpret_cast<HWND>(lParam) != Handle()) {
        CaptureLost();
    }
}

LRESULT TControl::WMKey(UINT msg, WPARAM wParam, LPARAM lParam) {
    auto key = static_cast<TVirtualKey>(wParam);
    const TShiftState shift = ShiftState();
    if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) {
        KeyDown(key, shift);
    } else {
        KeyUp(key, shift);
    }
    // The system keys keep their meaning for the window (Alt+F4, Alt+Space, F10).
    if ((msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) && key != 0) {
        return DefaultHandler(msg, wParam, lParam);
    }
    return 0;
}

LRESULT TControl::WMChar(WPARAM wParam) {
    auto key = static_cast<char16_t>(wParam);
    KeyPress(key);
    return 0;
}

bool TControl::WMSetCursor(LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) {
        return false;
    }
    ::SetCursor(LoadCursorW(nullptr, CursorResource(FCursor)));
    return true;
}

void TControl::Paint(HDC, const TRect&) {}
void TControl::AdjustSize(int&, int&) {}
void TControl::MouseMove(int, int) {}
void TControl::MouseLeave() {}
void TControl::MouseDown(TMouseButton, int, int) {}
void TControl::MouseUp(TMouseButton, int, int) {}
void TControl::DblClick(int, int) {}
void TControl::CaptureLost() {}
void TControl::KeyDown(TVirtualKey&, TShiftState) {}
void TControl::KeyUp(TVirtualKey&, TShiftState) {}
void TControl::KeyPress(char16_t&) {}

void TControl::FocusChanged(bool Gained) {
    Invalidate();
    if (Gained) {
        NotifyAccessible(EVENT_OBJECT_FOCUS);
    }
}

void TControl::EnabledChanged() {
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_STATECHANGE);
}

LRESULT TControl::DialogCode() {
    return 0;
}

void TControl::DoDefaultAction(int) {}

HWND NextTabStop(HWND Root, HWND From, bool Backward) {
    std::vector<HWND> stops;
    for (HWND child = GetWindow(Root, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsTabStop(child)) {
            stops.push_back(child);
        }
    }
    if (stops.empty()) {
        return nullptr;
    }
    size_t current = stops.size();
    for (size_t i = 0; i < stops.size(); ++i) {
        if (stops[i] == From) {
            current = i;
        }
    }
    if (current == stops.size()) {
        return Backward ? stops.back() : stops.front();
    }
    return stops[Backward ? (current + stops.size() - 1) % stops.size() : (current + 1) % stops.size()];
}

bool SelectNextTabStop(HWND Root, bool Backward) {
    const HWND next = NextTabStop(Root, GetFocus(), Backward);
    if (!next) {
        return false;
    }
    ::SetFocus(next);
    return true;
}

bool HandleTabKey(HWND Root, const MSG& Msg) {
    if (Msg.message != WM_KEYDOWN || Msg.wParam != VK_TAB || GetKeyState(VK_CONTROL) < 0 ||
        GetKeyState(VK_MENU) < 0) {
        return false;
    }
    if (Msg.hwnd != Root && !IsChild(Root, Msg.hwnd)) {
        return false;
    }
    const HWND focus = GetFocus();
    if (focus && focus != Root) {
        const LRESULT code = SendMessageW(focus, WM_GETDLGCODE, Msg.wParam, reinterpret_cast<LPARAM>(&Msg));
        if (code & (DLGC_WANTTAB | DLGC_WANTMESSAGE)) {
            return false;
        }
    }
    return SelectNextTabStop(Root, GetKeyState(VK_SHIFT) < 0);
}
