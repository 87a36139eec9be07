#include "tests/e2e/window_support.h"

#include <oleacc.h>
#include <shlobj.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace e2e {

int Scaled(int n, int Dpi) {
    // Integers only: a half must be seen as exactly a half.
    const int product = n * Dpi;
    const int whole = product / 96;
    const int twice = 2 * (product % 96);
    return twice > 96 || (twice == 96 && whole % 2 != 0) ? whole + 1 : whole;
}

int TCapture::Count(const RECT& Part, uint32_t Color) const {
    int count = 0;
    for (int y = std::max<int>(Part.top, 0); y < std::min<int>(Part.bottom, Height()); ++y) {
        for (int x = std::max<int>(Part.left, 0); x < std::min<int>(Part.right, Width()); ++x) {
            count += At(x, y) == Color;
        }
    }
    return count;
}

TCapture CaptureScreen(const RECT& Area) {
    TCapture capture;
    capture.Area = Area;
    const int width = capture.Width();
    const int height = capture.Height();
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, Area.left, Area.top, SRCCOPY);
        SelectObject(memory, old);
        GdiFlush();
        const auto* pixels = static_cast<const uint32_t*>(bits);
        capture.Pixels.reserve(static_cast<size_t>(width) * height);
        for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
            capture.Pixels.push_back(pixels[i] & 0xFFFFFF);
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return capture;
}

namespace {

// The imaging component's identifiers, spelt out rather than taken from a GUID library.
constexpr CLSID ImagingFactoryClass = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr IID ImagingFactoryInterface = {
    0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};
constexpr GUID PngContainer = {0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};
constexpr GUID Bgr24Format = {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c}};

template <typename T> struct TReleaser {
    T* P = nullptr;
    ~TReleaser() {
        if (P) {
            P->Release();
        }
    }
};

} // namespace

bool SaveScreenshot(const TCapture& Capture, const std::wstring& Name) {
    wchar_t binary[MAX_PATH] = {};
    GetEnvironmentVariableW(L"QV_BINARY_DIR", binary, MAX_PATH);
    std::wstring folder = binary;
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    folder += L"\\screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    const UINT width = static_cast<UINT>(Capture.Width());
    const UINT height = static_cast<UINT>(Capture.Height());
    const UINT stride = (width * 3 + 3) & ~3u;
    std::vector<BYTE> rows(static_cast<size_t>(stride) * height);
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            const uint32_t p = Capture.At(static_cast<int>(x), static_cast<int>(y));
            BYTE* out = &rows[static_cast<size_t>(y) * stride + x * 3];
            out[0] = static_cast<BYTE>(p);
            out[1] = static_cast<BYTE>(p >> 8);
            out[2] = static_cast<BYTE>(p >> 16);
        }
    }
    TReleaser<IWICImagingFactory> factory;
    TReleaser<IWICStream> stream;
    TReleaser<IWICBitmapEncoder> encoder;
    TReleaser<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = Bgr24Format;
    return SUCCEEDED(CoCreateInstance(ImagingFactoryClass, nullptr, CLSCTX_INPROC_SERVER,
                                      ImagingFactoryInterface, reinterpret_cast<void**>(&factory.P))) &&
           SUCCEEDED(factory.P->CreateStream(&stream.P)) &&
           SUCCEEDED(
               stream.P->InitializeFromFilename((folder + L"\\" + Name + L".png").c_str(), GENERIC_WRITE)) &&
           SUCCEEDED(factory.P->CreateEncoder(PngContainer, nullptr, &encoder.P)) &&
           SUCCEEDED(encoder.P->Initialize(stream.P, WICBitmapEncoderNoCache)) &&
           SUCCEEDED(encoder.P->CreateNewFrame(&frame.P, nullptr)) &&
           SUCCEEDED(frame.P->Initialize(nullptr)) && SUCCEEDED(frame.P->SetSize(width, height)) &&
           SUCCEEDED(frame.P->SetPixelFormat(&format)) && format == Bgr24Format &&
           SUCCEEDED(frame.P->WritePixels(height, stride, static_cast<UINT>(rows.size()), rows.data())) &&
           SUCCEEDED(frame.P->Commit()) && SUCCEEDED(encoder.P->Commit());
}

