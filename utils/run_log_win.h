// The log of a run, written only when the command line asks for one with "/log=<file>": the
// lines are appended to that file in UTF-8 as they happen, so that a run that is killed still
// leaves what it did. Writing the log never changes the outcome of the run: a log that cannot
// be opened or written is dropped silently.
#pragma once

#include <windows.h>

#include <string>

#include "utils/handles_win.h"

class TRunLog {
public:
    // No log until Open.
    TRunLog() noexcept = default;
    TRunLog(const TRunLog&) = delete;
    TRunLog& operator=(const TRunLog&) = delete;

    // Appends to Path from now on, creating it and its folder; without them there is no log.
    void Open(const std::u16string& Path) noexcept;
    bool Active() const noexcept { return FFile.Valid(); }
    // One line behind the local time.
    void Write(const std::u16string& Text) noexcept;

private:
    TScopedHandle FFile;
};
