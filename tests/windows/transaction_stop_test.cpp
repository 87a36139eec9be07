// A kill at any moment of an update or of its rollback. A child process (this test program,
// sent to the one disabled test below through the environment) updates an installation
// through the transaction as the installer's writer does, and ends itself right after its
// K-th file-system call, as a kill or a power cut there would end it. For every K the parent
// checks what the child left under each final name (the complete old file or the complete new
// one, never a part of either), then runs the next update and checks that it clears the rest.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "tests/windows/test_folders.h"
#include "utils/file_system_win.h"
#include "utils/shell_win.h"
#include "utils/exception.h"
#include "utils/install_transaction_win.h"
#include "utils/registry_win.h"
#include "utils/strings.h"
#include "utils/write_names.h"
#include "utils/text_win.h"
#include "utils/handles_win.h"
#include "utils/com_win.h"

namespace {

// What the parent asks of the child: "<scenario>|<stop after call K, 0 for none>".
constexpr wchar_t OrdersVariable[] = L"QV_TRANSACTION_STOP";
constexpr UINT StoppedExitCode = 77;
constexpr DWORD ChildTimeLimitMs = 120000;
const std::u16string TestKey = u"SOFTWARE\\QvTransactionStopTest";

struct TScenario {
    const char16_t* Name;
    // The update fails after all its writes; the stops are counted in the rollback.
    bool Rollback;
    // The volume refuses hard links: the old files are kept as copies.
    bool NoHardLinks;
};

constexpr TScenario Scenarios[] = {
    {u"update", false, false},
    {u"update_without_hard_links", false, true},
    {u"rollback", true, false},
    {u"rollback_without_hard_links", true, true},
};

std::string Narrow(std::u16string_view text) {
    const std::u8string utf8 = ToUtf8(text);
    return std::string(utf8.begin(), utf8.end());
}

void PrintTo(const TScenario& Scenario, std::ostream* Stream) {
    *Stream << Narrow(Scenario.Name);
}

// Bytes that differ from their neighbours, so that a cut or shifted copy never matches.
std::string Pattern(char First, size_t Size) {
    std::string data(Size, '\0');
    for (size_t i = 0; i < Size; ++i) {
        data[i] = static_cast<char>(First + i % 31);
    }
    return data;
}

const std::string OldProduct = Pattern('a', 300000);
// More than one write of the writer's chunks.
const std::string NewProduct = Pattern('A', (1 << 20) + 4321);
const std::string OldInstaller = Pattern('0', 200000);
const std::string NewInstaller = Pattern('K', 150000);

// Where one scenario's installation lives: the destination folder, a desktop, a Start-menu
// folder that the update creates, and the running installer that it copies.
struct TLayout {
    std::u16string Root;

