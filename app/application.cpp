#include "app/application.h"

#include <exception>
#include <new>

#include "app/main_form.h"
#include "ucl/control.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/win32.h"

void TApplication::Initialize() {
    // The manifest asks for per-monitor awareness; this covers a start without it.
    using TSetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (auto set = reinterpret_cast<TSetContext>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
        set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
}

void TApplication::Run(TMainForm& MainForm) {
    if (ShowMainForm && !FTerminated) {
        MainForm.FormShow();
    }
    MSG msg;
    // Terminate posts WM_QUIT, so the loop ends after the message that asked for it.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!HandleTabKey(MainForm.Handle(), msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        try {
            TWindow::RethrowPendingException();
        } catch (...) {
            HandleException(CurrentExceptionMessage());
        }
    }
}

void TApplication::Terminate() noexcept {
    if (!FTerminated) {
        FTerminated = true;
        PostQuitMessage(0);
    }
}

void TApplication::HandleException(const std::u16string& Message) noexcept {
    Log.Write(u"Error: " + Message);
    if (!SilentRun) {
        MessageBoxW(nullptr, WStr(Message), WStr(std::u16string(InstallerExeName)), MB_ICONERROR);
    }
    ExitCode = 1;
    Terminate();
}

std::u16string CurrentExceptionMessage() noexcept {
    try {
        throw;
    } catch (const EError& e) {
        return e.Message();
    } catch (const std::bad_alloc&) {
        return u"Out of memory.";
    } catch (...) {
        return u"An unexpected error ended the installer.";
    }
}
