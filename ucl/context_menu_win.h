// The control library's popup menu: text entries with a key hint each, in theme colours, in a
// shadowed topmost window that never takes the activation or the keyboard focus from the window
// that opened it. While it is open, a low-level mouse hook closes it on any left, right or
// middle press outside it (the press still reaches the window under the pointer), and a
// keyboard hook on this thread lends it Escape, Up, Down and Return while every other key
// goes on to the focused window. A chosen entry's handler runs after the menu is hidden and
// both hooks are gone, so the handler may show the menu again.
#pragma once

#include <string>
#include <vector>

#include "ucl/context_menu_layout.h"
#include "ucl/shadow_form_win.h"
#include "utils/unique_handle.h"

// A hook of the platform, removed with UnhookWindowsHookEx.
using TWindowsHook = TUniqueHandle<HHOOK, UnhookWindowsHookEx>;
// Installs a hook; raises EError with the platform's reason when it cannot.
TWindowsHook InstallWindowsHook(int HookType, HOOKPROC Proc, HINSTANCE Module, DWORD ThreadId);

class TContextMenu : public TShadowForm {
public:
    // Hidden and empty; Owner keeps it above itself. The window is made when the menu first
    // opens: a top-level window costs the start-up of every installer, and most never open
    // the menu.
    explicit TContextMenu(HWND Owner);
    ~TContextMenu() override;

    // The update operations and Clear repaint nothing: callers fill the menu before showing it.
    void AddItem(const std::u16string& Caption, const std::u16string& ShortCut, TResourceImage Image,
                 TNotifyEvent OnClick);
    // Both raise EListError and change nothing when Index is not an entry.
    void UpdateItemEnabled(int Index, bool Enabled);
    void UpdateItemCaption(int Index, const std::u16string& Caption);
    void Clear() noexcept;
    int Count() const noexcept { return int(FItems.size()); }
    const std::vector<TContextMenuItem>& Items() const noexcept { return FItems; }

    // At the pointer, so that the pointer lies just inside the first row.
    void Show();
    // With the top-left corner at the screen point (X, Y), moved into the work area of the
    // monitor there as the system's menus are. An open menu is closed and opened afresh, so it
    // never holds more than one hook of each kind. Raises EError, and stays closed, when the
    // platform refuses a hook.
    void Show(int X, int Y);
    // Hides the menu and removes its hooks without choosing anything.
    void Close() noexcept;
    HWND Owner() const noexcept { return FOwner; }
    // Shown, with its hooks installed.
    bool Open() const noexcept { return FMouseHook.Valid(); }
    // The hooks while the menu is open, null otherwise.
    HHOOK MouseHookId() const noexcept { return FMouseHook.Get(); }
    HHOOK KeyboardHookId() const noexcept { return FKeyboardHook.Get(); }
    // The hot row, -1 when none.
    int HotIndex() const noexcept { return FTracker.HotIndex(); }

    // A popup menu with one menu item per entry; the item's default action chooses it.
    int AccessibleChildCount() const override { return Count(); }
    std::u16string AccessibleName(int Child) const override;
    LONG AccessibleRole(int Child) const override;
    LONG AccessibleState(int Child) const override;
    RECT AccessibleLocation(int Child) const override;
    std::u16string AccessibleKeyboardShortcut(int Child) const override;
    std::u16string AccessibleDefaultAction(int Child) const override;

protected:
    void Paint(HDC DC, const TRect& Client) override;
    void MouseMove(int X, int Y) override;
    void MouseLeave() override;
    void MouseDown(TMouseButton Button, int X, int Y) override;
    void MouseUp(TMouseButton Button, int X, int Y) override;
    void CaptureLost() override;
    void DoDefaultAction(int Child) override;

private:
    static LRESULT CALLBACK MouseHookProc(int Code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK KeyboardHookProc(int Code, WPARAM wParam, LPARAM lParam);

    // (X, Y) is the wanted corner; the menu opens on the monitor of Anchor.
    void ShowOn(int X, int Y, POINT Anchor);
    void InstallHooks();
    // A press anywhere on the desktop, seen by the mouse hook.
    void HookPress(POINT ScreenPoint) noexcept;
    // A key on its way to the focused window; true when the menu takes it.
    bool HookKey(TVirtualKey Key, bool Released) noexcept;
    void Apply(const TMenuStep& Step, int PreviousHot);
    void Choose(int Index);
    void CheckIndex(int Index) const;
    int RowAt(int X, int Y) const noexcept;
    void PaintItem(HDC DC, const TMenuMetrics& Metrics, int Index, int Width, HFONT CaptionFont,
                   HFONT ShortcutFont) const;

    HWND FOwner;
    std::vector<TContextMenuItem> FItems;
    TMenuTracker FTracker;
    TWindowsHook FMouseHook;
    TWindowsHook FKeyboardHook;
};

// The one menu of the process, published by the run's services for the window that owns it; the hook
// procedures reach the menu through it.
extern TContextMenu* ContextMenu;
