// The delayed deletion that the uninstall hands to the command interpreter: the exact
// command texts, and the decision whether a destination folder may be deleted as a whole.
// The platform facts (does the folder hold the installation, where are the shell's known
// folders) are gathered by the caller, so the rules run the same on every build.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// Parameters of "cmd.exe": wait one second, then remove the folder with all its contents.
std::u16string DeleteFolderCommand(std::u16string_view DestFolder);
// Parameters of the two "cmd.exe" runs that delete "Quorvalent.exe" after one second and
// "QuorvalentInstaller.exe" after two.
std::array<std::u16string, 2> DeleteExeFilesCommands(std::u16string_view DestFolder);

// Why a folder must not be deleted as a whole; drNone allows it.
enum class TDeletionRefusal {
    drNone,
    // Not a full path ("C:\…" or "\\server\share\…"): the interpreter would resolve it
    // against its own working folder.
    drNotAbsolute,
    // Holds "%" (or "!", expanded when delayed expansion is on): the interpreter would
    // replace part of it, even inside quotes, and delete another folder.
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

// The path in the form used for comparison: "/" read as "\", the long-path prefixes
// "\\?\" and "\\?\UNC\" removed, doubled separators, "." components and trailing dots and
// spaces of components dropped, ".." applied, no trailing separator except after a drive
// ("C:\"). Empty for a path that is not absolute.
std::u16string NormalizedFullPath(std::u16string_view Path);
