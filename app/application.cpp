#include "app/application.h"

#include "app/main_form.h"
#include "utils/exception.h"
#include "utils/win32.h"

void TApplication::Initialize() {
    // The manifest asks for per-monitor awareness; this covers a start without it.
    using TSetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (auto set = reinterpret_cast<TSetContext>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
        set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
}

void TApplication::Run(TMainForm& MainForm) {
    if (ShowMainForm && !FTerminated) {
        ShowWindow(MainForm.Handle(), SW_SHOWNORMAL);
        UpdateWindow(MainForm.Handle());
    }
    MSG msg;
    // Terminate posts WM_QUIT, so the loop ends after the message that asked for it.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        try {
            TWindow::RethrowPendingException();
        } catch (const EError& e) {
            MessageBoxW(MainForm.Handle(), WStr(e.Message()), L"QuorvalentInstaller.exe", MB_ICONERROR);
        }
    }
}

void TApplication::Terminate() noexcept {
    if (!FTerminated) {
        FTerminated = true;
        PostQuitMessage(0);
    }
}
