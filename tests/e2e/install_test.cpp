// Silent installs and updates of the real installer, checked in the prefix's registry,
// files and shortcuts.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/e2e/e2e_support.h"

using namespace e2e;

namespace {

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override { ResetInstallState(); }
    void TearDown() override { ResetInstallState(); }

    static Bytes Payload() { return ProductBytes(); }

    // Installs silently into the default folder and checks that it worked.
    void InstallDefault(const std::wstring& extra = L"") {
        const TRunResult run = RunInstaller(L"/verysilent" + extra);
        ASSERT_FALSE(run.TimedOut);
        ASSERT_EQ(run.ExitCode, 0u);
        ASSERT_TRUE(FileExists(DefaultInstallFolder() + L"\\Quorvalent.exe"));
    }

    static std::wstring Text(const std::wstring& name) {
        const auto value = ReadRegValue(UninstallKey, name);
        return value ? value->Text : L"<missing>";
    }

    static std::wstring Today() {
        SYSTEMTIME now;
        GetLocalTime(&now);
        wchar_t text[16];
        swprintf(text, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
        return text;
    }
};

TEST_F(InstallTest, VerySilentInstallsIntoTheDefaultFolder) {
    const std::wstring log = FreshFolder(L"very-silent-log") + L"\\installer.log";
    const TRunResult run = RunInstaller(L"/verysilent /log=\"" + log + L"\"");
    ASSERT_FALSE(run.TimedOut);
    EXPECT_EQ(run.ExitCode, 0u);

    const std::wstring folder = DefaultInstallFolder();
    const Bytes payload = Payload();
    ASSERT_GT(payload.size(), 1000u);
    EXPECT_EQ(ReadFileBytes(folder + L"\\Quorvalent.exe"), payload);
    EXPECT_EQ(ReadFileBytes(folder + L"\\QuorvalentInstaller.exe"), ReadFileBytes(InstallerPath()));
    // Nothing else lands in the folder: no temporary files, no probe folder.
    std::vector<std::wstring> files = ListFolder(folder);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::wstring>{L"Quorvalent.exe", L"QuorvalentInstaller.exe"}));

    const std::wstring installer = folder + L"\\QuorvalentInstaller.exe";
    const struct {
        const wchar_t* Name;
        std::wstring Value;
    } texts[] = {{L"Publisher", L"Mirelbrook"},
                 {L"DisplayName", L"Quorvalent"},
                 {L"DisplayVersion", ProductVersion()},
                 {L"InstallLocation", folder},
                 {L"DisplayIcon", installer},
                 {L"InstallDate", Today()},
                 {L"UninstallString", L"\"" + installer + L"\" /uninstall"},
                 {L"URLInfoAbout", L"https://www.mirelbrook.com/quorvalent"}};
    for (const auto& expected : texts) {
        const auto value = ReadRegValue(UninstallKey, expected.Name);
        ASSERT_TRUE(value.has_value()) << expected.Name;
        EXPECT_EQ(value->Type, static_cast<DWORD>(REG_SZ)) << expected.Name;
        EXPECT_EQ(value->Text, expected.Value) << expected.Name;
    }
    const struct {
        const wchar_t* Name;
        DWORD Value;
    } numbers[] = {
        {L"EstimatedSize", static_cast<DWORD>(payload.size() / 1024)}, {L"NoModify", 1}, {L"NoRepair", 1}};
    for (const auto& expected : numbers) {
        const auto value = ReadRegValue(UninstallKey, expected.Name);
        ASSERT_TRUE(value.has_value()) << expected.Name;
        EXPECT_EQ(value->Type, static_cast<DWORD>(REG_DWORD)) << expected.Name;
        EXPECT_EQ(value->Number, expected.Value) << expected.Name;
    }
    EXPECT_EQ(RegValueNames(UninstallKey).size(), 11u);

    const auto source = ReadRegValue(AppKey, L"InstallationSource");
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->Text, L"Website");
    // The install folder is recorded in the Programs list only.
    EXPECT_FALSE(ReadRegValue(AppKey, L"InstallLocation").has_value());

    for (const std::wstring& link :
         {DesktopFolder() + L"\\Quorvalent.lnk", StartMenuFolder() + L"\\Quorvalent.lnk"}) {
        const auto shortcut = ReadShortcut(link);
        ASSERT_TRUE(shortcut.has_value()) << link.c_str();
        EXPECT_EQ(_wcsicmp(shortcut->Target.c_str(), (folder + L"\\Quorvalent.exe").c_str()), 0)
            << shortcut->Target.c_str();
        EXPECT_EQ(shortcut->WorkingDirectory, folder);
        EXPECT_EQ(shortcut->Description, L"Quorvalent");
    }

    // /verysilent never starts the product: the ended run logs the start when there is one.
    EXPECT_EQ(ReadUtf8File(log).find(L"Started the product"), std::wstring::npos);
    EXPECT_FALSE(FileExists(StandInLog(folder)));
    EXPECT_EQ(FindWindowW(nullptr, L"Quorvalent"), nullptr);
}

