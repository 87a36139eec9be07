// The uninstall path of the main window in this process, with the delete-data switch on (a
// silent run never sets it): the recursive deletion of a folder that is plainly the
// installation's own, and each case where only the two executables may go. cmd.exe is the
// stand-in that logs the exact commands and carries them out as Windows would.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <memory>

#include "app/application_win.h"
#include "app/main_form_win.h"
#include "tests/e2e/cmd_standin_log.h"
#include "tests/windows/import_patch.h"
#include "tests/windows/message_pump.h"
#include "tests/windows/test_folders.h"
#include "tests/windows/test_run.h"
#include "utils/file_system_win.h"
#include "utils/shell_win.h"
#include "utils/consts.h"
#include "utils/folder_deletion.h"
#include "utils/strings.h"
#include "utils/known_folders_win.h"
#include "utils/properties_win.h"
#include "utils/registry_win.h"
#include "utils/rest_win.h"
#include "utils/text_win.h"

using cmdstandin::TCmdRun;

namespace {

const std::u16string MakerKeyPath = u"SOFTWARE\\Mirelbrook";

std::u16string SystemFolder() {
    wchar_t path[MAX_PATH] = {};
    GetSystemDirectoryW(path, MAX_PATH);
    return U16(path);
}

std::wstring W(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

void WriteTestFile(const std::u16string& path) {
    const HANDLE file = CreateFileW(WStr(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, "data", 4, &written, nullptr);
    CloseHandle(file);
}

bool KeyExists(const std::u16string& key) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, WStr(key), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

std::u16string ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return U16(path);
}

// Counts the programs the run starts through the shell while it lives, and starts them as
// asked: a run that started no command interpreter has scheduled no deletion, with no need to
// wait and see whether one runs.
class TShellExecuteWatch {
public:
    TShellExecuteWatch() { Current = this; }
    TShellExecuteWatch(const TShellExecuteWatch&) = delete;
    TShellExecuteWatch& operator=(const TShellExecuteWatch&) = delete;
    ~TShellExecuteWatch() { Current = nullptr; }
    int Started = 0;

private:
    static BOOL WINAPI Count(SHELLEXECUTEINFOW* Info) {
        ++Current->Started;
        return Current->FPatch.Original<decltype(&ShellExecuteExW)>()(Info);
    }
    inline static TShellExecuteWatch* Current = nullptr;
    TImportPatch FPatch{"shell32.dll", "ShellExecuteExW", reinterpret_cast<const void*>(&Count)};
};

class UninstallFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(cmdstandin::Install()); }
    static void TearDownTestSuite() { cmdstandin::Remove(); }

    void SetUp() override {
        FLogFolder = FreshTestFolder(u"cmd-log");
        SetEnvironmentVariableW(L"QV_CMD_STANDIN_LOG", WStr(FLogFolder));
        // No id: nothing is sent, the removal starts on the first tick.
        RegDeleteTreeW(HKEY_CURRENT_USER, WStr(MakerKeyPath));
    }
    void TearDown() override {
        cmdstandin::WaitForRuns(W(FLogFolder), FExpectedRuns, 5000);
        SetEnvironmentVariableW(L"QV_CMD_STANDIN_LOG", nullptr);
        RegDeleteTreeW(HKEY_CURRENT_USER, WStr(MakerKeyPath));
        RegDeleteTreeW(HKEY_CURRENT_USER, WStr(ProgramsListKey));
    }

    // A folder as an install leaves it, with the user's files beside the executables.
    static std::u16string MakeInstallation(const std::u16string& folder) {
        CreateDirectoryW(WStr(folder), nullptr);
        WriteTestFile(folder + u"\\Quorvalent.exe");
        WriteTestFile(folder + u"\\QuorvalentInstaller.exe");
        WriteTestFile(folder + u"\\workspace.json");
        CreateDirectoryW(WStr(folder + u"\\requests"), nullptr);
        WriteTestFile(folder + u"\\requests\\history.db");
        return folder;
    }

    // The settings key with values and subkeys, and the Programs entry.
    static void MakeRegistry(const std::u16string& folder) {
        WriteRegString(AppRegistryKey, u"InstallationSource", u"Website");
        WriteRegString(std::u16string(AppRegistryKey) + u"Workspaces\\Recent", u"1", u"C:\\w");
        WriteRegString(ProgramsListKey, u"InstallLocation", folder);
    }

