// A stand-in for cmd.exe in the test prefix, for the delayed deletion of the uninstall.
// Wine's cmd.exe has no "timeout" and mishandles "del /s" and "rmdir /s" on full paths, so
// the tests put this program in its place (as C:\windows\system32\cmd.exe, started as native
// through a DLL override). It accepts the forms the installer issues,
//   [/d] [/v:on|/v:off] /c timeout N && rmdir [/s] [/q] "PATH"
//   [/d] [/v:on|/v:off] /c timeout N && del [/f] [/q] [/s] [/a:ATTRS] "PATH"
// and does what the Windows interpreter does with them: it replaces %NAME% of every defined
// environment variable once, from left to right, in the whole line (also inside quotes, and
// without expanding the inserted values again), and "!NAME!" too unless /v:off is given;
// waits N seconds; resolves a relative PATH against its working folder; then removes the
// folder tree, or deletes the files: PATH itself, or every file in PATH when it is a folder;
// with /s also the files of PATH's name in every folder below; read-only files only with /f;
// hidden and system files only when /a selects them (/a:-d selects every file).
//
// Every run writes a log of its own, cmd-<process id>.log, into the folder named by the
// environment variable QV_CMD_STANDIN_LOG (else the temp folder), as UTF-8 lines
// "<key>\t<value>": "parameters" (the raw text after the program name), "line" (after
// expansion), "cwd" (the working folder), "waited" (seconds), "deleted" (each path removed),
// "kept" (each file the switches did not allow to delete), "finished" (FILETIME, as a decimal
// number, after the deletion), or "error" with the reason.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

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

// Mark%NAME%Mark of a defined variable is replaced by its value, which is not looked at
// again; anything else stays as it is, as on the interpreter's command line.
std::wstring Expand(const std::wstring& text, wchar_t mark) {
    std::wstring out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find(mark, pos);
        if (open == std::wstring::npos) {
            break;
        }
        const size_t close = text.find(mark, open + 1);
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

// Words separated by blanks; a quoted run keeps its blanks and loses its quotes.
std::vector<std::wstring> Words(const std::wstring& text) {
    std::vector<std::wstring> words;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && text[pos] == L' ') {
            ++pos;
        }
        if (pos >= text.size()) {
            break;
        }
        std::wstring word;
        bool quoted = false;
        while (pos < text.size() && (quoted || text[pos] != L' ')) {
            if (text[pos] == L'"') {
                quoted = !quoted;
            } else {
                word += text[pos];
            }
            ++pos;
        }
        words.push_back(word);
    }
    return words;
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

struct TDelOptions {
    bool Force = false;    // /f: read-only files too
    bool Recurse = false;  // /s
    bool AllFiles = false; // /a:-d (or /a): hidden and system files too
};

