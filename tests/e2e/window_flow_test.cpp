// The installer's window driven by real input, the pointer and the keyboard through SendInput,
// at the points where the layout puts the controls: installs by mouse and by keyboard, the
// agreement, the folder dialog, an uninstall cancelled while it waits for the web API, the
// ways to close the window, and the failures that can end a run before the window exists.
// Winsock first: it must come before <windows.h>.
#include "tests/windows/test_http_server.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/cmd_standin_log.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/window_support.h"

using namespace e2e;

namespace {

// A point of the layout in unscaled pixels, each coordinate scaled on its own; a negative
// one counts back from the right or bottom edge of the client area.
void ClickSpot(const TInstallerWindow& window, POINT Spot) {
    const SIZE client = window.ClientSize();
    window.Click(Spot.x < 0 ? client.cx - window.r(-Spot.x) : window.r(Spot.x),
                 Spot.y < 0 ? client.cy - window.r(-Spot.y) : window.r(Spot.y));
}

// Centres of the controls by the layout table.
constexpr POINT ActionButton{-168, -32};
constexpr POINT CancelButton{-64, -32};
constexpr POINT CloseButton{-24, 16};
constexpr POINT AgreementSwitch{28, -68};
constexpr POINT FolderText{116, 232};
// The field's button covers its right end, 32 pixels wide.
constexpr POINT FolderButton{-32, 232};

// What an install leaves behind, as comparable text: the files of the default folder with
// their bytes, the shortcuts, the registry values.
std::map<std::wstring, std::wstring> InstallationState() {
    std::map<std::wstring, std::wstring> state;
    const std::wstring folder = DefaultInstallFolder();
    for (const auto& name : ListFolder(folder)) {
        // The stand-in product logs its starts there; when it was started is not the install's.
        if (name != L"standin-runs.log") {
            const Bytes data = ReadFileBytes(folder + L"\\" + name);
            state[L"file " + name] =
                std::to_wstring(data.size()) + L" " +
                std::to_wstring(std::hash<std::string>()(std::string(data.begin(), data.end())));
        }
    }
    for (const std::wstring& link :
         {DesktopFolder() + L"\\Quorvalent.lnk", StartMenuFolder() + L"\\Quorvalent.lnk"}) {
        if (const auto shortcut = ReadShortcut(link)) {
            state[L"link " + link] =
                shortcut->Target + L"|" + shortcut->WorkingDirectory + L"|" + shortcut->Description;
        }
    }
    for (const wchar_t* key : {UninstallKey, AppKey}) {
        for (const auto& name : RegValueNames(key)) {
            const auto value = ReadRegValue(key, name);
            state[std::wstring(L"value ") + key + L"\\" + name] =
                std::to_wstring(value->Type) + L":" + value->Text + L":" + std::to_wstring(value->Number);
        }
    }
    return state;
}

// The product the window's install starts, once it has shown.
void WaitForProductAndCloseIt() {
    EXPECT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"Quorvalent") != nullptr; }, 15000));
    CloseStandIns();
}

class WindowFlowTest : public TWindowTestBase {
protected:
    // Starts the install window and waits until its action button has the focus.
    static void Open(TInstallerWindow& window) {
        ASSERT_NE(window.Form(), nullptr);
        const HWND action = window.Control(L"QuorvalentButton", 0);
        ASSERT_TRUE(WaitFor([&] { return window.Focus() == action; }, 10000));
    }
};

TEST_F(WindowFlowTest, InstallByMouseLeavesWhatTheSilentInstallLeaves) {
    ASSERT_EQ(RunInstaller(L"/silent").ExitCode, 0u);
    WaitForProductAndCloseIt();
    const auto silent = InstallationState();
    ASSERT_GE(silent.size(), 15u);
    ResetInstallState();

    TInstallerWindow window(L"");
    Open(window);
    ClickSpot(window, ActionButton);
    EXPECT_EQ(window.WaitForExit(60000), 0u);
    WaitForProductAndCloseIt();
    EXPECT_EQ(InstallationState(), silent);
}

