#include "ucl/control.h"

#include <windowsx.h>

#include "ucl/gdi.h"

namespace {

RECT BoundsInParent(HWND window) noexcept {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, GetAncestor(window, GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
    return r;
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

TControl::TControl(const TWindowParams& Params) {
    CreateHandle(Params);
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
    SetWindowPos(Handle(), nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TControl::Visible() const noexcept {
    return (GetWindowLongW(Handle(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void TControl::SetVisible(bool Value) {
    ShowWindow(Handle(), Value ? SW_SHOWNA : SW_HIDE);
}

bool TControl::Enabled() const noexcept {
    return IsWindowEnabled(Handle()) != FALSE;
}

void TControl::SetEnabled(bool Value) {
    EnableWindow(Handle(), Value);
    Invalidate();
}

void TControl::Invalidate() noexcept {
    InvalidateRect(Handle(), nullptr, FALSE);
}

bool TControl::InClient(int X, int Y) const noexcept {
    return X >= 0 && Y >= 0 && X < Width() && Y < Height();
}

LRESULT TControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        WMPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers everything
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
        SetCapture(Handle());
    }
    MouseDown(Button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

void TControl::WMButtonUp(TMouseButton Button, LPARAM lParam) {
    if (Button == mbLeft && GetCapture() == Handle()) {
        ReleaseCapture();
    }
    MouseUp(Button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

void TControl::Paint(HDC, const TRect&) {}
void TControl::MouseMove(int, int) {}
void TControl::MouseLeave() {}
void TControl::MouseDown(TMouseButton, int, int) {}
void TControl::MouseUp(TMouseButton, int, int) {}
