// A running product is asked to close before its file is replaced; one that takes a moment
// longer still lets the update through, one that refuses leaves the old installation as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/e2e_support.h"

using namespace e2e;

namespace {

class ProductCloseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstallState();
        ASSERT_EQ(RunInstaller(L"/verysilent").ExitCode, 0u);
        FFolder = DefaultInstallFolder();
        FProduct = FFolder + L"\\Quorvalent.exe";
        // Mark the installed product so that it can be told from the one the update writes;
        // bytes after the image do not change how it runs.
        FOld = ReadFileBytes(FProduct);
        FOld.insert(FOld.end(), {'o', 'l', 'd'});
        WriteFileBytes(FProduct, FOld);
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

} // namespace
