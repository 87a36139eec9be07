// The main window in this process: its layout at several scales, what each run mode shows,
// the Tab order as screen readers meet it, the look that follows the system's setting at once,
// the first frame, a move to a monitor of another DPI, and a probe that leaves nothing behind.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/application_win.h"
#include "app/main_form_win.h"
#include "tests/windows/main_window_fixture.h"
#include "tests/windows/test_run.h"
#include "tests/windows/message_pump.h"
#include "tests/windows/screen_reader.h"
#include "tests/windows/test_folders.h"
#include "tests/windows/test_host.h"
#include "ucl/context_menu_win.h"
#include "utils/consts.h"
#include "utils/language.h"
#include "utils/registry_win.h"
#include "utils/theme.h"
#include "utils/text_win.h"

namespace {

const std::u16string PersonalizePath = PersonalizeKey;

void SetAppsUseLightTheme(DWORD value) {
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, WStr(PersonalizePath), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, L"AppsUseLightTheme", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof(value));
    RegCloseKey(key);
}

struct TSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const TSize&) const = default;
};

TRect Bounds(const TControl& control) {
    return {control.Left(), control.Top(), control.Left() + control.Width(),
            control.Top() + control.Height()};
}

// The timer windows of this thread.
int TimerWindows() {
    int count = 0;
    for (HWND window = nullptr;
         (window = FindWindowExW(HWND_MESSAGE, window, L"QuorvalentTimerWindow", nullptr));) {
        count += GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
    }
    return count;
}

class MainWindowTest : public MainWindowFixture {
protected:
    MainWindowTest() : MainWindowFixture(u"main-window") {}
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetAppsUseLightTheme(1);
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetAppsUseLightTheme(1);
    }
    // A form at Scale, shown as the loop would show it.
    void Open(float scale, const std::u16string& arguments) {
        Show(scale, arguments);
        PumpMessagesFor(100);
    }
    TSize ClientSize() const {
        RECT client{};
        GetClientRect(Form->Handle(), &client);
        return {client.right, client.bottom};
    }
};

TEST_F(MainWindowTest, LayoutScalesEachLengthOnItsOwn) {
    Open(1.5f, u"/dir=\"" + FFolder + u"\"");
    EXPECT_EQ(ClientSize(), (TSize{780, 600}));
    EXPECT_EQ(Bounds(*Form->ActionButton), (TRect{456, 528, 600, 576}));
    EXPECT_EQ(Bounds(*Form->CancelButton), (TRect{612, 528, 756, 576}));
    EXPECT_EQ(Bounds(*Form->UninstallLoader), (TRect{408, 534, 444, 570}));
    EXPECT_EQ(Form->LogoImage->BoundsRect(), (TRect{342, 84, 438, 180}));
    EXPECT_EQ(Form->LogoImage->Picture().Width(), 96) << "the logo of the scale";
    EXPECT_EQ(Bounds(*Form->TitleBar), (TRect{0, 0, 780, 48}));
    Close();

    // At 125 % lengths half-way between two pixels go to the even one.
    Open(1.25f, u"/dir=\"" + FFolder + u"\"");
    EXPECT_EQ(ClientSize(), (TSize{650, 500}));
    EXPECT_EQ(Form->DestinationFolderLabel->Height(), 22);
    EXPECT_EQ(Form->AgreementLinkLabel->Left(), 232);
    EXPECT_EQ(Form->AgreementLinkLabel->Top(), 500 - 98);
}

// Each of these once cost every start-up a window or an icon read before the first frame.
TEST_F(MainWindowTest, StartUpMadeWindowsAndIconsNobodyHadAskedFor) {
    const int timers = TimerWindows();
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    ASSERT_NE(ContextMenu, nullptr);
    EXPECT_EQ(ContextMenu->Owner(), Form->Handle());
    EXPECT_EQ(ContextMenu->Handle(), nullptr) << "the menu's window waits for its first opening";
    EXPECT_EQ(TimerWindows(), timers) << "a caret blinking in a field without the focus";
    EXPECT_NE(GetClassLongPtrW(Form->Handle(), GCLP_HICON), 0) << "the taskbar shows the program's icon";
    for (const TControl* control : {static_cast<const TControl*>(Form->ActionButton.get()),
                                    static_cast<const TControl*>(Form->DestinationFolderEdit.get()),
                                    static_cast<const TControl*>(Form->TitleBar.get())}) {
        EXPECT_EQ(GetClassLongPtrW(control->Handle(), GCLP_HICON), 0);
    }

    // The caret still blinks once the field has the focus.
    Form->DestinationFolderEdit->SetFocus();
    EXPECT_EQ(TimerWindows(), timers + 1);
    EXPECT_FALSE(Form->DestinationFolderEdit->Model().CaretHidden);
    PumpMessagesFor(3000, [&] { return Form->DestinationFolderEdit->Model().CaretHidden; });
    EXPECT_TRUE(Form->DestinationFolderEdit->Model().CaretHidden);
    Close();
    EXPECT_EQ(ContextMenu, nullptr) << "the form deletes the menu it made";
    EXPECT_EQ(TimerWindows(), timers);
}

