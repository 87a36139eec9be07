// The product as the installer carries it: compressed and checked while it is written, put in
// unchanged by a vendor's tooling, and downloads that arrived damaged or cut short. The tests
// make their installers as such tooling would: a copy of the one under test whose EXE_FILE is
// replaced through UpdateResource.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/cmd_standin_log.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/window_support.h"

using namespace e2e;

namespace {

BOOL CALLBACK TakeLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD Language, LONG_PTR Result) {
    *reinterpret_cast<WORD*>(Result) = Language;
    return FALSE;
}

// Gives the EXE_FILE resource of Exe, one byte long, the size 0 in its directory entry: Wine's
// UpdateResourceW takes no empty data (it deletes the resource or fails).
void EmptyTheResource(const std::wstring& Exe) {
    IMAGE_RESOURCE_DATA_ENTRY entry{};
    if (const HMODULE module = LoadLibraryExW(Exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        if (const HRSRC info = FindResourceW(module, L"EXE_FILE", MAKEINTRESOURCEW(10))) {
            std::memcpy(&entry, info, sizeof(entry));
        }
        FreeLibrary(module);
    }
    ASSERT_EQ(entry.Size, 1u);
    Bytes file = ReadFileBytes(Exe);
    const auto* pattern = reinterpret_cast<const uint8_t*>(&entry);
    const auto found = std::search(file.begin(), file.end(), pattern, pattern + sizeof(entry));
    ASSERT_NE(found, file.end());
    ASSERT_EQ(std::search(found + 1, file.end(), pattern, pattern + sizeof(entry)), file.end());
    std::memset(&*found + offsetof(IMAGE_RESOURCE_DATA_ENTRY, Size), 0, sizeof(entry.Size));
    WriteFileBytes(Exe, file);
}

// A copy of the installer under test that carries Resource as its EXE_FILE.
std::wstring InstallerWith(const Bytes& Resource, const std::wstring& Name) {
    const std::wstring copy = FreshFolder(Name) + L"\\QuorvalentInstaller.exe";
    EXPECT_TRUE(CopyFileW(InstallerPath().c_str(), copy.c_str(), FALSE));
    // UpdateResource replaces a resource only in the language it has.
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    if (const HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        EnumResourceLanguagesW(module, MAKEINTRESOURCEW(10), L"EXE_FILE", TakeLanguage,
                               reinterpret_cast<LONG_PTR>(&language));
        FreeLibrary(module);
    }
    const Bytes data = Resource.empty() ? Bytes(1, 0) : Resource;
    const HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    EXPECT_NE(update, nullptr);
    EXPECT_TRUE(UpdateResourceW(update, MAKEINTRESOURCEW(10), L"EXE_FILE", language,
                                const_cast<uint8_t*>(data.data()), DWORD(data.size())));
    EXPECT_TRUE(EndUpdateResourceW(update, FALSE));
    if (Resource.empty()) {
        EmptyTheResource(copy);
    }
    EXPECT_TRUE(ReadExeResource(copy, L"EXE_FILE") == Resource);
    return copy;
}

Bytes Flipped(Bytes Data, size_t At) {
    Data.at(At) ^= 0x01;
    return Data;
}

uint32_t Lfanew(const Bytes& Program) {
    uint32_t value = 0;
    std::memcpy(&value, Program.data() + 0x3C, sizeof(value));
    return value;
}

// A packed product the build made for these tests.
Bytes Packed(const std::wstring& Name) {
    const Bytes packed = ReadFileBytes(TestProductPath(Name));
    EXPECT_GT(packed.size(), 36u);
    EXPECT_EQ(std::memcmp(packed.data(), "QVZ\x1a", std::min<size_t>(packed.size(), 4)), 0);
    return packed;
}

// Products that are not programs, every one sound as far as its packing goes: the installer
// must refuse them as it refuses a damaged download.
struct TNotAProgram {
    const char* What;
    Bytes Resource;
};

std::vector<TNotAProgram> NotPrograms(const Bytes& Product) {
    const uint32_t lfanew = Lfanew(Product);
    Bytes pointingBeyond(Product.begin(), Product.begin() + 4096);
    const Bytes stub(Product.begin(), Product.begin() + std::ptrdiff_t(lfanew));
    const uint32_t beyond = 1 << 20;
    std::memcpy(pointingBeyond.data() + 0x3C, &beyond, sizeof(beyond));
    Bytes wiped = Product;
    std::memset(wiped.data() + lfanew, 0, 4);
    std::string text;
    for (int i = 0; i < 2000; ++i) {
        text += "Quorvalent 3.3.0 release notes: the REST client, not the program.\r\n";
    }
    return {
        {"an empty resource", {}},
        {"a text", Bytes(text.begin(), text.end())},
        {"a DOS header and stub that end where the PE header should start", stub},
        {"a DOS header pointing beyond the end", pointingBeyond},
        {"the product with its PE signature wiped", wiped},
        {"a packed text", Packed(L"text-product.qvz")},
        {"a packed program with its PE signature wiped", Packed(L"unsigned-product.qvz")},
    };
}

// The text of the log's first line that reports an error, without its time stamp.
std::wstring ErrorLine(const std::wstring& Log) {
    const size_t at = Log.find(L" Error: ");
    if (at == std::wstring::npos) {
        return L"(no error logged)";
    }
    return Log.substr(at + 1, Log.find(L"\r\n", at) - at - 1);
}

constexpr wchar_t NotAProgramLine[] = L"Error: The packed product is damaged: it is not a Windows program.";

// What an installation consists of: its files, its Programs-list entry, its shortcuts.
struct TInstallState {
    std::map<std::wstring, Bytes> Files;
    std::map<std::wstring, std::wstring> Entry;
    bool DesktopLink = false;
    bool MenuLink = false;
    bool operator==(const TInstallState&) const = default;
};

TInstallState StateOf(const std::wstring& Folder) {
    TInstallState state;
    for (const std::wstring& name : ListFolder(Folder)) {
        state.Files[name] = ReadFileBytes(Folder + L"\\" + name);
    }
    for (const std::wstring& name : RegValueNames(UninstallKey)) {
        const auto value = ReadRegValue(UninstallKey, name);
        state.Entry[name] = value->Text + L"/" + std::to_wstring(value->Number);
    }
    state.DesktopLink = FileExists(DesktopFolder() + L"\\Quorvalent.lnk");
    state.MenuLink = FileExists(StartMenuFolder() + L"\\Quorvalent.lnk");
    return state;
}

class PayloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(cmdstandin::Install()); }
    static void TearDownTestSuite() { cmdstandin::Remove(); }
    void SetUp() override {
        ResetInstallState();
        FFolder = FreshFolder(L"payload-install") + L"\\Quorvalent";
        FProduct = ReadFileBytes(TestProductPath(L"big-product.exe"));
        FPacked = ReadFileBytes(TestProductPath(L"big-product.qvz"));
        ASSERT_EQ(FProduct.size(), 6u << 20);
        ASSERT_GT(FPacked.size(), 36u);
    }
    void TearDown() override { ResetInstallState(); }

    TRunResult RunInto(const std::wstring& Installer, const std::wstring& Arguments,
                       const std::wstring& Log = {}) {
        std::wstring line = Arguments + L" /dir=\"" + FFolder + L"\"";
        if (!Log.empty()) {
            line += L" /log=\"" + Log + L"\"";
        }
        const TRunResult run = e2e::Run(Installer, line, 120000);
        EXPECT_FALSE(run.TimedOut);
        return run;
    }

    std::wstring FFolder;
    Bytes FProduct;
    Bytes FPacked;
};

