#include "utils/atomic_file_writer_win.h"

#include <vector>

#include "utils/exception.h"
#include "utils/strings.h"
#include "utils/write_names.h"
#include "utils/text_win.h"
#include "utils/os_error_win.h"
#include "utils/handles_win.h"

namespace {

constexpr size_t ChunkSize = 1 << 20;

// Errors that mean another process still has the target open or mapped.
bool IsHeldError(DWORD error) noexcept {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

// Errors with which a volume refuses a second name for a file: FAT and exFAT, many shares,
// a file that has as many names as the volume allows. A copy keeps the old file there.
bool IsNoHardLinkError(DWORD error) noexcept {
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_NOT_SAME_DEVICE || error == ERROR_ACCESS_DENIED || error == ERROR_TOO_MANY_LINKS;
}

} // namespace

void AfterCall(const TWriteSeam* Seam, std::u16string_view Call, std::u16string_view Path) noexcept {
    if (Seam && Seam->AfterCall) {
        Seam->AfterCall(Call, Path);
    }
}

DWORD FlushFile(const std::u16string& Path, const TWriteSeam* Seam) {
    TScopedHandle file(CreateFileW(WStr(Path), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD error = file.Valid() ? ERROR_SUCCESS : GetLastError();
    AfterCall(Seam, u"CreateFileW", Path);
    if (file.Valid()) {
        error = FlushFileBuffers(file.Get()) ? ERROR_SUCCESS : GetLastError();
        AfterCall(Seam, u"FlushFileBuffers", Path);
        file.Reset();
        AfterCall(Seam, u"CloseHandle", Path);
    }
    return error;
}

TAtomicFileWriter::TAtomicFileWriter(std::u16string Target, const TWriteSeam* Seam)
    : FTarget(std::move(Target)), FTempPath(TemporaryFileName(FTarget, GetCurrentProcessId())), FSeam(Seam) {
    FFile.Reset(CreateFileW(WStr(FTempPath), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const DWORD error = GetLastError();
    After(u"CreateFileW", FTempPath);
    if (!FFile.Valid()) {
        RaiseOSError(error, u"Cannot create '" + FTempPath + u"'");
    }
}

TAtomicFileWriter::~TAtomicFileWriter() {
    if (!FCommitted) {
        Discard();
    }
}

void TAtomicFileWriter::Raise(DWORD Error, const char16_t* Action) const {
    RaiseOSError(Error, Action + FTarget + u"'");
}

void TAtomicFileWriter::Discard() noexcept {
    if (FFile.Valid()) {
        FFile.Reset();
        After(u"CloseHandle", FTempPath);
    }
    DeleteFileW(WStr(FTempPath));
    After(u"DeleteFileW", FTempPath);
}

void TAtomicFileWriter::Write(const void* Data, size_t Size) {
    const auto* bytes = static_cast<const uint8_t*>(Data);
    while (Size > 0) {
        const DWORD part = static_cast<DWORD>(Size < ChunkSize ? Size : ChunkSize);
        DWORD written = 0;
        const bool done = WriteFile(FFile.Get(), bytes, part, &written, nullptr) && written == part;
        const DWORD error = GetLastError();
        After(u"WriteFile", FTempPath);
        if (!done) {
            Raise(error, u"Cannot write '");
        }
        bytes += part;
        Size -= part;
        FWritten += part;
        if (OnProgress) {
            OnProgress(FWritten);
        }
    }
}

void TAtomicFileWriter::Flush() {
    const BOOL flushed = FlushFileBuffers(FFile.Get());
    const DWORD error = GetLastError();
    After(u"FlushFileBuffers", FTempPath);
    if (!flushed) {
        Raise(error, u"Cannot write '");
    }
    FFile.Reset();
    After(u"CloseHandle", FTempPath);
}

void TAtomicFileWriter::RetryWhileHeld(DWORD Error, int Attempt) {
    if (!IsHeldError(Error) || Attempt >= RetryCount) {
        Raise(Error, u"Cannot replace '");
    }
    Sleep(RetryDelayMs);
}

DWORD TAtomicFileWriter::ProbeTarget() {
    // Write access is what a running program's image refuses; renaming alone would succeed
    // under it and leave the program running from a file that is no longer the product.
    TScopedHandle target(CreateFileW(WStr(FTarget), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = target.Valid() ? ERROR_SUCCESS : GetLastError();
    After(u"CreateFileW", FTarget);
    if (target.Valid()) {
        // Closed before the rename, which a handle of ours would make fail.
        target.Reset();
        After(u"CloseHandle", FTarget);
    }
    return error;
}

bool TAtomicFileWriter::Swap(DWORD& Error) {
    const BOOL moved =
        MoveFileExW(WStr(FTempPath), WStr(FTarget), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    Error = moved ? ERROR_SUCCESS : GetLastError();
    After(u"MoveFileExW", FTarget);
    return moved;
}

DWORD TAtomicFileWriter::LinkOldFile(const std::u16string& Backup) {
    const BOOL linked = FSeam && FSeam->CreateHardLink
                            ? FSeam->CreateHardLink(WStr(Backup), WStr(FTarget))
                            : CreateHardLinkW(WStr(Backup), WStr(FTarget), nullptr);
    const DWORD error = linked ? ERROR_SUCCESS : GetLastError();
    After(u"CreateHardLinkW", Backup);
    return error;
}

void TAtomicFileWriter::KeepOldFile(const std::u16string& Backup) {
    DWORD error = LinkOldFile(Backup);
    if (error == ERROR_ALREADY_EXISTS) {
        // The leftover of an earlier run that had this process's id: it is ours by its name.
        DeleteFileW(WStr(Backup));
        After(u"DeleteFileW", Backup);
        error = LinkOldFile(Backup);
    }
    if (error == ERROR_SUCCESS) {
        return;
    }
    if (!IsNoHardLinkError(error)) {
        Raise(error, u"Cannot keep the old '");
    }
    CopyOldFile(Backup);
}

void TAtomicFileWriter::CopyOldFile(const std::u16string& Backup) {
    const BOOL copied = CopyFileW(WStr(FTarget), WStr(Backup), FALSE);
    DWORD error = copied ? ERROR_SUCCESS : GetLastError();
    After(u"CopyFileW", Backup);
    if (copied && (error = FlushFile(Backup, FSeam)) == ERROR_SUCCESS) {
        return;
    }
    // Until it is complete and on the disk the copy is only a leftover: the old file is still
    // under the target's name.
    DeleteFileW(WStr(Backup));
    After(u"DeleteFileW", Backup);
    Raise(error, u"Cannot keep the old '");
}

bool TAtomicFileWriter::Commit(const std::u16string& Backup) {
    Flush();
    bool kept = false;
    try {
        for (int attempt = 1;; ++attempt) {
            DWORD error = Backup.empty() ? ERROR_FILE_NOT_FOUND : ProbeTarget();
            if (error == ERROR_SUCCESS && !kept) {
                KeepOldFile(Backup);
                kept = true;
            }
            if ((error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND) && Swap(error)) {
                FCommitted = true;
                return kept;
            }
            RetryWhileHeld(error, attempt);
        }
    } catch (...) {
        if (kept) {
            DeleteFileW(WStr(Backup));
            After(u"DeleteFileW", Backup);
        }
        throw;
    }
}

void WriteFileAtomically(const std::u16string& Target, const void* Data, size_t Size,
                         const TAtomicFileWriter::TProgress& OnProgress, const TWriteSeam* Seam) {
    TAtomicFileWriter writer(Target, Seam);
    writer.OnProgress = OnProgress;
    writer.Write(Data, Size);
    writer.Commit();
}

uint64_t CopyFileInto(const std::u16string& Source, TAtomicFileWriter& Writer) {
    TScopedHandle source(CreateFileW(WStr(Source), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source.Valid()) {
        RaiseLastOSError(u"Cannot read '" + Source + u"'");
    }
    std::vector<uint8_t> buffer(ChunkSize);
    uint64_t total = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            RaiseLastOSError(u"Cannot read '" + Source + u"'");
        }
        if (read == 0) {
            return total;
        }
        Writer.Write(buffer.data(), read);
        total += read;
    }
}

uint64_t CopyFileAtomically(const std::u16string& Source, const std::u16string& Target) {
    TAtomicFileWriter writer(Target);
    const uint64_t total = CopyFileInto(Source, writer);
    writer.Commit();
    return total;
}

std::optional<TFileIdentity> FileIdentityOf(const std::u16string& Path) noexcept {
    const TScopedHandle file(CreateFileW(WStr(Path), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info)) {
        return std::nullopt;
    }
    return TFileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool IsSameFile(const std::u16string& A, const std::u16string& B) noexcept {
    const std::optional<TFileIdentity> a = FileIdentityOf(A);
    return a && a == FileIdentityOf(B);
}
