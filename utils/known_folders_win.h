// What the platform says about folders that the uninstall must never delete as a whole: the
// shell's known folders, and one spelling of a folder that is the same however it is written
// (short names, links, letter case).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The paths of the shell's known folders (profile, application data, desktop, documents,
// program files, the Windows folder and every other one the shell knows), and the temp
// folder; each as the shell reports it and, when it exists, as its final path.
std::vector<std::u16string> KnownFolderPaths();
// The final path of an existing file or folder (links and short names resolved, "\\?\"
// form); empty when it cannot be opened.
std::u16string FinalPath(const std::u16string& Path);
// Upper-casing by the invariant rules of the platform, as file names are compared.
std::u16string PlatformUpperCase(std::u16string_view Text);
