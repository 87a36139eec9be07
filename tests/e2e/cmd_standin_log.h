// Installs the cmd.exe stand-in into the test prefix and reads the logs of its runs (see
// tests/tools/cmd_standin.cpp). Shared by the end-to-end and the Windows tests.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace cmdstandin {

struct TCmdRun {
    std::wstring Parameters;
    // The command after the interpreter replaced the variables in it.
    std::wstring Line;
    std::wstring WorkingFolder;
    int Waited = -1;
    std::vector<std::wstring> Deleted;
    // Files the command did not delete: not allowed by its switches, or refused.
    std::vector<std::wstring> Kept;
    // FILETIME of the moment the deletion was done; 0 when it did not finish.
    uint64_t Finished = 0;
    std::wstring Error;
};

inline std::wstring EnvValue(const wchar_t* name) {
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : std::wstring();
}

constexpr wchar_t OverridesKey[] = L"Software\\Wine\\DllOverrides";

// Puts the stand-in at C:\windows\system32\cmd.exe and tells Wine to start that file rather
// than its own cmd.exe, for every process of the prefix until Remove. (An override in a
// process's environment does not reach the processes it starts.)
inline bool Install() {
    std::wstring source = EnvValue(L"QV_BINARY_DIR");
    std::replace(source.begin(), source.end(), L'/', L'\\');
    source += L"\\cmd_standin.exe";
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    if (!CopyFileW(source.c_str(), (std::wstring(system) + L"\\cmd.exe").c_str(), FALSE)) {
        return false;
    }
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, OverridesKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    const wchar_t native[] = L"native";
    const LSTATUS status =
        RegSetValueExW(key, L"cmd.exe", 0, REG_SZ, reinterpret_cast<const BYTE*>(native), sizeof(native));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

// Wine's own cmd.exe again, for the tests that follow.
inline void Remove() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, OverridesKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, L"cmd.exe");
        RegCloseKey(key);
    }
}

inline std::wstring ReadText(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

// The runs logged into Folder so far, in no particular order.
inline std::vector<TCmdRun> ReadRuns(const std::wstring& Folder) {
    std::vector<TCmdRun> runs;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((Folder + L"\\cmd-*.log").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return runs;
    }
    do {
        const std::wstring text = ReadText(Folder + L"\\" + found.cFileName);
        TCmdRun run;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t end = text.find(L"\r\n", pos);
            if (end == std::wstring::npos) {
                end = text.size();
            }
            const std::wstring line = text.substr(pos, end - pos);
            pos = end + 2;
            const size_t tab = line.find(L'\t');
            const std::wstring key = line.substr(0, tab);
            const std::wstring value = tab == std::wstring::npos ? L"" : line.substr(tab + 1);
            if (key == L"parameters") {
                run.Parameters = value;
            } else if (key == L"line") {
                run.Line = value;
            } else if (key == L"cwd") {
                run.WorkingFolder = value;
            } else if (key == L"kept") {
                run.Kept.push_back(value);
            } else if (key == L"waited") {
                run.Waited = std::stoi(value);
            } else if (key == L"deleted") {
                run.Deleted.push_back(value);
            } else if (key == L"finished") {
                run.Finished = std::stoull(value);
            } else if (key == L"error") {
                run.Error = value;
            }
        }
        runs.push_back(run);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(runs.begin(), runs.end(),
              [](const TCmdRun& a, const TCmdRun& b) { return a.Parameters < b.Parameters; });
    return runs;
}

// Waits until Count runs have logged (a run logs once, when it is done).
inline std::vector<TCmdRun> WaitForRuns(const std::wstring& Folder, size_t Count, DWORD TimeoutMs) {
    const ULONGLONG end = GetTickCount64() + TimeoutMs;
    for (;;) {
        std::vector<TCmdRun> runs = ReadRuns(Folder);
        if (runs.size() >= Count || GetTickCount64() > end) {
            return runs;
        }
        Sleep(100);
    }
}

} // namespace cmdstandin
