// Small stand-alone helpers of the operations: the write-access probe, the shell folders,
// shortcuts and the user's language. The text filters live in text_filters.h.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "utils/text_filters.h"

// True when the folder can be written. False for a text that is not a full path (a drive
// letter and a separator, or a share). A missing folder is created with its parents to find
// out, and those folders are removed again, innermost first, as long as they are empty.
bool HasWriteAccess(const std::u16string& Folder) noexcept;
// The path of the shell folder Csidl (CSIDL_APPDATA, …), current rather than default; empty when unknown.
std::u16string GetShellFolder(HWND Owner, int Csidl) noexcept;
// The user's desktop directory, without a trailing separator; empty when unknown.
std::u16string GetDesktopFolder(HWND Owner) noexcept;
// The user's roaming application-data folder; empty when unknown.
std::u16string GetAppDataFolder() noexcept;
// Writes a shell link; raises EError only when the link object cannot be created. Returns
// how setting it up and saving it went: a link that cannot be saved is the caller's to report.
HRESULT CreateShortcut(const std::u16string& Target, const std::u16string& LinkFile,
                       const std::u16string& WorkingDirectory, const std::u16string& Description);
// Asks the shell to start File with Verb ("open", "runas"), as ShellExecuteW does, and returns
// ERROR_SUCCESS or why it did not (ERROR_CANCELLED for a declined elevation prompt). The shell
// shows no message of its own, and the start is done when this returns.
DWORD ShellStart(HWND Owner, const wchar_t* Verb, const std::u16string& File,
                 const std::u16string& Parameters, const std::u16string& Folder, int Show) noexcept;
// The English name of the user's interface language ("German", "Chinese (Simplified)", …).
std::u16string GetUserLanguageName() noexcept;
// True when the path names an existing file (not a folder).
bool FileExists(const std::u16string& Path) noexcept;
// True when the path names an existing folder.
bool DirectoryExists(const std::u16string& Path) noexcept;
// Creates the folder with all missing parents; returns the folders it created, outermost
// first. Raises EError with the platform's message.
std::vector<std::u16string> ForceDirectories(const std::u16string& Folder);
// What a folder holds, "." and ".." left out; nothing when it cannot be read.
struct TFolderEntry {
    std::u16string Name;
    bool IsFolder = false;
};
std::optional<std::vector<TFolderEntry>> ListFolder(const std::u16string& Folder);
// The names of the files (not folders) in Folder; empty when it cannot be read.
std::vector<std::u16string> ListFolderFiles(const std::u16string& Folder);
// True for a folder that can be read and holds nothing.
bool IsEmptyFolder(const std::u16string& Folder);
// The whole content of a file; raises EError when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::u16string& Path);
// Writes Data as the whole content of Path, replacing it; raises EError on failure.
void WriteWholeFile(const std::u16string& Path, const std::vector<uint8_t>& Data);
