#include "app/command_line_help.h"

#include "utils/consts.h"
#include "utils/language.h"
#include "utils/strings.h"

namespace {

struct THelpLine {
    const char16_t* Switch;
    const char16_t* Phrase;
};

constexpr THelpLine Switches[] = {
    {u"/install", u"HELP_INSTALL"},
    {u"/update", u"HELP_UPDATE"},
    {u"/uninstall", u"HELP_UNINSTALL"},
    {u"/silent", u"HELP_SILENT"},
    {u"/verysilent", u"HELP_VERYSILENT"},
    {u"/dir=\"…\"", u"HELP_DIR"},
    {u"/store", u"HELP_STORE"},
    {u"/nodesktopshortcut", u"HELP_NO_DESKTOP_SHORTCUT"},
    {u"/nostartmenushortcut", u"HELP_NO_START_MENU_SHORTCUT"},
    {u"/deletedata", u"HELP_DELETE_DATA"},
    {u"/log=\"…\"", u"HELP_LOG"},
    {u"/?, /help", u"HELP_HELP"},
};

constexpr THelpLine ExitCodes[] = {
    {u"0", u"HELP_EXIT_0"},
    {u"1", u"HELP_EXIT_1"},
    {u"2", u"HELP_EXIT_2"},
};

std::u16string Line(const THelpLine& Line) {
    return std::u16string(Line.Switch) + u" \u2013 " +
           ReplaceAll(GetPhrase(Line.Phrase), u"%s", ProductName) + u"\r\n";
}

} // namespace

std::u16string CommandLineHelp() {
    std::u16string text = ReplaceAll(GetPhrase(u"HELP_USAGE"), u"%s", InstallerExeName) + u"\r\n\r\n";
    for (const THelpLine& line : Switches) {
        text += Line(line);
    }
    text += u"\r\n" + GetPhrase(u"HELP_EXIT_CODES") + u"\r\n";
    for (const THelpLine& line : ExitCodes) {
        text += Line(line);
    }
    return text;
}
