// The installer's window as the user sees it: its layout at every scale in both looks, its
// texts in other languages, and the state for a folder that cannot be written. The window is
// read from outside, through its child windows and the pixels on the prefix's display; every
// look is kept as a PNG file in the build folder's "screenshots" folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/window_support.h"

using namespace e2e;

namespace {

struct TPalette {
    const wchar_t* Name;
    uint32_t Window, Panel, Button, ButtonPlus, Focus;
};
const TPalette LightPalette{L"light", 0xFFFFFF, 0xF7F8F9, 0xEAEDEF, 0xDFE3E5, 0x2188FF};
const TPalette DarkPalette{L"dark", 0x212121, 0x262626, 0x3A3A3A, 0x424242, 0x2188FF};

struct TLook {
    int Dpi;
    const TPalette& Palette;
};
const TLook Looks[] = {{96, LightPalette},  {96, DarkPalette},  {120, LightPalette}, {120, DarkPalette},
                       {144, LightPalette}, {144, DarkPalette}, {192, LightPalette}, {192, DarkPalette}};

// A length of the layout: scaled on its own and, for the right and bottom parts of the window,
// taken back from the client width or height.
struct TLength {
    int Unscaled;
    char From = 0; // 'W' client width, 'H' client height, '?' sized by the control itself
};

enum TShown { shAlways, shInstall, shUninstall, shNever };

struct TPlace {
    const wchar_t* Class;
    int Index;
    TLength Left, Top, Width, Height;
    TShown Shown;
};

// The controls in creation order; the run-after switch is never placed and never shown.
const TPlace Layout[] = {
    {L"QuorvalentTitleBar", 0, {0}, {0}, {0, 'W'}, {32}, shAlways},
    {L"QuorvalentLabel", 0, {16}, {124}, {32, 'W'}, {32}, shAlways},        // product name
    {L"QuorvalentLabel", 1, {16}, {156}, {32, 'W'}, {16}, shAlways},        // version
    {L"QuorvalentLabel", 2, {16}, {96, 'H'}, {32, 'W'}, {18}, shUninstall}, // uninstall hint
    {L"QuorvalentLabel", 3, {16}, {192}, {400}, {18}, shAlways},            // destination folder
    {L"QuorvalentEdit", 0, {16}, {216}, {32, 'W'}, {32}, shAlways},
    {L"QuorvalentLabel", 4, {16}, {192}, {32, 'W'}, {18}, shNever}, // access denied
    {L"QuorvalentLabel", 5, {16}, {252}, {32, 'W'}, {18}, shNever}, // run as administrator
    {L"QuorvalentSwitch", 0, {16}, {124, 'H'}, {0, '?'}, {16}, shInstall},
    {L"QuorvalentSwitch", 1, {16}, {100, 'H'}, {0, '?'}, {16}, shInstall},
    {L"QuorvalentSwitch", 3, {16}, {76, 'H'}, {0, '?'}, {16}, shAlways},
    {L"QuorvalentLabel", 6, {186}, {78, 'H'}, {400}, {18}, shAlways}, // agreement link
    {L"QuorvalentSwitch", 4, {16}, {120, 'H'}, {0, '?'}, {16}, shUninstall},
    {L"QuorvalentAnimation", 0, {248, 'W'}, {44, 'H'}, {24}, {24}, shNever},
    {L"QuorvalentButton", 0, {216, 'W'}, {48, 'H'}, {96}, {32}, shAlways},
    {L"QuorvalentButton", 1, {112, 'W'}, {48, 'H'}, {96}, {32}, shAlways},
};

int Resolve(const TInstallerWindow& window, const TLength& length) {
    const SIZE client = window.ClientSize();
    const int scaled = window.r(length.Unscaled);
    return length.From == 'W' ? client.cx - scaled : length.From == 'H' ? client.cy - scaled : scaled;
}

std::wstring Text(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

class WindowTest : public TWindowTestBase {
protected:
    // Starts the window in a look, checks its caption, size, layout, focus and colours, keeps
    // a screenshot, and closes it with WM_CLOSE.
    static void CheckWindow(const std::wstring& Mode, const std::wstring& Caption, const TLook& Look) {
        const bool uninstall = Mode == L"uninstall";
        const std::wstring name =
            L"window_" + Mode + L"_" + Look.Palette.Name + L"_" + std::to_wstring(Scaled(100, Look.Dpi));
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        const TScopedRegDword dpi(DesktopSettingsKey, L"LogPixels", static_cast<DWORD>(Look.Dpi));
        const TScopedRegDword theme(PersonalizeKey, L"AppsUseLightTheme", &Look.Palette == &LightPalette);
        TStartOptions options;
        options.Dpi = Look.Dpi;
        TInstallerWindow window(L"/" + Mode, options);
        ASSERT_NE(window.Form(), nullptr);
        EXPECT_EQ(Text(window.Form()), Caption);

        const SIZE client = window.ClientSize();
        EXPECT_EQ(client.cx, window.r(520));
        EXPECT_EQ(client.cy, window.r(400));
        // The client area reaches the window's top edge: the title bar control is the caption.
        RECT frame{};
        GetWindowRect(window.Form(), &frame);
        EXPECT_EQ(window.Screen(0, 0).y, frame.top);

        for (const TPlace& place : Layout) {
            const HWND control = window.Control(place.Class, place.Index);
            ASSERT_NE(control, nullptr) << place.Index;
            const RECT bounds = window.Bounds(control);
            const std::string where = std::string(place.Class, place.Class + wcslen(place.Class)) + " " +
                                      std::to_string(place.Index);
            EXPECT_EQ(bounds.left, Resolve(window, place.Left)) << where;
            EXPECT_EQ(bounds.top, Resolve(window, place.Top)) << where;
            if (place.Width.From != '?') {
                EXPECT_EQ(bounds.right - bounds.left, Resolve(window, place.Width)) << where;
            }
            EXPECT_EQ(bounds.bottom - bounds.top, Resolve(window, place.Height)) << where;
            const bool shown =
                place.Shown == shAlways || place.Shown == (uninstall ? shUninstall : shInstall);
            EXPECT_EQ(IsWindowVisible(control) != FALSE, shown) << where;
        }
        // The layout's own examples, as numbers: 150 % and the halves that go to even at 125 %.
        const struct {
            int Dpi;
            const wchar_t* Class;
            int Index;
            RECT Bounds;
        } examples[] = {{144, L"QuorvalentButton", 0, {456, 528, 600, 576}},
                        {144, L"QuorvalentAnimation", 0, {408, 534, 444, 570}},
                        {120, L"QuorvalentLabel", 6, {232, 402, 732, 424}},
                        {120, L"QuorvalentLabel", 3, {20, 240, 520, 262}}};
        for (const auto& example : examples) {
            if (example.Dpi == Look.Dpi) {
                const RECT bounds = window.Bounds(window.Control(example.Class, example.Index));
                EXPECT_TRUE(EqualRect(&bounds, &example.Bounds))
                    << bounds.left << "," << bounds.top << "," << bounds.right << "," << bounds.bottom;
            }
        }
        EXPECT_FALSE(IsWindowVisible(window.Control(L"QuorvalentSwitch", 2)));
        EXPECT_EQ(IsWindowEnabled(window.Control(L"QuorvalentEdit", 0)) != FALSE, !uninstall);
        const HWND action = window.Control(L"QuorvalentButton", 0);
        const HWND cancel = window.Control(L"QuorvalentButton", 1);

        const TPalette& colors = Look.Palette;
        const RECT actionBox = window.Bounds(action);
        const RECT cancelBox = window.Bounds(cancel);
        ASSERT_TRUE(
            window.WaitForPixel(cancelBox.left + window.r(4), cancelBox.top + window.r(4), colors.Button));
        // The show handler gives the focus once the window is visible.
        EXPECT_TRUE(WaitFor([&] { return window.Focus() == (uninstall ? cancel : action); }, 5000));
        const TCapture shot = window.Capture();
        EXPECT_TRUE(SaveScreenshot(shot, name));

        const auto at = [&](int x, int y) { return window.Pixel(shot, x, y); };
        EXPECT_EQ(at(window.r(8), window.r(40)), colors.Window);
        EXPECT_EQ(at(client.cx / 2, window.r(28)), colors.Panel);
        for (const RECT& box : {actionBox, cancelBox}) {
            // The fill just inside each corner, the window just outside each edge.
            const int m = window.r(4);
            for (const POINT inside :
                 {POINT{box.left + m, box.top + m}, POINT{box.right - 1 - m, box.top + m},
                  POINT{box.left + m, box.bottom - 1 - m}, POINT{box.right - 1 - m, box.bottom - 1 - m}}) {
                EXPECT_EQ(at(inside.x, inside.y), colors.Button) << inside.x << "," << inside.y;
            }
            for (const POINT outside : {POINT{box.left - 1, box.top + m}, POINT{box.right, box.top + m},
                                        POINT{box.left + m, box.top - 1}, POINT{box.left + m, box.bottom}}) {
                EXPECT_EQ(at(outside.x, outside.y), colors.Window) << outside.x << "," << outside.y;
            }
        }
        // The focused button is outlined in the focus colour, the other one in its plain border.
        const RECT focused = uninstall ? cancelBox : actionBox;
        const RECT plain = uninstall ? actionBox : cancelBox;
        const int perimeter = 2 * (focused.right - focused.left + focused.bottom - focused.top) - 8;
        EXPECT_GE(window.Count(shot, focused, colors.Focus), perimeter);
        EXPECT_EQ(window.Count(shot, plain, colors.Focus), 0);
        EXPECT_GE(window.Count(shot, plain, colors.ButtonPlus), perimeter);

        PostMessageW(window.Form(), WM_CLOSE, 0, 0);
        EXPECT_EQ(window.WaitForExit(), 0u);
    }
};

TEST_F(WindowTest, InstallWindowAtEveryScaleInBothLooks) {
    for (const TLook& look : Looks) {
        CheckWindow(L"install", L"Quorvalent \u2013 Install", look);
    }
}

TEST_F(WindowTest, UpdateWindowAtEveryScaleInBothLooks) {
    for (const TLook& look : Looks) {
        CheckWindow(L"update", L"Quorvalent \u2013 Update", look);
    }
}

TEST_F(WindowTest, UninstallWindowAtEveryScaleInBothLooks) {
    for (const TLook& look : Looks) {
        CheckWindow(L"uninstall", L"Quorvalent \u2013 Uninstall", look);
    }
}

TEST_F(WindowTest, WindowInTheUsersLanguage) {
    // Wine takes the interface language from the Unix locale, and from LC_ALL even when the
    // host has not generated that locale (LANG and LC_MESSAGES count only for generated ones).
    const struct {
        const wchar_t* Locale;
        const wchar_t* Name;
        const wchar_t* Install;
        const wchar_t* Uninstall;
    } languages[] = {
        {L"de_DE.UTF-8", L"german", L"Installieren", L"Deinstallieren"},
        {L"ru_RU.UTF-8", L"russian", L"Установить", L"Удалить"},
        {L"ja_JP.UTF-8", L"japanese", L"インストール", L"アンインストール"},
        {L"zh_CN.UTF-8", L"chinese_simplified", L"安装", L"卸载"},
    };
    for (const auto& language : languages) {
        for (const bool uninstall : {false, true}) {
            TStartOptions options;
            options.Environment = {std::wstring(L"LC_ALL=") + language.Locale};
            options.ThroughLoader = true;
            TInstallerWindow window(uninstall ? L"/uninstall" : L"", options);
            ASSERT_NE(window.Form(), nullptr) << language.Locale;
            EXPECT_EQ(Text(window.Form()), std::wstring(L"Quorvalent \u2013 ") +
                                               (uninstall ? language.Uninstall : language.Install));
            const HWND cancel = window.Control(L"QuorvalentButton", 1);
            const RECT box = window.Bounds(cancel);
            ASSERT_TRUE(window.WaitForPixel(box.left + 4, box.top + 4, LightPalette.Button));
            EXPECT_TRUE(SaveScreenshot(window.Capture(), std::wstring(L"window_") +
                                                             (uninstall ? L"uninstall_" : L"install_") +
                                                             language.Name));
        }
    }
}

TEST_F(WindowTest, UnwritableFolderOffersToRunAsAdministrator) {
    // A file where the folder would have to be created: no user can write there.
    const std::wstring parent = FreshFolder(L"window-blocked");
    WriteFileBytes(parent + L"\\file", Bytes(3, 1));
    const std::wstring folder = parent + L"\\file\\Quorvalent";
    TInstallerWindow window(L"/dir=\"" + folder + L"\"");
    ASSERT_NE(window.Form(), nullptr);
    const HWND folderLabel = window.Control(L"QuorvalentLabel", 3);
    const HWND denied = window.Control(L"QuorvalentLabel", 4);
    const HWND admin = window.Control(L"QuorvalentLabel", 5);
    const HWND action = window.Control(L"QuorvalentButton", 0);
    const HWND cancel = window.Control(L"QuorvalentButton", 1);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(denied) && window.Focus() == cancel; }, 5000));
    EXPECT_FALSE(IsWindowVisible(folderLabel));
    EXPECT_TRUE(IsWindowVisible(admin));
    EXPECT_FALSE(IsWindowEnabled(action));
    const RECT box = window.Bounds(cancel);
    ASSERT_TRUE(window.WaitForPixel(box.left + 4, box.top + 4, LightPalette.Button));
    const TCapture shot = window.Capture();
    EXPECT_TRUE(SaveScreenshot(shot, L"window_access_denied"));
    // The label's red and the link's blue, solid in the strokes of the letters.
    EXPECT_GE(window.Count(shot, window.Bounds(denied), 0xBF202D), 20);
    EXPECT_EQ(window.Count(shot, window.Bounds(admin), 0xBF202D), 0);
    EXPECT_GE(window.Count(shot, window.Bounds(admin), 0x1B62C9), 20);
    // The disabled action button is outlined in the disabled border colour.
    const RECT actionBox = window.Bounds(action);
    EXPECT_GE(window.Count(shot, actionBox, 0xDCE0E2), 2 * (window.r(96) + window.r(32)) - 8);

    // The link takes its place in the Tab order while it is shown; the disabled button drops out.
    const HWND order[] = {window.Control(L"QuorvalentEdit", 0),
                          admin,
                          window.Control(L"QuorvalentSwitch", 0),
                          window.Control(L"QuorvalentSwitch", 1),
                          window.Control(L"QuorvalentSwitch", 3),
                          window.Control(L"QuorvalentLabel", 6),
                          cancel};
    for (const HWND next : order) {
        PressKey(VK_TAB);
        EXPECT_TRUE(WaitFor([&] { return window.Focus() == next; }, 5000)) << next;
    }
    // Enter in the folder field does nothing while the button it stands for is disabled: the
    // red label already says why. The Tab after it is handled only once the Enter has been,
    // and a message box would have taken the focus.
    PressKey(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == order[0]; }, 5000));
    PressKey(VK_RETURN);
    PressKey(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == admin; }, 5000));
    EXPECT_TRUE(ProcessWindows(window.ProcessId(), L"#32770").empty());
    EXPECT_TRUE(IsWindowVisible(window.Form()));

    window.Click((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    EXPECT_EQ(window.WaitForExit(), 0u);
    EXPECT_EQ(ListFolder(parent), std::vector<std::wstring>{L"file"});
}

} // namespace
