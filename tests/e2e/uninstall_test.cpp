// Silent uninstalls of the real installer, started from the install folder as the Programs
// list starts it, with the web API played by a local HTTP server and cmd.exe by the
// stand-in that logs the exact commands and carries out the deletions.
// Winsock first: it must come before <windows.h>.
#include "tests/windows/test_http_server.h"

#include <windows.h>
#include <oleacc.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/e2e/cmd_standin_log.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/window_support.h"

using namespace e2e;
using cmdstandin::TCmdRun;
using testhttp::TServerMode;
using testhttp::TTestHttpServer;

namespace {

const std::wstring GuidId = L"0f8fad5b-d9cb-469f-a165-70867728950e";

struct TUninstallRun {
    DWORD ExitCode = STILL_ACTIVE;
    bool TimedOut = false;
    DWORD ElapsedMs = 0;
    uint64_t ExitTime = 0; // FILETIME
    uint64_t PeakWorkingSet = 0;
};

std::wstring Wide(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

class UninstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(cmdstandin::Install()); }
    static void TearDownTestSuite() { cmdstandin::Remove(); }

    void SetUp() override {
        ResetInstallState();
        FLogFolder = FreshFolder(L"cmd-log");
    }
    void TearDown() override {
        // The stand-ins of a failed test may still be waiting to delete.
        cmdstandin::WaitForRuns(FLogFolder, FExpectedRuns, 5000);
        ResetInstallState();
    }

    // A silent install into the default folder, with both shortcuts and the Programs entry.
    void Install() {
        const TRunResult run = RunInstaller(L"/verysilent");
        ASSERT_FALSE(run.TimedOut);
        ASSERT_EQ(run.ExitCode, 0u);
        ASSERT_TRUE(FileExists(Folder() + L"\\QuorvalentInstaller.exe"));
        ASSERT_TRUE(FileExists(DesktopLink()));
        ASSERT_TRUE(FileExists(MenuLink()));
        ASSERT_TRUE(RegKeyExists(UninstallKey));
    }

    static void UseApi(const std::wstring& Address, const std::wstring& Id) {
        SetRegString(AppKey, L"ApiAddress", Address);
        if (!Id.empty()) {
            SetRegString(AppKey, L"InstallationId", Id);
        }
    }

    // The exact parameters of the delayed deletion's interpreter: no folder text in them.
    static std::wstring ExeCommand(int Seconds, const std::wstring& Name) {
        return L"/d /v:off /c timeout " + std::to_wstring(Seconds) +
               L" && del /f /q /a:-d \"%QUORVALENT_UNINSTALL_FOLDER%\\" + Name + L"\"";
    }