void DeleteOneFile(const std::wstring& file, DWORD attributes, const TDelOptions& options) {
    if ((attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) && !options.AllFiles) {
        Log(L"kept", file);
        return;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        if (!options.Force) {
            Log(L"kept", file);
            return;
        }
        SetFileAttributesW(file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (DeleteFileW(file.c_str())) {
        Log(L"deleted", file);
    } else {
        Log(L"kept", file);
    }
}

// Every file of the name Name in Folder (all files when Name is "*"), and with /s in the
// folders below.
void DeleteFiles(const std::wstring& folder, const std::wstring& name, const TDelOptions& options) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    std::vector<std::wstring> subfolders;
    do {
        const std::wstring entry = found.cFileName;
        if (entry == L"." || entry == L"..") {
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                subfolders.push_back(folder + L"\\" + entry);
            }
        } else if (name == L"*" ||
                   CompareStringOrdinal(entry.c_str(), -1, name.c_str(), -1, TRUE) == CSTR_EQUAL) {
            DeleteOneFile(folder + L"\\" + entry, found.dwFileAttributes, options);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (options.Recurse) {
        for (const std::wstring& subfolder : subfolders) {
            DeleteFiles(subfolder, name, options);
        }
    }
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t buffer[32768];
    const DWORD length = GetFullPathNameW(path.c_str(), 32768, buffer, nullptr);
    return length > 0 && length < 32768 ? std::wstring(buffer, length) : path;
}

int Del(const std::vector<std::wstring>& words) {
    TDelOptions options;
    std::wstring target;
    for (size_t i = 1; i < words.size(); ++i) {
        std::wstring word = words[i];
        CharLowerW(word.data());
        if (word == L"/f") {
            options.Force = true;
        } else if (word == L"/s") {
            options.Recurse = true;
        } else if (word == L"/q") {
        } else if (word == L"/a" || word == L"/a:-d") {
            options.AllFiles = true;
        } else if (word[0] == L'/' || !target.empty()) {
            return Fail(L"unsupported del argument: " + words[i]);
        } else {
            target = FullPath(words[i]);
        }
    }
    if (target.empty()) {
        return Fail(L"del without a path");
    }
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        // A folder given to del loses the files in it.
        DeleteFiles(target, L"*", options);
        return 0;
    }
    const size_t slash = target.find_last_of(L'\\');
    DeleteFiles(target.substr(0, slash), target.substr(slash + 1), options);
    return 0;
}

int Rmdir(const std::vector<std::wstring>& words) {
    std::wstring target;
    bool tree = false;
    for (size_t i = 1; i < words.size(); ++i) {
        std::wstring word = words[i];
        CharLowerW(word.data());
        if (word == L"/s") {
            tree = true;
        } else if (word == L"/q") {
        } else if (word[0] == L'/' || !target.empty()) {
            return Fail(L"unsupported rmdir argument: " + words[i]);
        } else {
            target = FullPath(words[i]);
        }
    }
    if (target.empty()) {
        return Fail(L"rmdir without a path");
    }
    if (tree ? RemoveTree(target) : RemoveDirectoryW(target.c_str())) {
        Log(L"deleted", target);
    }
    return 0;
}

} // namespace

int wmain() {
    const std::wstring parameters = Parameters();
    Log(L"parameters", parameters);
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    Log(L"cwd", cwd);

    // The interpreter's own switches, up to /c.
    size_t pos = 0;
    bool delayedExpansion = false;
    for (;;) {
        while (pos < parameters.size() && parameters[pos] == L' ') {
            ++pos;
        }
        const size_t end = parameters.find(L' ', pos);
        std::wstring option =
            parameters.substr(pos, end == std::wstring::npos ? std::wstring::npos : end - pos);
        CharLowerW(option.data());
        if (option == L"/c") {
            pos = end == std::wstring::npos ? parameters.size() : end + 1;
            break;
        }
        if (option == L"/v:on") {
            delayedExpansion = true;
        } else if (option != L"/d" && option != L"/v:off") {
            return Fail(L"unsupported: " + parameters);
        }
        pos = end == std::wstring::npos ? parameters.size() : end + 1;
    }
    std::wstring line = Expand(parameters.substr(pos), L'%');
    if (delayedExpansion) {
        line = Expand(line, L'!');
    }
    Log(L"line", line);

    const std::wstring timeout = L"timeout ";
    const size_t and_ = line.find(L" && ");
    if (line.compare(0, timeout.size(), timeout) != 0 || and_ == std::wstring::npos) {
        return Fail(L"unsupported: " + line);
    }
    const int seconds = _wtoi(line.substr(timeout.size(), and_ - timeout.size()).c_str());
    const std::vector<std::wstring> words = Words(line.substr(and_ + 4));
    if (words.empty()) {
        return Fail(L"unsupported: " + line);
    }
    std::wstring verb = words[0];
    CharLowerW(verb.data());
    if (verb != L"del" && verb != L"rmdir") {
        return Fail(L"unsupported: " + line);
    }

    Sleep(static_cast<DWORD>(seconds) * 1000);
    Log(L"waited", std::to_wstring(seconds));
    const int result = verb == L"del" ? Del(words) : Rmdir(words);
    if (result != 0) {
        return result;
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    Log(L"finished", std::to_wstring((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime));
    WriteLog();
    return 0;
}
