#include "ucl/shadow_form_win.h"

TShadowForm::TShadowForm(HWND Owner, const wchar_t* ClassName) {
    CreateControl(CreateParams(Owner, ClassName));
}

TWindowParams TShadowForm::CreateParams(HWND Owner, const wchar_t* ClassName) {
    TWindowParams params;
    params.ClassName = ClassName;
    params.ClassStyle = CS_DROPSHADOW;
    params.Style = WS_POPUP; // exactly: no caption, no frame, not visible
    params.ExStyle = WS_EX_TOPMOST;
    params.Parent = Owner;
    params.Left = 0;
    params.Top = 0;
    params.Width = 100;
    params.Height = 100;
    return params;
}

LRESULT TShadowForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_MOUSEACTIVATE) {
        return WMMouseActivate(wParam, lParam);
    }
    return TControl::WndProc(msg, wParam, lParam);
}

LRESULT TShadowForm::WMMouseActivate(WPARAM wParam, LPARAM lParam) {
    DefaultHandler(WM_MOUSEACTIVATE, wParam, lParam);
    return MA_NOACTIVATE;
}
