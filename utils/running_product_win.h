// The product as it runs: its processes found by their image file, its windows asked to close
// the way a user closing them would, and the wait for those processes to end. Nothing here
// ends a process: a product that is busy or asks to save its work is left to the user.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "utils/handles_win.h"

// A running process, held so that its id cannot be reused while it is waited for.
struct TRunningProcess {
    uint32_t Id = 0;
    TScopedHandle Handle;
};

// The processes, this one excepted, whose image is the file Image: the same path as the
// file system compares names (letter case), or the same file by its identity (short names,
// links). Processes that may not be queried are not reported.
std::vector<TRunningProcess> FindProcessesRunning(const std::u16string& Image);

// Posts WM_CLOSE, which never waits for the window to answer, to every top-level window
// titled Title, pausing PauseMs after each, and to every visible, unowned top-level window
// of Processes with another title. Returns how many windows were asked.
int AskWindowsToClose(const std::u16string& Title, const std::vector<TRunningProcess>& Processes,
                      DWORD PauseMs);

// Waits until every one of Processes has ended or TimeoutMs have passed; the ids of those
// still running then.
std::vector<uint32_t> WaitForProcessesToEnd(const std::vector<TRunningProcess>& Processes, DWORD TimeoutMs);
