// Scratch folders and files for the Windows tests, below the prefix's temp folder.
#pragma once

#include <windows.h>

#include <string>

#include "utils/text_win.h"

inline std::u16string TestTempRoot() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return U16(temp) + u"qv-windows-tests";
}

inline void RemoveTestTree(const std::u16string& path) {
    const DWORD attributes = GetFileAttributesW(WStr(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW(WStr(path + u"\\*"), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::u16string name = U16(found.cFileName);
                if (name != u"." && name != u"..") {
                    RemoveTestTree(path + u"\\" + name);
                }
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(WStr(path));
    } else {
        SetFileAttributesW(WStr(path), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(WStr(path));
    }
}

// A new, empty folder for one test.
inline std::u16string FreshTestFolder(const std::u16string& name) {
    const std::u16string folder = TestTempRoot() + u"\\" + name;
    RemoveTestTree(folder);
    CreateDirectoryW(WStr(TestTempRoot()), nullptr);
    CreateDirectoryW(WStr(folder), nullptr);
    return folder;
}

inline std::string ReadTestFile(const std::u16string& path) {
    const HANDLE file =
        CreateFileW(WStr(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<missing>";
    }
    std::string data;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        data.append(buffer, read);
    }
    CloseHandle(file);
    return data;
}

inline void WriteTestFile(const std::u16string& path, const std::string& data) {
    const HANDLE file = CreateFileW(WStr(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(file);
}

inline int CountEntries(const std::u16string& folder) {
    int count = 0;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WStr(folder + u"\\*"), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    do {
        const std::u16string name = U16(found.cFileName);
        count += name != u"." && name != u"..";
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
}
