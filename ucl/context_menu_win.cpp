#include "ucl/context_menu_win.h"

#include <utility>

#include "ucl/gdi_win.h"
#include "utils/exception.h"
#include "utils/language.h"
#include "utils/theme.h"
#include "utils/os_error_win.h"

TContextMenu* ContextMenu = nullptr;

namespace {

// The two faces of the entries' text: the caption and the smaller shortcut.
struct TMenuFonts {
    explicit TMenuFonts(const TMenuMetrics& Metrics)
        : Caption(CreateFontOf(FontNameRegular, Metrics.CaptionFontHeight)),
          Shortcut(CreateFontOf(FontNameRegular, Metrics.ShortcutFontHeight)) {}
    TFontHandle Caption;
    TFontHandle Shortcut;
};

int MeasureWidth(HWND Window, const std::vector<TContextMenuItem>& Items, const TMenuMetrics& Metrics) {
    const TWindowDC dc(Window);
    const TMenuFonts fonts(Metrics);
    return MenuWidth(Items, Metrics, [&](std::u16string_view text, int height) {
        const TSelectObject font(
            dc.DC(), (height == Metrics.CaptionFontHeight ? fonts.Caption : fonts.Shortcut).Get());
        return TextExtent(dc.DC(), text).Width;
    });
}

TRect WorkAreaAt(POINT Point) noexcept {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(MonitorFromPoint(Point, MONITOR_DEFAULTTONEAREST), &info)) {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return FromRECT(info.rcWork);
}

bool IsButtonPress(WPARAM Message) noexcept {
    return Message == WM_LBUTTONDOWN || Message == WM_RBUTTONDOWN || Message == WM_MBUTTONDOWN;
}

} // namespace

// ---- Hooks ----

TWindowsHook InstallWindowsHook(int HookType, HOOKPROC Proc, HINSTANCE Module, DWORD ThreadId) {
    TWindowsHook hook(SetWindowsHookExW(HookType, Proc, Module, ThreadId));
    if (!hook) {
        RaiseLastOSError(u"SetWindowsHookEx");
    }
    return hook;
}

// ---- TContextMenu: entries ----

TContextMenu::TContextMenu(HWND Owner) : TShadowForm(TDeferCreation{}), FOwner(Owner) {}

TContextMenu::~TContextMenu() {
    // While the window still exists, so screen readers hear the popup end.
    Close();
}

void TContextMenu::AddItem(const std::u16string& Caption, const std::u16string& ShortCut,
                           TResourceImage Image, TNotifyEvent OnClick) {
    FItems.push_back(TContextMenuItem::Create(Caption, ShortCut, Image, std::move(OnClick), true));
}

void TContextMenu::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) {
        throw EListError(u"Argument out of range");
    }
}

void TContextMenu::UpdateItemEnabled(int Index, bool Enabled) {
    CheckIndex(Index);
    FItems[size_t(Index)].Enabled = Enabled;
}

void TContextMenu::UpdateItemCaption(int Index, const std::u16string& Caption) {
    CheckIndex(Index);
    FItems[size_t(Index)].Caption = Caption;
}

void TContextMenu::Clear() noexcept {
    FItems.clear();
}

// ---- TContextMenu: opening and closing ----

void TContextMenu::Show() {
    POINT pointer{};
    GetCursorPos(&pointer);
    ShowOn(pointer.x - ScaleValue(1), pointer.y - ScaleValue(1), pointer);
}

void TContextMenu::Show(int X, int Y) {
    ShowOn(X, Y, POINT{X, Y});
}

void TContextMenu::ShowOn(int X, int Y, POINT Anchor) {
    Close();
    if (!Handle()) {
        CreateControl(CreateParams(FOwner, L"QuorvalentContextMenu"));
    }
    const TMenuMetrics metrics = TMenuMetrics::FromTheme();
    const int width = MeasureWidth(Handle(), FItems, metrics);
    const TRect bounds = PlaceMenu(X, Y, width, Count() * metrics.ItemHeight, WorkAreaAt(Anchor));
    FTracker.Reset();
    InstallHooks();
    SetWindowPos(Handle(), nullptr, bounds.Left, bounds.Top, bounds.Width(), bounds.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate();
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE);
    NotifyAccessible(EVENT_SYSTEM_MENUPOPUPSTART);
}

