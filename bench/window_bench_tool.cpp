// The Windows half of the window start-up benchmark (bench/window_bench.sh) and of the README
// screenshots (tools/readme-screenshots.sh). It watches programs from outside, through the
// screen, so that nothing in the installer has to cooperate.
//
//   window_bench_tool.exe series N INSTALLER FLOOR [HOLD_MS]
//       After one untimed round that warms the caches, runs N rounds of the installer's
//       window (no switches) and of the floor program, the order swapped every round. Each
//       run is timed from just before CreateProcess to the first poll that finds the
//       program's top-level window visible with every probed pixel of its first complete
//       frame on the screen. The peak working set is the largest one sampled while the
//       program lives: during the wait, for HOLD_MS (default 500) after the frame, and until
//       it has ended after WM_CLOSE. Prints "size EXE_BYTES EXE_FILE_BYTES" for the
//       installer, then one line per run: "KIND I MS PEAK_BYTES VISIBLE_MS" (VISIBLE_MS: when
//       the window was first found visible, painted or not), or "failed KIND I REASON".
//   window_bench_tool.exe show INSTALLER [SWITCHES...]
//       Starts the installer, waits for its complete first frame (with the folder field
//       disabled for /uninstall), lets it settle, prints "rect LEFT TOP RIGHT BOTTOM" (its
//       window rectangle on the screen) and leaves it running.
//   window_bench_tool.exe close
//       Sends WM_CLOSE to every installer window and waits for their processes to end.
#include <windows.h>
#include <psapi.h>

#include "tests/tools/console_output.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr wchar_t InstallerClass[] = L"TQuorvalentInstallerForm";
constexpr wchar_t FloorClass[] = L"QuorvalentFloorWindow";
// Kept in step with FloorColor in floor_window.cpp.
constexpr COLORREF FloorColor = RGB(0x2E, 0x7D, 0x32);
constexpr DWORD FrameTimeoutMs = 30000;
constexpr DWORD CloseTimeoutMs = 10000;
// Between polls the programs under test get the processor: they share two cores with the
// wine server and the X server, and a busy poll would slow down what it measures.
constexpr DWORD PollIntervalMs = 2;

// The installer's palette (utils/theme.h), only the colours the probes look at.
struct TPalette {
    COLORREF Window;
    COLORREF Panel;
    COLORREF Button;
    COLORREF ButtonHover;
    // A disabled field's fill and border.
    COLORREF EditDisable;
    COLORREF BorderDisable;
};
constexpr COLORREF Rgb(unsigned value) {
    return RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}
constexpr TPalette LightPalette{Rgb(0xFFFFFF), Rgb(0xF7F8F9), Rgb(0xEAEDEF),
                                Rgb(0xD5D9DB), Rgb(0xF3F5F7), Rgb(0xDCE0E2)};
constexpr TPalette DarkPalette{Rgb(0x212121), Rgb(0x262626), Rgb(0x3A3A3A),
                               Rgb(0x484848), Rgb(0x2C2C2C), Rgb(0x646464)};