    // "QuorvalentInstaller.exe" /uninstall /silent, from the install folder (or Installer), with
    // Switches after it.
    TUninstallRun Uninstall(DWORD TimeoutMs = 90000, const std::wstring& Installer = {},
                            const std::vector<std::wstring>& Environment = {},
                            const std::wstring& Switches = {}) {
        std::vector<std::wstring> environment = {L"QV_CMD_STANDIN_LOG=" + FLogFolder, L"http_proxy",
                                                 L"https_proxy"};
        environment.insert(environment.end(), Environment.begin(), Environment.end());
        const HANDLE process =
            Start(Installer.empty() ? Folder() + L"\\QuorvalentInstaller.exe" : Installer,
                  L"/uninstall /silent /log=\"" + InstallerLog() + L"\" " + Switches, environment);
        TUninstallRun run;
        const DWORD start = GetTickCount();
        // The peak is sampled while the process lives: an ended process reports no memory.
        while (WaitForSingleObject(process, 10) == WAIT_TIMEOUT) {
            PROCESS_MEMORY_COUNTERS counters{};
            counters.cb = sizeof(counters);
            if (K32GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
                run.PeakWorkingSet = std::max<uint64_t>(run.PeakWorkingSet, counters.PeakWorkingSetSize);
            }
            if (GetTickCount() - start > TimeoutMs) {
                run.TimedOut = true;
                TerminateProcess(process, 999);
                WaitForSingleObject(process, 5000);
                break;
            }
        }
        run.ElapsedMs = GetTickCount() - start;
        FILETIME created, exited, kernel, user;
        if (GetProcessTimes(process, &created, &exited, &kernel, &user)) {
            run.ExitTime = (static_cast<uint64_t>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
        }
        GetExitCodeProcess(process, &run.ExitCode);
        CloseHandle(process);
        return run;
    }

    // The installer's own log of its runs in this test.
    std::wstring InstallerLog() const { return FLogFolder + L"\\installer.log"; }
    // Whether an ended run started a delayed deletion: it logs each one it starts, so once it
    // has ended there is nothing to wait for.
    bool ScheduledADeletion() const {
        return ReadUtf8File(InstallerLog()).find(L"Scheduled the deletion") != std::wstring::npos;
    }

    std::vector<TCmdRun> WaitForRuns(size_t Count) {
        FExpectedRuns = Count;
        return cmdstandin::WaitForRuns(FLogFolder, Count, 30000);
    }

    // The removal that every uninstall does before it exits.
    static void ExpectShortcutsAndEntryRemoved() {
        EXPECT_FALSE(FileExists(DesktopLink()));
        EXPECT_FALSE(FileExists(MenuLink()));
        EXPECT_FALSE(DirectoryExists(StartMenuFolder()));
        EXPECT_FALSE(RegKeyExists(UninstallKey));
        // Settings stay without the delete-data option.
        EXPECT_TRUE(RegKeyExists(AppKey));
        EXPECT_TRUE(ReadRegValue(AppKey, L"InstallationSource").has_value());
    }

    // Both executables deleted by the two delayed commands; nothing else touched.
    void ExpectExecutablesDeletedLater(const TUninstallRun& run) {
        const auto runs = WaitForRuns(2);
        ASSERT_EQ(runs.size(), 2u);
        const std::wstring folder = Folder();
        EXPECT_EQ(runs[0].Parameters, ExeCommand(1, L"Quorvalent.exe"));
        EXPECT_EQ(runs[1].Parameters, ExeCommand(2, L"QuorvalentInstaller.exe"));
        EXPECT_EQ(runs[0].Waited, 1);
        EXPECT_EQ(runs[1].Waited, 2);
        EXPECT_EQ(runs[0].Deleted, std::vector<std::wstring>{folder + L"\\Quorvalent.exe"});
        EXPECT_EQ(runs[1].Deleted, std::vector<std::wstring>{folder + L"\\QuorvalentInstaller.exe"});
        // The installer had exited before its own executable was deleted.
        EXPECT_GT(runs[1].Finished, run.ExitTime);
        EXPECT_GT(runs[1].Finished, runs[0].Finished);
        for (const auto& cmd : runs) {
            EXPECT_EQ(cmd.Error, L"");
        }
        std::vector<std::wstring> left = ListFolder(folder);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::wstring>{L"sub", L"workspace.json"}));
        EXPECT_TRUE(FileExists(folder + L"\\sub\\requests.db"));
    }

    // Files of the user's that an uninstall without delete-data must leave.
    static void AddUserFiles() {
        WriteFileBytes(Folder() + L"\\workspace.json", Bytes(100, 'w'));
        CreateDirectoryW((Folder() + L"\\sub").c_str(), nullptr);
        WriteFileBytes(Folder() + L"\\sub\\requests.db", Bytes(100, 'r'));
    }

    static std::wstring Folder() { return DefaultInstallFolder(); }
    // R: is a drive of the test prefix, for installations at a drive's root.
    static void EmptyDriveR() {
        ASSERT_TRUE(DirectoryExists(L"R:\\"));
        for (const auto& name : ListFolder(L"R:")) {
            RemoveTree(L"R:\\" + name);
        }
    }
    static std::wstring DesktopLink() { return DesktopFolder() + L"\\Quorvalent.lnk"; }
    static std::wstring MenuLink() { return StartMenuFolder() + L"\\Quorvalent.lnk"; }

    std::wstring FLogFolder;
    size_t FExpectedRuns = 0;
};

