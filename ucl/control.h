// The base of the custom-drawn controls: one child window that paints itself completely
// through an off-screen buffer and turns the mouse messages into small virtual handlers
// with the shared rules already applied (mouse-leave tracking requested on every move, the
// capture held from a left press to its release).
#pragma once

#include <windows.h>

#include "ucl/types.h"
#include "ucl/window.h"
#include "utils/rect.h"

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

class TControl : public TWindow {
public:
    int Left() const noexcept;
    int Top() const noexcept;
    int Width() const noexcept;
    int Height() const noexcept;
    // Position in the parent's client area and size, in device pixels.
    void SetBounds(int Left, int Top, int Width, int Height);
    TRect ClientRect() const noexcept { return {0, 0, Width(), Height()}; }

    bool Visible() const noexcept;
    void SetVisible(bool Value);
    bool Enabled() const noexcept;
    void SetEnabled(bool Value);
    // Marks the whole control for the next paint cycle.
    void Invalidate() noexcept;

protected:
    // A child of Parent (WS_CHILD | WS_CLIPSIBLINGS), of the default size, shown unless Hidden.
    static TWindowParams ChildParams(HWND Parent, const wchar_t* ClassName, int Width, int Height,
                                     bool Hidden);
    explicit TControl(const TWindowParams& Params);

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Draws the whole client area; DC is the off-screen buffer.
    virtual void Paint(HDC DC, const TRect& Client);
    virtual void MouseMove(int X, int Y);
    virtual void MouseLeave();
    virtual void MouseDown(TMouseButton Button, int X, int Y);
    virtual void MouseUp(TMouseButton Button, int X, int Y);

    bool InClient(int X, int Y) const noexcept;

private:
    void WMPaint();
    void WMMouseMove(LPARAM lParam);
    void WMButtonDown(TMouseButton Button, LPARAM lParam);
    void WMButtonUp(TMouseButton Button, LPARAM lParam);
};
