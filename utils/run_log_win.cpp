#include "utils/run_log_win.h"

#include "utils/file_system_win.h"
#include "utils/log_format.h"
#include "utils/paths.h"
#include "utils/strings.h"
#include "utils/text_win.h"

void TRunLog::Open(const std::u16string& Path) noexcept {
    try {
        const std::u16string full = NormalizedFullPath(Path);
        const std::u16string folder = ParentFolder(full);
        if (!folder.empty()) {
            ForceDirectories(folder);
        }
        FFile.Reset(CreateFileW(WStr(full.empty() ? Path : full), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    } catch (...) {
        FFile.Reset();
    }
}

void TRunLog::Write(const std::u16string& Text) noexcept {
    if (!Active()) {
        return;
    }
    try {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        const TLogTime time{now.wYear,   now.wMonth,  now.wDay,         now.wHour,
                            now.wMinute, now.wSecond, now.wMilliseconds};
        const std::u8string line = ToUtf8(FormatLogLine(time, Text) + u"\r\n");
        DWORD written = 0;
        WriteFile(FFile.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } catch (...) {
        // A log that cannot be written is no reason for the run to fail.
    }
}
