// Work run on a thread of its own, so that the thread of the window goes on handling messages
// (painting, the loader's timer, Cancel) while the work writes files. The thread has COM of its
// own, for shell links. An error the work raises is kept and raised again by Rethrow on the
// thread that waited for it.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>

#include "utils/handles_win.h"

class TBackgroundTask {
public:
    // Starts Work at once; raises EError when the platform makes no thread.
    explicit TBackgroundTask(std::function<void()> Work);
    TBackgroundTask(const TBackgroundTask&) = delete;
    TBackgroundTask& operator=(const TBackgroundTask&) = delete;
    // Waits for the work to end: it must not outlive what it uses.
    ~TBackgroundTask();

    // Signalled when the work has ended.
    HANDLE Handle() const noexcept { return FThread.Get(); }
    // Waits for the work to end, then raises its error if it raised one.
    void Rethrow();

private:
    static DWORD WINAPI ThreadProc(void* Self);

    std::function<void()> FWork;
    std::exception_ptr FError;
    TScopedHandle FThread;
};
