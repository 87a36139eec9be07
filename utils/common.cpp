#include "utils/common.h"

#include <shlobj.h>

#include "utils/exception.h"
#include "utils/win32.h"

namespace {

// The shell link class and its two interfaces, defined here rather than taken from the large
// GUID library.
constexpr CLSID ShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID ShellLinkInterface = {0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID PersistFileInterface = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool IsSeparator(char16_t c) noexcept {
    return c == u'\\' || c == u'/';
}

// Length of the part of a path that cannot be created: "C:\", "\\server\share\", "\\?\C:\".
size_t RootLength(const std::u16string& path) noexcept {
    size_t start = 0;
    if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\")) {
        start = 4;
    }
    if (path.size() >= start + 2 && path[start + 1] == u':') {
        return start + 2 + (path.size() > start + 2 && IsSeparator(path[start + 2]) ? 1 : 0);
    }
    if (start == 0 && path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // \\server\share\ : skip the server and the share names.
        size_t pos = 2;
        for (int part = 0; part < 2; ++part) {
            while (pos < path.size() && !IsSeparator(path[pos])) {
                ++pos;
            }
            if (pos < path.size()) {
                ++pos;
            }
        }
        return pos;
    }
    return start + (path.size() > start && IsSeparator(path[start]) ? 1 : 0);
}

} // namespace

std::u16string GetShellFolder(HWND Owner, int Csidl) noexcept {
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(Owner, Csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return U16(buffer);
}

bool FileExists(const std::u16string& Path) noexcept {
    const DWORD attributes = GetFileAttributesW(WStr(Path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::u16string& Path) noexcept {
    const DWORD attributes = GetFileAttributesW(WStr(Path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void ForceDirectories(const std::u16string& Folder) {
    if (Folder.empty()) {
        throw EError(u"Cannot create an empty folder name.");
    }
    const size_t root = RootLength(Folder);
    if (root >= Folder.size() && root > 0 && DirectoryExists(Folder)) {
        return;
    }
    size_t pos = root;
    while (pos <= Folder.size()) {
        size_t end = pos;
        while (end < Folder.size() && !IsSeparator(Folder[end])) {
            ++end;
        }
        if (end > pos) {
            const std::u16string prefix = Folder.substr(0, end);
            if (!DirectoryExists(prefix) && !CreateDirectoryW(WStr(prefix), nullptr)) {
                const DWORD error = GetLastError();
                if (error != ERROR_ALREADY_EXISTS || !DirectoryExists(prefix)) {
                    RaiseOSError(error, u"Cannot create the folder '" + prefix + u"'");
                }
            }
        }
        pos = end + 1;
    }
    if (!DirectoryExists(Folder)) {
        RaiseOSError(ERROR_PATH_NOT_FOUND, u"Cannot create the folder '" + Folder + u"'");
    }
}

bool HasWriteAccess(const std::u16string& Folder) noexcept {
    // The separator is written twice on purpose: the path rules read the doubled separator
    // inside a path as one, and an empty folder gives an unusable "\\TestAccess".
    const std::u16string probe = Folder + u"\\" + u"\\TestAccess";
    try {
        ForceDirectories(probe);
        if (!DirectoryExists(probe)) {
            return false;
        }
        SetFileAttributesW(WStr(probe), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(WStr(probe));
        return true;
    } catch (...) {
        return false;
    }
}

std::u16string GetDesktopFolder(HWND Owner) noexcept {
    return GetShellFolder(Owner, CSIDL_DESKTOPDIRECTORY);
}

std::u16string GetAppDataFolder() noexcept {
    return GetShellFolder(nullptr, CSIDL_APPDATA);
}

void CreateShortcut(const std::u16string& Target, const std::u16string& LinkFile,
                    const std::u16string& WorkingDirectory, const std::u16string& Description) {
    TComPtr<IShellLinkW> link;
    HRESULT hr = CoCreateInstance(ShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, ShellLinkInterface, link.PutVoid());
    if (FAILED(hr)) {
        throw EError(u"Cannot create a shell link object: " + SysErrorMessage(static_cast<DWORD>(hr)));
    }
    TComPtr<IPersistFile> file;
    hr = link->QueryInterface(PersistFileInterface, file.PutVoid());
    if (FAILED(hr)) {
        throw EError(u"The shell link object cannot be saved: " + SysErrorMessage(static_cast<DWORD>(hr)));
    }
    link->SetPath(WStr(Target));
    link->SetDescription(WStr(Description));
    link->SetWorkingDirectory(WStr(WorkingDirectory));
    file->Save(WStr(LinkFile), FALSE);
}

std::u16string GetUserLanguageName() noexcept {
    wchar_t buffer[50] = {};
    const LANGID language = GetUserDefaultUILanguage();
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SENGLANGUAGE, buffer, 50);
    buffer[49] = L'\0';
    return U16(buffer);
}
