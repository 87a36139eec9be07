// A stand-in for the product executable, embedded when no real product file is given.
// It opens a window titled "Quorvalent" and appends the arguments it was started with to a
// log (QUORVALENT_STANDIN_LOG, or standin-runs.log beside the executable), one line per
// start, so that tests can see how the installer started it. For the installer's tests it
// can be told to close late (QUORVALENT_STANDIN_CLOSE_DELAY_MS), to refuse to close
// (QUORVALENT_STANDIN_REFUSE_CLOSE=1), to stop answering its window's messages as soon as the
// window is up (QUORVALENT_STANDIN_HANG=1), or to run without any window
// (QUORVALENT_STANDIN_NO_WINDOW=1); the last two log a line once they are in that state. Its
// window may carry another title (QUORVALENT_STANDIN_TITLE), as a product showing a document's
// name does.
#include <windows.h>

#include <string>

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[1024];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 1024);
    return length > 0 && length < 1024 ? std::wstring(buffer, length) : std::wstring();
}

// The command line after the program path, as the platform passed it.
std::wstring Arguments() {
    const wchar_t* p = GetCommandLineW();
    bool quoted = false;
    while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
        if (*p == L'"') {
            quoted = !quoted;
        }
        ++p;
    }
    while (*p == L' ' || *p == L'\t') {
        ++p;
    }
    return p;
}

std::wstring LogPath() {
    std::wstring path = Env(L"QUORVALENT_STANDIN_LOG");
    if (!path.empty()) {
        return path;
    }
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    path.assign(self, length);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"standin-runs.log";
}

void AppendLog(const std::wstring& line) {
    const std::wstring text = line + L"\r\n";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                        nullptr);
    const HANDLE file = CreateFileW(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
        CloseHandle(file);
    }
}

// Never returns: what a program stuck in a long computation or a dead lock looks like.
[[noreturn]] void Hang() {
    const HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (;;) {
        WaitForSingleObject(never, INFINITE);
    }
}

constexpr UINT HangMessage = WM_APP + 1;

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case HangMessage:
        AppendLog(L"hanging");
        Hang();
    case WM_CLOSE:
        if (Env(L"QUORVALENT_STANDIN_REFUSE_CLOSE") == L"1") {
            return 0;
        }
        if (const std::wstring delay = Env(L"QUORVALENT_STANDIN_CLOSE_DELAY_MS"); !delay.empty()) {
            Sleep(static_cast<DWORD>(_wtoi(delay.c_str())));
        }
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, msg, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    AppendLog(L"started: " + Arguments());
    if (Env(L"QUORVALENT_STANDIN_NO_WINDOW") == L"1") {
        AppendLog(L"running without a window");
        Hang();
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"QuorvalentStandInWindow";
    RegisterClassW(&wc);
    const std::wstring title = Env(L"QUORVALENT_STANDIN_TITLE");
    const HWND window =
        CreateWindowW(wc.lpszClassName, title.empty() ? L"Quorvalent" : title.c_str(), WS_OVERLAPPEDWINDOW,
                      CW_USEDEFAULT, CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 1;
    }
    ShowWindow(window, show);
    if (Env(L"QUORVALENT_STANDIN_HANG") == L"1") {
        PostMessageW(window, HangMessage, 0, 0);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    AppendLog(L"closed");
    return 0;
}