TEST_F(PayloadTest, CompressedProductInstallsUpdatesAndUninstallsByteForByte) {
    // The build packed it: the magic, and a third of the product's size at most.
    ASSERT_EQ(std::memcmp(FPacked.data(), "QVZ\x1a", 4), 0);
    EXPECT_LT(FPacked.size() * 3, FProduct.size());
    const std::wstring installer = InstallerWith(FPacked, L"payload-compressed");
    for (const wchar_t* mode : {L"/install", L"/update"}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(RunInto(installer, std::wstring(mode) + L" /verysilent").ExitCode, 0u);
        EXPECT_TRUE(ReadFileBytes(FFolder + L"\\Quorvalent.exe") == FProduct);
        // The size of the product written, not of what the installer carries.
        EXPECT_EQ(ReadRegValue(UninstallKey, L"EstimatedSize")->Number, FProduct.size() / 1024);
        std::vector<std::wstring> files = ListFolder(FFolder);
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, (std::vector<std::wstring>{L"Quorvalent.exe", L"QuorvalentInstaller.exe"}));
    }
    // The uninstall, started as the Programs list starts it: from the installed copy.
    const std::wstring log = FreshFolder(L"payload-cmd-log");
    const TRunResult removed = e2e::Run(FFolder + L"\\QuorvalentInstaller.exe", L"/uninstall /verysilent",
                                        120000, {L"QV_CMD_STANDIN_LOG=" + log});
    ASSERT_EQ(removed.ExitCode, 0u);
    EXPECT_EQ(cmdstandin::WaitForRuns(log, 2, 30000).size(), 2u);
    EXPECT_TRUE(ListFolder(FFolder).empty());
    EXPECT_FALSE(RegKeyExists(UninstallKey));
}