TEST_F(MainWindowTest, EachRunModeShowsItsControls) {
    const struct {
        const char16_t* Arguments;
        bool Uninstall;
        const char16_t* Action;
        const char16_t* FolderLabel;
    } modes[] = {{u"", false, u"Install", u"Destination folder"},
                 {u"/update", false, u"Update", u"Destination folder"},
                 {u"/uninstall", true, u"Uninstall", u"Uninstall from"}};
    for (const auto& mode : modes) {
        Open(1.0f, std::u16string(mode.Arguments) + u" /dir=\"" + FFolder + u"\"");
        SCOPED_TRACE(
            std::string(mode.Arguments, mode.Arguments + std::char_traits<char16_t>::length(mode.Arguments)));
        EXPECT_EQ(Form->ActionButton->Caption(), mode.Action);
        EXPECT_EQ(Form->DestinationFolderLabel->Caption(), mode.FolderLabel);
        EXPECT_EQ(Form->DesktopShortcutSwitch->Visible(), !mode.Uninstall);
        EXPECT_EQ(Form->StartMenuShortcutSwitch->Visible(), !mode.Uninstall);
        EXPECT_EQ(Form->DeleteDataSwitch->Visible(), mode.Uninstall);
        EXPECT_EQ(Form->UninstallLabel->Visible(), mode.Uninstall);
        EXPECT_EQ(Form->DestinationFolderEdit->Enabled(), !mode.Uninstall);
        EXPECT_FALSE(Form->RunAfterSwitch->Visible());
        EXPECT_FALSE(Form->UninstallLoader->Visible());
        EXPECT_FALSE(Form->AccessDeniedLabel->Visible());
        EXPECT_TRUE(Form->DestinationFolderLabel->Visible());
        EXPECT_EQ(GetFocus(), mode.Uninstall ? Form->CancelButton->Handle() : Form->ActionButton->Handle());
        Close();
    }
}

TEST_F(MainWindowTest, FolderThatCannotBeWrittenShowsTheAdministratorLink) {
    WriteTestFile(FFolder + u"\\file", "x");
    Open(1.0f, u"/dir=\"" + FFolder + u"\\file\\Quorvalent\"");
    EXPECT_FALSE(Form->DestinationFolderLabel->Visible());
    EXPECT_TRUE(Form->AccessDeniedLabel->Visible());
    EXPECT_TRUE(Form->RunAsAdminLabel->Visible());
    EXPECT_FALSE(Form->ActionButton->Enabled());
    EXPECT_EQ(GetFocus(), Form->CancelButton->Handle());
}

TEST_F(MainWindowTest, OpeningTheWindowLeftAnEmptyFolderBehind) {
    const std::u16string folder = FFolder + u"\\Mirelbrook\\Quorvalent";
    Open(1.0f, u"/dir=\"" + folder + u"\"");
    EXPECT_TRUE(Form->ActionButton->Enabled()) << "the folder can be made, so the action can start";
    Form->CancelButtonClick(nullptr);
    EXPECT_EQ(CountEntries(FFolder), 0);
}

TEST_F(MainWindowTest, AgreementSwitchDecidesTheActionButton) {
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    Form->AcceptAgreementSwitch->SetFocus();
    SendMessageW(Form->AcceptAgreementSwitch->Handle(), WM_CHAR, L' ', 1);
    EXPECT_FALSE(Form->AcceptAgreementSwitch->Checked());
    EXPECT_FALSE(Form->ActionButton->Enabled());
    SendMessageW(Form->AcceptAgreementSwitch->Handle(), WM_LBUTTONDOWN, 0, 0);
    ReleaseCapture();
    EXPECT_TRUE(Form->ActionButton->Enabled());
}