    // Presses the action button of an uninstall window with delete-data on and runs the
    // message loop until the form ends the application.
    void UninstallWithDeleteData(const std::u16string& folder) {
        TTestRun run(u"/uninstall /dir=\"" + folder + u"\"");
        ASSERT_EQ(RunModeName(run.Session.RunMode()), u"Uninstall");
        run.Form->SetDeleteDataChecked(true);
        run.Form->ActionButtonClick(run.Form.get());
        ASSERT_TRUE(run.Session.ActionInProgress());
        PumpMessagesFor(20000, [&] { return run.Application.Terminated(); });
        ASSERT_TRUE(run.Application.Terminated());
        EXPECT_EQ(run.Application.ExitCode, 0);
    }

    std::vector<TCmdRun> WaitForRuns(size_t count) {
        FExpectedRuns = count;
        return cmdstandin::WaitForRuns(W(FLogFolder), count, 20000);
    }

    // Only the two executables went: by two del commands, after one and two seconds, each
    // naming exactly one file of the folder.
    void ExpectOnlyExecutablesDeleted(const std::u16string& folder) {
        const auto runs = WaitForRuns(2);
        ASSERT_EQ(runs.size(), 2u);
        const std::u16string names[] = {u"Quorvalent.exe", u"QuorvalentInstaller.exe"};
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(runs[i].Parameters, W(DeleteFileCommand(names[i], int(i + 1))));
            EXPECT_EQ(runs[i].Line, W(u"timeout " + IntToStr(long(i + 1)) + u" && del /f /q /a:-d \"" +
                                      JoinPath(DeletionFolderValue(folder), names[i]) + u"\""));
            EXPECT_EQ(runs[i].WorkingFolder, W(SystemFolder()));
            EXPECT_EQ(runs[i].Error, L"");
        }
        EXPECT_FALSE(FileExists(folder + u"\\Quorvalent.exe"));
        EXPECT_FALSE(FileExists(folder + u"\\QuorvalentInstaller.exe"));
        EXPECT_TRUE(FileExists(folder + u"\\workspace.json"));
        EXPECT_TRUE(FileExists(folder + u"\\requests\\history.db"));
        // The settings go in every case: that part of the option is always safe.
        EXPECT_FALSE(KeyExists(AppRegistryKey));
    }

    std::u16string FLogFolder;
    size_t FExpectedRuns = 0;
};

TEST_F(UninstallFormTest, DeleteDataRemovesTheSettingsWithSubkeysAndTheWholeFolder) {
    const std::u16string folder = MakeInstallation(FreshTestFolder(u"delete-data") + u"\\Quorvalent");
    MakeRegistry(folder);
    UninstallWithDeleteData(folder);

    EXPECT_FALSE(KeyExists(AppRegistryKey));
    EXPECT_FALSE(KeyExists(std::u16string(AppRegistryKey) + u"Workspaces"));
    EXPECT_TRUE(KeyExists(MakerKeyPath));
    EXPECT_FALSE(KeyExists(ProgramsListKey));

    const auto runs = WaitForRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Parameters, W(DeleteFolderCommand()));
    EXPECT_EQ(runs[0].Line, W(u"timeout 1 && rmdir /s /q \"" + folder + u"\""));
    EXPECT_EQ(runs[0].Waited, 1);
    EXPECT_EQ(runs[0].Error, L"");
    EXPECT_FALSE(DirectoryExists(folder));
    EXPECT_TRUE(DirectoryExists(folder.substr(0, folder.rfind(u'\\'))));
}

TEST_F(UninstallFormTest, DeleteDataOffKeepsSettingsAndFolder) {
    const std::u16string folder = MakeInstallation(FreshTestFolder(u"keep-data") + u"\\Quorvalent");
    MakeRegistry(folder);
    TTestRun run(u"/uninstall /dir=\"" + folder + u"\"");
    run.Form->ActionButtonClick(run.Form.get());
    PumpMessagesFor(20000, [&] { return run.Application.Terminated(); });
    ASSERT_TRUE(run.Application.Terminated());
    EXPECT_TRUE(KeyExists(std::u16string(AppRegistryKey) + u"Workspaces\\Recent"));
    EXPECT_FALSE(KeyExists(ProgramsListKey));
    const auto runs = WaitForRuns(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].Parameters, W(DeleteFileCommand(u"Quorvalent.exe", 1)));
    EXPECT_TRUE(FileExists(folder + u"\\workspace.json"));
    EXPECT_FALSE(FileExists(folder + u"\\QuorvalentInstaller.exe"));
}