TEST_F(PayloadTest, AProductPutInUnchangedInstallsByteForByte) {
    const std::wstring installer = InstallerWith(FProduct, L"payload-raw");
    ASSERT_EQ(RunInto(installer, L"/verysilent").ExitCode, 0u);
    EXPECT_TRUE(ReadFileBytes(FFolder + L"\\Quorvalent.exe") == FProduct);
    EXPECT_EQ(ReadRegValue(UninstallKey, L"EstimatedSize")->Number, FProduct.size() / 1024);
}

TEST_F(PayloadTest, DamagedInstallersChangeNothing) {
    // An installation by a sound installer first: a damaged update must leave it as it was.
    ASSERT_EQ(RunInto(InstallerWith(FPacked, L"payload-sound"), L"/verysilent").ExitCode, 0u);
    const TInstallState before = StateOf(FFolder);
    ASSERT_TRUE(before.DesktopLink && before.MenuLink);
    const Bytes stored = ReadFileBytes(TestProductPath(L"big-product.stored.qvz"));
    const struct {
        const char* What;
        Bytes Resource;
    } cases[] = {
        {"a flipped byte in the compressed product", Flipped(FPacked, FPacked.size() / 2)},
        {"a flipped byte at its very end", Flipped(FPacked, FPacked.size() - 1)},
        {"a flipped byte in the stored product", Flipped(stored, stored.size() / 3)},
        {"a flipped byte in the header", Flipped(FPacked, 13)},
        {"a flipped byte in the magic", Flipped(FPacked, 1)},
        {"a product cut short", Bytes(FPacked.begin(), FPacked.begin() + std::ptrdiff_t(FPacked.size() / 2))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const std::wstring log = FreshFolder(L"payload-log") + L"\\run.log";
        const TRunResult run =
            RunInto(InstallerWith(c.Resource, L"payload-damaged"), L"/update /verysilent", log);
        EXPECT_EQ(run.ExitCode, 1u);
        EXPECT_TRUE(StateOf(FFolder) == before);
        EXPECT_NE(ReadUtf8File(log).find(L"Error: The packed product is damaged"), std::wstring::npos);
    }
    // On a clean machine a damaged installer leaves nothing at all.
    ResetInstallState();
    RemoveTree(FFolder);
    EXPECT_EQ(RunInto(InstallerWith(Flipped(FPacked, 100000), L"payload-damaged"), L"/verysilent").ExitCode,
              1u);
    EXPECT_FALSE(DirectoryExists(FFolder));
    EXPECT_FALSE(RegKeyExists(UninstallKey));
    EXPECT_FALSE(FileExists(DesktopFolder() + L"\\Quorvalent.lnk"));
    EXPECT_FALSE(DirectoryExists(StartMenuFolder()));
}

TEST_F(PayloadTest, AProductThatIsNotAProgramIsRefusedLikeADamagedOne) {
    const std::vector<TNotAProgram> cases = NotPrograms(FProduct);
    std::vector<std::wstring> installers;
    for (const TNotAProgram& c : cases) {
        installers.push_back(
            InstallerWith(c.Resource, L"payload-not-a-program-" + std::to_wstring(installers.size())));
    }
    // Over an installation: it stays as it was, byte for byte.
    ASSERT_EQ(RunInto(InstallerWith(FPacked, L"payload-sound"), L"/verysilent").ExitCode, 0u);
    const TInstallState before = StateOf(FFolder);
    ASSERT_TRUE(before.DesktopLink && before.MenuLink);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::string("update, ") + cases[i].What);
        const std::wstring log = FreshFolder(L"payload-log") + L"\\run.log";
        EXPECT_EQ(RunInto(installers[i], L"/update /verysilent", log).ExitCode, 1u);
        EXPECT_TRUE(StateOf(FFolder) == before);
        EXPECT_EQ(ErrorLine(ReadUtf8File(log)), NotAProgramLine);
    }
    // On a clean machine: nothing at all.
    ResetInstallState();
    RemoveTree(FFolder);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::string("install, ") + cases[i].What);
        const std::wstring log = FreshFolder(L"payload-log") + L"\\run.log";
        EXPECT_EQ(RunInto(installers[i], L"/verysilent", log).ExitCode, 1u);
        EXPECT_EQ(ErrorLine(ReadUtf8File(log)), NotAProgramLine);
        EXPECT_FALSE(DirectoryExists(FFolder));
        EXPECT_FALSE(RegKeyExists(UninstallKey));
        EXPECT_FALSE(FileExists(DesktopFolder() + L"\\Quorvalent.lnk"));
        EXPECT_FALSE(DirectoryExists(StartMenuFolder()));
    }
}

