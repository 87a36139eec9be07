// The install as one step: what a failure puts back and removes, what a commit keeps, and what
// the next run clears up after a run that was killed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/run_services_win.h"
#include "app/application_win.h"
#include "app/session_platform_win.h"
#include "tests/windows/test_folders.h"
#include "utils/file_system_win.h"
#include "utils/shell_win.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/install_transaction_win.h"
#include "utils/registry_win.h"
#include "utils/strings.h"
#include "utils/write_names.h"
#include "utils/text_win.h"
#include "utils/handles_win.h"

namespace {

const std::u16string TestKey = u"SOFTWARE\\QvTransactionTest";
// No process has this id: its leftovers are those of an ended run.
constexpr uint32_t EndedProcess = 4000000000u;

std::wstring W(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

void WriteString(TInstallTransaction& transaction, const std::u16string& key, const std::u16string& name,
                 const std::u16string& value) {
    transaction.RememberRegValue(key, name);
    WriteRegString(key, name, value);
}

void WriteBytes(TInstallTransaction& transaction, const std::u16string& target, const std::string& data) {
    transaction.ReplaceFile(target,
                            [&](TAtomicFileWriter& writer) { writer.Write(data.data(), data.size()); });
}

bool KeyExists(const std::u16string& key) {
    HKEY handle;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, WStr(key), 0, KEY_READ, &handle) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(handle);
    return true;
}

class InstallTransactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        FFolder = FreshTestFolder(u"transaction");
        RegDeleteTreeW(HKEY_CURRENT_USER, WStr(TestKey));
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, WStr(TestKey)); }

    std::u16string FFolder;
};

TEST_F(InstallTransactionTest, FailureLeftAMixedInstallationBehind) {
    const std::u16string product = FFolder + u"\\Quorvalent.exe";
    WriteTestFile(product, "old product");
    const std::u16string newFolder = FFolder + u"\\new\\deep";
    try {
        TInstallTransaction transaction;
        transaction.CreateFolders(newFolder);
        WriteBytes(transaction, product, "new product");
        WriteBytes(transaction, newFolder + u"\\QuorvalentInstaller.exe", "new installer");
        EXPECT_EQ(ReadTestFile(product), "new product");
        throw EError(u"disk full");
    } catch (const EError&) {
    }
    EXPECT_EQ(ReadTestFile(product), "old product");
    EXPECT_FALSE(DirectoryExists(FFolder + u"\\new"));
    EXPECT_EQ(CountEntries(FFolder), 1) << "a temporary or kept-aside file was left";
}

TEST_F(InstallTransactionTest, WriteThatFailsHalfWayLeavesNoTrace) {
    const std::u16string product = FFolder + u"\\Quorvalent.exe";
    WriteTestFile(product, "old product");
    TInstallTransaction transaction;
    EXPECT_THROW(transaction.ReplaceFile(product,
                                         [](TAtomicFileWriter& writer) {
                                             writer.Write("half", 4);
                                             throw EError(u"disk full");
                                         }),
                 EError);
    transaction.Rollback();
    EXPECT_EQ(ReadTestFile(product), "old product");
    EXPECT_EQ(CountEntries(FFolder), 1);
}

TEST_F(InstallTransactionTest, CommitKeepsTheNewFilesAndDropsTheOldOnes) {
    const std::u16string product = FFolder + u"\\Quorvalent.exe";
    WriteTestFile(product, "old product");
    SetFileAttributesW(WStr(product), FILE_ATTRIBUTE_READONLY);
    {
        TInstallTransaction transaction;
        transaction.CreateFolders(FFolder + u"\\sub");
        WriteBytes(transaction, product, "new product");
        transaction.Commit();
    }
    EXPECT_EQ(ReadTestFile(product), "new product");
    EXPECT_TRUE(DirectoryExists(FFolder + u"\\sub"));
    EXPECT_EQ(CountEntries(FFolder), 2) << "the kept-aside file was not deleted";
}

TEST_F(InstallTransactionTest, FolderThatSomeoneFilledStays) {
    {
        TInstallTransaction transaction;
        transaction.CreateFolders(FFolder + u"\\a\\b\\c");
        WriteTestFile(FFolder + u"\\a\\notes.txt", "mine");
    }
    EXPECT_EQ(ReadTestFile(FFolder + u"\\a\\notes.txt"), "mine");
    EXPECT_FALSE(DirectoryExists(FFolder + u"\\a\\b"));
}

