// A running product is asked to close before its file is replaced or removed; one that takes a
// moment longer still lets the update or uninstall through; one that ignores the request, hangs
// or has no window at all leaves the installation as it was, silently with exit code 1 and in
// the window with a message and another try.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "tests/e2e/cmd_standin_log.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/window_support.h"

using namespace e2e;

namespace {

// A fresh silent installation whose product is marked, so that it can be told from the one an
// update writes (bytes after the image do not change how it runs); the marked bytes.
Bytes InstallMarkedProduct() {
    ResetInstallState();
    EXPECT_EQ(RunInstaller(L"/verysilent").ExitCode, 0u);
    const std::wstring product = DefaultInstallFolder() + L"\\Quorvalent.exe";
    Bytes marked = ReadFileBytes(product);
    marked.insert(marked.end(), {'o', 'l', 'd'});
    WriteFileBytes(product, marked);
    return marked;
}

class ProductCloseTest : public ::testing::Test {
protected:
    void SetUp() override {
        FOld = InstallMarkedProduct();
        FFolder = DefaultInstallFolder();
        FProduct = FFolder + L"\\Quorvalent.exe";
    }
    void TearDown() override { ResetInstallState(); }

    // Starts the installed product and waits for its window.
    HANDLE StartProduct(const std::vector<std::wstring>& environment) {
        const HANDLE process = Start(FProduct, L"", environment);
        EXPECT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"Quorvalent") != nullptr; }, 15000));
        return process;
    }

    std::wstring FFolder;
    std::wstring FProduct;
    Bytes FOld;
};

TEST_F(ProductCloseTest, RunningProductIsClosedAndReplaced) {
    const HANDLE product = StartProduct({});
    const TRunResult run = RunInstaller(L"/update /verysilent");
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_EQ(WaitForSingleObject(product, 10000), WAIT_OBJECT_0);
    CloseHandle(product);
    EXPECT_EQ(ReadFileBytes(FProduct), ProductBytes());
    EXPECT_NE(ReadUtf8File(StandInLog(FFolder)).find(L"closed"), std::wstring::npos);
}

TEST_F(ProductCloseTest, ProductThatClosesLateStillLetsTheUpdateThrough) {
    const HANDLE product = StartProduct({L"QUORVALENT_STANDIN_CLOSE_DELAY_MS=2000"});
    const TRunResult run = RunInstaller(L"/update /verysilent");
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_EQ(ReadFileBytes(FProduct), ProductBytes());
    WaitForSingleObject(product, 10000);
    CloseHandle(product);
}

TEST_F(ProductCloseTest, ProductThatRefusesToCloseFailsTheRunAndKeepsTheOldInstallation) {
    const HANDLE product = StartProduct({L"QUORVALENT_STANDIN_REFUSE_CLOSE=1"});
    const TRunResult run = RunInstaller(L"/update /verysilent", 120000);
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 1u);
    // The old product is untouched, still running, and no temporary file is left beside it.
    EXPECT_EQ(ReadFileBytes(FProduct), FOld);
    EXPECT_EQ(WaitForSingleObject(product, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    std::vector<std::wstring> files = ListFolder(FFolder);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"Quorvalent.exe", L"QuorvalentInstaller.exe",
                                                L"standin-runs.log"}));
    TerminateProcess(product, 0);
    WaitForSingleObject(product, 5000);
    CloseHandle(product);
    // The old installation still works.
    const HANDLE again = StartProduct({});
    EXPECT_NE(again, nullptr);
    CloseStandIns();
    WaitForSingleObject(again, 10000);
    CloseHandle(again);
}

// The kinds of running product an update or uninstall may meet.
struct TProductKind {
    const wchar_t* Name;
    const wchar_t* Environment;
    // The stand-in's log line once it is in that state; none: once its window shows.
    const wchar_t* Ready;
    bool Closes;
};

const TProductKind ProductKinds[] = {
    {L"closes after 2 s", L"QUORVALENT_STANDIN_CLOSE_DELAY_MS=2000", nullptr, true},
    {L"ignores WM_CLOSE", L"QUORVALENT_STANDIN_REFUSE_CLOSE=1", nullptr, false},
    {L"hangs in its window procedure", L"QUORVALENT_STANDIN_HANG=1", L"hanging", false},
    {L"runs without a window", L"QUORVALENT_STANDIN_NO_WINDOW=1", L"running without a window", false},
};

// An installation with its entry, shortcuts and a marked product, and a product of one kind
// running from it.
class RunningProductTest : public TWindowTestBase {
protected:
    static void SetUpTestSuite() {
        TWindowTestBase::SetUpTestSuite();
        ASSERT_TRUE(cmdstandin::Install());
    }
    static void TearDownTestSuite() { cmdstandin::Remove(); }

    void TearDown() override {
        StopProduct();
        TWindowTestBase::TearDown();
    }

    // A fresh installation with the product of Kind running from it.
    void InstallAndStart(const TProductKind& Kind) {
        StopProduct();
        FOld = InstallMarkedProduct();
        FFolder = DefaultInstallFolder();
        FProductPath = FFolder + L"\\Quorvalent.exe";
        FProduct = Start(FProductPath, L"", {Kind.Environment});
        ASSERT_NE(FProduct, nullptr);
        const std::wstring log = StandInLog(FFolder);
        ASSERT_TRUE(WaitFor(
            [&] {
                return Kind.Ready ? ReadUtf8File(log).find(Kind.Ready) != std::wstring::npos
                                  : FindWindowW(nullptr, L"Quorvalent") != nullptr;
            },
            15000));
    }
    void StopProduct() {
        if (FProduct) {
            TerminateProcess(FProduct, 0);
            WaitForSingleObject(FProduct, 10000);
            CloseHandle(FProduct);
            FProduct = nullptr;
        }
    }
    bool ProductRunning() const { return FProduct && WaitForSingleObject(FProduct, 0) == WAIT_TIMEOUT; }