TEST_F(PayloadTest, AnInstallerFileCutShortChangesNothing) {
    ASSERT_EQ(RunInto(InstallerWith(FPacked, L"payload-sound"), L"/verysilent").ExitCode, 0u);
    const TInstallState before = StateOf(FFolder);
    // An interrupted download: the file ends inside the product it carries.
    const std::wstring installer = InstallerWith(FPacked, L"payload-cut");
    Bytes file = ReadFileBytes(installer);
    const auto header = std::search(file.begin(), file.end(), FPacked.begin(), FPacked.begin() + 36);
    ASSERT_NE(header, file.end());
    file.resize(size_t(header - file.begin()) + FPacked.size() / 2);
    WriteFileBytes(installer, file);
    // Windows refuses such a file before it runs; if it does run, it must fail on its own.
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring line = L"\"" + installer + L"\" /update /verysilent /dir=\"" + FFolder + L"\"";
    if (CreateProcessW(installer.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        ASSERT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_NE(code, 0u);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    EXPECT_TRUE(StateOf(FFolder) == before);
}

// An installation of the big product whose running copy refuses to close: an update then
// waits for it for seconds, long enough to watch the window meanwhile.
class PayloadWindowTest : public TWindowTestBase {
protected:
    void SetUp() override {
        TWindowTestBase::SetUp();
        FFolder = FreshFolder(L"payload-window") + L"\\Quorvalent";
    }
    void TearDown() override {
        if (FProduct) {
            TerminateProcess(FProduct, 0);
            WaitForSingleObject(FProduct, 5000);
            CloseHandle(FProduct);
        }
        TWindowTestBase::TearDown();
    }

    std::wstring InstallHeldProduct() {
        const std::wstring installer =
            InstallerWith(ReadFileBytes(TestProductPath(L"big-product.qvz")), L"payload-window-installer");
        EXPECT_EQ(e2e::Run(installer, L"/verysilent /dir=\"" + FFolder + L"\"", 120000).ExitCode, 0u);
        FProduct = Start(FFolder + L"\\Quorvalent.exe", L"", {L"QUORVALENT_STANDIN_REFUSE_CLOSE=1"});
        EXPECT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"Quorvalent") != nullptr; }, 15000));
        return installer;
    }

    std::wstring FFolder;
    HANDLE FProduct = nullptr;

    // An install from the window with the installer Exe: the message of a damaged download,
    // and the window stays for another try with nothing installed.
    void ExpectTheDamagedMessage(const std::wstring& Exe) {
        const std::wstring folder = FreshFolder(L"payload-window") + L"\\Quorvalent";
        TStartOptions options;
        options.Exe = Exe;
        TInstallerWindow window(L"/dir=\"" + folder + L"\"", options);
        ASSERT_NE(window.Form(), nullptr);
        PressKey(VK_RETURN); // the action button has the focus
        const HWND box = WaitForDialog(window.ProcessId());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MessageBoxText(box),
                  L"The installer file is damaged. Please download the installer again.");
        wchar_t caption[64] = L"";
        GetWindowTextW(box, caption, 64);
        EXPECT_STREQ(caption, L"QuorvalentInstaller.exe");
        PostMessageW(box, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 10000));
        // The window stays for another try, and nothing was installed.
        EXPECT_TRUE(IsWindowVisible(window.Form()));
        EXPECT_FALSE(DirectoryExists(folder));
        EXPECT_FALSE(RegKeyExists(UninstallKey));
    }
};

