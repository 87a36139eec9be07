// The shell: the user's folders, shortcuts, and programs and pages started as the shell
// starts them.
#pragma once

#include <windows.h>

#include <string>

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
