// The floor of the window start-up benchmark (bench/window_bench.sh): the least a Win32
// program can do to put a window of the installer's client size on the screen, painted in
// one colour. Whatever the installer takes beyond this is its own doing, not Wine's or the
// display's.
#include <windows.h>

namespace {

// Kept in step with FloorColor in window_bench_tool.cpp, which looks for it on the screen.
constexpr COLORREF FloorColor = RGB(0x2E, 0x7D, 0x32);
constexpr int ClientWidth = 520;
constexpr int ClientHeight = 400;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        const HBRUSH brush = CreateSolidBrush(FloorColor);
        FillRect(dc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"QuorvalentFloorWindow";
    if (!RegisterClassExW(&windowClass)) {
        return 1;
    }
    // The same client size and placement as the installer's window, so both put the same
    // number of pixels on the screen.
    const DWORD style = WS_OVERLAPPEDWINDOW;
    RECT frame{0, 0, ClientWidth, ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const HWND window = CreateWindowExW(
        0, windowClass.lpszClassName, L"Floor", style, work.left + (work.right - work.left - width) / 2,
        work.top + (work.bottom - work.top - height) / 2, width, height, nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