TEST_F(UninstallTest, SilentUninstallNotifiesTheApiOnceAndRemovesTheProduct) {
    TTestHttpServer server(TServerMode::smAnswer);
    Install();
    AddUserFiles();
    UseApi(Wide(server.ApiAddress()), GuidId);

    const TUninstallRun run = Uninstall();
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.Method, "POST");
    EXPECT_EQ(request.Target, "/api/releases.uninstall");
    EXPECT_EQ(request.Body, "{\"installationId\":\"0f8fad5b-d9cb-469f-a165-70867728950e\"}");
    EXPECT_EQ(request.Body.size(), 57u);
    EXPECT_EQ(request.Values("Connection"), std::vector<std::string>{"keep-alive"});
    EXPECT_EQ(request.Values("Accept"), std::vector<std::string>{"application/json"});
    EXPECT_EQ(request.Values("Content-Type"), std::vector<std::string>{"application/json;charset=UTF-8"});
    const std::wstring version = ProductVersion();
    EXPECT_EQ(request.Values("User-Agent"),
              std::vector<std::string>{"Quorvalent/" + std::string(version.begin(), version.end())});
    EXPECT_TRUE(request.Values("Cookie").empty());

    ExpectShortcutsAndEntryRemoved();
    EXPECT_EQ(ReadRegValue(AppKey, L"InstallationId")->Text, GuidId);
    EXPECT_TRUE(RegKeyExists(MakerKey));
    ExpectExecutablesDeletedLater(run);
    std::printf("uninstall with notification: %lu ms, peak working set %llu KiB\n", run.ElapsedMs,
                static_cast<unsigned long long>(run.PeakWorkingSet / 1024));
}

TEST_F(UninstallTest, WithoutAValidIdNothingIsSentAndTheRemovalGoesOn) {
    // A server that would hold a request for the whole time-out: no request may reach it.
    TTestHttpServer server(TServerMode::smHang);
    for (const std::wstring& id : {std::wstring(), L"{" + GuidId + L"}"}) {
        SCOPED_TRACE(id.size());
        ResetInstallState();
        FLogFolder = FreshFolder(L"cmd-log");
        Install();
        AddUserFiles();
        UseApi(Wide(server.ApiAddress()), id);
        const TUninstallRun run = Uninstall();
        ASSERT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, 0u);
        ExpectShortcutsAndEntryRemoved();
        ExpectExecutablesDeletedLater(run);
        std::printf("uninstall with %zu-character id: %lu ms\n", id.size(), run.ElapsedMs);
    }
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(UninstallTest, HangingApiHoldsTheRemovalOnlyForTheTimeOut) {
    const struct {
        TServerMode Mode;
        const char* What;
    } servers[] = {
        {TServerMode::smHang, "a hanging API"},
        // Each header byte arrived within the time-outs, and the trickle held the removal
        // without limit: only an overall limit ends that wait.
        {TServerMode::smTrickleHeaders, "an API trickling its headers"},
    };
    for (const auto& s : servers) {
        SCOPED_TRACE(s.What);
        ResetInstallState();
        FLogFolder = FreshFolder(L"cmd-log");
        TTestHttpServer server(s.Mode);
        Install();
        AddUserFiles();
        UseApi(Wide(server.ApiAddress()), GuidId);
        const TUninstallRun run = Uninstall();
        ASSERT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, 0u);
        EXPECT_EQ(server.Requests().size(), 1u);
        // WinHTTP's own defaults would wait 30 s and more.
        EXPECT_LT(run.ElapsedMs, 25000u);
        ExpectShortcutsAndEntryRemoved();
        ExpectExecutablesDeletedLater(run);
        std::printf("uninstall against %s: %lu ms\n", s.What, run.ElapsedMs);
    }
}

