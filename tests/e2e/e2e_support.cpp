#include "tests/e2e/e2e_support.h"

#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>

#include <stdexcept>

namespace e2e {

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[4096];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 4096);
    return length > 0 && length < 4096 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring Backslashes(std::wstring path) {
    for (auto& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

std::wstring ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return buffer;
}

// The program's path in quotes, then its arguments.
std::wstring CommandLine(const std::wstring& Exe, const std::wstring& Arguments) {
    return L"\"" + Exe + L"\"" + (Arguments.empty() ? L"" : L" " + Arguments);
}

// Sets the variables for a child and restores the old values afterwards.
class TScopedEnvironment {
public:
    explicit TScopedEnvironment(const std::vector<std::wstring>& entries) {
        for (const auto& entry : entries) {
            const size_t eq = entry.find(L'=');
            const std::wstring name = entry.substr(0, eq);
            wchar_t buffer[4096];
            const DWORD length = GetEnvironmentVariableW(name.c_str(), buffer, 4096);
            FSaved.emplace_back(name, length ? std::optional<std::wstring>(std::wstring(buffer, length))
                                             : std::nullopt);
            SetEnvironmentVariableW(name.c_str(),
                                    eq == std::wstring::npos ? nullptr : entry.substr(eq + 1).c_str());
        }
    }
    ~TScopedEnvironment() {
        for (auto it = FSaved.rbegin(); it != FSaved.rend(); ++it) {
            SetEnvironmentVariableW(it->first.c_str(), it->second ? it->second->c_str() : nullptr);
        }
    }

private:
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> FSaved;
};

} // namespace

std::wstring InstallerPath() {
    std::wstring path = Backslashes(Env(L"QV_INSTALLER_EXE"));
    if (path.empty()) {
        // By default the installer built beside this test program.
        wchar_t self[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
        path.assign(self, length);
        path = path.substr(0, path.find_last_of(L'\\') + 1) + L"QuorvalentInstaller.exe";
    }
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw std::runtime_error("the installer under test does not exist");
    }
    return path;
}

Bytes ProductBytes() {
    return ReadFileBytes(Backslashes(Env(L"QV_PRODUCT_EXE")));
}

std::wstring ProductVersion() {
    return Env(L"QV_PRODUCT_VERSION");
}

std::wstring TestProductPath(const std::wstring& Name) {
    return Backslashes(Env(L"QV_TEST_PRODUCTS")) + L"\\" + Name;
}

