// A borderless top-level popup with the platform's drop shadow that stays above ordinary
// windows and never takes the activation, so the window that opened it keeps its active
// title bar and its keyboard focus. The context menu derives from it.
#pragma once

#include "ucl/control_win.h"

class TShadowForm : public TControl {
public:
    // Hidden after creation; Owner (may be null) keeps it above itself.
    explicit TShadowForm(HWND Owner, const wchar_t* ClassName = L"QuorvalentShadowForm");

protected:
    // For descendants, which create the window themselves as their constructor's last step.
    struct TDeferCreation {};
    explicit TShadowForm(TDeferCreation) {}

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    static TWindowParams CreateParams(HWND Owner, const wchar_t* ClassName);

private:
    LRESULT WMMouseActivate(WPARAM wParam, LPARAM lParam);
};