TEST_F(UninstallTest, UnreachableApiDoesNotStopTheRemoval) {
    Install();
    AddUserFiles();
    UseApi(L"http://127.0.0.1:" + std::to_wstring(TTestHttpServer::UnusedPort()) + L"/api", GuidId);
    const TUninstallRun run = Uninstall();
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_LT(run.ElapsedMs, 25000u);
    ExpectShortcutsAndEntryRemoved();
    ExpectExecutablesDeletedLater(run);
    std::printf("uninstall against an unreachable API: %lu ms\n", run.ElapsedMs);
}

TEST_F(UninstallTest, EndlessAnswerDoesNotGrowTheMemory) {
    // The same uninstall once with a normal answer, as the measure, then with an endless one.
    uint64_t baseline = 0;
    {
        TTestHttpServer server(TServerMode::smAnswer);
        Install();
        UseApi(Wide(server.ApiAddress()), GuidId);
        const TUninstallRun run = Uninstall();
        ASSERT_EQ(run.ExitCode, 0u);
        baseline = run.PeakWorkingSet;
        WaitForRuns(2);
    }
    ResetInstallState();
    FLogFolder = FreshFolder(L"cmd-log");
    TTestHttpServer server(TServerMode::smEndlessBody);
    Install();
    UseApi(Wide(server.ApiAddress()), GuidId);
    const TUninstallRun run = Uninstall();
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);
    ASSERT_GT(baseline, 0u);
    ASSERT_GT(run.PeakWorkingSet, 0u);
    // Reading 64 KiB in 4 KiB chunks leaves no trace; the server would have sent without end.
    EXPECT_LT(run.PeakWorkingSet, baseline + 4 * 1024 * 1024);
    ExpectShortcutsAndEntryRemoved();
    std::printf("peak working set: %llu KiB with a normal answer, %llu KiB with an endless one; the server "
                "sent %llu KiB\n",
                static_cast<unsigned long long>(baseline / 1024),
                static_cast<unsigned long long>(run.PeakWorkingSet / 1024),
                static_cast<unsigned long long>(server.BodyBytesSent() / 1024));
    WaitForRuns(2);
}

TEST_F(UninstallTest, StartMenuFolderWithAnotherShortcutStays) {
    Install();
    const std::wstring other = StartMenuFolder() + L"\\Other Tool.lnk";
    WriteFileBytes(other, Bytes(10, 'l'));
    const TUninstallRun run = Uninstall();
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_FALSE(FileExists(MenuLink()));
    EXPECT_TRUE(FileExists(other));
    EXPECT_FALSE(FileExists(DesktopLink()));
    WaitForRuns(2);
}

TEST_F(UninstallTest, ShortcutThatCannotBeDeletedEndsASilentRunWithCode1) {
    Install();
    // Held open without delete sharing, the desktop shortcut cannot be deleted.
    const HANDLE held =
        CreateFileW(DesktopLink().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const TUninstallRun run = Uninstall(60000);
    CloseHandle(held);
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 1u);
    // The steps after the failing one did not run.
    EXPECT_TRUE(RegKeyExists(UninstallKey));
    EXPECT_FALSE(ScheduledADeletion());
    EXPECT_TRUE(cmdstandin::ReadRuns(FLogFolder).empty());
    EXPECT_TRUE(FileExists(Folder() + L"\\QuorvalentInstaller.exe"));
}