TEST_F(InstallTest, SilentInstallNeverLoadsADisplayDriver) {
    // Measuring the frame of a window that a silent run never makes connected the process to
    // the display: time and memory an unattended install had no use for.
    for (const wchar_t* switches : {L"/verysilent", L"/silent"}) {
        SCOPED_TRACE(testing::Message() << switches);
        ResetInstallState();
        const TModuleTrace trace = TraceModuleLoads(InstallerPath(), switches);
        ASSERT_EQ(trace.ExitCode, 0u);
        EXPECT_TRUE(FileExists(DefaultInstallFolder() + L"\\Quorvalent.exe"));
        ASSERT_FALSE(trace.Modules.empty());
        for (const std::wstring& module : trace.Modules) {
            EXPECT_FALSE(module.size() > 4 && _wcsicmp(module.c_str() + module.size() - 4, L".drv") == 0)
                << "loaded " << std::string(module.begin(), module.end());
        }
    }
    // The silent run started the product: it must be up before it can be asked to close.
    EXPECT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"Quorvalent") != nullptr; }, 15000));
    CloseStandIns();
}

TEST_F(InstallTest, SilentStartsTheProductWithoutArguments) {
    const std::wstring installerLog = FreshFolder(L"silent-log") + L"\\installer.log";
    const TRunResult run = RunInstaller(L"/silent /log=\"" + installerLog + L"\"");
    ASSERT_EQ(run.ExitCode, 0u);
    EXPECT_NE(ReadUtf8File(installerLog)
                  .find(L"Started the product " + DefaultInstallFolder() + L"\\Quorvalent.exe"),
              std::wstring::npos);
    const std::wstring log = StandInLog(DefaultInstallFolder());
    // The stand-in makes its log before it writes the line: wait for the line, not the file.
    EXPECT_TRUE(WaitFor([&] { return ReadUtf8File(log) == L"started: \r\n"; }, 15000)) << ReadUtf8File(log);
    EXPECT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"Quorvalent") != nullptr; }, 15000));
}

TEST_F(InstallTest, StoreSwitchRecordsTheStoreAsSource) {
    InstallDefault(L" /store");
    EXPECT_EQ(ReadRegValue(AppKey, L"InstallationSource")->Text, L"Store");
}

TEST_F(InstallTest, UpdateKeepsTheSourceRewritesTheEntryAndStartsWithUpdated) {
    InstallDefault(L" /store");
    const std::wstring folder = DefaultInstallFolder();
    // Values an older version left, and one that other software added.
    SetRegString(UninstallKey, L"DisplayVersion", L"3.2.9");
    SetRegString(UninstallKey, L"InstallDate", L"20200101");
    SetRegDword(UninstallKey, L"EstimatedSize", 1);
    SetRegString(UninstallKey, L"Comments", L"kept");
    WriteFileBytes(folder + L"\\Quorvalent.exe", Bytes(100, 0x55));

    const TRunResult run = RunInstaller(L"/update /silent");
    ASSERT_EQ(run.ExitCode, 0u);
    EXPECT_EQ(ReadRegValue(AppKey, L"InstallationSource")->Text, L"Store");
    EXPECT_EQ(Text(L"DisplayVersion"), ProductVersion());
    EXPECT_EQ(Text(L"InstallDate"), Today());
    EXPECT_EQ(ReadRegValue(UninstallKey, L"EstimatedSize")->Number, Payload().size() / 1024);
    EXPECT_EQ(Text(L"Comments"), L"kept");
    EXPECT_EQ(ReadFileBytes(folder + L"\\Quorvalent.exe"), Payload());

    const std::wstring log = StandInLog(folder);
    EXPECT_TRUE(WaitFor([&] { return ReadUtf8File(log) == L"started: /updated\r\n"; }, 15000))
        << ReadUtf8File(log);
    EXPECT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"Quorvalent") != nullptr; }, 15000));
}

TEST_F(InstallTest, DirWithSpacesAndNonAsciiLetters) {
    const std::wstring folder =
        FreshFolder(L"Pr\u00F6gr\u00E4mme \u03A9 \u0416") + L"\\Quorvalent \u65E5\u672C";
    const TRunResult run = RunInstaller(L"/VERYSILENT /DIR=\"" + folder + L"\"");
    ASSERT_EQ(run.ExitCode, 0u);
    EXPECT_EQ(ReadFileBytes(folder + L"\\Quorvalent.exe"), Payload());
    EXPECT_TRUE(FileExists(folder + L"\\QuorvalentInstaller.exe"));
    EXPECT_EQ(Text(L"InstallLocation"), folder);
    EXPECT_EQ(ReadShortcut(DesktopFolder() + L"\\Quorvalent.lnk")->WorkingDirectory, folder);
    EXPECT_FALSE(DirectoryExists(DefaultInstallFolder()));
}