void TContextMenu::InstallHooks() {
    // Both or neither: a menu that could not see outside presses would never close.
    TWindowsHook mouse = InstallWindowsHook(WH_MOUSE_LL, MouseHookProc, GetModuleHandleW(nullptr), 0);
    TWindowsHook keyboard = InstallWindowsHook(WH_KEYBOARD, KeyboardHookProc, nullptr, GetCurrentThreadId());
    FMouseHook = std::move(mouse);
    FKeyboardHook = std::move(keyboard);
}

void TContextMenu::Close() noexcept {
    const bool wasOpen = Open();
    FKeyboardHook.Reset();
    FMouseHook.Reset();
    if (!Handle()) {
        return; // never opened
    }
    if (GetCapture() == Handle()) {
        ReleaseCapture();
    }
    ShowWindow(Handle(), SW_HIDE);
    if (wasOpen) {
        NotifyAccessible(EVENT_SYSTEM_MENUPOPUPEND);
    }
}

void TContextMenu::Choose(int Index) {
    // A copy: the handler may clear and refill the menu, destroying the entry it came from.
    const TNotifyEvent handler = FItems[size_t(Index)].OnClick;
    Close();
    if (handler) {
        handler(this);
    }
}

// ---- TContextMenu: hooks ----

LRESULT CALLBACK TContextMenu::MouseHookProc(int Code, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallNextHookEx(nullptr, Code, wParam, lParam);
    if (Code == HC_ACTION && ContextMenu && IsButtonPress(wParam)) {
        ContextMenu->HookPress(reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam)->pt);
    }
    return result;
}

LRESULT CALLBACK TContextMenu::KeyboardHookProc(int Code, WPARAM wParam, LPARAM lParam) {
    // Bit 31 of the key data: the key is going up.
    const bool released = (static_cast<DWORD>(lParam) & 0x80000000u) != 0;
    if (Code == HC_ACTION && ContextMenu &&
        ContextMenu->HookKey(static_cast<TVirtualKey>(wParam), released)) {
        return 1; // the focused window never sees it
    }
    return CallNextHookEx(nullptr, Code, wParam, lParam);
}

void TContextMenu::HookPress(POINT ScreenPoint) noexcept {
    RECT bounds{};
    if (Open() && GetWindowRect(Handle(), &bounds) && !PtInRect(&bounds, ScreenPoint)) {
        Close();
    }
}

bool TContextMenu::HookKey(TVirtualKey Key, bool Released) noexcept {
    if (!Open() || !TMenuTracker::IsMenuKey(Key)) {
        return false;
    }
    if (!Released) {
        const int hot = HotIndex();
        const TMenuStep step = FTracker.KeyDown(Key, FItems);
        Apply(step, hot);
        if (step.Chosen >= 0) {
            // Through the message loop: a handler must not run inside the hook, where an
            // exception could not unwind and a modal loop would hold the key's retrieval.
            AccessibleDoDefaultAction(step.Chosen + 1);
        }
    }
    return true;
}

// ---- TContextMenu: pointer ----

int TContextMenu::RowAt(int X, int Y) const noexcept {
    return MenuRowAt(X, Y, Width(), Count(), TMenuMetrics::FromTheme().ItemHeight);
}

void TContextMenu::Apply(const TMenuStep& Step, int PreviousHot) {
    if (Step.Repaint) {
        Invalidate();
    }
    if (HotIndex() != PreviousHot && HotIndex() >= 0) {
        NotifyAccessible(EVENT_OBJECT_FOCUS, HotIndex() + 1);
    }
    if (Step.Close) {
        Close();
    }
}

void TContextMenu::MouseMove(int X, int Y) {
    const int hot = HotIndex();
    Apply(FTracker.MouseMove(RowAt(X, Y)), hot);
}

void TContextMenu::MouseLeave() {
    const int hot = HotIndex();
    Apply(FTracker.MouseLeave(), hot);
}

void TContextMenu::MouseDown(TMouseButton Button, int, int) {
    const int hot = HotIndex();
    Apply(FTracker.MouseDown(Button), hot);
}

void TContextMenu::MouseUp(TMouseButton Button, int X, int Y) {
    const int hot = HotIndex();
    const TMenuStep step = FTracker.MouseUp(Button, RowAt(X, Y), FItems);
    Apply(step, hot);
    if (step.Chosen >= 0) {
        Choose(step.Chosen);
    }
}