    // Everything the installation is made of, as it was before the run.
    void ExpectInstallationKept() {
        EXPECT_EQ(ReadFileBytes(FProductPath), FOld);
        EXPECT_TRUE(FileExists(FFolder + L"\\QuorvalentInstaller.exe"));
        EXPECT_TRUE(RegKeyExists(UninstallKey));
        EXPECT_TRUE(FileExists(DesktopFolder() + L"\\Quorvalent.lnk"));
        EXPECT_TRUE(FileExists(StartMenuFolder() + L"\\Quorvalent.lnk"));
        std::vector<std::wstring> files = ListFolder(FFolder);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, (std::vector<std::wstring>{L"Quorvalent.exe", L"QuorvalentInstaller.exe",
                                                    L"standin-runs.log"}));
    }
    // What the action leaves once it went through.
    void ExpectActionDone(bool Update) {
        if (Update) {
            EXPECT_EQ(ReadFileBytes(FProductPath), ProductBytes());
            EXPECT_TRUE(RegKeyExists(UninstallKey));
        } else {
            EXPECT_FALSE(RegKeyExists(UninstallKey));
            EXPECT_FALSE(FileExists(DesktopFolder() + L"\\Quorvalent.lnk"));
            // The delayed deletion has done its work before the next installation is made.
            EXPECT_TRUE(WaitFor(
                [&] {
                    return !FileExists(FProductPath) && !FileExists(FFolder + L"\\QuorvalentInstaller.exe");
                },
                20000));
        }
    }

    std::wstring FFolder;
    std::wstring FProductPath;
    Bytes FOld;
    HANDLE FProduct = nullptr;
};

void ReportTime(const TProductKind& Kind, const wchar_t* Run, ULONGLONG Ms) {
    std::printf("[ timing   ] %ls, %ls: %llu ms\n", Kind.Name, Run, Ms);
}

TEST_F(RunningProductTest, SilentRunsWaitForTheProductAndNeverRemoveOrReplaceItWhileItRuns) {
    for (const TProductKind& kind : ProductKinds) {
        for (const bool update : {true, false}) {
            SCOPED_TRACE(testing::Message() << (update ? "update, " : "uninstall, ") << kind.Name);
            InstallAndStart(kind);
            const std::wstring log = FreshFolder(L"running-product-log") + L"\\run.log";
            const ULONGLONG start = GetTickCount64();
            const TRunResult run = RunInstaller(std::wstring(update ? L"/update" : L"/uninstall") +
                                                    L" /verysilent /log=\"" + log + L"\"",
                                                60000);
            ReportTime(kind, update ? L"silent update" : L"silent uninstall", GetTickCount64() - start);
            ASSERT_FALSE(run.TimedOut);
            if (kind.Closes) {
                EXPECT_EQ(run.ExitCode, 0u);
                EXPECT_FALSE(ProductRunning());
                ExpectActionDone(update);
            } else {
                EXPECT_EQ(run.ExitCode, 1u);
                EXPECT_TRUE(ProductRunning()) << "never ended by force";
                ExpectInstallationKept();
                const std::wstring pid = std::to_wstring(GetProcessId(FProduct));
                EXPECT_NE(ReadUtf8File(log).find(L"Quorvalent.exe is still running (process " + pid + L")"),
                          std::wstring::npos)
                    << ReadUtf8File(log);
            }
            StopProduct();
        }
    }
}

TEST_F(RunningProductTest, TheWindowSaysTheProductStillRunsAndOffersAnotherTry) {
    for (const TProductKind& kind : ProductKinds) {
        for (const bool update : {true, false}) {
            SCOPED_TRACE(testing::Message() << (update ? "update, " : "uninstall, ") << kind.Name);
            InstallAndStart(kind);
            TInstallerWindow window(update ? L"/update" : L"/uninstall");
            ASSERT_NE(window.Form(), nullptr);
            const HWND action = window.Control(L"QuorvalentButton", 0);
            const RECT bounds = window.Bounds(action);
            const ULONGLONG start = GetTickCount64();
            window.Click((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
            if (kind.Closes) {
                EXPECT_EQ(window.WaitForExit(60000), 0u);
                ReportTime(kind, update ? L"update in the window" : L"uninstall in the window",
                           GetTickCount64() - start);
                ExpectActionDone(update);
                continue;
            }
            const HWND box = WaitForDialog(window.ProcessId());
            ReportTime(kind, update ? L"update in the window" : L"uninstall in the window",
                       GetTickCount64() - start);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(MessageBoxText(box), L"Quorvalent is still running. Close it, then try again.");
            EXPECT_TRUE(ProductRunning());
            ExpectInstallationKept();
            PostMessageW(box, WM_CLOSE, 0, 0);
            ASSERT_TRUE(WaitFor([&] { return !IsWindow(box) && IsWindowEnabled(action); }, 10000));
            EXPECT_TRUE(IsWindowVisible(window.Form()));
            // Once the user has closed the product, the same window goes through.
            StopProduct();
            window.Click((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
            EXPECT_EQ(window.WaitForExit(60000), 0u);
            ExpectActionDone(update);
        }
    }
}

} // namespace
