// Runs the test thread's message loop for a while, as the installer's loop would, and raises
// what a window procedure held back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "ucl/window_win.h"

inline void PumpMessagesFor(DWORD milliseconds, const std::function<bool()>& done = nullptr) {
    const uint64_t end = GetTickCount64() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            TWindow::RethrowPendingException();
        }
        if (done && done()) {
            return;
        }
        const uint64_t now = GetTickCount64();
        if (now >= end) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}
