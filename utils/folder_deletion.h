// The delayed deletion that the uninstall hands to the command interpreter: the exact
// command texts, and the decision whether a destination folder may be deleted as a whole.
// The platform facts (does the folder hold the installation, where are the shell's known
// folders) are gathered by the caller, so the rules run the same on every build.
//
// No folder text is ever part of a command line: the interpreter replaces %NAME% even inside
// quotes and reads "&", "^" and "!" in its own ways, so a folder written with them would send
// the deletion elsewhere. The folder reaches it through the environment variable below, whose
// value the interpreter inserts as it is, and is quoted there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "utils/paths.h"

inline constexpr char16_t DeletionFolderVariable[] = u"QUORVALENT_UNINSTALL_FOLDER";
// No AutoRun commands of the user's (they could change the folder or the variable) and no
// delayed expansion of "!", whatever the registry says; then the command.
inline constexpr char16_t DelayedCommandSwitches[] = u"/d /v:off /c ";

// The value of DeletionFolderVariable for DestFolder: the normalized full path without a
// trailing separator ("C:" for the root of drive C), or empty when DestFolder is not a full
// path or holds a character no folder name can hold (nothing may be deleted then).
std::u16string DeletionFolderValue(std::u16string_view DestFolder);

// Parameters of "cmd.exe": wait one second, then remove the folder with all its contents.
std::u16string DeleteFolderCommand();
// Parameters of "cmd.exe": wait Seconds, then delete the file Name of the folder, read-only
// or hidden too, never a file of the same name in a folder below it. Name is one of the
// installation's own file names, which the interpreter reads as they are.
std::u16string DeleteFileCommand(std::u16string_view Name, int Seconds);

// Why a folder must not be deleted as a whole; drNone allows it.
enum class TDeletionRefusal {
    drNone,
    // Not a full path ("C:\…" or "\\server\share\…"): the interpreter would resolve it
    // against its own working folder.
    drNotAbsolute,
    // Holds "%" or "!": such a folder loses only the executables, so that no rule of the
    // interpreter about those characters can ever widen a recursive deletion.
    drExpandable,
    // A drive or share root.
    drDriveRoot,
    // A known folder of the shell, or a folder that holds one (the profiles folder, …).
    drKnownFolder,
    // Neither "Quorvalent.exe" nor "QuorvalentInstaller.exe" is in it.
    drNotInstallation,
};

using TCaseFold = std::u16string (*)(std::u16string_view);

// Folder as the deletion sees it; KnownFolders are the shell's known folders (any empty
// entry is ignored); Fold maps both to one letter case for comparison (the Windows layer
// passes the platform's upper-casing; ASCII upper-casing when none is given).
TDeletionRefusal FolderDeletionRefusal(std::u16string_view Folder, bool HoldsInstallation,
                                       const std::vector<std::u16string>& KnownFolders,
                                       TCaseFold Fold = nullptr);
