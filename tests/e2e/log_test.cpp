// The log of unattended runs, asked for with "/log=": what a silent install, a failure and an
// uninstall write to it, that a log which cannot be written changes nothing, and that the
// switches deployment tools pass by habit are accepted.
// Winsock first: it must come before <windows.h>.
#include "tests/windows/test_http_server.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/cmd_standin_log.h"
#include "tests/e2e/e2e_support.h"

using namespace e2e;
using testhttp::TServerMode;
using testhttp::TTestHttpServer;

namespace {

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find(L"\r\n", pos);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

bool Has(const std::vector<std::wstring>& lines, const std::wstring& part) {
    for (const auto& line : lines) {
        if (line.find(part) != std::wstring::npos) {
            return true;
        }
    }
    return false;
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstallState();
        FFolder = FreshFolder(L"log");
        FLog = FFolder + L"\\logs\\deploy\\install.log";
    }
    void TearDown() override {
        CloseStandIns();
        ResetInstallState();
    }
    std::vector<std::wstring> ReadLog() const { return Lines(ReadUtf8File(FLog)); }

    std::wstring FFolder;
    std::wstring FLog;
};

TEST_F(LogTest, SilentInstallSaysWhatItDidStepByStep) {
    const std::wstring dir = FFolder + L"\\App \u00C4";
    const TRunResult run = RunInstaller(L"/verysilent /dir=\"" + dir + L"\" /log=\"" + FLog + L"\"");
    ASSERT_EQ(run.ExitCode, 0u);
    const auto lines = ReadLog();
    ASSERT_GE(lines.size(), 10u);
    for (const auto& line : lines) {
        // "YYYY-MM-DD hh:mm:ss.mmm text"
        ASSERT_GT(line.size(), 24u);
        EXPECT_EQ(line[4], L'-');
        EXPECT_EQ(line[13], L':');
        EXPECT_EQ(line[19], L'.');
    }
    for (const std::wstring& step :
         {L"Quorvalent installer " + ProductVersion() + L", command line: ",
          std::wstring(L"Run mode: Install, very silent"), L"Access probe of '" + dir + L"': writable",
          L"Wrote " + dir + L"\\Quorvalent.exe", L"Wrote " + dir + L"\\QuorvalentInstaller.exe",
          std::wstring(L"Registry: wrote the Programs-list entry"),
          std::wstring(L"InstallationSource = Website"), std::wstring(L"Shortcut: "),
          std::wstring(L"Install complete")}) {
        EXPECT_TRUE(Has(lines, step)) << std::string(step.begin(), step.end());
    }
    EXPECT_NE(lines.back().find(L"Exit code 0"), std::wstring::npos);
    // The next run appends.
    ASSERT_EQ(RunInstaller(L"/update /verysilent /log=\"" + FLog + L"\"").ExitCode, 0u);
    const auto more = ReadLog();
    EXPECT_GT(more.size(), lines.size() + 5);
    EXPECT_EQ(more[lines.size() - 1], lines.back());
}

TEST_F(LogTest, FailuresSayWhyAndWithWhichCode) {
    WriteFileBytes(FFolder + L"\\file", Bytes(3, 1));
    EXPECT_EQ(RunInstaller(L"/silent /dir=\"" + FFolder + L"\\file\\Q\" /log=\"" + FLog + L"\"").ExitCode,
              2u);
    auto lines = ReadLog();
    EXPECT_TRUE(Has(lines, L"': not writable"));
    EXPECT_NE(lines.back().find(L"Exit code 2"), std::wstring::npos);

    // A failure after the registration: the error, what was put back, and code 1.
    WriteFileBytes(StartMenuFolder(), Bytes(4, 'b'));
    EXPECT_EQ(RunInstaller(L"/verysilent /dir=\"" + FFolder + L"\\Q\" /log=\"" + FLog + L"\"").ExitCode, 1u);
    RemoveTree(StartMenuFolder());
    lines = ReadLog();
    EXPECT_TRUE(Has(lines, L"Error: "));
    EXPECT_TRUE(Has(lines, L"Putting back what was there before this run"));
    EXPECT_TRUE(Has(lines, L"Removed " + FFolder + L"\\Q\\Quorvalent.exe"));
    EXPECT_NE(lines.back().find(L"Exit code 1"), std::wstring::npos);
}

TEST_F(LogTest, LogThatCannotBeWrittenChangesNothing) {
    // A file where the log's folder would have to be, and a log that is a folder.
    WriteFileBytes(FFolder + L"\\blocked", Bytes(1, 0));
    CreateDirectoryW((FFolder + L"\\folder.log").c_str(), nullptr);
    for (const std::wstring& log : {FFolder + L"\\blocked\\install.log", FFolder + L"\\folder.log"}) {
        ResetInstallState();
        const TRunResult run = RunInstaller(L"/verysilent /log=\"" + log + L"\"");
        EXPECT_EQ(run.ExitCode, 0u) << std::string(log.begin(), log.end());
        EXPECT_TRUE(FileExists(DefaultInstallFolder() + L"\\QuorvalentInstaller.exe"));
    }
}

TEST_F(LogTest, HabitualSwitchesOfDeploymentToolsChangeNothing) {
    const TRunResult run = RunInstaller(L"/VERYSILENT /SP- /SUPPRESSMSGBOXES /NORESTART /unknown=1");
    ASSERT_EQ(run.ExitCode, 0u);
    EXPECT_TRUE(FileExists(DefaultInstallFolder() + L"\\Quorvalent.exe"));
    EXPECT_TRUE(RegKeyExists(UninstallKey));
    // And without "/log=" no log appears beside the installation or in the temp folder.
    for (const auto& name : ListFolder(DefaultInstallFolder())) {
        EXPECT_EQ(name.find(L".log"), std::wstring::npos) << std::string(name.begin(), name.end());
    }
}

TEST_F(LogTest, UninstallLogsTheNotificationButNeverTheWholeId) {
    ASSERT_TRUE(cmdstandin::Install());
    const std::wstring cmdLog = FreshFolder(L"log-cmd");
    TTestHttpServer server(TServerMode::smAnswer);
    ASSERT_EQ(RunInstaller(L"/verysilent").ExitCode, 0u);
    const std::wstring id = L"0f8fad5b-d9cb-469f-a165-70867728950e";
    const std::u16string api = server.ApiAddress();
    SetRegString(AppKey, L"ApiAddress", std::wstring(api.begin(), api.end()));
    SetRegString(AppKey, L"InstallationId", id);
    const TRunResult run = e2e::Run(DefaultInstallFolder() + L"\\QuorvalentInstaller.exe",
                                    L"/uninstall /silent /log=\"" + FLog + L"\"", 60000,
                                    {L"QV_CMD_STANDIN_LOG=" + cmdLog, L"http_proxy", L"https_proxy"});
    EXPECT_EQ(run.ExitCode, 0u);
    cmdstandin::WaitForRuns(cmdLog, 2, 15000);
    cmdstandin::Remove();
    const std::wstring text = ReadUtf8File(FLog);
    EXPECT_NE(text.find(L"Web notification: sent for installation 0f8f\u2026"), std::wstring::npos)
        << "no outcome";
    EXPECT_EQ(text.find(id.substr(4)), std::wstring::npos) << "the id was written";
    EXPECT_NE(text.find(L"Registry: removed the Programs-list entry"), std::wstring::npos);
    EXPECT_NE(text.find(L"Scheduled the deletion of "), std::wstring::npos);
}

} // namespace
