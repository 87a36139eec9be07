#include "utils/background_task_win.h"

#include "utils/exception.h"
#include "utils/os_error_win.h"
#include "utils/com_win.h"

TBackgroundTask::TBackgroundTask(std::function<void()> Work) : FWork(std::move(Work)) {
    FThread.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    if (!FThread.Valid()) {
        RaiseLastOSError(u"Cannot start the installation");
    }
}

TBackgroundTask::~TBackgroundTask() {
    WaitForSingleObject(FThread.Get(), INFINITE);
}

void TBackgroundTask::Rethrow() {
    WaitForSingleObject(FThread.Get(), INFINITE);
    if (FError) {
        std::rethrow_exception(std::exchange(FError, nullptr));
    }
}

DWORD WINAPI TBackgroundTask::ThreadProc(void* Self) {
    auto* task = static_cast<TBackgroundTask*>(Self);
    const TComInitializer com(COINIT_MULTITHREADED);
    try {
        task->FWork();
    } catch (...) {
        task->FError = std::current_exception();
    }
    return 0;
}