class THandle {
public:
    explicit THandle(HANDLE handle = nullptr) : FHandle(handle) {}
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

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

double Now() {
    static const double frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return static_cast<double>(value.QuadPart);
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / frequency;
}

std::wstring Milliseconds(double value) {
    const long long tenths = static_cast<long long>(value * 10.0 + 0.5);
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

// The installer follows the app setting that Windows' colour settings write, light when unset.
bool SystemUsesDarkApps() {
    DWORD value = 1;
    DWORD size = sizeof value;
    const LSTATUS status =
        RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                     L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status == ERROR_SUCCESS && value == 0;
}

// The installer's scale: the screen's, as the installer is per-monitor aware.
double ScreenScale() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi / 96.0 : 1.0;
}

struct TProbe {
    int X;
    int Y;
    COLORREF Color;
};

// Where the first complete frame shows itself, in client coordinates of the size the window
// has: the window colour in the margins around the controls, the title bar's panel colour,
// the folder field's border and fill (those of a disabled field in an uninstall window) and
// both buttons' fill away from their captions and borders. Every one of these is painted by a
// different window, so all of them together mean that the form and its controls have all
// painted.
std::vector<TProbe> InstallerProbes(int cw, int ch, double scale, const TPalette& palette,
                                    bool fieldEnabled) {
    const auto r = [scale](int n) { return static_cast<int>(std::nearbyint(n * scale)); };
    std::vector<TProbe> probes = {
        {cw / 2, r(28), palette.Panel},
        {r(8), r(180), palette.Window},
        {cw - r(8), r(100), palette.Window},
        {r(8), ch - r(8), palette.Window},
        {cw / 2, ch - r(8), palette.Window},
        {cw - r(8), ch - r(8), palette.Window},
        {r(16), r(232), fieldEnabled ? palette.ButtonHover : palette.BorderDisable},
        {r(20), r(220), fieldEnabled ? palette.Window : palette.EditDisable},
    };
    for (const int left : {cw - r(216), cw - r(112)}) {
        const int top = ch - r(48);
        const int right = left + r(96) - 1;
        const int bottom = top + r(32) - 1;
        const int inset = r(4);
        probes.push_back({left + inset, top + inset, palette.Button});
        probes.push_back({right - inset, top + inset, palette.Button});
        probes.push_back({left + inset, bottom - inset, palette.Button});
        probes.push_back({right - inset, bottom - inset, palette.Button});
    }
    return probes;
}

std::vector<TProbe> FloorProbes(int cw, int ch) {
    return {{1, 1, FloorColor},
            {cw - 2, 1, FloorColor},
            {cw / 2, ch / 2, FloorColor},
            {1, ch - 2, FloorColor},
            {cw - 2, ch - 2, FloorColor}};
}

struct TWindowSearch {
    DWORD ProcessId; // 0: any process
    const wchar_t* ClassName;
    HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<TWindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (search->ProcessId && processId != search->ProcessId) {
        return TRUE;
    }
    wchar_t className[64];
    if (!GetClassNameW(window, className, 64) || lstrcmpW(className, search->ClassName) != 0 ||
        !IsWindowVisible(window)) {
        return TRUE;
    }
    search->Found = window;
    return FALSE;
}

HWND FindVisibleWindow(DWORD processId, const wchar_t* className) {
    TWindowSearch search{processId, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

bool CloseEnough(COLORREF a, COLORREF b) {
    const auto within = [](int x, int y) { return std::abs(x - y) <= 2; };
    return within(GetRValue(a), GetRValue(b)) && within(GetGValue(a), GetGValue(b)) &&
           within(GetBValue(a), GetBValue(b));
}

// Reads the probed pixels as the screen shows them (not as the program's own surface holds
// them), one at a time and only until the first that is not there yet: a poll that copied the
// whole window would load the X server that the program under test is drawing through.
bool FrameComplete(HWND window, bool installer, bool fieldEnabled, const TPalette& palette, double scale) {
    RECT client{};
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) {
        return false;
    }
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const int cw = client.right;
    const int ch = client.bottom;
    const std::vector<TProbe> probes =
        installer ? InstallerProbes(cw, ch, scale, palette, fieldEnabled) : FloorProbes(cw, ch);
    const HDC screen = GetDC(nullptr);
    bool complete = true;
    for (const TProbe& probe : probes) {
        const bool inside = probe.X >= 0 && probe.Y >= 0 && probe.X < cw && probe.Y < ch;
        const COLORREF color =
            inside ? GetPixel(screen, origin.x + probe.X, origin.y + probe.Y) : CLR_INVALID;
        if (color == CLR_INVALID || !CloseEnough(color, probe.Color)) {
            complete = false;
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    return complete;
}

void SamplePeak(HANDLE process, SIZE_T& peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (K32GetProcessMemoryInfo(process, &counters, sizeof counters) && counters.PeakWorkingSetSize > peak) {
        peak = counters.PeakWorkingSetSize;
    }
}

struct TRun {
    bool Ok = false;
    std::wstring Failure;
    double Milliseconds = 0;
    double VisibleMilliseconds = 0; // when the window was first found visible, painted or not
    SIZE_T PeakWorkingSet = 0;
    HWND Window = nullptr;
};

struct TStarted {
    PROCESS_INFORMATION Process{};
    double Start = 0;
};

bool Start(const std::wstring& commandLine, TStarted& started) {
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started.Start = Now();
    return CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started.Process) != FALSE;
}

// Polls until the first complete frame is on the screen; the clock stops at the poll that
// sees it.
void WaitForFrame(const TStarted& started, bool installer, TRun& run, bool fieldEnabled = true) {
    const TPalette& palette = SystemUsesDarkApps() ? DarkPalette : LightPalette;
    const double scale = ScreenScale();
    const wchar_t* className = installer ? InstallerClass : FloorClass;
    for (;;) {
        SamplePeak(started.Process.hProcess, run.PeakWorkingSet);
        const HWND window = FindVisibleWindow(started.Process.dwProcessId, className);
        if (window && run.VisibleMilliseconds == 0) {
            run.VisibleMilliseconds = Now() - started.Start;
        }
        if (window && FrameComplete(window, installer, fieldEnabled, palette, scale)) {
            run.Milliseconds = Now() - started.Start;
            run.Window = window;
            run.Ok = true;
            return;
        }
        if (WaitForSingleObject(started.Process.hProcess, 0) == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(started.Process.hProcess, &code);
            run.Failure = L"ended before its first frame, exit code " + std::to_wstring(code);
            return;
        }
        if (Now() - started.Start > FrameTimeoutMs) {
            run.Failure = L"no complete frame within " + std::to_wstring(FrameTimeoutMs / 1000) + L" s";
            return;
        }
        Sleep(PollIntervalMs);
    }
}

// Keeps sampling until the process has ended: the peak may come after the first frame.
bool CloseAndWait(const TStarted& started, HWND window, DWORD holdMs, TRun& run) {
    const double holdEnd = Now() + holdMs;
    while (Now() < holdEnd && WaitForSingleObject(started.Process.hProcess, 0) == WAIT_TIMEOUT) {
        SamplePeak(started.Process.hProcess, run.PeakWorkingSet);
        Sleep(10);
    }
    if (window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    const double closeEnd = Now() + CloseTimeoutMs;
    while (WaitForSingleObject(started.Process.hProcess, 1) == WAIT_TIMEOUT) {
        SamplePeak(started.Process.hProcess, run.PeakWorkingSet);
        if (Now() > closeEnd) {
            TerminateProcess(started.Process.hProcess, 1);
            WaitForSingleObject(started.Process.hProcess, INFINITE);
            return false;
        }
    }
    return true;
}

TRun Measure(const std::wstring& commandLine, bool installer, DWORD holdMs) {
    TRun run;
    TStarted started;
    if (!Start(commandLine, started)) {
        run.Failure = L"cannot start, error " + std::to_wstring(GetLastError());
        return run;
    }
    const THandle process(started.Process.hProcess);
    const THandle thread(started.Process.hThread);
    WaitForFrame(started, installer, run);
    if (!CloseAndWait(started, run.Window, holdMs, run) && run.Ok) {
        run.Ok = false;
        run.Failure = L"did not end within " + std::to_wstring(CloseTimeoutMs / 1000) + L" s of WM_CLOSE";
    }
    return run;
}

void Report(const wchar_t* kind, int index, const TRun& run) {
    const std::wstring number = std::to_wstring(index);
    if (run.Ok) {
        Print(std::wstring(kind) + L" " + number + L" " + Milliseconds(run.Milliseconds) + L" " +
              std::to_wstring(run.PeakWorkingSet) + L" " + Milliseconds(run.VisibleMilliseconds));
    } else {
        Print(L"failed " + std::wstring(kind) + L" " + number + L" " + run.Failure);
    }
}

// The size of the product the installer carries, read from the executable itself.
DWORD EmbeddedProductSize(const std::wstring& installer) {
    const HMODULE module =
        LoadLibraryExW(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        return 0;
    }
    const HRSRC resource = FindResourceW(module, L"EXE_FILE", MAKEINTRESOURCEW(10)); // RT_RCDATA
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    FreeLibrary(module);
    return size;
}

unsigned long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

int Series(int runs, const std::wstring& installer, const std::wstring& floor, DWORD holdMs) {
    // Wine starts its desktop process for the first program that uses the display and ends
    // it after the last; on Windows the desktop is always there. Holding it keeps that
    // start-up out of every timed run.
    GetDesktopWindow();
    Print(L"size " + std::to_wstring(FileSize(installer)) + L" " +
          std::to_wstring(EmbeddedProductSize(installer)));
    const std::wstring installerCommand = Quoted(installer);
    const std::wstring floorCommand = Quoted(floor);
    int failures = 0;
    for (int round = 0; round <= runs; ++round) {
        const bool installerFirst = round % 2 == 0;
        TRun installerRun, floorRun;
        if (installerFirst) {
            installerRun = Measure(installerCommand, true, holdMs);
            floorRun = Measure(floorCommand, false, holdMs);
        } else {
            floorRun = Measure(floorCommand, false, holdMs);
            installerRun = Measure(installerCommand, true, holdMs);
        }
        if (round == 0) {
            if (!installerRun.Ok || !floorRun.Ok) {
                Report(L"installer", 0, installerRun);
                Report(L"floor", 0, floorRun);
                return 1;
            }
            continue; // the warm-up round
        }
        Report(L"installer", round, installerRun);
        Report(L"floor", round, floorRun);
        failures += !installerRun.Ok + !floorRun.Ok;
    }
    return failures ? 1 : 0;
}

int Show(int count, wchar_t** args) {
    std::wstring commandLine = Quoted(args[2]);
    bool fieldEnabled = true;
    for (int i = 3; i < count; ++i) {
        commandLine += L" " + std::wstring(args[i]);
        fieldEnabled = fieldEnabled && lstrcmpiW(args[i], L"/uninstall") != 0;
    }
    TStarted started;
    if (!Start(commandLine, started)) {
        Print(L"failed cannot start, error " + std::to_wstring(GetLastError()));
        return 1;
    }
    const THandle process(started.Process.hProcess);
    const THandle thread(started.Process.hThread);
    TRun run;
    WaitForFrame(started, true, run, fieldEnabled);
    if (!run.Ok) {
        Print(L"failed " + run.Failure);
        return 1;
    }
    // Focus and activation settle right after the first frame.
    Sleep(500);
    RECT window{};
    GetWindowRect(run.Window, &window);
    Print(L"rect " + std::to_wstring(window.left) + L" " + std::to_wstring(window.top) + L" " +
          std::to_wstring(window.right) + L" " + std::to_wstring(window.bottom));
    return 0;
}

int Close() {
    while (const HWND window = FindVisibleWindow(0, InstallerClass)) {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        const THandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
        PostMessageW(window, WM_CLOSE, 0, 0);
        if (!process.Get() || WaitForSingleObject(process.Get(), CloseTimeoutMs) != WAIT_OBJECT_0) {
            Print(L"failed the installer did not end after WM_CLOSE");
            return 1;
        }
    }
    return 0;
}

int Usage() {
    Print(L"usage: window_bench_tool series N INSTALLER FLOOR [HOLD_MS]");
    Print(L"       window_bench_tool show INSTALLER [SWITCHES...]");
    Print(L"       window_bench_tool close");
    return 2;
}

} // namespace

int wmain(int count, wchar_t** args) {
    // Physical pixels, as the installer (per-monitor aware) paints them.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    const std::wstring command = count > 1 ? args[1] : L"";
    if (command == L"series" && (count == 5 || count == 6)) {
        const int runs = _wtoi(args[2]);
        const DWORD hold = count == 6 ? static_cast<DWORD>(_wtoi(args[5])) : 500;
        return runs > 0 ? Series(runs, args[3], args[4], hold) : Usage();
    }
    if (command == L"show" && count >= 3) {
        return Show(count, args);
    }
    if (command == L"close" && count == 2) {
        return Close();
    }
    return Usage();
}
