// Prints what an installation left in the current user's profile, as Windows itself sees it:
// the files of the install folder with their sizes, the Programs-list entry and the product's
// own key with every value and its type, and the two shortcuts with target, working folder
// and description. ./run shows it after a silent install.
//
//   install_report.exe [folder]
//   install_report.exe --folder     prints only the folder that would be reported
//
// Without a folder it reports the one recorded in the Programs-list entry, or the default
// folder when none is recorded: the folder an installer started without "/dir" would use.
#include <windows.h>

#include "tests/tools/console_output.h"
#include <objbase.h>
#include <shlobj.h>

#include <string>
#include <utility>

namespace {

const wchar_t ProgramsListKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvalent";
const wchar_t AppKey[] = L"SOFTWARE\\Mirelbrook\\Quorvalent";

std::wstring Padded(std::wstring text, size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), L' ');
    }
    return text;
}

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    return SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) ? buffer : L"";
}

class TRegKey {
public:
    explicit TRegKey(const wchar_t* path) {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &FKey) != ERROR_SUCCESS) {
            FKey = nullptr;
        }
    }
    ~TRegKey() {
        if (FKey) {
            RegCloseKey(FKey);
        }
    }
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    TRegKey(TRegKey&& other) noexcept : FKey(std::exchange(other.FKey, nullptr)) {}
    TRegKey& operator=(TRegKey&& other) noexcept {
        std::swap(FKey, other.FKey);
        return *this;
    }
    HKEY Get() const { return FKey; }

private:
    HKEY FKey = nullptr;
};

template <typename T> class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr() {
        if (FPtr) {
            FPtr->Release();
        }
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept {
        std::swap(FPtr, other.FPtr);
        return *this;
    }
    T* operator->() const { return FPtr; }
    void** Out() { return reinterpret_cast<void**>(&FPtr); }

private:
    T* FPtr = nullptr;
};

std::wstring TypeName(DWORD type) {
    switch (type) {
    case REG_SZ:
        return L"REG_SZ";
    case REG_EXPAND_SZ:
        return L"REG_EXPAND_SZ";
    case REG_DWORD:
        return L"REG_DWORD";
    case REG_QWORD:
        return L"REG_QWORD";
    case REG_MULTI_SZ:
        return L"REG_MULTI_SZ";
    case REG_BINARY:
        return L"REG_BINARY";
    default:
        return L"type " + std::to_wstring(type);
    }
}

std::wstring ValueText(DWORD type, const BYTE* data, DWORD size) {
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
        const size_t end = text.find(L'\0');
        return L"\"" + (end == std::wstring::npos ? text : text.substr(0, end)) + L"\"";
    }
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        memcpy(&number, data, sizeof number);
        return std::to_wstring(number);
    }
    return std::to_wstring(size) + L" bytes";
}

std::wstring ReadString(const wchar_t* key, const wchar_t* name) {
    wchar_t buffer[4096] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size);
    return status == ERROR_SUCCESS ? buffer : L"";
}

void ReportKey(const wchar_t* path) {
    Print(L"HKCU\\" + std::wstring(path));
    const TRegKey key(path);
    if (!key.Get()) {
        Print(L"  (no such key)");
        return;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[8192];
        DWORD size = sizeof data;
        DWORD type = REG_NONE;
        if (RegEnumValueW(key.Get(), index, name, &nameLength, nullptr, &type, data, &size) !=
            ERROR_SUCCESS) {
            if (index == 0) {
                Print(L"  (no values)");
            }
            return;
        }
        Print(L"  " + Padded(name, 20) + Padded(TypeName(type), 11) + ValueText(type, data, size));
    }
}

void ReportFolder(const std::wstring& folder) {
    Print(L"Install folder: " + folder);
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        Print(L"  (no such folder)");
        return;
    }
    bool empty = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        empty = false;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Print(L"  " + Padded(name, 32) + L"<folder>");
        } else {
            const ULONGLONG size = (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
            Print(L"  " + Padded(name, 32) + std::to_wstring(size) + L" bytes");
        }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    if (empty) {
        Print(L"  (empty)");
    }
}

void ReportShortcut(const std::wstring& label, const std::wstring& file) {
    Print(label + L": " + file);
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Print(L"  (no such file)");
        return;
    }
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> persist;
    if (FAILED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Out())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, persist.Out())) ||
        FAILED(persist->Load(file.c_str(), STGM_READ))) {
        Print(L"  (not a readable shell link)");
        return;
    }
    wchar_t buffer[MAX_PATH * 2] = {};
    link->GetPath(buffer, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
    Print(L"  target          " + std::wstring(buffer));
    buffer[0] = 0;
    link->GetWorkingDirectory(buffer, MAX_PATH * 2);
    Print(L"  working folder  " + std::wstring(buffer));
    buffer[0] = 0;
    link->GetDescription(buffer, MAX_PATH * 2);
    Print(L"  description     " + std::wstring(buffer));
}

std::wstring RecordedFolder() {
    std::wstring folder = ReadString(ProgramsListKey, L"InstallLocation");
    if (folder.empty()) {
        folder = ShellFolder(CSIDL_APPDATA) + L"\\Mirelbrook\\Quorvalent";
    }
    return folder;
}

} // namespace

int wmain(int count, wchar_t** args) {
    const std::wstring argument = count > 1 ? args[1] : L"";
    if (argument == L"--folder") {
        Print(RecordedFolder());
        return 0;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        Print(L"COM could not be initialised");
        return 1;
    }
    ReportFolder(argument.empty() ? RecordedFolder() : argument);
    Print(L"");
    Print(L"Programs-list entry:");
    ReportKey(ProgramsListKey);
    Print(L"Product key:");
    ReportKey(AppKey);
    Print(L"");
    ReportShortcut(L"Desktop shortcut", ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Quorvalent.lnk");
    ReportShortcut(L"Start-menu shortcut",
                   ShellFolder(CSIDL_APPDATA) +
                       L"\\Microsoft\\Windows\\Start Menu\\Programs\\Mirelbrook\\Quorvalent.lnk");
    CoUninitialize();
    return 0;
}