TEST_F(MainWindowTest, DisablingTheFocusedActionButtonLeftNoControlWithTheFocus) {
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    ASSERT_TRUE(Form->ActionButton->Focused());
    // A screen reader turns the agreement off while the keyboard is on the action button.
    ASSERT_EQ(DoDefaultAction(Form->AcceptAgreementSwitch->Handle()), S_OK);
    PumpMessagesFor(5000, [&] { return !Form->ActionButton->Enabled(); });
    ASSERT_FALSE(Form->ActionButton->Enabled());
    EXPECT_TRUE(Form->CancelButton->Focused());
    // Hidden while it has the focus, a control hands it on too, round to the first tab stop.
    Form->CancelButton->SetVisible(false);
    EXPECT_TRUE(Form->DestinationFolderEdit->Focused());
    // With no other tab stop the window itself keeps the keys.
    Form->DestinationFolderEdit->SetEnabled(false);
    for (TControl* control : std::initializer_list<TControl*>{
             Form->DesktopShortcutSwitch.get(), Form->StartMenuShortcutSwitch.get(),
             Form->AcceptAgreementSwitch.get(), Form->AgreementLinkLabel.get()}) {
        control->SetEnabled(false);
    }
    EXPECT_EQ(GetFocus(), Form->Handle());
}

TEST_F(MainWindowTest, AScreenReaderPressedTheDisabledActionButton) {
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    Form->AcceptAgreementSwitch->SetFocus();
    SendMessageW(Form->AcceptAgreementSwitch->Handle(), WM_CHAR, L' ', 1);
    ASSERT_FALSE(Form->ActionButton->Enabled());
    EXPECT_EQ(DoDefaultAction(Form->ActionButton->Handle()), DISP_E_MEMBERNOTFOUND);
    // Every other way to the action is closed as well. An action that started would show it
    // at once: the session marks it in progress before any step.
    Form->ActionButtonClick(Form->ActionButton.get());
    EXPECT_FALSE(FRun->Session.ActionInProgress());
    EXPECT_FALSE(FRun->Application.Terminated());
    EXPECT_EQ(CountEntries(FFolder), 0);
}

TEST_F(MainWindowTest, AWritableFolderTurnedTheAgreementOn) {
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    const auto toggleAgreement = [&] {
        Form->AcceptAgreementSwitch->SetFocus();
        SendMessageW(Form->AcceptAgreementSwitch->Handle(), WM_CHAR, L' ', 1);
    };
    toggleAgreement();
    ASSERT_FALSE(Form->AcceptAgreementSwitch->Checked());
    // The folder picker found a writable folder: the agreement is still off.
    Form->ApplyAccess(true);
    EXPECT_FALSE(Form->ActionButton->Enabled());
    toggleAgreement();
    EXPECT_TRUE(Form->ActionButton->Enabled());
    // And the agreement does not make a folder writable.
    Form->ApplyAccess(false);
    toggleAgreement();
    toggleAgreement();
    EXPECT_FALSE(Form->ActionButton->Enabled());
    Form->ApplyAccess(true);
    EXPECT_TRUE(Form->ActionButton->Enabled());
}

// What a screen reader meets, Tab by Tab: role, name and the states a user acts on.
struct TTabStop {
    LONG Role = 0;
    std::u16string Name;
    LONG State = 0;
    bool operator==(const TTabStop&) const = default;
};

TTabStop ReadTabStop(HWND window) {
    const TReading reading = Read(window);
    return {reading.Role, reading.Name, reading.State & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_UNAVAILABLE)};
}

TEST_F(MainWindowTest, ScreenReadersMeetEveryControlInTabOrder) {
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    Form->DestinationFolderEdit->SetFocus();
    std::vector<TTabStop> readings;
    for (int i = 0; i < 7; ++i) {
        readings.push_back(ReadTabStop(GetFocus()));
        SelectNextTabStop(Form->Handle(), false);
    }
    const std::vector<TTabStop> expected = {
        {ROLE_SYSTEM_TEXT, u"Destination folder", 0},
        {ROLE_SYSTEM_CHECKBUTTON, u"Create a Desktop shortcut", STATE_SYSTEM_CHECKED},
        {ROLE_SYSTEM_CHECKBUTTON, u"Create a Start Menu shortcut", STATE_SYSTEM_CHECKED},
        {ROLE_SYSTEM_CHECKBUTTON, u"I accept the agreement", STATE_SYSTEM_CHECKED},
        {ROLE_SYSTEM_LINK, u"https://www.mirelbrook.com/agreement", 0},
        {ROLE_SYSTEM_PUSHBUTTON, u"Install", 0},
        {ROLE_SYSTEM_PUSHBUTTON, u"Cancel", 0},
    };
    EXPECT_EQ(readings, expected);
    wchar_t caption[64] = {};
    GetWindowTextW(Form->Handle(), caption, 64);
    EXPECT_EQ(U16(caption), u"Quorvalent \u2013 Install") << "the window's name is its caption";
}

