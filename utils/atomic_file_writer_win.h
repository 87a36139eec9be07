// Writes a file so that its target is either the old file or the complete new one: the data
// goes to a temporary file beside the target, is flushed, and then takes the target's place
// in one rename that replaces it. On request the old file is kept first under a second name,
// so that it can be put back: a hard link to it, or a flushed copy where the volume has no
// hard links. A target that another process still holds (a running product) is retried for
// a few seconds before the step fails.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "utils/handles_win.h"

// What a test can reach inside a replacement; the installer leaves both empty.
struct TWriteSeam {
    // Told each file-system call that a writer or the transaction makes (all but the queries
    // of attributes and of folder listings), by name and with the path it worked on, right
    // after it returned: a test ends the process there to see what a kill at that moment
    // would leave. Must not raise.
    std::function<void(std::u16string_view Call, std::u16string_view Path)> AfterCall;
    // Stands in for CreateHardLinkW(Link, Existing, nullptr), errors through SetLastError as
    // it does, so that a test can answer as a volume without hard links does.
    std::function<BOOL(const wchar_t* Link, const wchar_t* Existing)> CreateHardLink;
};

// Tells Seam, when there is one, that Call on Path has returned.
void AfterCall(const TWriteSeam* Seam, std::u16string_view Call, std::u16string_view Path) noexcept;
// Flushes a file that something else wrote to the disk; ERROR_SUCCESS or the error.
DWORD FlushFile(const std::u16string& Path, const TWriteSeam* Seam = nullptr);

class TAtomicFileWriter {
public:
    // Called after each written chunk with the bytes written so far; may raise to abandon.
    using TProgress = std::function<void(uint64_t written)>;

    // Creates the temporary file; raises EError with the platform's message. Seam, when
    // given, outlives the writer.
    explicit TAtomicFileWriter(std::u16string Target, const TWriteSeam* Seam = nullptr);
    TAtomicFileWriter(const TAtomicFileWriter&) = delete;
    TAtomicFileWriter& operator=(const TAtomicFileWriter&) = delete;
    // Without Commit the temporary file is removed and the target stays as it was.
    ~TAtomicFileWriter();

    void Write(const void* Data, size_t Size);
    // Flushes and closes the temporary file and renames it onto the target in one step. With
    // Backup given, an existing target is first kept as Backup (a hard link, or a flushed
    // copy on a volume without them); the result tells whether it was. On failure the target
    // is as it was before and the backup is deleted again, unless whoever holds the target
    // keeps its second name from being deleted: that one waits for the next run's clean-up.
    bool Commit(const std::u16string& Backup = {});

    const std::u16string& TempPath() const noexcept { return FTempPath; }
    TProgress OnProgress;
    // How long a held target is retried: RetryCount tries, RetryDelayMs apart.
    int RetryCount = 20;
    DWORD RetryDelayMs = 250;

private:
    void After(std::u16string_view Call, std::u16string_view Path) const noexcept {
        AfterCall(FSeam, Call, Path);
    }
    // Raises Action ("Cannot write '") and the target's name with the platform's message.
    [[noreturn]] void Raise(DWORD Error, const char16_t* Action) const;
    void Discard() noexcept;
    void Flush();
    // Waits while another process holds the target; raises when it goes on holding it.
    void RetryWhileHeld(DWORD Error, int Attempt);
    // ERROR_SUCCESS when the target exists and nothing else holds it, ERROR_FILE_NOT_FOUND
    // when there is none, else the error that opening it for writing gave.
    DWORD ProbeTarget();
    // One rename puts the new file under the target's name; false with the error kept.
    bool Swap(DWORD& Error);
    void KeepOldFile(const std::u16string& Backup);
    DWORD LinkOldFile(const std::u16string& Backup);
    void CopyOldFile(const std::u16string& Backup);

    std::u16string FTarget;
    std::u16string FTempPath;
    const TWriteSeam* FSeam;
    TScopedHandle FFile;
    uint64_t FWritten = 0;
    bool FCommitted = false;
};

// Writes Data to Target through a TAtomicFileWriter in chunks.
void WriteFileAtomically(const std::u16string& Target, const void* Data, size_t Size,
                         const TAtomicFileWriter::TProgress& OnProgress = {},
                         const TWriteSeam* Seam = nullptr);
// Writes the whole content of the file Source through Writer; returns the bytes copied.
uint64_t CopyFileInto(const std::u16string& Source, TAtomicFileWriter& Writer);
// Copies Source to Target through a TAtomicFileWriter; returns the bytes copied.
uint64_t CopyFileAtomically(const std::u16string& Source, const std::u16string& Target);
// What tells an existing file from every other on the machine, whatever name it is reached by.
struct TFileIdentity {
    DWORD Volume = 0;
    DWORD IndexHigh = 0;
    DWORD IndexLow = 0;
    bool operator==(const TFileIdentity&) const = default;
};
// The identity of the file or folder at Path; nothing when it cannot be opened.
std::optional<TFileIdentity> FileIdentityOf(const std::u16string& Path) noexcept;
// True when both paths name the same existing file, compared as the file system does
// (letter case, short names, links).
bool IsSameFile(const std::u16string& A, const std::u16string& B) noexcept;
