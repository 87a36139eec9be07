// The main window created from a command line, without showing it.
#include <gtest/gtest.h>

#include <memory>

#include "app/application.h"
#include "app/main_form.h"
#include "tests/windows/test_folders.h"
#include "utils/common.h"
#include "utils/exception.h"
#include "utils/language.h"
#include "utils/properties.h"

namespace {

class MainFormTest : public ::testing::Test {
protected:
    std::unique_ptr<TMainForm> Create(const std::u16string& arguments) {
        return std::make_unique<TMainForm>(
            FApplication, ReadCommandLine(u"\"C:\\x\\QuorvalentInstaller.exe\" " + arguments));
    }
    static std::u16string WindowText(HWND window) {
        wchar_t text[256] = {};
        GetWindowTextW(window, text, 256);
        return U16(text);
    }
    TApplication FApplication;
};

TEST_F(MainFormTest, NoArgumentsInstallsInteractively) {
    const auto form = Create(u"");
    EXPECT_EQ(form->RunMode, u"Install");
    EXPECT_FALSE(form->SilentMode);
    EXPECT_FALSE(form->VerySilentMode);
    EXPECT_FALSE(form->ActionInProgress);
    EXPECT_TRUE(FApplication.ShowMainForm);
    EXPECT_FALSE(FApplication.Terminated());
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
    // The form makes the language its phrases come from: it must exist before one is read.
    const auto uninstall = Create(u"/UNINSTALL");
    EXPECT_EQ(uninstall->Caption(), u"Quorvalent \u2013 " + GetPhrase(u"UNINSTALL"));
    EXPECT_EQ(Create(u"/uninstall /update")->RunMode, u"Update");
    EXPECT_EQ(Create(u"/silentx /silent=1")->SilentMode, false);
}

TEST_F(MainFormTest, DestinationFolderComesFromDirThenStoredThenDefault) {
    EXPECT_EQ(Create(u"/dir=\"D:\\My Apps\\Q\"")->DestinationFolder(), u"D:\\My Apps\\Q");
    EXPECT_EQ(Create(u"/dir=A /dir=B")->DestinationFolder(), u"B");
    const std::u16string fallback = Properties->InstallLocation().empty()
                                        ? GetAppDataFolder() + u"\\Mirelbrook\\Quorvalent"
                                        : Properties->InstallLocation();
    EXPECT_EQ(Create(u"/dir=")->DestinationFolder(), fallback);
    EXPECT_EQ(Create(u"")->DestinationFolder(), fallback);
}

TEST_F(MainFormTest, FolderTextGoesThroughTheFieldsInputRules) {
    const auto form = Create(u"/dir=\"C:\\a<b>|c?*\"");
    EXPECT_EQ(form->DestinationFolder(), u"C:\\abc");
    form->SetDestinationFolder(u"C:\\one\r\ntwo\tthree");
    EXPECT_EQ(form->DestinationFolder(), u"C:\\one two three");
    form->SetDestinationFolder(std::u16string(5000, u'x'));
    EXPECT_EQ(form->DestinationFolder().size(), 2048u);
}

TEST_F(MainFormTest, ElevationPassesOnlyTheModeAndTheTrimmedFolder) {
    const auto install = Create(u"/silentx /store");
    install->SetDestinationFolder(u"  C:\\Program Files\\Q \t");
    EXPECT_EQ(install->ElevationParameters(), u"/install /dir=\"C:\\Program Files\\Q\"");
    const auto update = Create(u"/update /store");
    update->SetDestinationFolder(u"C:\\Q");
    EXPECT_EQ(update->ElevationParameters(), u"/update /dir=\"C:\\Q\"");
    const auto uninstall = Create(u"/uninstall");
    uninstall->SetDestinationFolder(u"C:\\Q");
    EXPECT_EQ(uninstall->ElevationParameters(), u"/uninstall /dir=\"C:\\Q\"");
}

TEST_F(MainFormTest, SaveResourceWritesThePayloadAndReturnsItsSize) {
    const auto form = Create(u"");
    const std::u16string folder = FreshTestFolder(u"save-resource");
    WriteTestFile(folder + u"\\Quorvalent.exe", "old");
    const int64_t size = form->SaveResource(u"EXE_FILE", folder, u"Quorvalent.exe");
    EXPECT_EQ(size, 1572864);
    const std::string written = ReadTestFile(folder + u"\\Quorvalent.exe");
    EXPECT_EQ(written.size(), 1572864u);
    EXPECT_EQ(written.substr(0, 16), "0123456789abcdef");
    EXPECT_EQ(CountEntries(folder), 1);
    EXPECT_THROW(form->SaveResource(u"NO_SUCH_RESOURCE", folder, u"x.exe"), EResNotFound);
    EXPECT_FALSE(FileExists(folder + u"\\x.exe"));
}

TEST_F(MainFormTest, SilentRunMadeAWindowItNeverShowed) {
    // A folder that cannot be written ends the run at once with code 2.
    const std::u16string folder = FreshTestFolder(u"silent-run");
    WriteTestFile(folder + u"\\file", "x");
    const auto form = Create(u"/verysilent /dir=\"" + folder + u"\\file\\Q\"");
    EXPECT_EQ(form->Handle(), nullptr);
    EXPECT_EQ(form->ActionButton, nullptr);
    EXPECT_EQ(form->UninstallTimer, nullptr) << "only an uninstall polls";
    EXPECT_FALSE(FApplication.ShowMainForm);
    EXPECT_EQ(FApplication.ExitCode, 2);
    // The defaults of the switches, and the field's input rules for the folder.
    EXPECT_TRUE(form->DesktopShortcutChecked());
    EXPECT_TRUE(form->RunAfterChecked());
    EXPECT_FALSE(form->DeleteDataChecked());
    form->SetDestinationFolder(u"C:\\a<b>\r\nc");
    EXPECT_EQ(form->DestinationFolder(), u"C:\\ab c");
}

} // namespace