TEST_F(WindowFlowTest, InstallByKeyboardWithoutTheDesktopShortcut) {
    TInstallerWindow window(L"");
    Open(window);
    // Tab runs through the tab stops in the order of creation and comes round again.
    const std::pair<const wchar_t*, int> order[] = {
        {L"QuorvalentButton", 1}, {L"QuorvalentEdit", 0},  {L"QuorvalentSwitch", 0}, {L"QuorvalentSwitch", 1},
        {L"QuorvalentSwitch", 3}, {L"QuorvalentLabel", 6}, {L"QuorvalentButton", 0}};
    for (const auto& [name, index] : order) {
        PressKey(VK_TAB);
        const HWND expected = window.Control(name, index);
        ASSERT_TRUE(WaitFor([&] { return window.Focus() == expected; }, 5000)) << index;
        if (expected == window.Control(L"QuorvalentSwitch", 0)) {
            PressKey(VK_SPACE);
        }
    }
    PressKey(VK_RETURN);
    EXPECT_EQ(window.WaitForExit(60000), 0u);
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + L"\\Quorvalent.exe"));
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + L"\\QuorvalentInstaller.exe"));
    EXPECT_TRUE(RegKeyExists(UninstallKey));
    EXPECT_FALSE(FileExists(DesktopFolder() + L"\\Quorvalent.lnk"));
    EXPECT_TRUE(ReadShortcut(StartMenuFolder() + L"\\Quorvalent.lnk").has_value());
    WaitForProductAndCloseIt();
}

TEST_F(WindowFlowTest, EnterInTheFolderFieldBypassedTheAgreement) {
    TInstallerWindow window(L"");
    Open(window);
    const HWND action = window.Control(L"QuorvalentButton", 0);
    const HWND field = window.Control(L"QuorvalentEdit", 0);
    const HWND loader = window.Control(L"QuorvalentAnimation", 0);
    ClickSpot(window, AgreementSwitch);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(action); }, 5000));
    ClickSpot(window, ActionButton);
    // Input is handled in order: once the field has the focus, the click before it is done.
    ClickSpot(window, FolderText);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == field; }, 5000));
    PressKey(VK_RETURN);
    // And once the focus has moved on, so is the Enter before the Tab.
    PressKey(VK_TAB);
    const HWND next = window.Control(L"QuorvalentSwitch", 0);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == next; }, 5000));
    EXPECT_FALSE(IsWindowVisible(loader)) << "an install started";
    EXPECT_EQ(window.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
    EXPECT_FALSE(DirectoryExists(DefaultInstallFolder()));
    EXPECT_FALSE(RegKeyExists(UninstallKey));

    // With the agreement on again, Enter in the field installs.
    ClickSpot(window, AgreementSwitch);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(action) != FALSE; }, 5000));
    ClickSpot(window, FolderText);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == field; }, 5000));
    PressKey(VK_RETURN);
    EXPECT_EQ(window.WaitForExit(60000), 0u);
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + L"\\Quorvalent.exe"));
    EXPECT_TRUE(RegKeyExists(UninstallKey));
    WaitForProductAndCloseIt();
}

TEST_F(WindowFlowTest, ClickOnTheAgreementSwitchLeftNoControlWithTheFocus) {
    TInstallerWindow window(L"");
    Open(window);
    const HWND action = window.Control(L"QuorvalentButton", 0);
    const HWND agreement = window.Control(L"QuorvalentSwitch", 3);
    // The click disables the focused action button: the switch clicked has the focus now.
    ClickSpot(window, AgreementSwitch);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(action); }, 5000));
    EXPECT_TRUE(WaitFor([&] { return window.Focus() == agreement; }, 5000));
    // Tab and Escape work again at once.
    PressKey(VK_TAB);
    const HWND link = window.Control(L"QuorvalentLabel", 6);
    EXPECT_TRUE(WaitFor([&] { return window.Focus() == link; }, 5000));
    PressKey(VK_ESCAPE);
    EXPECT_EQ(window.WaitForExit(), 0u);
    EXPECT_FALSE(DirectoryExists(DefaultInstallFolder()));
}