    std::u16string Install() const { return Root + u"\\install"; }
    std::u16string Product() const { return Install() + u"\\Quorvalent.exe"; }
    std::u16string Installer() const { return Install() + u"\\QuorvalentInstaller.exe"; }
    std::u16string Desktop() const { return Root + u"\\desktop"; }
    std::u16string DesktopLink() const { return Desktop() + u"\\Quorvalent.lnk"; }
    std::u16string Programs() const { return Root + u"\\programs"; }
    std::u16string Menu() const { return Programs() + u"\\Mirelbrook"; }
    std::u16string MenuLink() const { return Menu() + u"\\Quorvalent.lnk"; }
    std::u16string RunningInstaller() const { return Root + u"\\QuorvalentInstaller.exe"; }
    std::u16string Report() const { return Root + u"\\calls.txt"; }
};

TLayout LayoutOf(const TScenario& Scenario) {
    return {TestTempRoot() + u"\\stop-" + Scenario.Name};
}

const TScenario* FindScenario(std::u16string_view Name) {
    for (const TScenario& scenario : Scenarios) {
        if (Name == scenario.Name) {
            return &scenario;
        }
    }
    return nullptr;
}

// The installation before the update; returns the bytes of its desktop link.
std::string PrepareOldInstallation(const TLayout& Layout) {
    RemoveTestTree(Layout.Root);
    CreateDirectoryW(WStr(TestTempRoot()), nullptr);
    for (const std::u16string& folder :
         {Layout.Root, Layout.Install(), Layout.Desktop(), Layout.Programs()}) {
        CreateDirectoryW(WStr(folder), nullptr);
    }
    WriteTestFile(Layout.Product(), OldProduct);
    WriteTestFile(Layout.Installer(), OldInstaller);
    WriteTestFile(Layout.RunningInstaller(), NewInstaller);
    CreateShortcut(u"C:\\Old\\Quorvalent.exe", Layout.DesktopLink(), u"C:\\Old", u"Old");
    RegDeleteTreeW(HKEY_CURRENT_USER, WStr(TestKey));
    WriteRegString(TestKey, u"DisplayVersion", u"3.2.9");
    return ReadTestFile(Layout.DesktopLink());
}

void SaveLink(TInstallTransaction& Transaction, const std::u16string& Link, const TLayout& Layout) {
    Transaction.SaveFile(Link, [&](const std::u16string& Temporary) {
        CreateShortcut(Layout.Product(), Temporary, Layout.Install(), u"Quorvalent");
    });
}

// The installer's writer's steps of an update, in its order, short of the commit.
void WriteUpdate(TInstallTransaction& Transaction, const TLayout& Layout) {
    Transaction.CreateFolders(Layout.Install());
    Transaction.ReplaceFile(Layout.Product(), [](TAtomicFileWriter& Writer) {
        Writer.Write(NewProduct.data(), NewProduct.size());
    });
    Transaction.ReplaceFile(Layout.Installer(), [&](TAtomicFileWriter& Writer) {
        CopyFileInto(Layout.RunningInstaller(), Writer);
    });
    for (const char16_t* name : {u"DisplayVersion", u"InstallLocation"}) {
        Transaction.RememberRegValue(TestKey, name);
    }
    WriteRegString(TestKey, u"DisplayVersion", u"3.3.0");
    WriteRegString(TestKey, u"InstallLocation", Layout.Install());
    SaveLink(Transaction, Layout.DesktopLink(), Layout);
    Transaction.CreateFolders(Layout.Menu());
    SaveLink(Transaction, Layout.MenuLink(), Layout);
}

// The next run: the clean-up every run starts with, then a whole update.
void RunNextUpdate(const TLayout& Layout) {
    RemoveWriteLeftovers(Layout.Install(), {u"Quorvalent.exe", u"QuorvalentInstaller.exe"});
    RemoveWriteLeftovers(Layout.Desktop(), {u"Quorvalent.lnk"});
    RemoveWriteLeftovers(Layout.Menu(), {u"Quorvalent.lnk"});
    TInstallTransaction transaction;
    WriteUpdate(transaction, Layout);
    transaction.Commit();
}

// The link the update writes, whole: one cut short does not load, or lacks its last parts.
bool IsNewLink(const std::u16string& Path, const TLayout& Layout) {
    TComPtr<IShellLinkW> shell;
    TComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                shell.PutVoid())) ||
        FAILED(shell->QueryInterface(IID_IPersistFile, file.PutVoid())) ||
        FAILED(file->Load(WStr(Path), STGM_READ))) {
        return false;
    }
    wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {}, description[MAX_PATH] = {};
    shell->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    shell->GetWorkingDirectory(folder, MAX_PATH);
    shell->GetDescription(description, MAX_PATH);
    return U16(target) == Layout.Product() && U16(folder) == Layout.Install() &&
           U16(description) == u"Quorvalent";
}

std::vector<std::u16string> SortedFiles(const std::u16string& Folder) {
    std::vector<std::u16string> names = ListFolderFiles(Folder);
    std::sort(names.begin(), names.end());
    return names;
}

std::string Describe(const std::string& Content) {
    return Content == "<missing>"    ? "no file"
           : Content == OldProduct   ? "the old product"
           : Content == NewProduct   ? "the new product"
           : Content == OldInstaller ? "the old installer"
           : Content == NewInstaller ? "the new installer"
                                     : std::to_string(Content.size()) + " other bytes";
}

// What a stop may leave: under each final name the complete old or the complete new file,
// and beside them only the temporary and kept files of the replacements.
void ExpectCompleteFilesUnderEveryName(const TLayout& Layout, const std::string& OldLink) {
    const std::string product = ReadTestFile(Layout.Product());
    EXPECT_TRUE(product == OldProduct || product == NewProduct)
        << "Quorvalent.exe holds " << Describe(product);
    const std::string installer = ReadTestFile(Layout.Installer());
    EXPECT_TRUE(installer == OldInstaller || installer == NewInstaller)
        << "QuorvalentInstaller.exe holds " << Describe(installer);
    EXPECT_TRUE(ReadTestFile(Layout.DesktopLink()) == OldLink || IsNewLink(Layout.DesktopLink(), Layout))
        << "the desktop link is neither the old one nor the new one";
    EXPECT_TRUE(!FileExists(Layout.MenuLink()) || IsNewLink(Layout.MenuLink(), Layout))
        << "the new Start-menu link is there but not whole";
    const struct {
        std::u16string Folder;
        std::initializer_list<std::u16string_view> Names;
    } folders[] = {{Layout.Install(), {u"Quorvalent.exe", u"QuorvalentInstaller.exe"}},
                   {Layout.Desktop(), {u"Quorvalent.lnk"}},
                   {Layout.Menu(), {u"Quorvalent.lnk"}}};
    for (const auto& folder : folders) {
        for (const std::u16string& name : ListFolderFiles(folder.Folder)) {
            const bool known =
                std::find(folder.Names.begin(), folder.Names.end(), name) != folder.Names.end();
            EXPECT_TRUE(known || ParseWriteLeftover(name, folder.Names))
                << "unexpected file " << Narrow(name);
        }
    }
}