TEST_F(UninstallTest, DelayedDeletionRemovedFilesThatWereNotTheInstallations) {
    // del /s deleted the user's copies of the two names in every folder below; the interpreter
    // expanded %NAME% in the folder text and deleted in another folder; del without /f left a
    // read-only product behind.
    const std::wstring elsewhere = FreshFolder(L"elsewhere");
    for (const std::wstring name :
         {L"plain", L"%QV_ELSEWHERE%", L"50%off", L"bang!QV_ELSEWHERE!x", L"caret^and&amp"}) {
        SCOPED_TRACE(std::string(name.begin(), name.end()));
        ResetInstallState();
        FLogFolder = FreshFolder(L"cmd-log");
        const std::wstring folder = FreshFolder(L"texts") + L"\\" + name;
        ASSERT_EQ(RunInstaller(L"/verysilent /dir=\"" + folder + L"\"").ExitCode, 0u);
        CreateDirectoryW((folder + L"\\backup").c_str(), nullptr);
        for (const std::wstring& copyFolder : {folder + L"\\backup", elsewhere}) {
            WriteFileBytes(copyFolder + L"\\Quorvalent.exe", Bytes(10, 'c'));
            WriteFileBytes(copyFolder + L"\\QuorvalentInstaller.exe", Bytes(10, 'c'));
        }
        WriteFileBytes(folder + L"\\workspace.json", Bytes(10, 'w'));
        SetFileAttributesW((folder + L"\\Quorvalent.exe").c_str(), FILE_ATTRIBUTE_READONLY);

        const TUninstallRun run =
            Uninstall(90000, folder + L"\\QuorvalentInstaller.exe", {L"QV_ELSEWHERE=..\\elsewhere"});
        ASSERT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, 0u);
        const auto runs = WaitForRuns(2);
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[0].Parameters, ExeCommand(1, L"Quorvalent.exe"));
        EXPECT_EQ(runs[1].Parameters, ExeCommand(2, L"QuorvalentInstaller.exe"));
        EXPECT_EQ(runs[0].Deleted, std::vector<std::wstring>{folder + L"\\Quorvalent.exe"});
        EXPECT_EQ(runs[1].Deleted, std::vector<std::wstring>{folder + L"\\QuorvalentInstaller.exe"});
        std::vector<std::wstring> left = ListFolder(folder);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::wstring>{L"backup", L"workspace.json"}));
        EXPECT_EQ(ListFolder(folder + L"\\backup").size(), 2u);
        EXPECT_EQ(ListFolder(elsewhere).size(), 2u);
        EXPECT_FALSE(RegKeyExists(UninstallKey));
    }
}

TEST_F(UninstallTest, InstallationAtADriveRootLosesOnlyItsTwoFiles) {
    // R: is a drive of the test prefix; "del /s" from a root walked the whole drive.
    EmptyDriveR();
    ASSERT_EQ(RunInstaller(L"/verysilent /dir=R:\\").ExitCode, 0u);
    EXPECT_EQ(ReadRegValue(UninstallKey, L"UninstallString")->Text,
              L"\"R:\\QuorvalentInstaller.exe\" /uninstall");
    CreateDirectoryW(L"R:\\backup", nullptr);
    WriteFileBytes(L"R:\\backup\\Quorvalent.exe", Bytes(10, 'c'));
    WriteFileBytes(L"R:\\docs.txt", Bytes(10, 'd'));
    const TUninstallRun run = Uninstall(90000, L"R:\\QuorvalentInstaller.exe");
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);
    const auto runs = WaitForRuns(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].Deleted, std::vector<std::wstring>{L"R:\\Quorvalent.exe"});
    EXPECT_EQ(runs[1].Deleted, std::vector<std::wstring>{L"R:\\QuorvalentInstaller.exe"});
    std::vector<std::wstring> left = ListFolder(L"R:");
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::wstring>{L"backup", L"docs.txt"}));
    EXPECT_TRUE(FileExists(L"R:\\backup\\Quorvalent.exe"));
    RemoveTree(L"R:\\backup");
    RemoveTree(L"R:\\docs.txt");
}