TEST_F(WindowFlowTest, EscapeCancelledOnlyFromThreeOfTheControls) {
    // From a switch, which has no answer to Escape of its own.
    TInstallerWindow window(L"");
    Open(window);
    const HWND desktop = window.Control(L"QuorvalentSwitch", 0);
    for (int i = 0; i < 3; ++i) {
        PressKey(VK_TAB);
    }
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == desktop; }, 5000));
    PressKey(VK_ESCAPE);
    EXPECT_EQ(window.WaitForExit(), 0u);
}

TEST_F(WindowFlowTest, EscapeInTheFieldsMenuClosesOnlyTheMenu) {
    TInstallerWindow window(L"");
    Open(window);
    const HWND field = window.Control(L"QuorvalentEdit", 0);
    ClickSpot(window, FolderText);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == field; }, 5000));
    const auto menuOpen = [&] {
        return !ProcessWindows(window.ProcessId(), L"QuorvalentContextMenu").empty();
    };
    PressKeyWith(VK_SHIFT, VK_F10);
    ASSERT_TRUE(WaitFor(menuOpen, 5000));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitFor([&] { return !menuOpen(); }, 5000));
    // The window is still there, and a second Escape cancels from the field.
    EXPECT_EQ(window.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
    PressKey(VK_ESCAPE);
    EXPECT_EQ(window.WaitForExit(), 0u);
}

TEST_F(WindowFlowTest, TurkishLocaleTookVerySilentForAWindow) {
    // Capital I lower-cases to a dotless i in Turkish: the start read /VERYSILENT as silent and
    // the window as not, and showed a window that waited for a user in a windowless run.
    const std::wstring folder = FreshFolder(L"turkish") + L"\\Quorvalent";
    const std::wstring exitFile =
        StartThroughLoader(InstallerPath(), L"/VERYSILENT /DIR=\"" + folder + L"\"", {L"LC_ALL=tr_TR.UTF-8"});
    ASSERT_TRUE(WaitFor([&] { return ReadExitFile(exitFile).has_value(); }, 60000));
    EXPECT_EQ(*ReadExitFile(exitFile), 0u);
    EXPECT_TRUE(FileExists(folder + L"\\Quorvalent.exe"));
    RemoveTree(folder);
}

TEST_F(WindowFlowTest, BrowsePicksTheFolderThatTheInstallThenUses) {
    const std::wstring chosen = FreshFolder(L"browse") + L"\\Chosen";
    CreateDirectoryW(chosen.c_str(), nullptr);
    TInstallerWindow window(L"");
    Open(window);
    ClickSpot(window, FolderButton);
    const HWND dialog = WaitForDialog(window.ProcessId());
    ASSERT_NE(dialog, nullptr);
    SetForegroundWindow(dialog);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == dialog && FocusOf(dialog); }, 5000));
    // Wine's dialog starts in its file name box: a typed full path and Enter choose the folder.
    TypeText(chosen);
    EXPECT_TRUE(SaveScreenshot(CaptureWindow(dialog), L"window_browse_dialog"));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }, 15000));
    // The field has the focus again and holds the folder: Enter installs there.
    const HWND field = window.Control(L"QuorvalentEdit", 0);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == field; }, 5000));
    EXPECT_TRUE(SaveScreenshot(window.Capture(), L"window_browsed"));
    PressKey(VK_RETURN);
    EXPECT_EQ(window.WaitForExit(60000), 0u);
    EXPECT_TRUE(FileExists(chosen + L"\\Quorvalent.exe"));
    EXPECT_EQ(ReadRegValue(UninstallKey, L"InstallLocation")->Text, chosen);
    EXPECT_FALSE(DirectoryExists(DefaultInstallFolder()));
    WaitForProductAndCloseIt();
    RemoveTree(chosen);
}