TEST_F(InstallTransactionTest, RollbackSaysWhatItCouldNotPutBack) {
    const std::u16string existing = TestKey + u"\\Existing";
    WriteRegString(existing, u"A", u"old");
    std::vector<std::u16string> logged;
    {
        TInstallTransaction transaction;
        transaction.OnLog = [&](const std::u16string& text) { logged.push_back(text); };
        transaction.CreateFolders(FFolder + u"\\a");
        WriteString(transaction, existing, u"A", u"new");
        // Meanwhile someone else puts a file into the new folder and removes the key.
        WriteTestFile(FFolder + u"\\a\\notes.txt", "mine");
        RegDeleteTreeW(HKEY_CURRENT_USER, WStr(existing));
    }
    const auto has = [&](const std::u16string& line) {
        return std::find(logged.begin(), logged.end(), line) != logged.end();
    };
    EXPECT_TRUE(has(u"Kept the folder " + FFolder + u"\\a: it holds files that are not this run's"));
    EXPECT_TRUE(has(u"Registry: cannot restore HKCU\\" + existing + u" value A: the key is gone"));
    EXPECT_FALSE(has(u"Registry: restored HKCU\\" + existing + u" value A"));
    EXPECT_EQ(ReadTestFile(FFolder + u"\\a\\notes.txt"), "mine");
}

TEST_F(InstallTransactionTest, RegistryValuesArePutBackAndNewKeysRemoved) {
    const std::u16string existing = TestKey + u"\\Existing";
    WriteRegString(existing, u"A", u"old");
    WriteRegString(existing, u"Other", u"not ours");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, WStr(existing), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const DWORD five = 5;
    RegSetValueExW(key, L"B", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), sizeof(five));
    RegCloseKey(key);
    const std::u16string fresh = TestKey + u"\\New\\Deeper\\";
    {
        TInstallTransaction transaction;
        WriteString(transaction, existing, u"A", u"new");
        WriteString(transaction, existing, u"B", u"now a text");
        WriteString(transaction, existing, u"C", u"added");
        WriteString(transaction, fresh, u"X", u"1");
        WriteString(transaction, fresh, u"Y", u"2");
        EXPECT_EQ(ReadRegString(existing, u"A", u""), u"new");
    }
    EXPECT_EQ(ReadRegString(existing, u"A", u""), u"old");
    EXPECT_EQ(ReadRegInteger(existing, u"B", 0), 5);
    EXPECT_EQ(ReadRegString(existing, u"C", u"<absent>"), u"<absent>");
    EXPECT_EQ(ReadRegString(existing, u"Other", u""), u"not ours");
    EXPECT_FALSE(KeyExists(TestKey + u"\\New"));
    EXPECT_TRUE(KeyExists(TestKey));
}

TEST_F(InstallTransactionTest, NewKeyThatGotSubkeysStays) {
    const std::u16string fresh = TestKey + u"\\New";
    {
        TInstallTransaction transaction;
        WriteString(transaction, fresh, u"X", u"1");
        WriteRegString(fresh + u"\\Someone", u"Z", u"else");
    }
    EXPECT_EQ(ReadRegString(fresh + u"\\Someone", u"Z", u""), u"else");
}

TEST_F(InstallTransactionTest, RememberedFilesArePutBackOrRemoved) {
    const std::u16string link = FFolder + u"\\Quorvalent.lnk";
    const std::u16string other = FFolder + u"\\Other.lnk";
    WriteTestFile(link, std::string("old link\0bytes", 14));
    {
        TInstallTransaction transaction;
        transaction.RememberFile(link);
        WriteTestFile(link, "new link");
        transaction.RememberFile(other);
        WriteTestFile(other, "new");
    }
    EXPECT_EQ(ReadTestFile(link), std::string("old link\0bytes", 14));
    EXPECT_FALSE(FileExists(other));
}

