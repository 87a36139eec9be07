// The shared menu under Wine with real input: SendInput passes the low-level mouse hook and the
// thread's keyboard hook as a user's input would (Wine 8 sends posted key messages past it).
#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/run_services_win.h"
#include "tests/windows/screenshot.h"
#include "ucl/accessible_win.h"
#include "ucl/context_menu_win.h"
#include "utils/exception.h"
#include "utils/language.h"
#include "utils/text_win.h"
#include "utils/com_win.h"

namespace {

// The owner window, which records the presses and keys that reach it.
class TRecordingHost : public TTestHost {
public:
    using TTestHost::TTestHost;
    std::vector<UINT> Presses;
    std::vector<WPARAM> Keys;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
            Presses.push_back(msg);
        } else if (msg == WM_KEYDOWN) {
            Keys.push_back(wParam);
        }
        return TTestHost::WndProc(msg, wParam, lParam);
    }
};

void SendMouse(DWORD Flags, int X = 0, int Y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = Flags;
    input.mi.dx = (X * 65536 + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = (Y * 65536 + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN);
    SendInput(1, &input, sizeof(input));
}

void Click(int X, int Y, DWORD Down = MOUSEEVENTF_LEFTDOWN, DWORD Up = MOUSEEVENTF_LEFTUP) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, X, Y);
    SendMouse(Down);
    SendMouse(Up);
}

void TypeKey(WORD Key) {
    INPUT keys[2]{};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = Key;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

bool PumpUntil(const std::function<bool()>& Done) {
    PumpMessagesFor(10000, Done);
    return Done();
}

// A focused owner, the menu as the process's menu with "Undo", a disabled "Cut" and "Copy",
// and every hook the menu was shown with.
struct TMenuBench {
    TRecordingHost Host{600, 500, 100, 100};
    // The run's services with the window services of the host: the theme, and the menu.
    TWin32RunServices Services{u"English"};
    // Tahoma is Wine's own face: the rows' text measures the same on every machine.
    TScopedGlobal<std::u16string> Font{FontNameRegular, u"Tahoma"};
    TContextMenu& Menu;
    std::vector<int> Chosen;
    std::vector<HHOOK> Hooks;
    static constexpr POINT Away{500, 450}; // on the owner, off the menu

    explicit TMenuBench(float Scale = 1.0f, const char16_t* ThemeName = u"Light")
        : Menu(WindowMenu(Services, Host.Handle(), Scale)) {
        Theme->SetThemeName(ThemeName);
        SetForegroundWindow(Host.Handle());
        SetFocus(Host.Handle());
        const std::pair<const char16_t*, const char16_t*> entries[] = {
            {u"Undo", u"Ctrl+Z"}, {u"Cut", u"Ctrl+X"}, {u"Copy", u"Ctrl+C"}};
        for (const auto& [caption, shortcut] : entries) {
            const int index = Menu.Count();
            Menu.AddItem(caption, shortcut, imgNone, [this, index](TObject*) { Chosen.push_back(index); });
        }
        Menu.UpdateItemEnabled(1, false);
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, Away.x, Away.y);
        PumpMessagesFor(50);
    }
    ~TMenuBench() { Menu.Close(); }

    static TContextMenu& WindowMenu(TWin32RunServices& Services, HWND Owner, float Scale) {
        Services.CreateWindowServices(Owner, Scale);
        return *ContextMenu;
    }

    void ShowAt(int X, int Y) {
        Menu.Show(X, Y);
        Hooks.insert(Hooks.end(), {Menu.MouseHookId(), Menu.KeyboardHookId()});
        PumpMessagesFor(50);
    }
    // The screen point in row Row, left of its caption.
    POINT RowPoint(int Row) const {
        RECT r;
        GetWindowRect(Menu.Handle(), &r);
        return {r.left + ScaleValue(15), r.top + Row * ScaleValue(32) + ScaleValue(16)};
    }
    void MoveToRow(int Row) {
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, RowPoint(Row).x, RowPoint(Row).y);
        ASSERT_TRUE(PumpUntil([&] { return Menu.HotIndex() == Row; })) << Row;
    }
    void ExpectClosedAndUnhooked() {
        EXPECT_FALSE(Menu.Open() || IsWindowVisible(Menu.Handle()) || Menu.KeyboardHookId());
        for (HHOOK hook : Hooks) { // one left installed would be removed here, and say so
            EXPECT_FALSE(UnhookWindowsHookEx(hook)) << "hook " << hook << " was left installed";
        }
    }
};