TEST_F(UninstallFormTest, FolderWithoutTheInstallationIsNotDeleted) {
    const std::u16string folder = FreshTestFolder(u"someone-elses");
    WriteTestFile(folder + u"\\workspace.json");
    CreateDirectoryW(WStr(folder + u"\\requests"), nullptr);
    WriteTestFile(folder + u"\\requests\\history.db");
    // A folder in the place of an executable is not one to hand to del, which would empty it.
    CreateDirectoryW(WStr(folder + u"\\Quorvalent.exe"), nullptr);
    WriteTestFile(folder + u"\\Quorvalent.exe\\inside.txt");
    MakeRegistry(folder);
    const TShellExecuteWatch shell;
    UninstallWithDeleteData(folder);
    EXPECT_EQ(shell.Started, 0) << "a command interpreter was started";
    EXPECT_TRUE(cmdstandin::ReadRuns(W(FLogFolder)).empty()) << "nothing there was the installation's";
    EXPECT_TRUE(FileExists(folder + u"\\workspace.json"));
    EXPECT_TRUE(FileExists(folder + u"\\requests\\history.db"));
    EXPECT_TRUE(FileExists(folder + u"\\Quorvalent.exe\\inside.txt"));
    EXPECT_FALSE(KeyExists(AppRegistryKey));
}

TEST_F(UninstallFormTest, KnownFolderHoldingTheExecutablesIsNotDeleted) {
    // The roaming application-data folder itself, with the executables put straight into it.
    const std::u16string appData = GetAppDataFolder();
    ASSERT_FALSE(appData.empty());
    MakeInstallation(appData);
    MakeRegistry(appData);
    UninstallWithDeleteData(appData);
    ExpectOnlyExecutablesDeleted(appData);
    EXPECT_TRUE(DirectoryExists(appData + u"\\Microsoft"));
    DeleteFileW(WStr(appData + u"\\workspace.json"));
    RemoveTestTree(appData + u"\\requests");
}

TEST_F(UninstallFormTest, FolderAboveAKnownFolderIsNotDeleted) {
    // The profile's parent holds every user's profile.
    const std::u16string profile = ShellFolder(CSIDL_PROFILE);
    const std::u16string users = profile.substr(0, profile.rfind(u'\\'));
    MakeInstallation(users);
    MakeRegistry(users);
    UninstallWithDeleteData(users);
    ExpectOnlyExecutablesDeleted(users);
    EXPECT_TRUE(DirectoryExists(profile));
    DeleteFileW(WStr(users + u"\\workspace.json"));
    RemoveTestTree(users + u"\\requests");
}

TEST_F(UninstallFormTest, DriveRootIsNotDeleted) {
    // The prefix's own system drive; "del /s" from its root walked the whole drive.
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::u16string root = U16(windows).substr(0, 3);
    ASSERT_EQ(root.substr(1), u":\\");
    const std::u16string base = root.substr(0, 2);
    MakeInstallation(root);
    MakeRegistry(root);
    // The user's copies of the same names in a folder below.
    WriteTestFile(base + u"\\requests\\Quorvalent.exe");
    WriteTestFile(base + u"\\requests\\QuorvalentInstaller.exe");
    UninstallWithDeleteData(root);
    ExpectOnlyExecutablesDeleted(root);
    EXPECT_TRUE(FileExists(base + u"\\requests\\Quorvalent.exe"));
    EXPECT_TRUE(FileExists(base + u"\\requests\\QuorvalentInstaller.exe"));
    EXPECT_TRUE(DirectoryExists(U16(windows)));
    DeleteFileW(WStr(base + u"\\workspace.json"));
    RemoveTestTree(base + u"\\requests");
}