TEST_F(InstallTransactionTest, NextRunClearsWhatAKilledRunLeft) {
    const std::u16string ended = IntToStr(EndedProcess);
    const std::u16string running = IntToStr(GetCurrentProcessId());
    const struct {
        std::u16string Name;
        std::string Content;
        // What the folder holds afterwards under that name, or "<missing>".
        std::string After;
    } files[] = {
        {u"Quorvalent.exe.tmp-" + ended, "x", "x"}, // not a leftover name
        {u"Quorvalent.exe." + ended + u".tmp", "half", "<missing>"},
        {u"Quorvalent.exe", "new product", "new product"},
        {u"Quorvalent.exe." + ended + u".bak", "old product", "<missing>"},
        // Killed between moving the old file aside and putting the new one in place.
        {u"QuorvalentInstaller.exe." + ended + u".bak", "old installer", "<missing>"},
        // A run that is still going on keeps its files.
        {u"Quorvalent.exe." + running + u".tmp", "writing", "writing"},
        {u"workspace.json." + ended + u".tmp", "user data", "user data"},
    };
    for (const auto& file : files) {
        WriteTestFile(FFolder + u"\\" + file.Name, file.Content);
    }
    SetFileAttributesW(WStr(FFolder + u"\\Quorvalent.exe." + ended + u".tmp"), FILE_ATTRIBUTE_READONLY);
    RemoveWriteLeftovers(FFolder, {u"Quorvalent.exe", u"QuorvalentInstaller.exe"});
    for (const auto& file : files) {
        EXPECT_EQ(ReadTestFile(FFolder + u"\\" + file.Name), file.After) << W(file.Name);
    }
    EXPECT_EQ(ReadTestFile(FFolder + u"\\QuorvalentInstaller.exe"), "old installer");
    EXPECT_EQ(CountEntries(FFolder), 5);
}

// The calls the transaction made, as "Call Path" text, each checked as it returns.
struct TCallLog {
    std::vector<std::u16string> Calls;
    std::function<void()> Check;

    void Attach(TInstallTransaction& transaction) {
        transaction.Seam.AfterCall = [this](std::u16string_view call, std::u16string_view path) {
            Calls.push_back(std::u16string(call) + u" " + std::u16string(path));
            if (Check) {
                Check();
            }
        };
    }
    std::vector<std::u16string> Starting(std::u16string_view call) const {
        std::vector<std::u16string> found;
        std::copy_if(Calls.begin(), Calls.end(), std::back_inserter(found),
                     [&](const std::u16string& c) { return c.starts_with(call); });
        return found;
    }
};

TEST_F(InstallTransactionTest, FoldersAreMadeAndRemovedOneLevelAtATime) {
    const std::u16string a = FFolder + u"\\a", b = a + u"\\b", c = b + u"\\c";
    TCallLog log;
    {
        TInstallTransaction transaction;
        log.Attach(transaction);
        transaction.CreateFolders(c);
        EXPECT_TRUE(DirectoryExists(c));
    }
    EXPECT_EQ(log.Starting(u"CreateDirectoryW"),
              (std::vector<std::u16string>{u"CreateDirectoryW " + a, u"CreateDirectoryW " + b,
                                           u"CreateDirectoryW " + c}));
    EXPECT_EQ(log.Starting(u"RemoveDirectoryW"),
              (std::vector<std::u16string>{u"RemoveDirectoryW " + c, u"RemoveDirectoryW " + b,
                                           u"RemoveDirectoryW " + a}));
    EXPECT_EQ(CountEntries(FFolder), 0);

    // A level that cannot be made: the ones made before it are known and taken back.
    {
        TInstallTransaction transaction;
        EXPECT_THROW(transaction.CreateFolders(b + u"\\bad<name"), EError);
        EXPECT_TRUE(DirectoryExists(b));
    }
    EXPECT_EQ(CountEntries(FFolder), 0);
}

TEST_F(InstallTransactionTest, RollbackPutsTheOldFileBackInOneRename) {
    const std::u16string product = FFolder + u"\\Quorvalent.exe";
    WriteTestFile(product, "old product");
    TCallLog log;
    {
        TInstallTransaction transaction;
        WriteBytes(transaction, product, "new product");
        log.Attach(transaction);
        log.Check = [&] {
            const std::string now = ReadTestFile(product);
            EXPECT_TRUE(now == "old product" || now == "new product") << now;
        };
    }
    EXPECT_EQ(log.Calls, (std::vector<std::u16string>{u"MoveFileExW " + product}));
    EXPECT_EQ(ReadTestFile(product), "old product");
    EXPECT_EQ(CountEntries(FFolder), 1);
}

