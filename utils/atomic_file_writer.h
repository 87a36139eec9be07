// Writes a file so that its target is either the old file or the complete new one: the data
// goes to a temporary file beside the target, is flushed, and then takes the target's place
// in one step, replacing it or, on request, after moving it aside so that it can be put back.
// A target that another process still holds (a running product) is retried for a few seconds
// before the step fails.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "utils/win32.h"

class TAtomicFileWriter {
public:
    // Called after each written chunk with the bytes written so far; may raise to abandon.
    using TProgress = std::function<void(uint64_t written)>;

    // Creates the temporary file; raises EError with the platform's message.
    explicit TAtomicFileWriter(std::u16string Target);
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
    // Without Commit the temporary file is removed and the target stays as it was.
    ~TAtomicFileWriter();

    void Write(const void* Data, size_t Size);
    // Flushes and closes the temporary file and puts it in the target's place. With Backup
    // given, an existing target is first moved to Backup rather than replaced; the result
    // tells whether it was. On failure the target is as it was before.
    bool Commit(const std::u16string& Backup = {});

    const std::u16string& TempPath() const noexcept { return FTempPath; }
    TProgress OnProgress;
    // How long a held target is retried: RetryCount tries, RetryDelayMs apart.
    int RetryCount = 20;
    DWORD RetryDelayMs = 250;

private:
    void Discard() noexcept;
    void Flush();
    // Waits while another process holds the target; raises when it goes on holding it.
    void RetryWhileHeld(DWORD Error, int Attempt);
    // Moves an existing target to Backup; false when there is no target.
    bool MoveTargetAside(const std::u16string& Backup);

    std::u16string FTarget;
    std::u16string FTempPath;
    TScopedHandle FFile;
    uint64_t FWritten = 0;
    bool FCommitted = false;
};

// Writes Data to Target through a TAtomicFileWriter in chunks.
void WriteFileAtomically(const std::u16string& Target, const void* Data, size_t Size,
                         const TAtomicFileWriter::TProgress& OnProgress = {});
// Writes the whole content of the file Source through Writer; returns the bytes copied.
uint64_t CopyFileInto(const std::u16string& Source, TAtomicFileWriter& Writer);
// Copies Source to Target through a TAtomicFileWriter; returns the bytes copied.
uint64_t CopyFileAtomically(const std::u16string& Source, const std::u16string& Target);
// True when both paths name the same existing file, compared as the file system does
// (letter case, short names, links).
bool IsSameFile(const std::u16string& A, const std::u16string& B) noexcept;