void ExpectTheNewInstallationAlone(const TLayout& Layout) {
    EXPECT_EQ(SortedFiles(Layout.Install()),
              (std::vector<std::u16string>{u"Quorvalent.exe", u"QuorvalentInstaller.exe"}));
    EXPECT_EQ(Describe(ReadTestFile(Layout.Product())), "the new product");
    EXPECT_EQ(Describe(ReadTestFile(Layout.Installer())), "the new installer");
    EXPECT_EQ(SortedFiles(Layout.Desktop()), (std::vector<std::u16string>{u"Quorvalent.lnk"}));
    EXPECT_TRUE(IsNewLink(Layout.DesktopLink(), Layout));
    EXPECT_EQ(SortedFiles(Layout.Menu()), (std::vector<std::u16string>{u"Quorvalent.lnk"}));
    EXPECT_TRUE(IsNewLink(Layout.MenuLink(), Layout));
    EXPECT_EQ(ReadRegString(TestKey, u"DisplayVersion", u""), u"3.3.0");
    EXPECT_EQ(ReadRegString(TestKey, u"InstallLocation", u""), Layout.Install());
}

void ExpectTheOldInstallationByteForByte(const TLayout& Layout, const std::string& OldLink) {
    EXPECT_EQ(SortedFiles(Layout.Install()),
              (std::vector<std::u16string>{u"Quorvalent.exe", u"QuorvalentInstaller.exe"}));
    EXPECT_EQ(Describe(ReadTestFile(Layout.Product())), "the old product");
    EXPECT_EQ(Describe(ReadTestFile(Layout.Installer())), "the old installer");
    EXPECT_EQ(SortedFiles(Layout.Desktop()), (std::vector<std::u16string>{u"Quorvalent.lnk"}));
    EXPECT_TRUE(ReadTestFile(Layout.DesktopLink()) == OldLink) << "the desktop link is not the old one";
    EXPECT_EQ(CountEntries(Layout.Programs()), 0) << "the new Start-menu folder stayed";
    EXPECT_EQ(ReadRegString(TestKey, u"DisplayVersion", u""), u"3.2.9");
    EXPECT_EQ(ReadRegString(TestKey, u"InstallLocation", u"<absent>"), u"<absent>");
}

std::vector<std::string> ReadLines(const std::u16string& Path) {
    std::vector<std::string> lines;
    const std::string text = ReadTestFile(Path);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// Runs this program as the child for Scenario, stopping after call StopAfter (0: never);
// returns its exit code once it has ended.
DWORD RunChild(const TScenario& Scenario, size_t StopAfter) {
    wchar_t self[MAX_PATH * 2];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring commandLine = L"\"" + std::wstring(self, length) +
                               L"\" --gtest_filter=TransactionStopChild.* --gtest_also_run_disabled_tests";
    const std::u16string orders =
        std::u16string(Scenario.Name) + u"|" + IntToStr(static_cast<long long>(StopAfter));
    SetEnvironmentVariableW(OrdersVariable, WStr(orders));
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    TScopedHandle nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul.Get();
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    SetEnvironmentVariableW(OrdersVariable, nullptr);
    if (!started) {
        ADD_FAILURE() << "cannot start the child: " << GetLastError();
        return ~0u;
    }
    TScopedHandle child(process.hProcess);
    CloseHandle(process.hThread);
    if (WaitForSingleObject(child.Get(), ChildTimeLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(child.Get(), 1);
        WaitForSingleObject(child.Get(), ChildTimeLimitMs);
        ADD_FAILURE() << "the child did not end";
    }
    DWORD code = 0;
    GetExitCodeProcess(child.Get(), &code);
    return code;
}

class TransactionStopTest : public ::testing::TestWithParam<TScenario> {
protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, WStr(TestKey)); }
};