TEST_F(InstallTransactionTest, SavedFileTakesItsNameInOneStepAndComesBackTheSameWay) {
    const std::u16string link = FFolder + u"\\Quorvalent.lnk";
    const struct {
        const char* Name;
        // What Save does with the temporary name it is given.
        std::function<void(const std::u16string&)> Save;
        bool Throws;
        std::string After;
    } cases[] = {
        {"saved", [](const std::u16string& temporary) { WriteTestFile(temporary, "new link"); }, false,
         "new link"},
        // The shell's link writer fails without a word: the old link stays.
        {"nothing written", [](const std::u16string&) {}, false, "old link"},
        {"raised",
         [](const std::u16string& temporary) {
             WriteTestFile(temporary, "half");
             throw EError(u"injected: disk full");
         },
         true, "old link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteTestFile(link, "old link");
        TCallLog log;
        log.Check = [&] {
            const std::string now = ReadTestFile(link);
            EXPECT_TRUE(now == "old link" || now == "new link") << now;
        };
        {
            TInstallTransaction transaction;
            log.Attach(transaction);
            if (c.Throws) {
                EXPECT_THROW(transaction.SaveFile(link, c.Save), EError);
            } else {
                transaction.SaveFile(link, c.Save);
            }
            EXPECT_EQ(ReadTestFile(link), c.After);
            EXPECT_EQ(CountEntries(FFolder), 1) << "the temporary file was left";
            log.Calls.clear();
        }
        // Put back through a file of its own and one rename, never by writing over the link.
        EXPECT_EQ(ReadTestFile(link), "old link");
        EXPECT_EQ(log.Starting(u"MoveFileExW"), (std::vector<std::u16string>{u"MoveFileExW " + link}));
        EXPECT_EQ(CountEntries(FFolder), 1);
    }
}

TEST_F(InstallTransactionTest, KeptFileThatCannotBeDeletedIsLoggedAndLeftForTheNextRun) {
    const std::u16string product = FFolder + u"\\Quorvalent.exe";
    const std::u16string backup = BackupFileName(product, GetCurrentProcessId());
    WriteTestFile(product, "old product");
    std::vector<std::u16string> logged;
    TScopedHandle held;
    {
        TInstallTransaction transaction;
        transaction.OnLog = [&](const std::u16string& text) { logged.push_back(text); };
        WriteBytes(transaction, product, "new product");
        held.Reset(
            CreateFileW(WStr(backup), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        transaction.Commit();
    }
    held.Reset();
    EXPECT_EQ(ReadTestFile(product), "new product");
    EXPECT_EQ(ReadTestFile(backup), "old product");
    EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [&](const std::u16string& text) {
        return text.starts_with(u"Cannot delete " + backup);
    }));
    DeleteFileW(WStr(backup));
}

TEST_F(InstallTransactionTest, LeftoverLinkOfAReadOnlyFileGoesAndTheFileStaysReadOnly) {
    // Killed between making the second name and the rename: both names are one file, with one
    // set of attributes.
    const std::u16string product = FFolder + u"\\Quorvalent.exe";
    const std::u16string backup = BackupFileName(product, EndedProcess);
    WriteTestFile(product, "old product");
    SetFileAttributesW(WStr(product), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CreateHardLinkW(WStr(backup), WStr(product), nullptr));
    RemoveWriteLeftovers(FFolder, {u"Quorvalent.exe"});
    EXPECT_FALSE(FileExists(backup));
    EXPECT_EQ(ReadTestFile(product), "old product");
    EXPECT_TRUE(GetFileAttributesW(WStr(product)) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(WStr(product), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(InstallTransactionTest, EveryRunClearsTheShortcutLeftoversToo) {
    const std::u16string desktop = GetDesktopFolder(nullptr);
    const std::u16string menu = GetAppDataFolder() + StartMenuProgramsSuffix + MakerName;
    ForceDirectories(menu);
    const std::u16string leftovers[] = {TemporaryFileName(desktop + u"\\Quorvalent.lnk", EndedProcess),
                                        TemporaryFileName(menu + u"\\Quorvalent.lnk", EndedProcess)};
    for (const std::u16string& leftover : leftovers) {
        WriteTestFile(leftover, "half a link");
    }
    const std::u16string other = desktop + u"\\Notes.lnk." + IntToStr(EndedProcess) + u".tmp";
    WriteTestFile(other, "not ours");
    {
        TApplication application;
        TWin32RunServices services(u"English");
        TWin32Platform platform(application, services);
        platform.RemoveWriteLeftovers(FFolder);
    }
    for (const std::u16string& leftover : leftovers) {
        EXPECT_FALSE(FileExists(leftover)) << W(leftover);
    }
    EXPECT_EQ(ReadTestFile(other), "not ours");
    DeleteFileW(WStr(other));
    RemoveDirectoryW(WStr(menu));
}

} // namespace
