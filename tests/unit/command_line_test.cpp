#include <gtest/gtest.h>

#include "utils/command_line.h"

namespace {

using Args = std::vector<std::u16string>;

std::u16string Mode(std::u16string_view line) {
    return RunModeName(GetRunMode(SplitCommandLine(line)));
}
bool Flag(std::u16string_view line, std::u16string_view name) {
    return GetBooleanParam(SplitCommandLine(line), name);
}
std::u16string Value(std::u16string_view line, std::u16string_view name) {
    return GetStringParam(SplitCommandLine(line), name);
}

TEST(SplitCommandLine, SeparatesOnBlanksAndControlCharacters) {
    EXPECT_EQ(SplitCommandLine(u"prog.exe  /a\t/b\r\n/c\x01/d"),
              (Args{u"prog.exe", u"/a", u"/b", u"/c", u"/d"}));
    EXPECT_EQ(SplitCommandLine(u""), Args{});
    EXPECT_EQ(SplitCommandLine(u"   \t "), Args{});
}

TEST(SplitCommandLine, QuotesGroupAndAreDropped) {
    EXPECT_EQ(SplitCommandLine(u"\"C:\\Program Files\\q.exe\" /dir=\"C:\\Program Files\\Quorvalent\""),
              (Args{u"C:\\Program Files\\q.exe", u"/dir=C:\\Program Files\\Quorvalent"}));
    // An unterminated quote runs to the end of the line.
    EXPECT_EQ(SplitCommandLine(u"p \"a b"), (Args{u"p", u"a b"}));
    // Quotes in the middle of an argument only toggle grouping.
    EXPECT_EQ(SplitCommandLine(u"p a\"b c\"d e"), (Args{u"p", u"ab cd", u"e"}));
}

TEST(SplitCommandLine, LeadingQuotePairIsSkippedAndBackslashIsNoEscape) {
    EXPECT_EQ(SplitCommandLine(u"p \"\"x"), (Args{u"p", u"x"}));
    EXPECT_EQ(SplitCommandLine(u"p \"\" y"), (Args{u"p", u"y"}));
    EXPECT_EQ(SplitCommandLine(u"p \"a\\\" b"), (Args{u"p", u"a\\", u"b"}));
    EXPECT_EQ(SplitCommandLine(u"p C:\\dir\\\\"), (Args{u"p", u"C:\\dir\\\\"}));
}

TEST(GetRunMode, DefaultsToInstallAndLastSwitchWins) {
    EXPECT_EQ(Mode(u"p"), u"Install");
    EXPECT_EQ(Mode(u"p /UNINSTALL"), u"Uninstall");
    EXPECT_EQ(Mode(u"p /Update"), u"Update");
    EXPECT_EQ(Mode(u"p /uninstall /install"), u"Install");
    EXPECT_EQ(Mode(u"p /update /silent /x"), u"Update");
    EXPECT_EQ(Mode(u"p /uninstallx /update=1"), u"Install");
}

TEST(GetRunMode, ProgramPathIsNeverExamined) {
    EXPECT_EQ(Mode(u"/uninstall"), u"Install");
    EXPECT_FALSE(Flag(u"/silent", u"/silent"));
    EXPECT_EQ(Value(u"/dir=X", u"/dir"), u"");
}

TEST(GetBooleanParam, MatchesWholeArgumentInAnyCase) {
    EXPECT_TRUE(Flag(u"p /SiLeNt", u"/silent"));
    EXPECT_FALSE(Flag(u"p /silentx", u"/silent"));
    EXPECT_FALSE(Flag(u"p /silent=1", u"/silent"));
    EXPECT_TRUE(Flag(u"p /verysilent", u"/verysilent"));
    EXPECT_FALSE(Flag(u"p /verysilent", u"/silent"));
}

TEST(GetStringParam, ValueFollowsNameAndOneSeparator) {
    EXPECT_EQ(Value(u"p /dir=\"D:\\My Apps\\Q\"", u"/dir"), u"D:\\My Apps\\Q");
    EXPECT_EQ(Value(u"p /DIR=D:\\Mixed\\Case", u"/dir"), u"D:\\Mixed\\Case");
    EXPECT_EQ(Value(u"p /dir=", u"/dir"), u"");
    EXPECT_EQ(Value(u"p /dir", u"/dir"), u"");
    EXPECT_EQ(Value(u"p", u"/dir"), u"");
    EXPECT_EQ(Value(u"p /dir=A /dir=B", u"/dir"), u"B");
    // A plain prefix test: the character after the name is skipped whatever it is.
    EXPECT_EQ(Value(u"p /directory=X", u"/dir"), u"ctory=X");
    EXPECT_EQ(Value(u"p /dir:C:\\x", u"/dir"), u"C:\\x");
}

TEST(ReadCommandLine, ReadsEverySwitchOnceWhateverTheLetterCase) {
    const TCommandLineOptions options =
        ReadCommandLine(u"\"C:\\x\\QuorvalentInstaller.exe\" /UPDATE /SILENT /VerySilent /Store "
                        u"/DIR=\"D:\\My Apps\" /Log=C:\\l.txt");
    EXPECT_EQ(options.RunMode, rmUpdate);
    EXPECT_TRUE(options.Silent);
    EXPECT_TRUE(options.VerySilent);
    EXPECT_TRUE(options.Store);
    EXPECT_TRUE(options.Unattended());
    EXPECT_EQ(options.Dir, u"D:\\My Apps");
    EXPECT_EQ(options.Log, u"C:\\l.txt");

    const TCommandLineOptions none = ReadCommandLine(u"p.exe /silentx /silent=1 /verysilent=no");
    EXPECT_EQ(none.RunMode, rmInstall);
    EXPECT_FALSE(none.Unattended());
    EXPECT_FALSE(none.Store);
    EXPECT_EQ(none.Dir, u"");
    EXPECT_TRUE(ReadCommandLine(u"p.exe /verysilent").Unattended());
}

TEST(ReadCommandLine, TheWindowsChoicesAsSwitches) {
    const struct {
        const char16_t* Line;
        bool NoDesktop, NoStartMenu, DeleteData, Help;
    } table[] = {
        {u"p.exe", false, false, false, false},
        {u"p.exe /NoDesktopShortcut", true, false, false, false},
        {u"p.exe /nostartmenushortcut /NODESKTOPSHORTCUT", true, true, false, false},
        {u"p.exe /uninstall /DeleteData", false, false, true, false},
        {u"p.exe /?", false, false, false, true},
        {u"p.exe /HELP", false, false, false, true},
        // Whole arguments only, as every switch: nothing after the name, and no value.
        {u"p.exe /nodesktopshortcuts /deletedata=1 /help=me /?? /-?", false, false, false, false},
        // The program path is never a switch.
        {u"/help", false, false, false, false},
        {u"/help /?", false, false, false, true},
        // Unknown arguments change nothing of the rest.
        {u"p.exe /sp- /deletedata /norestart", false, false, true, false},
    };
    for (const auto& row : table) {
        const TCommandLineOptions options = ReadCommandLine(row.Line);
        const std::string line(row.Line, row.Line + std::u16string(row.Line).size());
        EXPECT_EQ(options.NoDesktopShortcut, row.NoDesktop) << line;
        EXPECT_EQ(options.NoStartMenuShortcut, row.NoStartMenu) << line;
        EXPECT_EQ(options.DeleteData, row.DeleteData) << line;
        EXPECT_EQ(options.Help, row.Help) << line;
    }
    // A choice does not stand for a run mode or a folder.
    const TCommandLineOptions data = ReadCommandLine(u"p.exe /deletedata");
    EXPECT_EQ(data.RunMode, rmInstall);
    EXPECT_EQ(data.Dir, u"") << "/deletedata is not /dir";
}

TEST(ReadCommandLine, CapitalIIsTheLetterIInEveryLocale) {
    // A Turkish locale lower-cases I to a dotless i: a run that one reading took for silent and
    // another for interactive showed a window in the apartment of a windowless run.
    EXPECT_TRUE(ReadCommandLine(u"p.exe /SILENT").Silent);
    EXPECT_TRUE(ReadCommandLine(u"p.exe /VERYSILENT").VerySilent);
    EXPECT_EQ(ReadCommandLine(u"p.exe /UNINSTALL").RunMode, rmUninstall);
    EXPECT_EQ(RunModeName(rmUninstall), u"Uninstall");
}

TEST(SimpleLowerCase, LowersAsciiAndCommonScriptsOnly) {
    EXPECT_EQ(SimpleLowerCase(u"/INSTALL Ab"), u"/install ab");
    EXPECT_EQ(SimpleLowerCase(u"\u00C4\u00D6\u00DC\u00D7"), u"\u00E4\u00F6\u00FC\u00D7");
    EXPECT_EQ(SimpleLowerCase(u"\u0410\u042F\u0401"), u"\u0430\u044F\u0451");
    EXPECT_EQ(SimpleLowerCase(u"\u0100\u0139\u0178"), u"\u0101\u013A\u0178");
}

} // namespace