HANDLE Start(const std::wstring& Exe, const std::wstring& Arguments,
             const std::vector<std::wstring>& Environment, const std::wstring& WorkingFolder) {
    TScopedEnvironment environment(Environment);
    std::wstring commandLine = CommandLine(Exe, Arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(Exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        WorkingFolder.empty() ? nullptr : WorkingFolder.c_str(), &startup, &process)) {
        throw std::runtime_error("CreateProcess failed");
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

TRunResult Run(const std::wstring& Exe, const std::wstring& Arguments, DWORD TimeoutMs,
               const std::vector<std::wstring>& Environment, const std::wstring& WorkingFolder) {
    const HANDLE process = Start(Exe, Arguments, Environment, WorkingFolder);
    TRunResult result;
    result.ProcessId = GetProcessId(process);
    if (WaitForSingleObject(process, TimeoutMs) == WAIT_TIMEOUT) {
        result.TimedOut = true;
        TerminateProcess(process, 999);
        WaitForSingleObject(process, 5000);
    }
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (K32GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        result.PeakWorkingSet = counters.PeakWorkingSetSize;
    }
    GetExitCodeProcess(process, &result.ExitCode);
    CloseHandle(process);
    return result;
}

namespace {

std::wstring ModulePath(HANDLE File) {
    wchar_t path[MAX_PATH] = L"";
    if (File) {
        GetFinalPathNameByHandleW(File, path, MAX_PATH, FILE_NAME_NORMALIZED);
        CloseHandle(File);
    }
    return path;
}

} // namespace

TModuleTrace TraceModuleLoads(const std::wstring& Exe, const std::wstring& Arguments, DWORD TimeoutMs) {
    std::wstring commandLine = CommandLine(Exe, Arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(Exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS,
                        nullptr, nullptr, &startup, &process)) {
        throw std::runtime_error("CreateProcess failed");
    }
    TModuleTrace trace;
    const DWORD start = GetTickCount();
    DEBUG_EVENT event{};
    while (GetTickCount() - start < TimeoutMs && WaitForDebugEvent(&event, TimeoutMs)) {
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            ModulePath(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            trace.Modules.push_back(ModulePath(event.u.LoadDll.hFile));
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint is the debugger's; anything else is the program's own.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                status = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            trace.ExitCode = event.u.ExitProcess.dwExitCode;
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            break;
        }
    }
    if (trace.ExitCode == STILL_ACTIVE) {
        TerminateProcess(process.hProcess, 999);
    }
    DebugActiveProcessStop(process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return trace;
}

TRunResult RunInstaller(const std::wstring& Arguments, DWORD TimeoutMs,
                        const std::vector<std::wstring>& Environment, const std::wstring& WorkingFolder) {
    return Run(InstallerPath(), Arguments, TimeoutMs, Environment, WorkingFolder);
}

std::wstring AppDataFolder() {
    return ShellFolder(CSIDL_APPDATA);
}

std::wstring DesktopFolder() {
    return ShellFolder(CSIDL_DESKTOPDIRECTORY);
}

std::wstring DefaultInstallFolder() {
    return AppDataFolder() + L"\\Mirelbrook\\Quorvalent";
}

std::wstring StartMenuFolder() {
    return AppDataFolder() + L"\\Microsoft\\Windows\\Start Menu\\Programs\\Mirelbrook";
}

std::wstring FreshFolder(const std::wstring& Name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"qv-e2e\\" + Name;
    RemoveTree(folder);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return folder;
}

void RemoveTree(const std::wstring& Path) {
    const DWORD attributes = GetFileAttributesW(Path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(Path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(Path.c_str());
        return;
    }
    for (const auto& name : ListFolder(Path)) {
        RemoveTree(Path + L"\\" + name);
    }
    RemoveDirectoryW(Path.c_str());
}

void ResetInstallState() {
    CloseStandIns();
    DeleteRegTree(UninstallKey);
    DeleteRegTree(MakerKey);
    RemoveTree(AppDataFolder() + L"\\Mirelbrook");
    RemoveTree(StartMenuFolder());
    RemoveTree(DesktopFolder() + L"\\Quorvalent.lnk");
}

bool FileExists(const std::wstring& Path) {
    const DWORD attributes = GetFileAttributesW(Path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& Path) {
    const DWORD attributes = GetFileAttributesW(Path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Bytes ReadFileBytes(const std::wstring& Path) {
    const HANDLE file =
        CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    Bytes data;
    uint8_t buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
        data.insert(data.end(), buffer, buffer + read);
    }
    CloseHandle(file);
    return data;
}

std::wstring ReadUtf8File(const std::wstring& Path) {
    const Bytes data = ReadFileBytes(Path);
    if (data.empty()) {
        return {};
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(data.data()),
                                           static_cast<int>(data.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()),
                        text.data(), length);
    return text;
}

void WriteFileBytes(const std::wstring& Path, const Bytes& Data) {
    const HANDLE file = CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot write a test file");
    }
    DWORD written = 0;
    WriteFile(file, Data.data(), static_cast<DWORD>(Data.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<std::wstring> ListFolder(const std::wstring& Folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((Folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

Bytes ReadExeResource(const std::wstring& Exe, const wchar_t* Name) {
    const HMODULE module =
        LoadLibraryExW(Exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        return {};
    }
    Bytes data;
    if (const HRSRC info = FindResourceW(module, Name, RT_RCDATA)) {
        const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, info)));
        data.assign(bytes, bytes + SizeofResource(module, info));
    }
    FreeLibrary(module);
    return data;
}

std::optional<TRegValue> ReadRegValue(const std::wstring& Key, const std::wstring& Name) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    BYTE buffer[65536];
    DWORD size = sizeof(buffer);
    TRegValue value;
    const LSTATUS status = RegQueryValueExW(key, Name.c_str(), nullptr, &value.Type, buffer, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (value.Type == REG_SZ || value.Type == REG_EXPAND_SZ) {
        value.Text.assign(reinterpret_cast<const wchar_t*>(buffer), size / sizeof(wchar_t));
        if (!value.Text.empty() && value.Text.back() == L'\0') {
            value.Text.pop_back();
        }
    } else if (value.Type == REG_DWORD && size == sizeof(DWORD)) {
        value.Number = *reinterpret_cast<const DWORD*>(buffer);
    }
    return value;
}

bool RegKeyExists(const std::wstring& Key) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::vector<std::wstring> RegValueNames(const std::wstring& Key) {
    std::vector<std::wstring> names;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

void SetRegString(const std::wstring& Key, const std::wstring& Name, const std::wstring& Value) {
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExW(key, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                   static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

void SetRegDword(const std::wstring& Key, const std::wstring& Name, DWORD Value) {
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, Key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExW(key, Name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&Value), sizeof(Value));
    RegCloseKey(key);
}

void DeleteRegTree(const std::wstring& Key) {
    RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, Key.c_str());
}

std::optional<TShortcut> ReadShortcut(const std::wstring& LinkFile) {
    if (!FileExists(LinkFile)) {
        return std::nullopt;
    }
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return std::nullopt;
    }
    std::optional<TShortcut> result;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(LinkFile.c_str(), STGM_READ))) {
            wchar_t buffer[MAX_PATH * 2] = {};
            TShortcut shortcut;
            link->GetPath(buffer, MAX_PATH * 2, nullptr, SLGP_RAWPATH);
            shortcut.Target = buffer;
            buffer[0] = 0;
            link->GetWorkingDirectory(buffer, MAX_PATH * 2);
            shortcut.WorkingDirectory = buffer;
            buffer[0] = 0;
            link->GetDescription(buffer, MAX_PATH * 2);
            shortcut.Description = buffer;
            result = shortcut;
        }
        file->Release();
    }
    link->Release();
    return result;
}

std::wstring StandInLog(const std::wstring& Folder) {
    return Folder + L"\\standin-runs.log";
}

void CloseStandIns() {
    // Windows titled "Quorvalent" are asked to close; processes that are still there after a
    // few seconds (a stand-in told to refuse) are ended. Either way the processes are gone, and
    // with them their hold on the installed files, when this returns.
    for (int round = 0; round < 100; ++round) {
        HWND window = FindWindowW(nullptr, L"Quorvalent");
        if (!window) {
            return;
        }
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (process) {
            if (WaitForSingleObject(process, 3000) == WAIT_TIMEOUT) {
                TerminateProcess(process, 0);
                WaitForSingleObject(process, 5000);
            }
            CloseHandle(process);
        } else {
            Sleep(100);
        }
    }
}

TScopedRegDword::TScopedRegDword(std::wstring Key, std::wstring Name, DWORD Value)
    : FKey(std::move(Key)), FName(std::move(Name)), FOld(ReadRegValue(FKey, FName)) {
    SetRegDword(FKey, FName, Value);
}

TScopedRegDword::~TScopedRegDword() {
    if (FOld && FOld->Type == REG_DWORD) {
        SetRegDword(FKey, FName, FOld->Number);
        return;
    }
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, FKey.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, FName.c_str());
        RegCloseKey(key);
    }
}

} // namespace e2e
