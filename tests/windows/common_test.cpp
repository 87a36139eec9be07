#include <gtest/gtest.h>

#include <shlobj.h>

#include "tests/windows/test_folders.h"
#include "utils/file_system_win.h"
#include "utils/shell_win.h"
#include "utils/language_win.h"
#include "utils/exception.h"
#include "utils/text_win.h"
#include "utils/os_error_win.h"
#include "utils/com_win.h"

namespace {

std::wstring W(const std::u16string& text) {
    return std::wstring(text.begin(), text.end());
}

TEST(HasWriteAccess, ExistingFolderAnswersTrueAndStaysAsItWas) {
    const std::u16string folder = FreshTestFolder(u"access-existing");
    WriteTestFile(folder + u"\\keep.txt", "keep");
    EXPECT_TRUE(HasWriteAccess(folder));
    EXPECT_EQ(CountEntries(folder), 1);
    EXPECT_EQ(ReadTestFile(folder + u"\\keep.txt"), "keep");
}

TEST(HasWriteAccess, RemovesAnEmptyProbeFolderThatWasAlreadyThere) {
    const std::u16string folder = FreshTestFolder(u"access-probe");
    CreateDirectoryW(WStr(folder + u"\\TestAccess"), nullptr);
    EXPECT_TRUE(HasWriteAccess(folder));
    EXPECT_FALSE(DirectoryExists(folder + u"\\TestAccess"));
}

TEST(HasWriteAccess, ProbeOfAMissingFolderLeftItAndItsParentsBehind) {
    const std::u16string base = FreshTestFolder(u"access-new");
    const std::u16string folder = base + u"\\a\\b c\\\u00F6";
    EXPECT_TRUE(HasWriteAccess(folder));
    EXPECT_EQ(CountEntries(base), 0);
    // A folder that existed before stays, and so does one that is no longer empty.
    CreateDirectoryW(WStr(base + u"\\a"), nullptr);
    EXPECT_TRUE(HasWriteAccess(folder));
    EXPECT_TRUE(DirectoryExists(base + u"\\a"));
    EXPECT_EQ(CountEntries(base + u"\\a"), 0);
}

TEST(HasWriteAccess, TextThatIsNotAFullPathIsNoFolder) {
    // Relative text was probed, and then installed into, wherever the process happened to be.
    const std::u16string base = FreshTestFolder(u"access-relative");
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    SetCurrentDirectoryW(WStr(base));
    for (const char16_t* folder : {u"foo", u".", u"..\\x", u"\\x", u"C:x"}) {
        EXPECT_FALSE(HasWriteAccess(folder)) << W(folder);
    }
    SetCurrentDirectoryW(saved);
    EXPECT_EQ(CountEntries(base), 0);
}

TEST(HasWriteAccess, AnswersFalseWhereNothingCanBeCreated) {
    const std::u16string base = FreshTestFolder(u"access-denied");
    WriteTestFile(base + u"\\file", "x");
    EXPECT_FALSE(HasWriteAccess(base + u"\\file"));
    EXPECT_FALSE(HasWriteAccess(base + u"\\file\\below"));
    // A file named like the probe folder stands in the way.
    WriteTestFile(base + u"\\TestAccess", "x");
    EXPECT_FALSE(HasWriteAccess(base));
    EXPECT_FALSE(HasWriteAccess(u""));
    EXPECT_FALSE(HasWriteAccess(u"Q:\\NoSuchDrive"));
}

TEST(ForceDirectories, RaisesWithTheFolderNameOnFailure) {
    const std::u16string base = FreshTestFolder(u"force");
    WriteTestFile(base + u"\\file", "x");
    try {
        ForceDirectories(base + u"\\file\\sub");
        FAIL() << "no error raised";
    } catch (const EError& e) {
        EXPECT_NE(e.Message().find(u"file"), std::u16string::npos);
    }
    EXPECT_EQ(ForceDirectories(base + u"\\x\\y\\"),
              (std::vector<std::u16string>{base + u"\\x", base + u"\\x\\y"}));
    EXPECT_TRUE(DirectoryExists(base + u"\\x\\y"));
    EXPECT_TRUE(ForceDirectories(base).empty());
    // A chain that fails half-way takes back what it made, and only that.
    CreateDirectoryW(WStr(base + u"\\m"), nullptr);
    EXPECT_THROW(ForceDirectories(base + u"\\m\\k\\l\\bad<name"), EError);
    EXPECT_TRUE(DirectoryExists(base + u"\\m"));
    EXPECT_FALSE(DirectoryExists(base + u"\\m\\k"));
}

TEST(ShellFolders, DesktopAndAppDataExistWithoutTrailingSeparator) {
    const std::u16string desktop = GetDesktopFolder(nullptr);
    ASSERT_FALSE(desktop.empty());
    EXPECT_NE(desktop.back(), u'\\');
    const std::u16string appData = GetAppDataFolder();
    ASSERT_FALSE(appData.empty());
    EXPECT_TRUE(DirectoryExists(appData));
    EXPECT_NE(appData.back(), u'\\');
}

TEST(CreateShortcut, WritesAndReplacesALink) {
    const std::u16string folder = FreshTestFolder(u"shortcut");
    const std::u16string link = folder + u"\\Quorvalent.lnk";
    CreateShortcut(u"C:\\First\\Quorvalent.exe", link, u"C:\\First", u"Quorvalent");
    CreateShortcut(u"C:\\Second\\Quorvalent.exe", link, u"C:\\Second", u"Second");
    TComPtr<IShellLinkW> shell;
    ASSERT_TRUE(SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shell.PutVoid())));
    TComPtr<IPersistFile> file;
    ASSERT_TRUE(SUCCEEDED(shell->QueryInterface(IID_IPersistFile, file.PutVoid())));
    ASSERT_TRUE(SUCCEEDED(file->Load(WStr(link), STGM_READ)));
    wchar_t text[MAX_PATH] = {};
    shell->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    EXPECT_EQ(U16(text), u"C:\\Second\\Quorvalent.exe");
    shell->GetWorkingDirectory(text, MAX_PATH);
    EXPECT_EQ(U16(text), u"C:\\Second");
    shell->GetDescription(text, MAX_PATH);
    EXPECT_EQ(U16(text), u"Second");
}