TEST_F(MainWindowTest, SwitchToDarkWasShownOnlyAtTheNextFrameCalculation) {
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    const RECT before = [&] {
        RECT r{};
        GetWindowRect(Form->Handle(), &r);
        return r;
    }();
    SetAppsUseLightTheme(0);
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    EXPECT_TRUE(Theme->IsDark());
    RECT after{};
    GetWindowRect(Form->Handle(), &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "recoloured without a resize";
    RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC screen = GetDC(Form->Handle());
    const COLORREF pixel = GetPixel(screen, 260, 300);
    ReleaseDC(Form->Handle(), screen);
    EXPECT_EQ(pixel, Theme->WindowColor());
    // Other settings leave the look alone.
    SetAppsUseLightTheme(1);
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"intl"));
    EXPECT_TRUE(Theme->IsDark());
}

TEST_F(MainWindowTest, EveryFrameCalculationReadTheRegistry) {
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    ASSERT_TRUE(Theme->IsLight());
    // The setting changes without its announcement: measuring the frame reads nothing.
    SetAppsUseLightTheme(0);
    SetWindowPos(Form->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(Theme->IsLight());
    // The announcement reads it, and the window follows.
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
    EXPECT_TRUE(Theme->IsDark());
}

TEST_F(MainWindowTest, TheFirstFrameIsAlreadyInTheThemesLook) {
    SetAppsUseLightTheme(0);
    static TMainForm* watched = nullptr;
    static std::u16string themeAtShow;
    static RECT clientAtShow;
    const HHOOK hook = SetWindowsHookExW(
        WH_CALLWNDPROC,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
            if (code == HC_ACTION && watched && message->hwnd == watched->Handle() &&
                message->message == WM_SHOWWINDOW && message->wParam) {
                themeAtShow = Theme->ThemeName();
                GetClientRect(message->hwnd, &clientAtShow);
            }
            return CallNextHookEx(nullptr, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    Make(1.0f, u"/dir=\"" + FFolder + u"\"");
    watched = Form;
    Form->FormShow();
    watched = nullptr;
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(themeAtShow, u"Dark");
    EXPECT_EQ(clientAtShow.right, 520);
    EXPECT_EQ(clientAtShow.bottom, 400);
}

TEST_F(MainWindowTest, TitleBarFollowsActivationWithoutThePlatformsCaption) {
    // The platform no longer redraws its own caption under the title bar on activation: the
    // bar has to show the change by itself, both ways.
    Open(1.0f, u"/dir=\"" + FFolder + u"\"");
    const auto cross = [&] {
        PumpMessagesFor(100);
        const HDC dc = GetDC(Form->Handle());
        const COLORREF pixel = GetPixel(dc, ClientSize().Width - 29 + 4, 11 + 4);
        ReleaseDC(Form->Handle(), dc);
        return pixel;
    };
    SetActiveWindow(Form->Handle());
    EXPECT_EQ(cross(), Theme->TitleBarActiveColor());
    {
        TTestHost other(40, 40, 1200, 900);
        SetActiveWindow(other.Handle());
        EXPECT_EQ(cross(), Theme->TitleBarInactiveColor());
    }
    SetActiveWindow(Form->Handle());
    EXPECT_EQ(cross(), Theme->TitleBarActiveColor());
}

TEST_F(MainWindowTest, MoveToAMonitorOfLowerDpiWasHeldByTheOldSizeLimits) {
    Open(1.5f, u"/dir=\"" + FFolder + u"\"");
    RECT window{};
    GetWindowRect(Form->Handle(), &window);
    RECT suggested{window.left, window.top, window.left + (window.right - window.left) * 2 / 3,
                   window.top + (window.bottom - window.top) * 2 / 3};
    SendMessageW(Form->Handle(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_FLOAT_EQ(Theme->ScaleFactor(), 1.0f);
    RECT now{};
    GetWindowRect(Form->Handle(), &now);
    EXPECT_TRUE(EqualRect(&now, &suggested)) << "the old size limits held the window";
    EXPECT_EQ(Form->LogoImage->Picture().Width(), 64) << "the logo of the new scale";
    EXPECT_EQ(Form->ActionButton->Width(), 96);
    EXPECT_EQ(Form->TitleBar->Height(), 32);
}

} // namespace