TEST_P(TransactionStopTest, EveryStopLeavesCompleteFilesAndTheNextRunCompletes) {
    const TScenario& scenario = GetParam();
    const TLayout layout = LayoutOf(scenario);
    // The run to its end names the calls there are to stop after.
    std::string oldLink = PrepareOldInstallation(layout);
    ASSERT_EQ(RunChild(scenario, 0), 0u);
    const std::vector<std::string> calls = ReadLines(layout.Report());
    if (scenario.Rollback) {
        ExpectTheOldInstallationByteForByte(layout, oldLink);
    } else {
        ExpectTheNewInstallationAlone(layout);
    }
    // Whether a call was made on Path, or on a file beside it whose name ends with Suffix.
    const auto made = [&](const std::string& call, const std::u16string& path,
                          const std::string& suffix = "") {
        const std::string start = call + " " + Narrow(path);
        return std::any_of(calls.begin(), calls.end(), [&](const std::string& line) {
            return suffix.empty() ? line == start : line.starts_with(start + ".") && line.ends_with(suffix);
        });
    };
    const std::u16string names[] = {layout.Product(), layout.Installer(), layout.DesktopLink()};
    for (const std::u16string& name : names) {
        // A name that held a file never loses it: no deletion of it, only renames onto it.
        EXPECT_FALSE(made("DeleteFileW", name)) << Narrow(name);
        EXPECT_TRUE(made("MoveFileExW", name)) << Narrow(name);
    }
    if (scenario.Rollback) {
        EXPECT_TRUE(made("RemoveDirectoryW", layout.Menu()));
        EXPECT_TRUE(made("DeleteFileW", layout.MenuLink()));
    } else {
        // A hard link is tried first; only where the volume refuses one is the old file copied.
        EXPECT_TRUE(made("CreateHardLinkW", layout.Product(), ".bak"));
        EXPECT_EQ(made("FlushFileBuffers", layout.Product(), ".bak"), scenario.NoHardLinks);
        EXPECT_TRUE(made("DeleteFileW", layout.Installer(), ".bak"));
        EXPECT_TRUE(made("Save", layout.DesktopLink(), ".tmp"));
        EXPECT_TRUE(made("CreateDirectoryW", layout.Menu()));
    }
    std::cout << Narrow(scenario.Name) << ": " << calls.size() << " stop points\n";
    RecordProperty("stop_points", static_cast<int>(calls.size()));
    ASSERT_GT(calls.size(), 5u);
    for (size_t k = 1; k <= calls.size() && !HasFailure(); ++k) {
        SCOPED_TRACE("stopped after call " + std::to_string(k) + ": " + calls[k - 1]);
        oldLink = PrepareOldInstallation(layout);
        ASSERT_EQ(RunChild(scenario, k), StoppedExitCode);
        ExpectCompleteFilesUnderEveryName(layout, oldLink);
        RunNextUpdate(layout);
        ExpectTheNewInstallationAlone(layout);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, TransactionStopTest, ::testing::ValuesIn(Scenarios),
                         [](const ::testing::TestParamInfo<TScenario>& info) {
                             return Narrow(info.param.Name);
                         });

// The child's side, run only when the test above starts this program for it: one update
// through the transaction, stopped after the call it was told.
TEST(TransactionStopChild, DISABLED_UpdatesAndEndsItselfAfterTheGivenCall) {
    wchar_t buffer[200] = {};
    const DWORD length = GetEnvironmentVariableW(OrdersVariable, buffer, 200);
    const std::u16string orders = U16(buffer, length);
    const size_t bar = orders.find(u'|');
    ASSERT_NE(bar, std::u16string::npos) << "started without orders";
    const TScenario* scenario = FindScenario(std::u16string_view(orders).substr(0, bar));
    ASSERT_NE(scenario, nullptr);
    const size_t stopAfter = std::stoul(Narrow(orders.substr(bar + 1)));
    const TLayout layout = LayoutOf(*scenario);

    // The calls of the update, or of its rollback alone.
    bool counting = !scenario->Rollback;
    std::string calls;
    size_t count = 0;
    TWriteSeam seam;
    seam.AfterCall = [&](std::u16string_view call, std::u16string_view path) {
        if (!counting) {
            return;
        }
        calls += Narrow(call) + " " + Narrow(path) + "\n";
        if (++count == stopAfter) {
            TerminateProcess(GetCurrentProcess(), StoppedExitCode);
        }
    };
    if (scenario->NoHardLinks) {
        seam.CreateHardLink = [](const wchar_t*, const wchar_t*) {
            SetLastError(ERROR_INVALID_FUNCTION);
            return FALSE;
        };
    }
    try {
        TInstallTransaction transaction;
        transaction.Seam = seam;
        WriteUpdate(transaction, layout);
        if (scenario->Rollback) {
            counting = true;
            throw EError(u"injected: the last step failed");
        }
        transaction.Commit();
    } catch (const EError& e) {
        EXPECT_TRUE(scenario->Rollback) << Narrow(e.Message());
    }
    WriteTestFile(layout.Report(), calls);
}

} // namespace