TEST_F(InstallTest, StoredInstallLocationIsUsedWithoutDirAndDirOverridesIt) {
    const std::wstring stored = FreshFolder(L"stored") + L"\\Quorvalent";
    SetRegString(UninstallKey, L"InstallLocation", stored);
    ASSERT_EQ(RunInstaller(L"/update /verysilent").ExitCode, 0u);
    EXPECT_TRUE(FileExists(stored + L"\\Quorvalent.exe"));
    EXPECT_FALSE(DirectoryExists(DefaultInstallFolder()));

    const std::wstring other = FreshFolder(L"override");
    ASSERT_EQ(RunInstaller(L"/verysilent /dir=" + other).ExitCode, 0u);
    EXPECT_TRUE(FileExists(other + L"\\Quorvalent.exe"));
    EXPECT_EQ(Text(L"InstallLocation"), other);
}

TEST_F(InstallTest, InstallerStartedFromItsFolderInAnotherCaseUpdatesInPlace) {
    InstallDefault();
    const std::wstring folder = DefaultInstallFolder();
    const Bytes installer = ReadFileBytes(folder + L"\\QuorvalentInstaller.exe");
    std::wstring upper = folder + L"\\QUORVALENTINSTALLER.EXE";
    CharUpperW(upper.data());
    const TRunResult run = e2e::Run(upper, L"/update /verysilent /dir="
                                           " + folder + L"
                                           "");
    EXPECT_EQ(run.ExitCode, 0u);
    EXPECT_EQ(ReadFileBytes(folder + L"\\QuorvalentInstaller.exe"), installer);
    EXPECT_EQ(ListFolder(folder).size(), 2u);
}

TEST_F(InstallTest, UnwritableFolderEndsWithExitCodeTwoAndWritesNothing) {
    // A file where a folder would have to be created: no user can write there.
    const std::wstring parent = FreshFolder(L"blocked");
    WriteFileBytes(parent + L"\\file", Bytes(3, 1));
    for (const std::wstring& folder :
         {parent + L"\\file\\Quorvalent", std::wstring(L"Q:\\NoSuchDrive\\Quorvalent")}) {
        const TRunResult run = RunInstaller(L"/silent /dir=\"" + folder + L"\"");
        ASSERT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, 2u) << folder.c_str();
    }
    EXPECT_FALSE(RegKeyExists(UninstallKey));
    EXPECT_FALSE(RegKeyExists(AppKey));
    EXPECT_FALSE(FileExists(DesktopFolder() + L"\\Quorvalent.lnk"));
    EXPECT_FALSE(DirectoryExists(StartMenuFolder()));
    EXPECT_EQ(ListFolder(parent), std::vector<std::wstring>{L"file"});
}

TEST_F(InstallTest, RelativeFolderTextInstalledIntoTheCurrentFolder) {
    const std::wstring current = FreshFolder(L"current");
    for (const wchar_t* dir : {L"foo", L".", L"..\\elsewhere", L"\\rooted", L"C:drive-relative"}) {
        const TRunResult run =
            RunInstaller(std::wstring(L"/verysilent /dir=\"") + dir + L"\"", 60000, {}, current);
        ASSERT_FALSE(run.TimedOut);
        EXPECT_EQ(run.ExitCode, 2u) << dir;
    }
    // A stored relative folder is no folder either.
    SetRegString(UninstallKey, L"InstallLocation", L"stored\\Quorvalent");
    EXPECT_EQ(RunInstaller(L"/update /verysilent", 60000, {}, current).ExitCode, 2u);
    EXPECT_TRUE(ListFolder(current).empty());
    EXPECT_EQ(RegValueNames(UninstallKey).size(), 1u);
    EXPECT_FALSE(RegKeyExists(AppKey));
    EXPECT_FALSE(FileExists(DesktopFolder() + L"\\Quorvalent.lnk"));
}

TEST_F(InstallTest, FolderTextWasRecordedAsTyped) {
    const std::wstring base = FreshFolder(L"typed");
    const struct {
        std::wstring Typed;
        std::wstring Folder;
    } cases[] = {
        // "a" was created on the way.
        {base + L"\\a\\..\\b", base + L"\\b"},
        // A trailing separator doubled the separators in the stored commands.
        {base + L"\\c\\", base + L"\\c"},
        {base + L"\\\\d//e\\.\\", base + L"\\d\\e"},
    };
    for (const auto& c : cases) {
        const TRunResult run = RunInstaller(L"/verysilent /dir=\"" + c.Typed + L"\"");
        ASSERT_EQ(run.ExitCode, 0u) << c.Typed;
        const std::wstring installer = c.Folder + L"\\QuorvalentInstaller.exe";
        EXPECT_TRUE(FileExists(installer)) << c.Typed;
        EXPECT_EQ(Text(L"InstallLocation"), c.Folder);
        EXPECT_EQ(Text(L"DisplayIcon"), installer);
        EXPECT_EQ(Text(L"UninstallString"), L"\"" + installer + L"\" /uninstall");
        EXPECT_EQ(ReadShortcut(DesktopFolder() + L"\\Quorvalent.lnk")->WorkingDirectory, c.Folder);
    }
    std::vector<std::wstring> made = ListFolder(base);
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (std::vector<std::wstring>{L"b", L"c", L"d"}));
}

} // namespace