TEST_F(WindowFlowTest, CancelWhileTheUninstallWaitsLeavesEverythingInstalled) {
    ASSERT_TRUE(cmdstandin::Install());
    struct TRemove {
        ~TRemove() { cmdstandin::Remove(); }
    } remove;
    const std::wstring log = FreshFolder(L"window-cmd-log");
    // Headers that trickle in hold the notification for the uninstall's whole limit, not
    // only for one time-out of the request: time enough to look at the window and cancel.
    testhttp::TTestHttpServer server(testhttp::TServerMode::smTrickleHeaders);
    ASSERT_EQ(RunInstaller(L"/verysilent").ExitCode, 0u);
    const std::u16string api = server.ApiAddress();
    SetRegString(AppKey, L"ApiAddress", std::wstring(api.begin(), api.end()));
    SetRegString(AppKey, L"InstallationId", L"0f8fad5b-d9cb-469f-a165-70867728950e");
    const auto installed = InstallationState();

    const std::wstring folder = DefaultInstallFolder();
    TStartOptions options;
    options.Environment = {L"QV_CMD_STANDIN_LOG=" + log, L"http_proxy", L"https_proxy"};
    options.Exe = folder + L"\\QuorvalentInstaller.exe";
    const std::wstring installerLog = log + L"\\installer.log";
    TInstallerWindow window(L"/uninstall /log=\"" + installerLog + L"\"", options);
    ASSERT_NE(window.Form(), nullptr);
    const HWND cancel = window.Control(L"QuorvalentButton", 1);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == cancel; }, 10000));
    const HWND loader = window.Control(L"QuorvalentAnimation", 0);
    ClickSpot(window, ActionButton);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(loader) && server.Requests().size() == 1; }, 15000));
    // The loader turns while the request hangs.
    RECT area{};
    GetWindowRect(loader, &area);
    const TCapture first = CaptureScreen(area);
    EXPECT_TRUE(WaitFor([&] { return CaptureScreen(area).Pixels != first.Pixels; }, 5000));
    // The turning loader never lets the window stand still: this moment is the picture.
    RECT frame{};
    GetWindowRect(window.Form(), &frame);
    EXPECT_TRUE(SaveScreenshot(CaptureScreen(frame), L"window_uninstall_waiting"));

    ClickSpot(window, CancelButton);
    EXPECT_EQ(window.WaitForExit(), 0u);
    EXPECT_EQ(InstallationState(), installed);
    // No delayed deletion was started: the ended run logs each one it starts.
    EXPECT_EQ(ReadUtf8File(installerLog).find(L"Scheduled the deletion"), std::wstring::npos);
    EXPECT_TRUE(cmdstandin::ReadRuns(log).empty());
    EXPECT_TRUE(FileExists(folder + L"\\QuorvalentInstaller.exe"));
}

