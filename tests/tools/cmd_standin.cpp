// A stand-in for cmd.exe in the test prefix, for the delayed deletion of the uninstall.
// Wine's cmd.exe has no "timeout" and mishandles "del /s" and "rmdir /s" on full paths, so
// the tests put this program in its place (as C:\windows\system32\cmd.exe, started as native
// with WINEDLLOVERRIDES cmd.exe=n). It accepts exactly the two forms the installer issues,
//   /c timeout N && rmdir "PATH" /s /q
//   /c timeout N && del "FOLDER\NAME" /s /q
// and does what the Windows interpreter does with them: it expands %NAME% of every defined
// environment variable (leaving undefined ones as they are), waits N seconds, and then
// removes the folder tree, or deletes the file NAME in FOLDER and in all its sub-folders.
//
// Every run writes a log of its own, cmd-<process id>.log, into the folder named by the
// environment variable QV_CMD_STANDIN_LOG (else the temp folder), as UTF-8 lines
// "<key>\t<value>": "parameters" (the raw text after the program name), "waited" (seconds),
// "deleted" (each path removed), "finished" (FILETIME, as a decimal number, after the
// deletion), or "error" with the reason.
#include <windows.h>

#include <cstdint>
#include <string>

namespace {

std::wstring LogText;

void Log(const std::wstring& key, const std::wstring& value) {
    LogText += key + L"\t" + value + L"\r\n";
}

void WriteLog() {
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"QV_CMD_STANDIN_LOG", folder, MAX_PATH)) {
        GetTempPathW(MAX_PATH, folder);
    }
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') {
        path += L'\\';
    }
    path += L"cmd-" + std::to_wstring(GetCurrentProcessId());
    const int size = WideCharToMultiByte(CP_UTF8, 0, LogText.c_str(), static_cast<int>(LogText.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, LogText.c_str(), static_cast<int>(LogText.size()), utf8.data(), size,
                        nullptr, nullptr);
    // Written under another name first, so that a reader never sees half a log.
    const HANDLE file =
        CreateFileW((path + L".tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW((path + L".tmp").c_str(), (path + L".log").c_str(), MOVEFILE_REPLACE_EXISTING);
}

int Fail(const std::wstring& reason) {
    Log(L"error", reason);
    WriteLog();
    return 1;
}

// The command line less the program name, as the interpreter sees it.
std::wstring Parameters() {
    const wchar_t* line = GetCommandLineW();
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"') {
            ++line;
        }
        if (*line) {
            ++line;
        }
    } else {
        while (*line && *line != L' ' && *line != L'\t') {
            ++line;
        }
    }
    while (*line == L' ' || *line == L'\t') {
        ++line;
    }
    return line;
}

// %NAME% of a defined variable is replaced; anything else stays, as on the command line.
std::wstring Expand(const std::wstring& text) {
    std::wstring out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find(L'%', pos);
        if (open == std::wstring::npos) {
            break;
        }
        const size_t close = text.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            break;
        }
        const std::wstring name = text.substr(open + 1, close - open - 1);
        wchar_t value[32768];
        const DWORD length = name.empty() ? 0 : GetEnvironmentVariableW(name.c_str(), value, 32768);
        if (length > 0 && length < 32768) {
            out += text.substr(pos, open - pos) + std::wstring(value, length);
            pos = close + 1;
        } else {
            out += text.substr(pos, close - pos);
            pos = close;
        }
    }
    return out + text.substr(pos);
}

bool RemoveTree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str())
                                                       : DeleteFileW(path.c_str());
    }
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") {
                RemoveTree(path + L"\\" + name);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return RemoveDirectoryW(path.c_str());
}

// del /s: the file Name in Folder and in every folder below it.
void DeleteEverywhere(const std::wstring& folder, const std::wstring& name) {
    const std::wstring file = folder + L"\\" + name;
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        DeleteFileW(file.c_str())) {
        Log(L"deleted", file);
    }
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring entry = found.cFileName;
        if (entry != L"." && entry != L".." && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            DeleteEverywhere(folder + L"\\" + entry, name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace

int wmain() {
    const std::wstring parameters = Parameters();
    Log(L"parameters", parameters);
    const std::wstring line = Expand(parameters);

    const std::wstring prefix = L"/c timeout ";
    if (line.compare(0, prefix.size(), prefix) != 0) {
        return Fail(L"unsupported: " + line);
    }
    size_t pos = prefix.size();
    int seconds = 0;
    while (pos < line.size() && line[pos] >= L'0' && line[pos] <= L'9') {
        seconds = seconds * 10 + (line[pos++] - L'0');
    }
    std::wstring verb;
    for (const wchar_t* candidate : {L" && rmdir \"", L" && del \""}) {
        if (line.compare(pos, wcslen(candidate), candidate) == 0) {
            verb = candidate;
            pos += verb.size();
            break;
        }
    }
    const std::wstring suffix = L"\" /s /q";
    if (verb.empty() || line.size() < pos + suffix.size() ||
        line.compare(line.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return Fail(L"unsupported: " + line);
    }
    const std::wstring path = line.substr(pos, line.size() - suffix.size() - pos);
    if (path.find(L'"') != std::wstring::npos) {
        return Fail(L"unsupported: " + line);
    }

    Sleep(static_cast<DWORD>(seconds) * 1000);
    Log(L"waited", std::to_wstring(seconds));
    if (verb == L" && rmdir \"") {
        if (RemoveTree(path)) {
            Log(L"deleted", path);
        }
    } else {
        const size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos) {
            return Fail(L"no folder: " + path);
        }
        DeleteEverywhere(path.substr(0, slash), path.substr(slash + 1));
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    Log(L"finished", std::to_wstring((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime));
    WriteLog();
    return 0;
}