TEST(ContextMenu, ItsWindowIsMadeAtTheFirstOpeningAndKept) {
    TTestHost owner{300, 200, 50, 50};
    TContextMenu menu(owner.Handle());
    EXPECT_EQ(menu.Handle(), nullptr);
    menu.Close(); // closing a menu that never opened does nothing
    EXPECT_FALSE(menu.Open());
    TRunServices services(u"English");
    services.AdoptTheme(std::make_unique<TTheme>(1.0f));
    menu.AddItem(u"Undo", u"Ctrl+Z", imgNone, nullptr);
    menu.Show(60, 60);
    const HWND window = menu.Handle();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(menu.Open() && IsWindowVisible(window));
    EXPECT_EQ(GetWindow(window, GW_OWNER), owner.Handle());
    menu.Close();
    menu.Show(70, 70);
    EXPECT_EQ(menu.Handle(), window) << "one window for the menu's life";
    menu.Close();
    EXPECT_FALSE(IsWindowVisible(window));
}

// Also the fault of a second Show that left its first hook installed for good.
TEST(ContextMenu, APressOutsideClosesItAndStillReachesTheWindowUnderThePointer) {
    TMenuBench bench;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    const RECT work = info.rcWork;
    const std::tuple<DWORD, DWORD, UINT> buttons[] = {
        {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, WM_LBUTTONDOWN},
        {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, WM_RBUTTONDOWN},
        {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, WM_MBUTTONDOWN}};
    for (const auto& [down, up, message] : buttons) {
        bench.Host.Presses.clear();
        bench.ShowAt(150, 150);
        bench.ShowAt(work.right - 1, work.bottom - 1); // while open, at the bottom-right corner
        RECT r;
        GetWindowRect(bench.Menu.Handle(), &r);
        EXPECT_EQ(r.right * 10000 + r.bottom, (work.right - 1) * 10000 + work.bottom - 1)
            << "left of and above";
        EXPECT_TRUE(r.left >= work.left && r.top >= work.top);
        Click(TMenuBench::Away.x, TMenuBench::Away.y, down, up);
        ASSERT_TRUE(PumpUntil([&] { return !bench.Host.Presses.empty(); })) << message;
        EXPECT_EQ(bench.Host.Presses, std::vector<UINT>{message});
        bench.ExpectClosedAndUnhooked();
    }
    EXPECT_TRUE(bench.Chosen.empty());
}

// The fault: the handler ran from its own entry, which a handler that refills the menu (as the
// edit field's does) destroys while it runs. The counter tells whether the running copy lives.
struct TCopyCounter {
    int* Live;
    explicit TCopyCounter(int* Live) : Live(Live) { ++*Live; }
    TCopyCounter(const TCopyCounter& Other) : Live(Other.Live) { ++*Live; }
    ~TCopyCounter() { --*Live; }
};

TEST(ContextMenu, HandlerThatRefillsTheMenuRunsFromACopyAfterTheMenuClosed) {
    TMenuBench bench;
    int live = 0;
    std::vector<std::string> seen;
    bench.Menu.Clear();
    bench.Menu.AddItem(u"Disabled", u"", imgNone, [&](TObject*) { seen.push_back("disabled chosen"); });
    bench.Menu.UpdateItemEnabled(0, false);
    bench.Menu.AddItem(u"Again", u"", imgNone,
                       [&bench, &live, &seen, counter = TCopyCounter(&live)](TObject* sender) {
                           // Taken out before the refill, which in the faulty order frees this closure.
                           TMenuBench& b = bench;
                           int& copies = live;
                           std::vector<std::string>& log = seen;
                           log.push_back(sender == &b.Menu && !IsWindowVisible(b.Menu.Handle()) &&
                                                 !b.Menu.MouseHookId() && !b.Menu.KeyboardHookId()
                                             ? "hidden and unhooked"
                                             : "still open");
                           b.Menu.Clear();
                           b.Menu.AddItem(u"Refilled", u"", imgNone, nullptr);
                           b.ShowAt(300, 200);
                           log.push_back(copies > 0 ? "running copy alive" : "running handler destroyed");
                       });
    bench.ShowAt(150, 150);
    bench.MoveToRow(0);
    Click(bench.RowPoint(0).x, bench.RowPoint(0).y);
    bench.MoveToRow(1); // input is handled in order: the release on the disabled row is done
    EXPECT_TRUE(bench.Menu.Open() && seen.empty()) << "a disabled entry leaves the menu open";
    Click(bench.RowPoint(1).x, bench.RowPoint(1).y);
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"hidden and unhooked", "running copy alive"}));
    EXPECT_EQ(live, 0);
    EXPECT_TRUE(bench.Menu.Open() && bench.Menu.HotIndex() == 0) << "shown again by the handler";
    bench.Menu.Close();
    bench.ExpectClosedAndUnhooked();
}

