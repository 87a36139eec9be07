// Support for the end-to-end tests: they start the real QuorvalentInstaller.exe under Wine
// with a command line, wait for its exit code, and inspect the prefix's registry, files and
// shortcuts through the Win32 API.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

using Bytes = std::vector<uint8_t>;

struct TRunResult {
    DWORD ExitCode = STILL_ACTIVE;
    bool TimedOut = false;
    DWORD ProcessId = 0;
    uint64_t PeakWorkingSet = 0;
};

// The installer under test (QV_INSTALLER_EXE set by the test runner).
std::wstring InstallerPath();
// The product it carries, as the build was given it (QV_PRODUCT_EXE), and the version the
// build was configured with (QV_PRODUCT_VERSION).
std::vector<uint8_t> ProductBytes();
std::wstring ProductVersion();
// A file the build made for the tests of the payload (QV_TEST_PRODUCTS): big-product.exe, a
// product of 6 MiB, and big-product.qvz and big-product.stored.qvz, it packed.
std::wstring TestProductPath(const std::wstring& Name);
// Runs Exe with Arguments (the text after the program path) and waits up to TimeoutMs; a
// process still running then is killed and reported as timed out. Environment entries
// ("NAME=value") are added to this process's environment for the child.
TRunResult Run(const std::wstring& Exe, const std::wstring& Arguments, DWORD TimeoutMs = 60000,
               const std::vector<std::wstring>& Environment = {}, const std::wstring& WorkingFolder = {});
TRunResult RunInstaller(const std::wstring& Arguments, DWORD TimeoutMs = 60000,
                        const std::vector<std::wstring>& Environment = {},
                        const std::wstring& WorkingFolder = {});
// Runs Exe as a debuggee and records the path of every module the process loads after its
// executable, in order. ExitCode stays STILL_ACTIVE when the process did not end in time.
struct TModuleTrace {
    DWORD ExitCode = STILL_ACTIVE;
    std::vector<std::wstring> Modules;
};
TModuleTrace TraceModuleLoads(const std::wstring& Exe, const std::wstring& Arguments,
                              DWORD TimeoutMs = 60000);
// Starts a program and returns at once with its process handle; WorkingFolder empty means
// this process's own.
HANDLE Start(const std::wstring& Exe, const std::wstring& Arguments,
             const std::vector<std::wstring>& Environment = {}, const std::wstring& WorkingFolder = {});

// Folders of the current user.
std::wstring AppDataFolder();
std::wstring DesktopFolder();
std::wstring DefaultInstallFolder();
std::wstring StartMenuFolder(); // …\Start Menu\Programs\Mirelbrook
// A fresh, empty folder for one test below the prefix's temp folder.
std::wstring FreshFolder(const std::wstring& Name);

// Removes every trace of an installation: registry keys, the default folder, shortcuts.
void ResetInstallState();
void RemoveTree(const std::wstring& Path);

bool FileExists(const std::wstring& Path);
bool DirectoryExists(const std::wstring& Path);
Bytes ReadFileBytes(const std::wstring& Path);
std::wstring ReadUtf8File(const std::wstring& Path);
void WriteFileBytes(const std::wstring& Path, const Bytes& Data);
std::vector<std::wstring> ListFolder(const std::wstring& Folder);
// The RCDATA resource Name of the executable file Exe, loaded as data.
Bytes ReadExeResource(const std::wstring& Exe, const wchar_t* Name);

// A registry value below HKEY_CURRENT_USER.
struct TRegValue {
    DWORD Type = REG_NONE;
    std::wstring Text; // REG_SZ / REG_EXPAND_SZ
    DWORD Number = 0;  // REG_DWORD
};
std::optional<TRegValue> ReadRegValue(const std::wstring& Key, const std::wstring& Name);
bool RegKeyExists(const std::wstring& Key);
std::vector<std::wstring> RegValueNames(const std::wstring& Key);
void SetRegString(const std::wstring& Key, const std::wstring& Name, const std::wstring& Value);
void SetRegDword(const std::wstring& Key, const std::wstring& Name, DWORD Value);
void DeleteRegTree(const std::wstring& Key);

// What a shell link points to.
struct TShortcut {
    std::wstring Target;
    std::wstring WorkingDirectory;
    std::wstring Description;
};
std::optional<TShortcut> ReadShortcut(const std::wstring& LinkFile);

// The stand-in product's start log, by default beside its executable.
std::wstring StandInLog(const std::wstring& Folder);
// Waits until Predicate holds or TimeoutMs pass; returns whether it held.
template <typename F> bool WaitFor(F Predicate, DWORD TimeoutMs) {
    const DWORD start = GetTickCount();
    while (!Predicate()) {
        if (GetTickCount() - start > TimeoutMs) {
            return false;
        }
        Sleep(50);
    }
    return true;
}
// Asks every window titled "Quorvalent" to close and waits for the stand-ins to go.
void CloseStandIns();

inline const wchar_t AppKey[] = L"SOFTWARE\\Mirelbrook\\Quorvalent";
inline const wchar_t MakerKey[] = L"SOFTWARE\\Mirelbrook";
inline const wchar_t UninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvalent";

// Settings of the prefix that a test changes for a while.
inline const wchar_t DesktopSettingsKey[] = L"Control Panel\\Desktop";
inline const wchar_t PersonalizeKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// A REG_DWORD below HKEY_CURRENT_USER for the life of the object; the old value, or its
// absence, comes back afterwards, so that the tests after it see the prefix unchanged.
class TScopedRegDword {
public:
    TScopedRegDword(std::wstring Key, std::wstring Name, DWORD Value);
    TScopedRegDword(const TScopedRegDword&) = delete;
    TScopedRegDword& operator=(const TScopedRegDword&) = delete;
    ~TScopedRegDword();

private:
    std::wstring FKey, FName;
    std::optional<TRegValue> FOld;
};

} // namespace e2e
