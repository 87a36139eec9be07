// Installs and updates that fail change nothing: a disk that fills between the two files or
// half-way through an update, a Start-menu folder that cannot be made after the registration,
// and a process killed during the installer copy, whose leftovers the next run clears.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "tests/e2e/e2e_support.h"

using namespace e2e;

namespace {

// What an install can touch, as comparable text: every file below the folder with its bytes,
// the values of the Programs-list entry and of the product's key, both shortcuts and the
// Start-menu folder.
using TState = std::map<std::wstring, std::wstring>;

std::wstring Describe(const Bytes& data) {
    // Size and a checksum: byte for byte without printing megabytes on a failure.
    uint64_t hash = 1469598103934665603ull;
    for (const uint8_t b : data) {
        hash = (hash ^ b) * 1099511628211ull;
    }
    return std::to_wstring(data.size()) + L" bytes #" + std::to_wstring(hash);
}

void AddFiles(TState& state, const std::wstring& path) {
    if (DirectoryExists(path)) {
        state[L"folder " + path] = L"";
        for (const auto& name : ListFolder(path)) {
            AddFiles(state, path + L"\\" + name);
        }
    } else if (FileExists(path)) {
        state[L"file " + path] = Describe(ReadFileBytes(path));
    }
}

void AddValues(TState& state, const std::wstring& key) {
    if (!RegKeyExists(key)) {
        return;
    }
    state[L"key " + key] = L"";
    for (const auto& name : RegValueNames(key)) {
        const auto value = ReadRegValue(key, name);
        state[L"value " + key + L"\\" + name] =
            std::to_wstring(value->Type) + L":" + value->Text + L":" + std::to_wstring(value->Number);
    }
}

TState Capture(const std::wstring& folder) {
    TState state;
    AddFiles(state, folder);
    AddFiles(state, DesktopFolder() + L"\\Quorvalent.lnk");
    AddFiles(state, StartMenuFolder());
    AddValues(state, UninstallKey);
    AddValues(state, AppKey);
    AddValues(state, MakerKey);
    return state;
}

uint64_t FreeBytes(const std::wstring& drive) {
    ULARGE_INTEGER available{};
    GetDiskFreeSpaceExW(drive.c_str(), &available, nullptr, nullptr);
    return available.QuadPart;
}

class RollbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInstallState();
        RemoveTree(StartMenuFolder());
    }
    void TearDown() override {
        ResetInstallState();
        RemoveTree(StartMenuFolder());
        if (DirectoryExists(L"T:\\")) {
            for (const auto& name : ListFolder(L"T:")) {
                RemoveTree(L"T:\\" + name);
            }
        }
    }

    // The small drive of the test prefix, where the disk can be filled; without it (the tests
    // do not run as root) the injected write failures of the Windows tests stand in.
    static bool HaveSmallDrive() { return DirectoryExists(L"T:\\"); }

    // Fills T: so that Free bytes stay available.
    static void FillDrive(uint64_t Free) {
        const uint64_t available = FreeBytes(L"T:\\");
        ASSERT_GT(available, Free);
        WriteFileBytes(L"T:\\filler.bin", Bytes(static_cast<size_t>(available - Free), 0xF1));
        const uint64_t left = FreeBytes(L"T:\\");
        ASSERT_LE(left, Free + 65536);
        ASSERT_GE(left + 65536, Free);
    }

    // An installation in Folder whose files and entry differ from what the next run writes.
    static void InstallOlder(const std::wstring& Folder) {
        ASSERT_EQ(RunInstaller(L"/verysilent /dir=\"" + Folder + L"\"").ExitCode, 0u);
        Bytes product = ReadFileBytes(Folder + L"\\Quorvalent.exe");
        product.insert(product.end(), {'o', 'l', 'd'});
        WriteFileBytes(Folder + L"\\Quorvalent.exe", product);
        WriteFileBytes(Folder + L"\\QuorvalentInstaller.exe", Bytes(300000, 'i'));
        SetRegString(UninstallKey, L"DisplayVersion", L"3.2.9");
        SetRegString(UninstallKey, L"InstallDate", L"20200101");
        SetRegString(UninstallKey, L"Comments", L"kept");
        WriteFileBytes(Folder + L"\\workspace.json", Bytes(10, 'w'));
    }

    static uint64_t ProductSize() { return ProductBytes().size(); }
};

TEST_F(RollbackTest, InstallThatFailedAfterRegisteringWasRegisteredButReportedAsFailed) {
    // A file where the Start-menu folder has to be made: the last step fails.
    const std::wstring programs = StartMenuFolder().substr(0, StartMenuFolder().rfind(L'\\'));
    for (const bool update : {false, true}) {
        SCOPED_TRACE(update ? "update" : "fresh install");
        ResetInstallState();
        RemoveTree(StartMenuFolder());
        const std::wstring folder = FreshFolder(L"start-menu-blocked") + L"\\Quorvalent";
        if (update) {
            InstallOlder(folder);
            RemoveTree(StartMenuFolder());
        }
        WriteFileBytes(StartMenuFolder(), Bytes(4, 'b'));
        const TState before = Capture(folder);
        const TRunResult run =
            RunInstaller(std::wstring(update ? L"/update " : L"") + L"/verysilent /dir=\"" + folder + L"\"");
        ASSERT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, 1u);
        EXPECT_EQ(Capture(folder), before);
        EXPECT_EQ(DirectoryExists(folder), update);
        EXPECT_TRUE(DirectoryExists(programs));
        RemoveTree(StartMenuFolder());
    }
}