TEST(ContextMenu, KeysMoveChooseAndCloseWhileTheFocusStaysInItsWindow) {
    TMenuBench bench;
    bench.ShowAt(150, 150);
    ASSERT_TRUE(GetFocus() == bench.Host.Handle() && GetActiveWindow() == bench.Host.Handle());
    for (const auto& [key, hot] :
         {std::pair{VK_DOWN, 2}, {VK_DOWN, 0}, {VK_UP, 2}, {VK_UP, 0}, {VK_DOWN, 2}}) {
        TypeKey(key);
        ASSERT_TRUE(PumpUntil([&] { return bench.Menu.HotIndex() == hot; })) << key << " to " << hot;
    }
    TypeKey(VK_LEFT); // not the menu's
    TypeKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return !bench.Chosen.empty(); }));
    bench.ExpectClosedAndUnhooked();
    bench.ShowAt(150, 150);
    TypeKey(VK_ESCAPE);
    ASSERT_TRUE(PumpUntil([&] { return !bench.Menu.Open(); }));
    bench.ExpectClosedAndUnhooked();
    TypeKey(VK_ESCAPE); // closed: now the window's own
    ASSERT_TRUE(PumpUntil([&] { return bench.Host.Keys.size() == 2; }));
    EXPECT_EQ(bench.Host.Keys, (std::vector<WPARAM>{VK_LEFT, VK_ESCAPE}));
    EXPECT_EQ(bench.Chosen, std::vector<int>{2});
    EXPECT_EQ(GetFocus(), bench.Host.Handle());
    EXPECT_EQ(GetActiveWindow(), bench.Host.Handle());
}

std::vector<DWORD> MenuEvents;

void CALLBACK RecordMenuEvent(HWINEVENTHOOK, DWORD Event, HWND Window, LONG, LONG, DWORD, DWORD) {
    if (ContextMenu && Window == ContextMenu->Handle()) {
        MenuEvents.push_back(Event);
    }
}