TEST_F(WindowFlowTest, ClosingTheWindowLeavesNoFolderBehind) {
    const struct {
        const char* Name;
        std::function<void(TInstallerWindow&)> Close;
    } ways[] = {
        {"Cancel clicked", [](TInstallerWindow& w) { ClickSpot(w, CancelButton); }},
        {"Escape on the action button", [](TInstallerWindow&) { PressKey(VK_ESCAPE); }},
        {"Space on Cancel",
         [](TInstallerWindow& w) {
             PressKey(VK_TAB);
             const HWND cancel = w.Control(L"QuorvalentButton", 1);
             ASSERT_TRUE(WaitFor([&] { return w.Focus() == cancel; }, 5000));
             PressKey(VK_SPACE);
         }},
        {"Escape in the folder field",
         [](TInstallerWindow& w) {
             ClickSpot(w, FolderText);
             const HWND field = w.Control(L"QuorvalentEdit", 0);
             ASSERT_TRUE(WaitFor([&] { return w.Focus() == field; }, 5000));
             PressKey(VK_ESCAPE);
         }},
        {"title bar's close button", [](TInstallerWindow& w) { ClickSpot(w, CloseButton); }},
        {"WM_CLOSE", [](TInstallerWindow& w) { PostMessageW(w.Form(), WM_CLOSE, 0, 0); }},
    };
    const std::wstring maker = AppDataFolder() + L"\\Mirelbrook";
    for (const auto& way : ways) {
        SCOPED_TRACE(way.Name);
        ASSERT_FALSE(DirectoryExists(maker));
        TInstallerWindow window(L"");
        Open(window);
        way.Close(window);
        EXPECT_EQ(window.WaitForExit(), 0u);
        EXPECT_FALSE(DirectoryExists(maker));
        EXPECT_FALSE(RegKeyExists(UninstallKey));
        RemoveTree(maker);
    }
}

TEST_F(WindowFlowTest, StartWithoutADisplay) {
    // Wine's window driver cannot connect without DISPLAY: no window can be made.
    const std::wstring folder = FreshFolder(L"no-display") + L"\\Quorvalent";
    const std::wstring exitFile =
        StartThroughLoader(InstallerPath(), L"/verysilent /dir=\"" + folder + L"\"", {L"DISPLAY"});
    ASSERT_TRUE(WaitFor([&] { return ReadExitFile(exitFile).has_value(); }, 60000));
    const DWORD silent = *ReadExitFile(exitFile);
    // A silent run that needs no window may succeed; one that does must fail with 1.
    EXPECT_TRUE(silent == 0 || silent == 1) << silent;
    EXPECT_EQ(FileExists(folder + L"\\Quorvalent.exe"), silent == 0);
    std::printf("silent install without a display: exit code %lu\n", silent);

    TStartOptions options;
    options.Environment = {L"DISPLAY"};
    options.ThroughLoader = true;
    TInstallerWindow window(L"", options);
    EXPECT_EQ(window.Form(), nullptr);
    EXPECT_EQ(window.WaitForExit(), 1u);
}

TEST_F(WindowFlowTest, MissingImageResource) {
    // A copy of the installer without the application icon of the 100 % scale. Wine's
    // UpdateResourceW(..., nullptr, 0) leaves the resource in place, so the copy's resource
    // directory gets another name for it: the last letter changed keeps the names in order.
    const std::wstring copy = FreshFolder(L"no-image") + L"\\QuorvalentInstaller.exe";
    Bytes data = ReadFileBytes(InstallerPath());
    Bytes name = {10, 0}; // the length in UTF-16 units, then the letters
    for (const char c : std::string("APPICON100")) {
        name.insert(name.end(), {static_cast<uint8_t>(c), 0});
    }
    const auto found = std::search(data.begin(), data.end(), name.begin(), name.end());
    ASSERT_NE(found, data.end());
    ASSERT_EQ(std::search(found + 1, data.end(), name.begin(), name.end()), data.end());
    *(found + static_cast<ptrdiff_t>(name.size()) - 2) = 'X';
    WriteFileBytes(copy, data);
    ASSERT_TRUE(ReadExeResource(copy, L"APPICON100").empty());
    ASSERT_FALSE(ReadExeResource(copy, L"APPICON125").empty());

    const std::wstring folder = FreshFolder(L"no-image-target") + L"\\Quorvalent";
    const TRunResult silent = e2e::Run(copy, L"/verysilent /dir=\"" + folder + L"\"", 30000);
    ASSERT_FALSE(silent.TimedOut) << "a message box waits for a user who is not there";
    EXPECT_TRUE(silent.ExitCode == 0 || silent.ExitCode == 1) << silent.ExitCode;
    EXPECT_EQ(FileExists(folder + L"\\Quorvalent.exe"), silent.ExitCode == 0);
    std::printf("silent install without the image: exit code %lu\n", silent.ExitCode);

    TStartOptions options;
    options.Exe = copy;
    TInstallerWindow window(L"", options);
    EXPECT_EQ(window.Form(), nullptr);
    const HWND box = WaitForDialog(window.ProcessId());
    ASSERT_NE(box, nullptr);
    wchar_t caption[256] = {};
    GetWindowTextW(box, caption, 256);
    EXPECT_STREQ(caption, L"QuorvalentInstaller.exe");
    std::wstring message = MessageBoxText(box);
    const std::string text(message.begin(), message.end());
    CharUpperW(message.data());
    EXPECT_NE(message.find(L"APPICON100"), std::wstring::npos) << text;
    SetForegroundWindow(box);
    WaitFor([&] { return GetForegroundWindow() == box; }, 5000);
    PressKey(VK_RETURN);
    EXPECT_EQ(window.WaitForExit(), 1u);
    EXPECT_FALSE(IsWindow(box));
}

} // namespace

