// The command-line help: every switch the program reads and every exit code, in each of the
// ten languages.
#include <gtest/gtest.h>

#include "app/command_line_help.h"
#include "app/run_services.h"
#include "tests/unit/languages.h"
#include "utils/command_line.h"

namespace {

TEST(CommandLineHelp, NamesEverySwitchAndExitCodeInEveryLanguage) {
    for (const char16_t* language : AllLanguageNames) {
        const TRunServices services(language);
        const std::u16string help = CommandLineHelp();
        SCOPED_TRACE(std::string(language, language + std::u16string(language).size()));
        EXPECT_NE(help.find(u"QuorvalentInstaller.exe"), std::u16string::npos)
            << "the usage names the program";
        for (const char16_t* name :
             {u"/install \u2013 ", u"/update \u2013 ", u"/uninstall \u2013 ", u"/silent \u2013 ",
              u"/verysilent \u2013 ", u"/dir=", u"/store \u2013 ", u"/nodesktopshortcut \u2013 ",
              u"/nostartmenushortcut \u2013 ", u"/deletedata \u2013 ", u"/log=", u"/?, /help \u2013 ",
              u"\r\n0 \u2013 ", u"\r\n1 \u2013 ", u"\r\n2 \u2013 "}) {
            EXPECT_NE(help.find(name), std::u16string::npos) << std::u16string(name).size();
        }
        EXPECT_EQ(help.find(u"%s"), std::u16string::npos) << "every placeholder was filled in";
        const size_t verySilent = help.find(u"/verysilent \u2013 ");
        ASSERT_NE(verySilent, std::u16string::npos);
        EXPECT_NE(help.substr(verySilent, help.find(u"\r\n", verySilent) - verySilent).find(u"Quorvalent"),
                  std::u16string::npos)
            << "/verysilent names the product";
    }
}

TEST(CommandLineHelp, EveryNamedSwitchIsOneTheProgramReads) {
    // What the help promises, read back by the program's own reading of a command line.
    const TCommandLineOptions options =
        ReadCommandLine(u"p.exe /uninstall /silent /verysilent /dir=\"C:\\Q\" /store /nodesktopshortcut "
                        u"/nostartmenushortcut /deletedata /log=\"C:\\l.txt\" /help");
    EXPECT_EQ(options.RunMode, rmUninstall);
    EXPECT_TRUE(options.Silent && options.VerySilent && options.Store);
    EXPECT_TRUE(options.NoDesktopShortcut && options.NoStartMenuShortcut && options.DeleteData &&
                options.Help);
    EXPECT_EQ(options.Dir, u"C:\\Q");
    EXPECT_EQ(options.Log, u"C:\\l.txt");
}

TEST(CommandLineHelp, TheEnglishTextReadsAsWritten) {
    const TRunServices english(u"English");
    const std::u16string help = CommandLineHelp();
    EXPECT_TRUE(
        help.starts_with(u"Usage: QuorvalentInstaller.exe [switches]\r\n\r\n/install \u2013 install (the "
                         u"default)\r\n"));
    EXPECT_NE(help.find(u"/verysilent \u2013 as /silent, and Quorvalent is not started afterwards\r\n"),
              std::u16string::npos);
    EXPECT_TRUE(help.ends_with(u"Exit codes:\r\n0 \u2013 done, cancelled, or the window was closed\r\n"
                               u"1 \u2013 the action failed and nothing was changed\r\n"
                               u"2 \u2013 the destination folder cannot be written\r\n"));
}

} // namespace