TEST_F(UninstallFormTest, FolderTheInterpreterWouldExpandIsNotDeleted) {
    // Undefined names stay as they are, so the executables are still found and deleted.
    for (const std::u16string name : {u"a%QV_NOT_DEFINED%b", u"a!QV_NOT_DEFINED!b"}) {
        FLogFolder = FreshTestFolder(u"cmd-log");
        SetEnvironmentVariableW(L"QV_CMD_STANDIN_LOG", WStr(FLogFolder));
        const std::u16string folder = MakeInstallation(FreshTestFolder(u"expand") + u"\\" + name);
        MakeRegistry(folder);
        UninstallWithDeleteData(folder);
        ExpectOnlyExecutablesDeleted(folder);
    }
}

TEST_F(UninstallFormTest, RelativeFolderIsNeitherProbedNorDeleted) {
    // Relative text names no folder of its own: whatever the current folder holds stays.
    const std::u16string base = FreshTestFolder(u"relative");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(WStr(base));
    MakeInstallation(u"Quorvalent");
    MakeRegistry(u"Quorvalent");
    const TShellExecuteWatch shell;
    UninstallWithDeleteData(u"Quorvalent");
    SetCurrentDirectoryW(saved);
    EXPECT_FALSE(KeyExists(ProgramsListKey));
    EXPECT_EQ(shell.Started, 0) << "a command interpreter was started";
    EXPECT_TRUE(cmdstandin::ReadRuns(W(FLogFolder)).empty());
    EXPECT_TRUE(FileExists(base + u"\\Quorvalent\\QuorvalentInstaller.exe"));
    EXPECT_FALSE(DirectoryExists(base + u"\\Quorvalent\\TestAccess"));
}

TEST_F(UninstallFormTest, ShortcutsAndAnEmptiedStartMenuFolderAreRemoved) {
    const std::u16string menu = GetAppDataFolder() + StartMenuProgramsSuffix + MakerName;
    ForceDirectories(menu);
    WriteTestFile(menu + u"\\Quorvalent.lnk");
    const std::u16string desktop = GetDesktopFolder(nullptr) + u"\\Quorvalent.lnk";
    WriteTestFile(desktop);
    const std::u16string folder = MakeInstallation(FreshTestFolder(u"shortcuts") + u"\\Quorvalent");
    TTestRun run(u"/uninstall /dir=\"" + folder + u"\"");
    run.Session.DeleteShortcuts();
    EXPECT_FALSE(FileExists(desktop));
    EXPECT_FALSE(DirectoryExists(menu));
    // Nothing to delete is no error.
    run.Session.DeleteShortcuts();
}

TEST(KnownFolders, HoldTheFoldersThatMustNeverBeDeleted) {
    const auto known = KnownFolderPaths();
    const auto has = [&](const std::u16string& path) {
        return std::any_of(known.begin(), known.end(), [&](const std::u16string& k) {
            return PlatformUpperCase(k) == PlatformUpperCase(path);
        });
    };
    for (const int csidl : {CSIDL_PROFILE, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_DESKTOPDIRECTORY,
                            CSIDL_PERSONAL, CSIDL_PROGRAM_FILES, CSIDL_WINDOWS, CSIDL_SYSTEM}) {
        const std::u16string path = ShellFolder(csidl);
        ASSERT_FALSE(path.empty()) << csidl;
        EXPECT_TRUE(has(path)) << W(path);
    }
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_TRUE(has(U16(temp)));
}

TEST(KnownFolders, FinalPathIsOneSpellingOfAFolder) {
    const std::u16string folder = FreshTestFolder(u"Final Path");
    const std::u16string final = FinalPath(folder);
    ASSERT_FALSE(final.empty());
    EXPECT_EQ(PlatformUpperCase(FinalPath(PlatformUpperCase(folder))), PlatformUpperCase(final));
    EXPECT_EQ(FinalPath(folder + u"\\..\\Final Path"), final);
    EXPECT_EQ(FinalPath(folder + u"\\missing"), u"");
}

TEST(KnownFolders, PlatformUpperCaseFoldsBeyondAscii) {
    EXPECT_EQ(PlatformUpperCase(u"c:\\users\\j\u00F6rg\\\u0434"), u"C:\\USERS\\J\u00D6RG\\\u0414");
    EXPECT_EQ(PlatformUpperCase(u""), u"");
}

} // namespace
