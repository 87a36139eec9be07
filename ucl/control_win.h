// The base of the custom-drawn controls: one child window that paints itself completely
// through an off-screen buffer and turns the platform's messages into small virtual handlers
// with the shared rules already applied: mouse-leave tracking requested on every move, the
// capture held from a left press to its release (and a press that loses it ended cleanly),
// keys and characters with the shift state of their own event, keyboard focus, the pointer's
// shape, and an accessible object that tells screen readers what the control is.
//
// Creation has two phases: a control's constructor sets itself up and then creates its window
// as its last step (CreateControl), so the window's first messages already reach the most
// derived class.
#pragma once

#include <windows.h>

#include "ucl/accessible_win.h"
#include "ucl/types.h"
#include "ucl/window_win.h"
#include "utils/rect.h"

// The pointer's shape over a control.
enum TCursorShape : uint8_t { crDefault, crHandPoint, crIBeam, crSizeNS };

class TControl : public TWindow, public TAccessibleProvider {
public:
    ~TControl() override;

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
    // How wide the control's caption is in the font it draws it with, in device pixels, for the
    // layout that gives it room; 0 for a control whose size follows no caption.
    virtual int CaptionWidth() const { return 0; }

    // Keyboard focus: Tab and Shift+Tab reach the controls that are tab stops.
    bool TabStop() const noexcept;
    void SetTabStop(bool Value);
    bool Focused() const noexcept;
    // Visible (with every parent) and enabled.
    bool CanFocus() const noexcept;
    void SetFocus();

    TCursorShape Cursor() const noexcept { return FCursor; }
    void SetCursor(TCursorShape Value) noexcept { FCursor = Value; }

    // What screen readers are told; controls override name, role, state and action.
    HWND AccessibleWindow() const noexcept override { return Handle(); }
    std::u16string AccessibleName(int Child) const override;
    LONG AccessibleRole(int Child) const override;
    // Posted to this control's own queue, so a reader's call never waits for what the action
    // starts (a message box, a browser); runs DoDefaultAction later.
    bool AccessibleDoDefaultAction(int Child) override;

protected:
    // A child of Parent (WS_CHILD | WS_CLIPSIBLINGS), of the default size, shown unless Hidden.
    static TWindowParams ChildParams(HWND Parent, const wchar_t* ClassName, int Width, int Height,
                                     bool Hidden);
    TControl() = default;
    // The second phase of creation: the most derived constructor's last step.
    void CreateControl(const TWindowParams& Params) { CreateHandle(Params); }

    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // Draws the whole client area; DC is the off-screen buffer.
    virtual void Paint(HDC DC, const TRect& Client);
    // The size SetBounds gives the control, from the one asked for: a control that sizes
    // itself to its content changes it here.
    virtual void AdjustSize(int& Width, int& Height);
    virtual void MouseMove(int X, int Y);
    virtual void MouseLeave();
    virtual void MouseDown(TMouseButton Button, int X, int Y);
    virtual void MouseUp(TMouseButton Button, int X, int Y);
    // A left double-click; sent only to controls whose class asks for it (CS_DBLCLKS).
    virtual void DblClick(int X, int Y);
    // The mouse capture went to another window in the middle of a press (Alt+Tab, a message
    // box): nothing is pressed any more.
    virtual void CaptureLost();
    // A key went down or up (also with Alt, or F10); the key down comes before the character
    // it produces. Key may be changed or set to 0 to stop it.
    virtual void KeyDown(TVirtualKey& Key, TShiftState Shift);
    virtual void KeyUp(TVirtualKey& Key, TShiftState Shift);
    // A character typed while the control has the focus (one UTF-16 unit).
    virtual void KeyPress(char16_t& Key);
    // Focus gained or lost; the default repaints and tells screen readers.
    virtual void FocusChanged(bool Gained);
    virtual void EnabledChanged();
    // The answer to WM_GETDLGCODE; Tab moves the focus unless it has DLGC_WANTTAB.
    virtual LRESULT DialogCode();
    // What a screen reader's default action does (a click, a toggle), run from the loop.
    virtual void DoDefaultAction(int Child);

    bool InClient(int X, int Y) const noexcept;
    // The object given to screen readers; null until one asked.
    TAccessible* AccessibleObject() const noexcept { return FAccessibleLink.Get(); }
    // Tells screen readers that the control changed (EVENT_OBJECT_STATECHANGE, …).
    void NotifyAccessible(DWORD Event, LONG Child = CHILDID_SELF) const noexcept;
    // The modifier keys held now, as the current message saw them.
    static TShiftState ShiftState() noexcept;

private:
    // Before the control is disabled or hidden: its focus goes to the next tab stop.
    void PassFocusOn();
    void WMPaint();
    void WMMouseMove(LPARAM lParam);
    void WMButtonDown(TMouseButton Button, LPARAM lParam);
    void WMButtonUp(TMouseButton Button, LPARAM lParam);
    void WMCaptureChanged(LPARAM lParam);
    LRESULT WMKey(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT WMChar(WPARAM wParam);
    bool WMSetCursor(LPARAM lParam);

    TAccessibleLink FAccessibleLink{*this};
    TCursorShape FCursor = crDefault;
    // Set while this control gives up its own capture, which is no lost press.
    bool FReleasingCapture = false;
};

// The keyboard step of the message loop for Root's controls: Tab and Shift+Tab move the focus
// through Root's child windows that are visible, enabled tab stops, in creation order, unless
// the focused one wants Tab itself (WM_GETDLGCODE). True when the message was used up.
bool HandleTabKey(HWND Root, const MSG& Msg);
// The tab stop among Root's children after (or before) From, in creation order and round;
// the first (or last) when From is none of them; null when there is none.
HWND NextTabStop(HWND Root, HWND From, bool Backward);
// Moves the focus to the next (or previous) tab stop among Root's children; false when there
// is none.
bool SelectNextTabStop(HWND Root, bool Backward);
