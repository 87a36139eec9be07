// Small stand-alone helpers of the operations: the write-access probe, the shell folders,
// shortcuts and the user's language. The text filters live in text_filters.h.
#pragma once

#include <windows.h>

#include <string>

#include "utils/text_filters.h"

// True when the folder can be written; creates the folder (and missing parents) on the way.
bool HasWriteAccess(const std::u16string& Folder) noexcept;
// The path of the shell folder Csidl (CSIDL_APPDATA, …), current rather than default; empty when unknown.
std::u16string GetShellFolder(HWND Owner, int Csidl) noexcept;
// The user's desktop directory, without a trailing separator; empty when unknown.
std::u16string GetDesktopFolder(HWND Owner) noexcept;
// The user's roaming application-data folder; empty when unknown.
std::u16string GetAppDataFolder() noexcept;
// Writes a shell link; raises EError only when the link object cannot be created.
void CreateShortcut(const std::u16string& Target, const std::u16string& LinkFile,
                    const std::u16string& WorkingDirectory, const std::u16string& Description);
// The English name of the user's interface language ("German", "Chinese (Simplified)", …).
std::u16string GetUserLanguageName() noexcept;
// True when the path names an existing file (not a folder).
bool FileExists(const std::u16string& Path) noexcept;
// True when the path names an existing folder.
bool DirectoryExists(const std::u16string& Path) noexcept;
// Creates the folder with all missing parents; raises EError with the platform's message.
void ForceDirectories(const std::u16string& Folder);