namespace {

TEST_F(WindowFlowTest, ElevatedStartThatFailedEndedTheRunAsIfItHadTakenOver) {
    // A file where the folder would have to be created: the window offers the elevated start.
    const std::wstring parent = FreshFolder(L"elevation-blocked");
    WriteFileBytes(parent + L"\\file", Bytes(3, 1));
    const std::wstring copy = FreshFolder(L"elevation-source") + L"\\QuorvalentInstaller.exe";
    ASSERT_TRUE(CopyFileW(InstallerPath().c_str(), copy.c_str(), FALSE));
    TStartOptions options;
    options.Exe = copy;
    TInstallerWindow window(L"/dir=\"" + parent + L"\\file\\Quorvalent\"", options);
    ASSERT_NE(window.Form(), nullptr);
    const HWND admin = window.Control(L"QuorvalentLabel", 5);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(admin) != FALSE; }, 10000));
    const RECT link = window.Bounds(admin);
    // The installer's file is gone from where it was started (a download folder tidied up):
    // the shell cannot start it again.
    ASSERT_TRUE(MoveFileW(copy.c_str(), (copy + L".moved").c_str()));
    window.Click(link.left + 8, (link.top + link.bottom) / 2);
    const HWND box = WaitForDialog(window.ProcessId());
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(MessageBoxText(box).empty());
    wchar_t caption[64] = L"";
    GetWindowTextW(box, caption, 64);
    EXPECT_STREQ(caption, L"QuorvalentInstaller.exe");
    PostMessageW(box, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, 10000));
    EXPECT_TRUE(IsWindowVisible(window.Form())) << "the window stays for another try";

    // Back in place, the elevated run starts and takes over.
    ASSERT_TRUE(MoveFileW((copy + L".moved").c_str(), copy.c_str()));
    const std::vector<HWND> before = ProcessWindows(0, L"TQuorvalentInstallerForm");
    window.Click(link.left + 8, (link.top + link.bottom) / 2);
    EXPECT_EQ(window.WaitForExit(), 0u);
    HWND elevated = nullptr;
    EXPECT_TRUE(WaitFor(
        [&] {
            for (const HWND form : ProcessWindows(0, L"TQuorvalentInstallerForm")) {
                if (std::find(before.begin(), before.end(), form) == before.end() && form != window.Form()) {
                    elevated = form;
                }
            }
            return elevated != nullptr;
        },
        30000));
    DWORD elevatedId = 0;
    GetWindowThreadProcessId(elevated, &elevatedId);
    const HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, elevatedId);
    PostMessageW(elevated, WM_CLOSE, 0, 0);
    if (process) {
        EXPECT_EQ(WaitForSingleObject(process, 30000), WAIT_OBJECT_0);
        CloseHandle(process);
    }
}

} // namespace
