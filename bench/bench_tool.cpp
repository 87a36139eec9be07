// The Windows half of the install benchmark (bench/install_bench.sh).
//
//   bench_tool.exe series N INSTALLER PAYLOAD WORKFOLDER [BASELINE]
//       After one untimed round that warms the caches, runs N rounds of, in turn:
//       install      INSTALLER /verysilent /dir="WORKFOLDER\install-i";
//       update       the same once more over the installation it has just made: each file
//                    is replaced, and the old one kept until the end;
//       copy         the bytes that install writes, copied: PAYLOAD as Quorvalent.exe and
//                    INSTALLER as QuorvalentInstaller.exe into WORKFOLDER\copy-i;
//       durablecopy  the same copy, flushed to the disk (WORKFOLDER\durablecopy-i);
//       startup      an install onto a drive that does not exist, which ends after the write
//                    probe (exit code 2): the installer's start-up alone;
//       with BASELINE, an installer built from an earlier commit around the same payload,
//       baseline-install and baseline-update, its install and update into
//       WORKFOLDER\baseline-i, so that both builds are measured side by side.
//       Each is a child process timed from its creation to its end. Prints one line per run:
//       "KIND I MS EXITCODE".
//   bench_tool.exe copy|durablecopy FOLDER SOURCE TARGETNAME [SOURCE TARGETNAME ...]
//       Creates FOLDER and copies each SOURCE into it under TARGETNAME (CopyFileW), for
//       "durablecopy" then flushing each copy (FlushFileBuffers).
//
// All kinds of run pay the same process start-up under Wine, so the differences between
// them are what the installer does beyond writing the bytes.
#include <windows.h>

#include "tests/tools/console_output.h"

#include <string>
#include <vector>

namespace {

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

std::wstring SelfPath() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    return std::wstring(buffer, length);
}

class THandle {
public:
    explicit THandle(HANDLE handle) : FHandle(handle) {}
    ~THandle() {
        if (FHandle && FHandle != INVALID_HANDLE_VALUE) {
            CloseHandle(FHandle);
        }
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return FHandle; }

private:
    HANDLE FHandle;
};

struct TTiming {
    double Milliseconds = 0;
    DWORD ExitCode = 0;
};

// Starts the command line and waits for the process to end; the clock runs from just before
// the creation to the moment the wait returns.
TTiming TimeProcess(const std::wstring& commandLine) {
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        Print(L"error cannot start " + commandLine);
        ExitProcess(3);
    }
    const THandle processHandle(process.hProcess);
    const THandle threadHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    QueryPerformanceCounter(&end);
    TTiming timing;
    timing.Milliseconds = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
    GetExitCodeProcess(process.hProcess, &timing.ExitCode);
    return timing;
}

std::wstring Milliseconds(double value) {
    const long long tenths = static_cast<long long>(value * 10.0 + 0.5);
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

// A drive letter that names no drive: an install there fails its write probe before writing
// anything, so its run is the installer's start-up alone.
std::wstring UnmappedDrive() {
    const DWORD drives = GetLogicalDrives();
    wchar_t letter = L'Q';
    while (letter < L'Z' && (drives & (1u << (letter - L'A')))) {
        ++letter;
    }
    return std::wstring(1, letter) + L":";
}

void Report(const std::wstring& kind, const std::wstring& index, const TTiming& timing) {
    Print(kind + L" " + index + L" " + Milliseconds(timing.Milliseconds) + L" " +
          std::to_wstring(timing.ExitCode));
}

int Series(int runs, const std::wstring& installer, const std::wstring& payload, const std::wstring& work,
           const std::wstring& baseline) {
    // On Windows the desktop is always there; Wine starts its desktop process (explorer.exe)
    // for the first program that uses it and ends it after the last one. Holding it open for
    // the whole series keeps that start-up out of every timed run but the warm-up.
    GetDesktopWindow();
    CreateDirectoryW(work.c_str(), nullptr);
    const std::wstring self = Quoted(SelfPath());
    const std::wstring sources =
        Quoted(payload) + L" Quorvalent.exe " + Quoted(installer) + L" QuorvalentInstaller.exe";
    const std::wstring unwritable = UnmappedDrive() + L"\\Quorvalent";
    for (int run = 0; run <= runs; ++run) {
        const std::wstring index = std::to_wstring(run);
        const std::wstring installFolder = L" /verysilent /dir=" + Quoted(work + L"\\install-" + index);
        const std::wstring baselineFolder = L" /verysilent /dir=" + Quoted(work + L"\\baseline-" + index);
        TTiming install, update, baselineInstall, baselineUpdate;
        // The two builds take turns at going first, so that neither always finds the other's
        // writes still on their way to the disk.
        for (const bool baselineTurn : {run % 2 == 1, run % 2 == 0}) {
            if (!baselineTurn) {
                install = TimeProcess(Quoted(installer) + installFolder);
                update = TimeProcess(Quoted(installer) + installFolder);
            } else if (!baseline.empty()) {
                baselineInstall = TimeProcess(Quoted(baseline) + baselineFolder);
                baselineUpdate = TimeProcess(Quoted(baseline) + baselineFolder);
            }
        }
        const TTiming copy =
            TimeProcess(self + L" copy " + Quoted(work + L"\\copy-" + index) + L" " + sources);
        const TTiming durable =
            TimeProcess(self + L" durablecopy " + Quoted(work + L"\\durablecopy-" + index) + L" " + sources);
        const TTiming startup = TimeProcess(Quoted(installer) + L" /verysilent /dir=" + Quoted(unwritable));
        if (run == 0) {
            continue; // the warm-up round
        }
        Report(L"install", index, install);
        Report(L"update", index, update);
        Report(L"copy", index, copy);
        Report(L"durablecopy", index, durable);
        Report(L"startup", index, startup);
        if (!baseline.empty()) {
            Report(L"baseline-install", index, baselineInstall);
            Report(L"baseline-update", index, baselineUpdate);
        }
    }
    return 0;
}

// Writes the file's cached data through to the disk, as a writer that must survive a crash does.
bool FlushToDisk(const std::wstring& path) {
    const THandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    return file.Get() != INVALID_HANDLE_VALUE && FlushFileBuffers(file.Get());
}

int Copy(int count, wchar_t** args, bool durable) {
    const std::wstring folder = args[2];
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return 1;
    }
    for (int i = 3; i + 1 < count; i += 2) {
        const std::wstring target = folder + L"\\" + args[i + 1];
        if (!CopyFileW(args[i], target.c_str(), FALSE) || (durable && !FlushToDisk(target))) {
            return 1;
        }
    }
    return 0;
}

int Usage() {
    Print(L"usage: bench_tool series N INSTALLER PAYLOAD WORKFOLDER [BASELINE]");
    Print(L"       bench_tool copy|durablecopy FOLDER SOURCE TARGETNAME [SOURCE TARGETNAME ...]");
    return 2;
}

} // namespace

int wmain(int count, wchar_t** args) {
    const std::wstring command = count > 1 ? args[1] : L"";
    if (command == L"series" && (count == 6 || count == 7)) {
        const int runs = _wtoi(args[2]);
        return runs > 0 ? Series(runs, args[3], args[4], args[5], count == 7 ? args[6] : L"") : Usage();
    }
    if ((command == L"copy" || command == L"durablecopy") && count >= 5 && count % 2 == 1) {
        return Copy(count, args, command == L"durablecopy");
    }
    return Usage();
}
