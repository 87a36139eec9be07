// The window's choices made on the command line, as deployment tools make them: the shortcuts
// left out, silently and as the window's starting state (read as a screen reader reads it),
// and the help that "/?" and "/help" show.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/window_support.h"

using namespace e2e;

namespace {

bool Checked(HWND Switch) {
    return (ReadFromOutside(Switch).State & STATE_SYSTEM_CHECKED) != 0;
}

class SwitchesTest : public TWindowTestBase {
protected:
    static std::wstring DesktopLink() { return DesktopFolder() + L"\\Quorvalent.lnk"; }
    static std::wstring MenuLink() { return StartMenuFolder() + L"\\Quorvalent.lnk"; }
};

TEST_F(SwitchesTest, ASilentInstallMakesOnlyTheShortcutsAskedFor) {
    const struct {
        const wchar_t* Switches;
        bool Desktop, Menu;
        const wchar_t* Logged;
    } table[] = {
        {L"", true, true, L"Choices: desktop shortcut on, Start-menu shortcut on"},
        {L"/NoDesktopShortcut", false, true, L"Choices: desktop shortcut off, Start-menu shortcut on"},
        {L"/nostartmenushortcut", true, false, L"Choices: desktop shortcut on, Start-menu shortcut off"},
        {L"/nodesktopshortcut /NOSTARTMENUSHORTCUT", false, false,
         L"Choices: desktop shortcut off, Start-menu shortcut off"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.Switches);
        ResetInstallState();
        const std::wstring log = FreshFolder(L"switches-log") + L"\\run.log";
        const TRunResult run =
            RunInstaller(std::wstring(L"/verysilent ") + row.Switches + L" /log=\"" + log + L"\"");
        ASSERT_EQ(run.ExitCode, 0u);
        EXPECT_TRUE(FileExists(DefaultInstallFolder() + L"\\Quorvalent.exe"));
        EXPECT_EQ(FileExists(DesktopLink()), row.Desktop);
        EXPECT_EQ(FileExists(MenuLink()), row.Menu);
        // No empty maker folder in the Start menu for a shortcut that was not made.
        EXPECT_EQ(DirectoryExists(StartMenuFolder()), row.Menu);
        EXPECT_NE(ReadUtf8File(log).find(row.Logged), std::wstring::npos) << ReadUtf8File(log);
    }
}

TEST_F(SwitchesTest, TheWindowStartsWithTheSwitchesTheCommandLineSet) {
    const struct {
        const wchar_t* Switches;
        bool Desktop, Menu;
    } table[] = {
        {L"", true, true},
        {L"/nodesktopshortcut", false, true},
        {L"/nostartmenushortcut", true, false},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.Switches);
        ResetInstallState();
        TInstallerWindow window(row.Switches);
        ASSERT_NE(window.Form(), nullptr);
        EXPECT_EQ(Checked(window.Control(L"QuorvalentSwitch", 0)), row.Desktop);
        EXPECT_EQ(Checked(window.Control(L"QuorvalentSwitch", 1)), row.Menu);
        // The action button has the focus: Enter installs with the switches as they are.
        const HWND action = window.Control(L"QuorvalentButton", 0);
        ASSERT_TRUE(WaitFor([&] { return window.Focus() == action; }, 10000));
        PressKey(VK_RETURN);
        EXPECT_EQ(window.WaitForExit(60000), 0u);
        EXPECT_EQ(FileExists(DesktopLink()), row.Desktop);
        EXPECT_EQ(FileExists(MenuLink()), row.Menu);
        CloseStandIns();
    }
}

TEST_F(SwitchesTest, TheUsersChoiceInTheWindowStillRules) {
    TInstallerWindow window(L"/nodesktopshortcut");
    ASSERT_NE(window.Form(), nullptr);
    const HWND desktop = window.Control(L"QuorvalentSwitch", 0);
    ASSERT_FALSE(Checked(desktop));
    const RECT box = window.Bounds(desktop);
    window.Click(box.left + 8, (box.top + box.bottom) / 2);
    ASSERT_TRUE(WaitFor([&] { return Checked(desktop); }, 10000));
    const HWND action = window.Control(L"QuorvalentButton", 0);
    const RECT button = window.Bounds(action);
    window.Click((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    EXPECT_EQ(window.WaitForExit(60000), 0u);
    EXPECT_TRUE(FileExists(DesktopLink()));
    CloseStandIns();
}

TEST_F(SwitchesTest, HelpListsTheSwitchesAndEndsWithZero) {
    for (const wchar_t* help : {L"/?", L"/HELP"}) {
        SCOPED_TRACE(help);
        const HANDLE process = Start(InstallerPath(), help);
        ASSERT_NE(process, nullptr);
        const HWND box = WaitForDialog(GetProcessId(process));
        ASSERT_NE(box, nullptr);
        const std::wstring text = MessageBoxText(box);
        for (const wchar_t* line :
             {L"Usage: QuorvalentInstaller.exe [switches]", L"/nodesktopshortcut \u2013 no desktop shortcut",
              L"/nostartmenushortcut \u2013 no Start menu shortcut", L"/deletedata \u2013 with /uninstall",
              L"/verysilent \u2013 as /silent", L"Exit codes:",
              L"2 \u2013 the destination folder cannot be written"}) {
            EXPECT_NE(text.find(line), std::wstring::npos) << std::wstring(line).size();
        }
        PostMessageW(box, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
        EXPECT_EQ(code, 0u);
        EXPECT_FALSE(DirectoryExists(DefaultInstallFolder())) << "the help installs nothing";
        EXPECT_FALSE(RegKeyExists(UninstallKey));
    }
}

TEST_F(SwitchesTest, ASilentRunIgnoresTheHelp) {
    const TRunResult run = RunInstaller(L"/verysilent /?");
    ASSERT_FALSE(run.TimedOut) << "a message box waited for a user who is not there";
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + L"\\Quorvalent.exe"));
}

} // namespace
