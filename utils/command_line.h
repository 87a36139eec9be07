// The installer's command line: splitting the raw text into arguments and reading the run
// mode and switches from them. Switch names are compared lower-cased without the user's
// locale, so that /SILENT is silent in every locale, also where capital I lower-cases to a
// dotless i; the program's entry reads GetCommandLineW once, through ReadCommandLine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum TRunMode : uint8_t { rmInstall, rmUpdate, rmUninstall };
// "Install", "Update" or "Uninstall"; upper-cased, the phrase key of the action's name.
std::u16string RunModeName(TRunMode Mode);

// Arguments are separated by characters up to U+0020 outside double quotes; the quotes are
// dropped; a pair of quotes at the very start of an argument is skipped; there is no escape.
// Element 0 is the program path.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// The last run-mode switch (/install, /update, /uninstall) wins; install by default.
TRunMode GetRunMode(const std::vector<std::u16string>& args);
// True when one argument (after the program path), lower-cased, equals Param exactly.
bool GetBooleanParam(const std::vector<std::u16string>& args, std::u16string_view Param);
// The text after the name and one separator of the last argument that begins with Param.
std::u16string GetStringParam(const std::vector<std::u16string>& args, std::u16string_view Param);

// Lower-casing without a locale: ASCII and the Latin-1, Latin Extended-A, Greek and Cyrillic
// capitals.
std::u16string SimpleLowerCase(std::u16string_view text);

// What the command line asks for, read once when the program starts: everything that depends
// on it asks this value.
struct TCommandLineOptions {
    TRunMode RunMode = rmInstall;
    bool Silent = false;
    bool VerySilent = false;
    bool Store = false;
    // "/dir=" and "/log=", empty when absent.
    std::u16string Dir;
    std::u16string Log;
    // The window's choices made on the command line: no desktop shortcut, no Start-menu
    // shortcut ("/nodesktopshortcut", "/nostartmenushortcut"), the product's data deleted by
    // an uninstall ("/deletedata"). A window run starts with its switches set so.
    bool NoDesktopShortcut = false;
    bool NoStartMenuShortcut = false;
    bool DeleteData = false;
    // "/?" or "/help": the switches are shown instead of a run. A silent run ignores it.
    bool Help = false;

    // /silent or /verysilent: no window, and no message box waits for anybody.
    bool Unattended() const noexcept { return Silent || VerySilent; }
};
TCommandLineOptions ReadCommandLine(std::u16string_view CommandLine);