TEST_F(UninstallTest, DeleteDataOnTheCommandLineRemovesTheFolderAndTheSettings) {
    Install();
    AddUserFiles();
    SetRegString(std::wstring(AppKey) + L"\\Workspaces", L"Recent", L"C:\\w");
    const TUninstallRun run = Uninstall(90000, {}, {}, L"/DeleteData");
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);
    const auto runs = WaitForRuns(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Parameters, L"/d /v:off /c timeout 1 && rmdir /s /q \"%QUORVALENT_UNINSTALL_FOLDER%\"");
    EXPECT_TRUE(WaitFor([] { return !DirectoryExists(Folder()); }, 20000));
    EXPECT_FALSE(RegKeyExists(AppKey)) << "the settings go with their subkeys";
    EXPECT_FALSE(RegKeyExists(UninstallKey));
    EXPECT_NE(
        ReadUtf8File(InstallerLog()).find(L"Choices: delete local workspaces, requests and the settings on"),
        std::wstring::npos);
}

TEST_F(UninstallTest, DeleteDataOnTheCommandLineStillRefusesADriveRoot) {
    EmptyDriveR();
    ASSERT_EQ(RunInstaller(L"/verysilent /dir=R:\\").ExitCode, 0u);
    WriteFileBytes(L"R:\\docs.txt", Bytes(10, 'd'));
    const TUninstallRun run = Uninstall(90000, L"R:\\QuorvalentInstaller.exe", {}, L"/deletedata");
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);
    // Only the two executables go; the drive's other files stay, the settings go.
    const auto runs = WaitForRuns(2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].Deleted, std::vector<std::wstring>{L"R:\\Quorvalent.exe"});
    EXPECT_EQ(runs[1].Deleted, std::vector<std::wstring>{L"R:\\QuorvalentInstaller.exe"});
    EXPECT_EQ(ListFolder(L"R:"), std::vector<std::wstring>{L"docs.txt"});
    EXPECT_FALSE(RegKeyExists(AppKey));
    EXPECT_NE(ReadUtf8File(InstallerLog()).find(L"is not plainly this installation's own"),
              std::wstring::npos);
    RemoveTree(L"R:\\docs.txt");
}

TEST_F(UninstallTest, TheUninstallWindowStartsWithDeleteDataAsTheCommandLineSetIt) {
    Install();
    for (const bool asked : {false, true}) {
        TInstallerWindow window(asked ? L"/uninstall /deletedata" : L"/uninstall");
        ASSERT_NE(window.Form(), nullptr);
        // Desktop, Start menu, run after, agreement, delete data: the fifth switch.
        const HWND deleteData = window.Control(L"QuorvalentSwitch", 4);
        ASSERT_TRUE(IsWindowVisible(deleteData));
        EXPECT_EQ((ReadFromOutside(deleteData).State & STATE_SYSTEM_CHECKED) != 0, asked);
    }
}

TEST_F(UninstallTest, InstallationWhoseFolderIsGoneCouldNeverBeRemoved) {
    Install();
    // Deleted by hand, or on a drive that is no longer there.
    RemoveTree(Folder());
    const TUninstallRun run = Uninstall(90000, InstallerPath());
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_FALSE(RegKeyExists(UninstallKey));
    EXPECT_FALSE(FileExists(DesktopLink()));
    EXPECT_FALSE(FileExists(MenuLink()));
    EXPECT_FALSE(DirectoryExists(Folder()));
    EXPECT_FALSE(ScheduledADeletion());
    EXPECT_TRUE(cmdstandin::ReadRuns(FLogFolder).empty());
}

TEST_F(UninstallTest, UninstallOnACleanMachineCreatedTheDefaultFolder) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const TUninstallRun run = Uninstall(90000, InstallerPath());
        ASSERT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, 0u);
    }
    EXPECT_FALSE(DirectoryExists(AppDataFolder() + L"\\Mirelbrook"));
    EXPECT_FALSE(RegKeyExists(UninstallKey));
    EXPECT_FALSE(ScheduledADeletion());
    EXPECT_TRUE(cmdstandin::ReadRuns(FLogFolder).empty());
}

} // namespace