TEST(ContextMenu, ScreenReadersSeeAPopupOfMenuItems) {
    TMenuBench bench;
    const HWINEVENTHOOK events =
        SetWinEventHook(EVENT_SYSTEM_MENUPOPUPSTART, EVENT_SYSTEM_MENUPOPUPEND, nullptr, RecordMenuEvent, 0,
                        GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    bench.ShowAt(150, 150);
    TComPtr<IAccessible> popup;
    ASSERT_EQ(AccessibleObjectFromWindow(bench.Menu.Handle(), DWORD(OBJID_CLIENT), AccessibleInterface,
                                         popup.PutVoid()),
              S_OK);
    std::u16string seen;
    for (LONG child = 0; child <= 3; ++child) {
        VARIANT id{}, role{}, state{};
        V_VT(&id) = VT_I4;
        V_I4(&id) = child;
        BSTR name = nullptr, key = nullptr, action = nullptr;
        popup->get_accRole(id, &role);
        popup->get_accState(id, &state);
        popup->get_accName(id, &name);
        popup->get_accKeyboardShortcut(id, &key);
        popup->get_accDefaultAction(id, &action);
        seen += (V_I4(&role) == ROLE_SYSTEM_MENUPOPUP  ? u"popup"
                 : V_I4(&role) == ROLE_SYSTEM_MENUITEM ? u"item"
                                                       : u"?") +
                std::u16string(u" ") + U16(name) + u" " + U16(key) + u" " + U16(action) +
                (V_I4(&state) & STATE_SYSTEM_UNAVAILABLE ? u" unavailable" : u"") +
                (V_I4(&state) & STATE_SYSTEM_FOCUSED ? u" focused" : u"") + u";";
        for (BSTR text : {name, key, action}) {
            SysFreeString(text);
        }
    }
    EXPECT_EQ(seen, u"popup   ;item Undo Ctrl+Z Execute focused;item Cut Ctrl+X Execute unavailable;"
                    u"item Copy Ctrl+C Execute;");
    VARIANT copy{};
    V_VT(&copy) = VT_I4;
    V_I4(&copy) = 3;
    EXPECT_EQ(popup->accDoDefaultAction(copy), S_OK);
    EXPECT_TRUE(bench.Menu.Open()) << "posted: it runs from the message loop";
    ASSERT_TRUE(PumpUntil([&] { return !bench.Chosen.empty() && MenuEvents.size() == 2; }));
    EXPECT_EQ(bench.Chosen, std::vector<int>{2});
    EXPECT_EQ(MenuEvents, (std::vector<DWORD>{EVENT_SYSTEM_MENUPOPUPSTART, EVENT_SYSTEM_MENUPOPUPEND}));
    bench.ExpectClosedAndUnhooked();
    UnhookWinEvent(events);
}

// The menu's own window read back, kept as Name.png.
TScreenshot CaptureMenu(const TContextMenu& Menu, const std::string& Name) {
    UpdateWindow(Menu.Handle());
    // The menu has no frame: its client area is the whole window.
    TScreenshot shot;
    shot.Pixels = CaptureClient(Menu.Handle(), shot.Width, shot.Height);
    SavePng(ArtefactFolder() + "/" + Name + ".png", shot.Pixels, shot.Width, shot.Height);
    return shot;
}

class ContextMenuScreenshot : public testing::TestWithParam<std::tuple<float, const char16_t*>> {};

TEST_P(ContextMenuScreenshot, HighlightsOnlyAnEnabledHotRow) {
    const auto [scale, themeName] = GetParam();
    TMenuBench bench(scale, themeName);
    const std::string name = std::string("context_menu_") + (Theme->IsLight() ? "light_" : "dark_") +
                             std::to_string(TTheme::ScaleToPercent(scale));
    const auto r = [](int n) { return ScaleValue(n); };
    const auto rows = [&](const TScreenshot& shot) {
        return std::vector<uint32_t>{shot.At(r(15), r(16)), shot.At(r(15), r(48)), shot.At(r(15), r(80))};
    };
    const uint32_t panel = Rgb(Theme->PanelColor()), plus = Rgb(Theme->ButtonPlusColor());
    bench.ShowAt(150, 150);
    const TScreenshot shown = CaptureMenu(bench.Menu, name + "_shown");
    EXPECT_EQ(rows(shown), (std::vector<uint32_t>{plus, panel, panel})) << "the first row is hot after Show";
    EXPECT_EQ(shown.At(0, r(48)), Rgb(Theme->ButtonActiveColor())) << "border";
    EXPECT_EQ(shown.At(shown.Width - 1, shown.Height - 1), Rgb(Theme->ButtonActiveColor())) << "border";

    bench.MoveToRow(1);
    EXPECT_EQ(rows(CaptureMenu(bench.Menu, name + "_disabled_hot")),
              (std::vector<uint32_t>{panel, panel, panel}));
    bench.MoveToRow(2);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ASSERT_TRUE(PumpUntil([&] { return GetCapture() == bench.Menu.Handle(); }));
    EXPECT_EQ(rows(CaptureMenu(bench.Menu, name + "_pressed")),
              (std::vector<uint32_t>{panel, panel, Rgb(Theme->ButtonHoverColor())}));
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, TMenuBench::Away.x, TMenuBench::Away.y);
    SendMouse(MOUSEEVENTF_LEFTUP); // outside: nothing chosen, still open
    ASSERT_TRUE(PumpUntil([&] { return GetCapture() == nullptr; }));
    EXPECT_TRUE(bench.Menu.Open() && bench.Chosen.empty());

    // Width: the widest caption-and-shortcut pair measured in the menu's fonts, at least r(128).
    const TWindowDC dc(bench.Menu.Handle());
    const auto width = [&](const std::u16string& text, int height) {
        const TFontHandle font = CreateFontOf(FontNameRegular, height);
        const TSelectObject selected(dc.DC(), font.Get());
        return TextExtent(dc.DC(), text).Width;
    };
    const std::u16string longCaption = u"A caption long enough to widen the menu";
    bench.Menu.AddItem(longCaption, u"F1", imgNone, nullptr);
    bench.ShowAt(150, 150);
    EXPECT_EQ(bench.Menu.Width(), r(60) + width(longCaption, Theme->FontHeight()) + width(u"F1", r(-11)));
    bench.Menu.Clear();
    bench.ShowAt(150, 150);
    EXPECT_EQ(bench.Menu.Width(), r(128));
    EXPECT_EQ(bench.Menu.Height(), 0);
}

INSTANTIATE_TEST_SUITE_P(ContextMenu, ContextMenuScreenshot,
                         testing::Combine(testing::Values(1.0f, 1.5f), testing::Values(u"Light", u"Dark")));

} // namespace