TEST_F(RollbackTest, DiskThatFilledBetweenTheTwoFilesLeftAProductWithoutUninstaller) {
    if (!HaveSmallDrive()) {
        GTEST_SKIP() << "no small drive T: in this prefix (mounting needs root)";
    }
    // Room for the product, not for the installer's copy as well.
    FillDrive(ProductSize() + 128 * 1024);
    const TState before = Capture(L"T:\\Q");
    const TRunResult run = RunInstaller(L"/verysilent /dir=T:\\Q\\Quorvalent");
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 1u);
    EXPECT_EQ(Capture(L"T:\\Q"), before);
    EXPECT_FALSE(DirectoryExists(L"T:\\Q"));
    EXPECT_FALSE(RegKeyExists(UninstallKey));
    EXPECT_FALSE(RegKeyExists(MakerKey));
}

TEST_F(RollbackTest, DiskThatFilledHalfWayThroughAnUpdateLeftAMixedInstallation) {
    if (!HaveSmallDrive()) {
        GTEST_SKIP() << "no small drive T: in this prefix (mounting needs root)";
    }
    const struct {
        const char* Name;
        // Free space when the update starts, as a share of the product's size plus bytes.
        double ProductShare;
        uint64_t Extra;
    } cases[] = {
        {"the product's write fails half-way", 0.5, 0},
        {"the product is replaced, then the installer's copy fails", 1.0, 128 * 1024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ResetInstallState();
        RemoveTree(L"T:\\filler.bin");
        RemoveTree(L"T:\\Q");
        const std::wstring folder = L"T:\\Q";
        InstallOlder(folder);
        FillDrive(static_cast<uint64_t>(ProductSize() * c.ProductShare) + c.Extra);
        const TState before = Capture(folder);
        const TRunResult run = RunInstaller(L"/update /verysilent");
        ASSERT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, 1u);
        EXPECT_EQ(Capture(folder), before);
    }
}

TEST_F(RollbackTest, KilledDuringTheInstallerCopyLeavesCompleteFilesAndTheNextRunClearsUp) {
    const std::wstring folder = DefaultInstallFolder();
    ASSERT_EQ(RunInstaller(L"/verysilent").ExitCode, 0u);
    Bytes oldProduct = ReadFileBytes(folder + L"\\Quorvalent.exe");
    oldProduct.insert(oldProduct.end(), {'o', 'l', 'd'});
    WriteFileBytes(folder + L"\\Quorvalent.exe", oldProduct);
    const Bytes oldInstaller(400000, 'i');
    WriteFileBytes(folder + L"\\QuorvalentInstaller.exe", oldInstaller);

    // Held as a running program holds its file, the old copy makes the update wait, with the
    // new copy complete under its temporary name, until it is killed.
    const HANDLE held = CreateFileW((folder + L"\\QuorvalentInstaller.exe").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const HANDLE update = Start(InstallerPath(), L"/update /verysilent");
    // The whole copy written under its temporary name: the update now waits for the held file.
    const uint64_t complete = ReadFileBytes(InstallerPath()).size();
    const auto hasTemporaryCopy = [&] {
        const auto names = ListFolder(folder);
        return std::any_of(names.begin(), names.end(), [&](const std::wstring& name) {
            return name.starts_with(L"QuorvalentInstaller.exe.") && name.ends_with(L".tmp") &&
                   ReadFileBytes(folder + L"\\" + name).size() == complete;
        });
    };
    const bool waiting = WaitFor(hasTemporaryCopy, 20000);
    TerminateProcess(update, 9);
    WaitForSingleObject(update, 5000);
    CloseHandle(update);
    CloseHandle(held);
    ASSERT_TRUE(waiting);

    // Every final name holds a complete file, old or new.
    EXPECT_EQ(ReadFileBytes(folder + L"\\Quorvalent.exe"), ProductBytes());
    EXPECT_EQ(ReadFileBytes(folder + L"\\QuorvalentInstaller.exe"), oldInstaller);
    EXPECT_GT(ListFolder(folder).size(), 2u);

    ASSERT_EQ(RunInstaller(L"/update /verysilent").ExitCode, 0u);
    std::vector<std::wstring> files = ListFolder(folder);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"Quorvalent.exe", L"QuorvalentInstaller.exe"}));
    EXPECT_EQ(ReadFileBytes(folder + L"\\QuorvalentInstaller.exe"), ReadFileBytes(InstallerPath()));
}

} // namespace
