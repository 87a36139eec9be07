// The installer's window read and driven from outside, as a user would: its child windows
// and the pixels on the prefix's display, real input through SendInput, and the ways to start
// it so that Wine sees the environment a test means.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace e2e {

// n unscaled pixels at Dpi, rounded to the nearest integer with ties to even.
int Scaled(int n, int Dpi);

// Screen pixels as 0x00RRGGBB.
struct TCapture {
    RECT Area{};
    std::vector<uint32_t> Pixels;
    int Width() const { return Area.right - Area.left; }
    int Height() const { return Area.bottom - Area.top; }
    // Relative to the captured area.
    uint32_t At(int X, int Y) const { return Pixels[static_cast<size_t>(Y) * Width() + X]; }
    // How many pixels of the rectangle (relative to the area) are exactly Color.
    int Count(const RECT& Part, uint32_t Color) const;
};
TCapture CaptureScreen(const RECT& Area);
// A window as it is on the screen once it has stopped changing (or after five seconds, for
// one that never does).
TCapture CaptureWindow(HWND Window);
// Kept as <QV_BINARY_DIR>\screenshots\Name.png; returns whether the file was written.
bool SaveScreenshot(const TCapture& Capture, const std::wstring& Name);

// Real input through SendInput, in screen coordinates.
void MoveMouse(int X, int Y);
void ClickAt(int X, int Y);
void PressKey(WORD VirtualKey);
// VirtualKey pressed while Modifier (VK_SHIFT, VK_CONTROL) is held.
void PressKeyWith(WORD Modifier, WORD VirtualKey);
void TypeText(const std::wstring& Text);

// The visible top-level windows of a process (of any process for 0), optionally only those of
// one class.
std::vector<HWND> ProcessWindows(DWORD ProcessId, const wchar_t* ClassName = nullptr);
// The window that has the keyboard focus in the thread of Window.
HWND FocusOf(HWND Window);
// The first dialog of a process (a message box, the folder picker), once one is shown, and
// the text that a message box says.
HWND WaitForDialog(DWORD ProcessId, DWORD TimeoutMs = 30000);
std::wstring MessageBoxText(HWND Box);

// A Wine program started directly inherits the Unix environment of its parent, whatever its
// Windows environment says; only one started through Wine's loader gets a Unix environment
// made from the Windows one. So variables that Wine reads on the Unix side (LC_ALL, DISPLAY)
// reach the installer only that way. Such a start yields no process handle: the shell that
// runs the loader writes the exit code into the returned file (a Windows path) instead.
std::wstring StartThroughLoader(const std::wstring& Exe, const std::wstring& Arguments,
                                const std::vector<std::wstring>& Environment);
// The exit code written there, once it has been.
std::optional<DWORD> ReadExitFile(const std::wstring& ExitFile);

// What a screen reader in another process reads of a control, through WM_GETOBJECT and an
// IAccessible marshalled across the processes, as real readers do.
struct TOutsideReading {
    LONG Role = 0;
    std::wstring Name;
    std::wstring Value;
    LONG State = 0;
};
TOutsideReading ReadFromOutside(HWND Control);

struct TStartOptions {
    std::vector<std::wstring> Environment;
    bool ThroughLoader = false;
    // The DPI the prefix was set to before the start.
    int Dpi = 96;
    // The installer under test when empty.
    std::wstring Exe;
};

// QuorvalentInstaller.exe started interactively; the object ends it if the test did not.
class TInstallerWindow {
public:
    explicit TInstallerWindow(const std::wstring& Arguments, const TStartOptions& Options = {});
    TInstallerWindow(const TInstallerWindow&) = delete;
    TInstallerWindow& operator=(const TInstallerWindow&) = delete;
    ~TInstallerWindow();

    // The main window, once it is visible; null when it never showed.
    HWND Form() const { return FForm; }
    DWORD ProcessId() const { return FProcessId; }
    int r(int n) const { return Scaled(n, FDpi); }
    // Client size in device pixels.
    SIZE ClientSize() const;
    // The child control of a class ("QuorvalentButton") by its place among those of that
    // class, in creation order.
    HWND Control(const wchar_t* ClassName, int Index) const;
    // A control's bounds in the form's client coordinates.
    RECT Bounds(HWND Control) const;
    HWND Focus() const { return FocusOf(FForm); }
    // A point of the client area on the screen.
    POINT Screen(int X, int Y) const;
    void Click(int X, int Y) const;
    // Waits until the pixel at client (X, Y) is Color, that is until it has been painted.
    bool WaitForPixel(int X, int Y, uint32_t Color, DWORD TimeoutMs = 15000) const;
    // The whole window as it is on the screen, once it has stopped changing.
    TCapture Capture() const;
    // The pixel of a capture at client (X, Y), and how many pixels of a client rectangle of
    // it are exactly Color.
    uint32_t Pixel(const TCapture& Shot, int X, int Y) const;
    int Count(const TCapture& Shot, const RECT& Box, uint32_t Color) const;
    // The process's exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitForExit(DWORD TimeoutMs = 30000);

private:
    HANDLE FProcess = nullptr;
    DWORD FProcessId = 0;
    HWND FForm = nullptr;
    int FDpi = 96;
    std::wstring FExitFile;
};

// A test of the installer's window from outside: screen coordinates in device pixels whatever
// the prefix's DPI was at this start, and no installation before or after each test.
class TWindowTestBase : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
    void SetUp() override { ResetInstallState(); }
    void TearDown() override { ResetInstallState(); }
};

} // namespace e2e