TEST(CreateShortcut, UnwritableLinkFailsSilently) {
    const std::u16string base = FreshTestFolder(u"shortcut-denied");
    WriteTestFile(base + u"\\file", "x");
    EXPECT_NO_THROW(CreateShortcut(u"C:\\x.exe", base + u"\\file\\x.lnk", u"C:\\", u"x"));
    EXPECT_FALSE(FileExists(base + u"\\file\\x.lnk"));
}

TEST(CreateShortcut, SaysWhetherTheLinkWasSaved) {
    const std::u16string base = FreshTestFolder(u"shortcut-result");
    WriteTestFile(base + u"\\file", "x");
    EXPECT_TRUE(FAILED(CreateShortcut(u"C:\\x.exe", base + u"\\file\\x.lnk", u"C:\\", u"x")));
    EXPECT_TRUE(SUCCEEDED(CreateShortcut(u"C:\\x.exe", base + u"\\x.lnk", u"C:\\", u"x")));
    EXPECT_TRUE(FileExists(base + u"\\x.lnk"));
}

TEST(ShellStart, TellsWhyAStartFailedInsteadOfShowingIt) {
    const std::u16string folder = FreshTestFolder(u"shell-start");
    for (const wchar_t* verb : {L"open", L"runas"}) {
        // No message box of the shell's may wait for a user: the call answers at once.
        const DWORD error = ShellStart(nullptr, verb, folder + u"\\missing.exe", u"/x", {}, SW_SHOWNORMAL);
        EXPECT_NE(error, DWORD(ERROR_SUCCESS)) << W(std::u16string(reinterpret_cast<const char16_t*>(verb)));
        EXPECT_FALSE(SysErrorMessage(error).empty());
    }
}

TEST(ShellStart, StartsAProgramWithItsParametersAndFolder) {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::u16string folder = FreshTestFolder(u"shell-start-ok");
    // The interpreter writes where it was started and with what, then ends.
    EXPECT_EQ(ShellStart(nullptr, L"open", U16(system) + u"\\cmd.exe", u"/c echo started> marker.txt", folder,
                         SW_HIDE),
              DWORD(ERROR_SUCCESS));
    for (int i = 0; i < 200 && ReadTestFile(folder + u"\\marker.txt").find("started") == std::string::npos;
         ++i) {
        WaitForSingleObject(GetCurrentProcess(), 50);
    }
    EXPECT_NE(ReadTestFile(folder + u"\\marker.txt").find("started"), std::string::npos);
}

TEST(GetUserLanguageName, GivesAnEnglishLanguageName) {
    const std::u16string name = GetUserLanguageName();
    ASSERT_FALSE(name.empty());
    for (const char16_t c : name) {
        EXPECT_TRUE(c < 128) << static_cast<int>(c);
    }
}

} // namespace