namespace {

void Send(INPUT input) {
    SendInput(1, &input, sizeof(input));
}

void SendMouse(DWORD Flags, int X, int Y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = Flags;
    // The inverse of the platform's scaling of absolute positions (x × width / 65536), so
    // that the pointer lands on exactly the pixel asked for.
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((int64_t{X} * 65536 + width - 1) / width);
    input.mi.dy = static_cast<LONG>((int64_t{Y} * 65536 + height - 1) / height);
    Send(input);
}

void SendKey(WORD VirtualKey, wchar_t Character, DWORD Flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VirtualKey;
    input.ki.wScan = Character ? Character : static_cast<WORD>(MapVirtualKeyW(VirtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = Flags;
    Send(input);
}

} // namespace

void MoveMouse(int X, int Y) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, X, Y);
    // Wine moves the X pointer and learns the new position from the X server a moment later;
    // a button pressed before that would be pressed where the pointer was.
    WaitFor(
        [&] {
            POINT at{};
            return GetCursorPos(&at) && at.x == X && at.y == Y;
        },
        5000);
}

void ClickAt(int X, int Y) {
    MoveMouse(X, Y);
    // Each button event says where it happens: one that took the pointer's position could
    // still find it where the previous click left it.
    SendMouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, X, Y);
    SendMouse(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, X, Y);
}

void PressKey(WORD VirtualKey) {
    SendKey(VirtualKey, 0, 0);
    SendKey(VirtualKey, 0, KEYEVENTF_KEYUP);
}

void PressKeyWith(WORD Modifier, WORD VirtualKey) {
    SendKey(Modifier, 0, 0);
    PressKey(VirtualKey);
    SendKey(Modifier, 0, KEYEVENTF_KEYUP);
}

