// Full paths of folders as the installer records and compares them: one spelling per folder,
// whatever separators, "." and ".." components or trailing characters the text was typed with.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// "\" or "/": both separate the names of a path.
bool IsPathSeparator(char16_t c) noexcept;
// The end of the name that starts at Pos: the next separator, or the end of Path.
size_t PathNameEnd(std::u16string_view Path, size_t Pos) noexcept;

// The root of a full path as typed: its length, the long-path prefix "\\?\" or "\\?\UNC\"
// and the separator after a share included, and its text in the recorded form ("C:\" or
// "\\server\share"); "/" counts as "\". Nothing (a length of 0) for a path that is not full.
struct TPathRoot {
    size_t Length = 0;
    std::u16string Text;
};
TPathRoot ParsePathRoot(std::u16string_view Path);

// True for a full path: a drive letter, a colon and a separator ("C:\…"), or a share
// ("\\server\share…"), also in the long-path forms "\\?\C:\…" and "\\?\UNC\server\share…".
// A drive-relative ("C:folder"), rooted ("\folder") or relative text is not.
bool IsFullPath(std::u16string_view Path);

// The path in the form used for recording and comparison: "/" read as "\", the long-path
// prefixes "\\?\" and "\\?\UNC\" removed, doubled separators, "." components and trailing
// dots and spaces of components dropped, ".." applied (never above the root), no trailing
// separator except after a drive ("C:\"). Empty for a path that is not full.
std::u16string NormalizedFullPath(std::u16string_view Path);

// The folder that holds Path (normalized), or empty for a root or a path that is not full.
std::u16string ParentFolder(std::u16string_view Path);

// The path as typed up to the end of each of its names after the root, outermost first
// ("C:\A\B" gives "C:\A" and "C:\A\B"); nothing for a root alone or a path that is not full.
std::vector<std::u16string> PathLevels(std::u16string_view Path);

// Folder + "\" + Name, without doubling the separator after a root such as "C:\".
std::u16string JoinPath(std::u16string_view Folder, std::u16string_view Name);

// The maker's folder in the Start menu of the user whose roaming application data is AppData;
// empty when AppData is, which would put it at the root of a drive.
std::u16string StartMenuFolderOf(std::u16string_view AppData);