void TContextMenu::CaptureLost() {
    const int hot = HotIndex();
    Apply(FTracker.CaptureLost(), hot);
}

void TContextMenu::DoDefaultAction(int Child) {
    if (Open() && Child >= 1 && Child <= Count() && FItems[size_t(Child - 1)].Enabled) {
        Choose(Child - 1);
    }
}

// ---- TContextMenu: painting ----

void TContextMenu::Paint(HDC DC, const TRect& Client) {
    FillSolidRect(DC, Client, Theme->PanelColor());
    const TMenuMetrics metrics = TMenuMetrics::FromTheme();
    const TMenuFonts fonts(metrics);
    for (int i = 0; i < Count(); ++i) {
        PaintItem(DC, metrics, i, Client.Width(), fonts.Caption.Get(), fonts.Shortcut.Get());
    }
    FrameRectangle(DC, BorderRect(Client),
                   Theme->IsHighContrast() ? Theme->BorderColor() : Theme->ButtonActiveColor(),
                   ScaleValueTrunc(1));
}

void TContextMenu::PaintItem(HDC DC, const TMenuMetrics& Metrics, int Index, int Width, HFONT CaptionFont,
                             HFONT ShortcutFont) const {
    const TContextMenuItem& item = FItems[size_t(Index)];
    const int top = Index * Metrics.ItemHeight;
    TColor background = Theme->PanelColor();
    const TButtonState state = FTracker.RowState(Index, FItems);
    // High contrast marks the hot row with the highlight and its text colour.
    const bool highlighted = state != bsNormal && Theme->IsHighContrast();
    if (state != bsNormal) {
        background = state == bsActive || highlighted ? Theme->ButtonHoverColor() : Theme->ButtonPlusColor();
        FillSolidRect(DC, {0, top, Width, top + Metrics.ItemHeight}, background);
    }
    const TColor caption = !item.Enabled ? Theme->GrayText()
                           : highlighted ? Theme->SelectedTextColor()
                                         : Theme->FontColor();
    {
        const TSelectObject font(DC, CaptionFont);
        DrawTextAt(DC, Metrics.CaptionLeft, top + Metrics.CaptionTop, item.Caption, caption, background);
    }
    const TSelectObject font(DC, ShortcutFont);
    const int shortcutWidth = TextExtent(DC, item.Shortcut).Width;
    const TColor shortcut = highlighted ? caption
                            : !item.Enabled
                                ? (Theme->IsHighContrast() ? Theme->GrayText() : Theme->ButtonActiveColor())
                                : Theme->GrayText();
    DrawTextAt(DC, Width - Metrics.ShortcutRight - shortcutWidth, top + Metrics.ShortcutTop, item.Shortcut,
               shortcut, background);
}

// ---- TContextMenu: screen readers ----

std::u16string TContextMenu::AccessibleName(int Child) const {
    return Child == CHILDID_SELF ? std::u16string() : FItems[size_t(Child - 1)].Caption;
}

LONG TContextMenu::AccessibleRole(int Child) const {
    return Child == CHILDID_SELF ? ROLE_SYSTEM_MENUPOPUP : ROLE_SYSTEM_MENUITEM;
}

LONG TContextMenu::AccessibleState(int Child) const {
    LONG state = TShadowForm::AccessibleState(Child);
    if (Child == CHILDID_SELF) {
        return state;
    }
    state |= FItems[size_t(Child - 1)].Enabled ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE;
    if (Child - 1 == HotIndex()) {
        state |= STATE_SYSTEM_HOTTRACKED | STATE_SYSTEM_FOCUSED;
    }
    return state;
}

RECT TContextMenu::AccessibleLocation(int Child) const {
    RECT r = TShadowForm::AccessibleLocation(CHILDID_SELF);
    if (Child != CHILDID_SELF) {
        const int height = TMenuMetrics::FromTheme().ItemHeight;
        r.top += (Child - 1) * height;
        r.bottom = r.top + height;
    }
    return r;
}

std::u16string TContextMenu::AccessibleKeyboardShortcut(int Child) const {
    return Child == CHILDID_SELF ? std::u16string() : FItems[size_t(Child - 1)].Shortcut;
}

std::u16string TContextMenu::AccessibleDefaultAction(int Child) const {
    return Child == CHILDID_SELF ? std::u16string() : u"Execute";
}
