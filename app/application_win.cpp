#include "app/application_win.h"

#include <exception>
#include <new>

#include "app/failure_policy.h"
#include "ucl/window_win.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/text_win.h"

void TApplication::Initialize() {
    // The manifest asks for per-monitor awareness; this covers a start without it.
    using TSetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (auto set = reinterpret_cast<TSetContext>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
        set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
}

void TApplication::Run(IMainWindow* MainForm) {
    FMainForm = MainForm;
    if (MainForm && !FTerminated) {
        MainForm->FormShow();
    }
    MSG msg;
    // Terminate posts WM_QUIT, so the loop ends after the message that asked for it.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        Dispatch(msg);
    }
}

void TApplication::ProcessMessagesUntil(HANDLE Event) {
    bool quit = false;
    // WAIT_OBJECT_0 + 1: messages wait; anything else is the event, or a handle that cannot
    // be waited for, which must not turn into a busy loop.
    while (MsgWaitForMultipleObjectsEx(1, &Event, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
           WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
            } else {
                Dispatch(msg);
            }
        }
    }
    // The quit message was taken from the queue here; Run's loop still has to see it.
    if (quit) {
        PostQuitMessage(0);
    }
}

void TApplication::Dispatch(MSG& Message) {
    if (!FMainForm || !FMainForm->DialogKey(Message)) {
        TranslateMessage(&Message);
        DispatchMessageW(&Message);
    }
    try {
        TWindow::RethrowPendingException();
    } catch (...) {
        HandleException(CurrentExceptionMessage());
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
    const TFailureResponse response = RespondTo(flUnexpected, SilentRun);
    if (response.ShowMessage) {
        MessageBoxW(nullptr, WStr(Message), WStr(std::u16string(InstallerExeName)), MB_ICONERROR);
    }
    ExitCode = response.ExitCode;
    Terminate();
}

HWND TApplication::OwnerWindow() const noexcept {
    return FMainForm ? FMainForm->OwnerWindow() : nullptr;
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