void TypeText(const std::wstring& Text) {
    for (const wchar_t c : Text) {
        SendKey(0, c, KEYEVENTF_UNICODE);
        SendKey(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
    }
}

std::vector<HWND> ProcessWindows(DWORD ProcessId, const wchar_t* ClassName) {
    struct TSearch {
        DWORD ProcessId;
        const wchar_t* ClassName;
        std::vector<HWND> Found;
    } search{ProcessId, ClassName, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<TSearch*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[256] = {};
            GetClassNameW(window, name, 256);
            if ((!s.ProcessId || owner == s.ProcessId) && IsWindowVisible(window) &&
                (!s.ClassName || wcscmp(name, s.ClassName) == 0)) {
                s.Found.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND FocusOf(HWND Window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetWindowThreadProcessId(Window, nullptr), &info) ? info.hwndFocus : nullptr;
}

HWND WaitForDialog(DWORD ProcessId, DWORD TimeoutMs) {
    HWND box = nullptr;
    WaitFor(
        [&] {
            const auto boxes = ProcessWindows(ProcessId, L"#32770");
            box = boxes.empty() ? nullptr : boxes.front();
            return box != nullptr;
        },
        TimeoutMs);
    return box;
}

std::wstring MessageBoxText(HWND Box) {
    // The message is the box's longest static text; the icon is a static without text.
    std::wstring message;
    for (HWND child = GetWindow(Box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[2048] = {}, name[64] = {};
        GetClassNameW(child, name, 64);
        GetWindowTextW(child, text, 2048);
        if (_wcsicmp(name, L"Static") == 0 && wcslen(text) > message.size()) {
            message = text;
        }
    }
    return message;
}

namespace {

bool StartedFrom(HWND Window, const std::wstring& Exe) {
    DWORD id = 0;
    GetWindowThreadProcessId(Window, &id);
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const bool same =
        process && QueryFullProcessImageNameW(process, 0, path, &size) && _wcsicmp(path, Exe.c_str()) == 0;
    if (process) {
        CloseHandle(process);
    }
    return same;
}

} // namespace

std::wstring StartThroughLoader(const std::wstring& Exe, const std::wstring& Arguments,
                                const std::vector<std::wstring>& Environment) {
    static int started = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"qv-e2e\\loader";
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    const std::wstring exitFile = folder + L"\\exit-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(++started) + L".txt";
    DeleteFileW(exitFile.c_str());
    using TUnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<TUnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* exitUnix = unixName ? unixName(exitFile.c_str()) : nullptr;
    if (!exitUnix) {
        throw std::runtime_error("not running under Wine");
    }
    std::vector<std::wstring> environment = Environment;
    environment.push_back(L"QV_EXIT_FILE=" + std::wstring(exitUnix, exitUnix + strlen(exitUnix)));
    HeapFree(GetProcessHeap(), 0, exitUnix);
    // A Unix program gets its arguments split by the rules of the Windows command line.
    const HANDLE shell = Start(L"Z:\\bin\\sh",
                               L"-c \"${WINELOADER:-wine} \\\"$@\\\"; echo $? >$QV_EXIT_FILE\" sh \"" + Exe +
                                   L"\" " + Arguments,
                               environment);
    if (shell) {
        CloseHandle(shell);
    }
    return exitFile;
}

std::optional<DWORD> ReadExitFile(const std::wstring& ExitFile) {
    const Bytes text = ReadFileBytes(ExitFile);
    if (text.empty() || text.back() != '\n') {
        return std::nullopt;
    }
    return static_cast<DWORD>(std::stoul(std::string(text.begin(), text.end())));
}

TInstallerWindow::TInstallerWindow(const std::wstring& Arguments, const TStartOptions& Options)
    : FDpi(Options.Dpi) {
    // A pointer left over the window by an earlier test would show a control's hover look.
    MoveMouse(0, 0);
    const std::wstring exe = Options.Exe.empty() ? InstallerPath() : Options.Exe;
    if (Options.ThroughLoader) {
        FExitFile = StartThroughLoader(exe, Arguments, Options.Environment);
    } else {
        FProcess = Start(exe, Arguments, Options.Environment);
        FProcessId = GetProcessId(FProcess);
    }
    // Without the process id, windows are told by the file their process was started from.
    const auto windows = [&](const wchar_t* ClassName) {
        std::vector<HWND> found = ProcessWindows(FProcessId, ClassName);
        std::erase_if(found, [&](HWND window) { return !FProcessId && !StartedFrom(window, exe); });
        return found;
    };
    WaitFor(
        [&] {
            const auto forms = windows(L"TQuorvalentInstallerForm");
            FForm = forms.empty() ? nullptr : forms.front();
            // A message box instead of the window: a failure that the test looks at.
            return FForm || !windows(L"#32770").empty() ||
                   (FProcess ? WaitForSingleObject(FProcess, 0) == WAIT_OBJECT_0
                             : ReadExitFile(FExitFile).has_value());
        },
        30000);
    if (!FProcess) {
        // Started through the loader: the process is the one of the window or message box.
        auto shown = windows(L"TQuorvalentInstallerForm");
        if (shown.empty()) {
            shown = windows(L"#32770");
        }
        if (!shown.empty()) {
            GetWindowThreadProcessId(shown.front(), &FProcessId);
            FProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                   FProcessId);
        }
    }
    if (FForm) {
        // Keys go to the foreground window; a window manager would have activated it.
        SetForegroundWindow(FForm);
        WaitFor([&] { return GetForegroundWindow() == FForm; }, 5000);
    }
}

TInstallerWindow::~TInstallerWindow() {
    if (FProcess && WaitForSingleObject(FProcess, 0) == WAIT_TIMEOUT) {
        if (FForm) {
            PostMessageW(FForm, WM_CLOSE, 0, 0);
        }
        if (WaitForSingleObject(FProcess, 10000) == WAIT_TIMEOUT) {
            TerminateProcess(FProcess, 999);
            WaitForSingleObject(FProcess, 5000);
        }
    }
    if (FProcess) {
        CloseHandle(FProcess);
    }
}

SIZE TInstallerWindow::ClientSize() const {
    RECT client{};
    GetClientRect(FForm, &client);
    return {client.right, client.bottom};
}

HWND TInstallerWindow::Control(const wchar_t* ClassName, int Index) const {
    for (HWND child = GetWindow(FForm, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[256] = {};
        GetClassNameW(child, name, 256);
        if (wcscmp(name, ClassName) == 0 && Index-- == 0) {
            return child;
        }
    }
    return nullptr;
}

RECT TInstallerWindow::Bounds(HWND Control) const {
    RECT bounds{};
    GetWindowRect(Control, &bounds);
    MapWindowPoints(nullptr, FForm, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

POINT TInstallerWindow::Screen(int X, int Y) const {
    POINT point{X, Y};
    ClientToScreen(FForm, &point);
    return point;
}

void TInstallerWindow::Click(int X, int Y) const {
    const POINT point = Screen(X, Y);
    ClickAt(point.x, point.y);
}

bool TInstallerWindow::WaitForPixel(int X, int Y, uint32_t Color, DWORD TimeoutMs) const {
    const POINT point = Screen(X, Y);
    return WaitFor(
        [&] {
            return CaptureScreen({point.x, point.y, point.x + 1, point.y + 1}).At(0, 0) == Color;
        },
        TimeoutMs);
}

TCapture CaptureWindow(HWND Window) {
    RECT frame{};
    GetWindowRect(Window, &frame);
    // Painting has ended when two looks a moment apart agree.
    TCapture previous = CaptureScreen(frame);
    for (int attempt = 0; attempt < 50; ++attempt) {
        Sleep(100);
        TCapture current = CaptureScreen(frame);
        if (current.Pixels == previous.Pixels) {
            return current;
        }
        previous = std::move(current);
    }
    return previous;
}

TCapture TInstallerWindow::Capture() const {
    return CaptureWindow(FForm);
}

uint32_t TInstallerWindow::Pixel(const TCapture& Shot, int X, int Y) const {
    const POINT point = Screen(X, Y);
    return Shot.At(point.x - Shot.Area.left, point.y - Shot.Area.top);
}

int TInstallerWindow::Count(const TCapture& Shot, const RECT& Box, uint32_t Color) const {
    const POINT origin = Screen(0, 0);
    const int dx = origin.x - Shot.Area.left;
    const int dy = origin.y - Shot.Area.top;
    return Shot.Count({Box.left + dx, Box.top + dy, Box.right + dx, Box.bottom + dy}, Color);
}

DWORD TInstallerWindow::WaitForExit(DWORD TimeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (FProcess && WaitForSingleObject(FProcess, TimeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(FProcess, &code);
    } else if (!FProcess && !FExitFile.empty()) {
        // The installer ended before it showed a window: only the shell saw its exit code.
        WaitFor([&] { return ReadExitFile(FExitFile).has_value(); }, TimeoutMs);
        code = ReadExitFile(FExitFile).value_or(STILL_ACTIVE);
    }
    return code;
}

namespace {

// Spelled out: mingw's import library resolves the data symbol IID_IAccessible to a code
// thunk, whose bytes are no interface id.
constexpr IID AccessibleInterface = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

VARIANT Self() {
    VARIANT self;
    VariantInit(&self);
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    return self;
}

std::wstring Text(IAccessible* Object, HRESULT (STDMETHODCALLTYPE IAccessible::*Get)(VARIANT, BSTR*)) {
    BSTR text = nullptr;
    std::wstring result;
    if ((Object->*Get)(Self(), &text) == S_OK && text) {
        result = text;
        SysFreeString(text);
    }
    return result;
}

} // namespace

TOutsideReading ReadFromOutside(HWND Control) {
    TOutsideReading reading;
    IAccessible* object = nullptr;
    const HRESULT found = AccessibleObjectFromWindow(Control, DWORD(OBJID_CLIENT), AccessibleInterface,
                                                     reinterpret_cast<void**>(&object));
    if (FAILED(found) || !object) {
        ADD_FAILURE() << "no accessible object across the processes: " << std::hex << found;
        return reading;
    }
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(object->get_accRole(Self(), &value)) && V_VT(&value) == VT_I4) {
        reading.Role = V_I4(&value);
    }
    VariantInit(&value);
    if (SUCCEEDED(object->get_accState(Self(), &value)) && V_VT(&value) == VT_I4) {
        reading.State = V_I4(&value);
    }
    reading.Name = Text(object, &IAccessible::get_accName);
    reading.Value = Text(object, &IAccessible::get_accValue);
    object->Release();
    return reading;
}

} // namespace e2e
