// The run made from a command line: the session, and the window without showing it.
#include <gtest/gtest.h>

#include <memory>

#include "tests/windows/test_folders.h"
#include "tests/windows/test_run.h"
#include "utils/file_system_win.h"
#include "utils/shell_win.h"
#include "utils/exception.h"
#include "utils/language.h"
#include "utils/product_payload.h"
#include "utils/properties_win.h"
#include "utils/text_win.h"

namespace {

class MainFormTest : public ::testing::Test {
protected:
    static std::unique_ptr<TTestRun> Create(const std::u16string& arguments) {
        return std::make_unique<TTestRun>(arguments);
    }
    static std::u16string WindowText(HWND window) {
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        return U16(text);
    }
};

TEST_F(MainFormTest, NoArgumentsInstallsInteractively) {
    const auto run = Create(u"");
    const auto& form = run->Form;
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(RunModeName(run->Session.RunMode()), u"Install");
    EXPECT_FALSE(run->Session.SilentMode());
    EXPECT_FALSE(run->Session.VerySilentMode());
    EXPECT_FALSE(run->Session.ActionInProgress());
    EXPECT_FALSE(run->Application.Terminated());
    const std::u16string caption = u"Quorvalent \u2013 " + GetPhrase(u"INSTALL");
    EXPECT_EQ(form->Caption(), caption);
    EXPECT_EQ(WindowText(form->Handle()), caption);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    EXPECT_TRUE(form->DesktopShortcutChecked());
    EXPECT_TRUE(form->StartMenuShortcutChecked());
    EXPECT_TRUE(form->RunAfterChecked());
    EXPECT_FALSE(form->DeleteDataChecked());
}

TEST_F(MainFormTest, RunModeAndCaptionFollowTheSwitches) {
    // The session makes the language its phrases come from: it must exist before one is read.
    const auto uninstall = Create(u"/UNINSTALL");
    EXPECT_EQ(uninstall->Form->Caption(), u"Quorvalent \u2013 " + GetPhrase(u"UNINSTALL"));
    EXPECT_EQ(RunModeName(Create(u"/uninstall /update")->Session.RunMode()), u"Update");
    EXPECT_EQ(Create(u"/silentx /silent=1")->Session.SilentMode(), false);
}

TEST_F(MainFormTest, DestinationFolderComesFromDirThenStoredThenDefault) {
    EXPECT_EQ(Create(u"/dir=\"D:\\My Apps\\Q\"")->Form->DestinationFolder(), u"D:\\My Apps\\Q");
    EXPECT_EQ(Create(u"/dir=A /dir=B")->Form->DestinationFolder(), u"B");
    const std::u16string fallback = TProperties().InstallLocation().empty()
                                        ? GetAppDataFolder() + u"\\Mirelbrook\\Quorvalent"
                                        : TProperties().InstallLocation();
    EXPECT_EQ(Create(u"/dir=")->Form->DestinationFolder(), fallback);
    EXPECT_EQ(Create(u"")->Form->DestinationFolder(), fallback);
}

TEST_F(MainFormTest, FolderTextGoesThroughTheFieldsInputRules) {
    const auto run = Create(u"/dir=\"C:\\a<b>|c?*\"");
    const auto& form = run->Form;
    EXPECT_EQ(form->DestinationFolder(), u"C:\\abc");
    form->SetDestinationFolder(u"C:\\one\r\ntwo\tthree");
    EXPECT_EQ(form->DestinationFolder(), u"C:\\one two three");
    form->SetDestinationFolder(std::u16string(5000, u'x'));
    EXPECT_EQ(form->DestinationFolder().size(), 2048u);
}

TEST_F(MainFormTest, ElevationPassesOnlyTheModeAndTheTrimmedFolder) {
    const auto install = Create(u"/silentx /store");
    install->Form->SetDestinationFolder(u"  C:\\Program Files\\Q \t");
    EXPECT_EQ(install->Form->ElevationParameters(), u"/install /dir=\"C:\\Program Files\\Q\"");
    const auto update = Create(u"/update /store");
    update->Form->SetDestinationFolder(u"C:\\Q");
    EXPECT_EQ(update->Form->ElevationParameters(), u"/update /dir=\"C:\\Q\"");
    const auto uninstall = Create(u"/uninstall");
    uninstall->Form->SetDestinationFolder(u"C:\\Q");
    EXPECT_EQ(uninstall->Form->ElevationParameters(), u"/uninstall /dir=\"C:\\Q\"");
}

TEST_F(MainFormTest, SaveResourceWritesThePayloadAndReturnsItsSize) {
    const auto run = Create(u"");
    const std::u16string folder = FreshTestFolder(u"save-resource");
    WriteTestFile(folder + u"\\Quorvalent.exe", "old");
    const int64_t size = SaveResource(u"EXE_FILE", folder, u"Quorvalent.exe");
    EXPECT_EQ(size, 1572864);
    const std::string written = ReadTestFile(folder + u"\\Quorvalent.exe");
    EXPECT_EQ(written.size(), 1572864u);
    // A program's headers, then the test program's filler text.
    EXPECT_EQ(written.substr(0, 2), "MZ");
    EXPECT_EQ(written.substr(256, 16), "0123456789abcdef");
    EXPECT_EQ(CountEntries(folder), 1);
    EXPECT_THROW(SaveResource(u"NO_SUCH_RESOURCE", folder, u"x.exe"), EResNotFound);
    EXPECT_FALSE(FileExists(folder + u"\\x.exe"));
}

TEST_F(MainFormTest, SaveResourceRefusesAResourceThatIsNotAProgram) {
    // Any resource that is not a program will do: here a cut-short PNG.
    const auto run = Create(u"");
    const std::u16string folder = FreshTestFolder(u"save-not-a-program");
    WriteTestFile(folder + u"\\Quorvalent.exe", "old");
    try {
        SaveResource(u"BROKENPNG100", folder, u"Quorvalent.exe");
        FAIL() << "the resource was written";
    } catch (const EPayloadDamaged& e) {
        EXPECT_EQ(e.Message(), u"The packed product is damaged: it is not a Windows program.");
    }
    EXPECT_EQ(ReadTestFile(folder + u"\\Quorvalent.exe"), "old");
    EXPECT_THROW(SaveResource(u"BROKENPNG100", folder, u"New.exe"), EPayloadDamaged);
    EXPECT_FALSE(FileExists(folder + u"\\New.exe"));
    EXPECT_EQ(CountEntries(folder), 1) << "a temporary file was left behind";
}

TEST_F(MainFormTest, SilentRunMadeAWindowItNeverShowed) {
    // A folder that cannot be written ends the run at once with code 2.
    const std::u16string folder = FreshTestFolder(u"silent-run");
    WriteTestFile(folder + u"\\file", "x");
    const auto run = Create(u"/verysilent /dir=\"" + folder + u"\\file\\a<b>\tc\"");
    EXPECT_EQ(run->Form, nullptr);
    EXPECT_FALSE(run->Platform.Polling()) << "only an uninstall polls";
    EXPECT_TRUE(run->Application.Terminated());
    EXPECT_EQ(run->Application.ExitCode, 2);
    // The defaults of the switches, and the field's input rules for the folder.
    EXPECT_TRUE(run->Session.CurrentChoices().DesktopShortcut);
    EXPECT_TRUE(run->Session.CurrentChoices().RunAfter);
    EXPECT_FALSE(run->Session.CurrentChoices().DeleteData);
    EXPECT_EQ(run->Session.InitialFolder(), folder + u"\\file\\ab c");
}

} // namespace