TEST_F(PayloadWindowTest, TheWindowAnswersAndItsLoaderTurnsWhileTheProductIsWritten) {
    TStartOptions options;
    options.Exe = InstallHeldProduct();
    TInstallerWindow window(L"/update /dir=\"" + FFolder + L"\"", options);
    ASSERT_NE(window.Form(), nullptr);
    const HWND loader = window.Control(L"QuorvalentAnimation", 0);
    const HWND action = window.Control(L"QuorvalentButton", 0);
    ASSERT_FALSE(IsWindowVisible(loader));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(loader) != FALSE; }, 10000));
    EXPECT_FALSE(IsWindowEnabled(action));
    // While the update waits for the product: every message is answered at once, and the
    // loader shows another frame from one look to the next.
    RECT box{};
    GetWindowRect(loader, &box);
    int answered = 0, changed = 0;
    TCapture last = CaptureScreen(box);
    for (int i = 0; i < 12; ++i) {
        DWORD_PTR result = 0;
        answered += SendMessageTimeoutW(window.Form(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result) != 0;
        Sleep(100);
        const TCapture next = CaptureScreen(box);
        changed += next.Pixels != last.Pixels;
        last = next;
        EXPECT_FALSE(IsHungAppWindow(window.Form()));
    }
    EXPECT_EQ(answered, 12);
    EXPECT_GE(changed, 6);
    // The product that holds its file fails the update in the end; the window is back for
    // another try.
    const HWND message = WaitForDialog(window.ProcessId());
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(MessageBoxText(message), L"Quorvalent is still running. Close it, then try again.");
    PostMessageW(message, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(loader) && IsWindowEnabled(action); }, 10000));
}

TEST_F(PayloadWindowTest, CancelDuringTheInstallPutsBackWhatItWrote) {
    TStartOptions options;
    options.Exe = InstallHeldProduct();
    const TInstallState before = StateOf(FFolder);
    TInstallerWindow window(L"/update /dir=\"" + FFolder + L"\"", options);
    ASSERT_NE(window.Form(), nullptr);
    const HWND loader = window.Control(L"QuorvalentAnimation", 0);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(loader) != FALSE; }, 10000));
    PressKey(VK_ESCAPE);
    // No message: the user asked for it. The run ends as a cancelled one does.
    EXPECT_EQ(window.WaitForExit(60000), 0u);
    EXPECT_TRUE(StateOf(FFolder) == before);
}

TEST_F(PayloadWindowTest, ADamagedInstallerTellsTheUserToDownloadItAgain) {
    const Bytes packed = ReadFileBytes(TestProductPath(L"big-product.qvz"));
    ExpectTheDamagedMessage(InstallerWith(Flipped(packed, packed.size() / 2), L"payload-damaged-window"));
}

TEST_F(PayloadWindowTest, AnEmptyProductTellsTheUserToDownloadTheInstallerAgain) {
    ExpectTheDamagedMessage(InstallerWith({}, L"payload-empty-window"));
}

} // namespace
