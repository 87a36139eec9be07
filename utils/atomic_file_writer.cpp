#include "utils/atomic_file_writer.h"

#include <algorithm>
#include <vector>

#include "utils/exception.h"
#include "utils/strings.h"
#include "utils/write_names.h"

namespace {

constexpr size_t ChunkSize = 1 << 20;

// Errors that mean another process still has the target open or mapped.
bool IsHeldError(DWORD error) noexcept {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
           error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

} // namespace

TAtomicFileWriter::TAtomicFileWriter(std::u16string Target)
    : FTarget(std::move(Target)), FTempPath(TemporaryFileName(FTarget, GetCurrentProcessId())) {
    FFile.Reset(CreateFileW(WStr(FTempPath), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!FFile.Valid()) {
        RaiseLastOSError(u"Cannot create '" + FTempPath + u"'");
    }
}

TAtomicFileWriter::~TAtomicFileWriter() {
    if (!FCommitted) {
        Discard();
    }
}

void TAtomicFileWriter::Discard() noexcept {
    FFile.Reset();
    DeleteFileW(WStr(FTempPath));
}

void TAtomicFileWriter::Write(const void* Data, size_t Size) {
    const auto* bytes = static_cast<const uint8_t*>(Data);
    while (Size > 0) {
        const DWORD part = static_cast<DWORD>(Size < ChunkSize ? Size : ChunkSize);
        DWORD written = 0;
        if (!WriteFile(FFile.Get(), bytes, part, &written, nullptr) || written != part) {
            RaiseLastOSError(u"Cannot write '" + FTarget + u"'");
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
    if (!FlushFileBuffers(FFile.Get())) {
        RaiseLastOSError(u"Cannot write '" + FTarget + u"'");
    }
    FFile.Reset();
}

void TAtomicFileWriter::RetryWhileHeld(DWORD Error, int Attempt) {
    if (!IsHeldError(Error) || Attempt >= RetryCount) {
        RaiseOSError(Error, u"Cannot replace '" + FTarget + u"'");
    }
    Sleep(RetryDelayMs);
}

bool TAtomicFileWriter::MoveTargetAside(const std::u16string& Backup) {
    for (int attempt = 1;; ++attempt) {
        // Write access is what a running program's image refuses; renaming alone would
        // succeed under it and leave the program running from the kept-aside file.
        TScopedHandle target(CreateFileW(WStr(FTarget), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (target.Valid()) {
            // Renamed through the same handle, so nothing can take hold of it in between.
            std::vector<uint8_t> buffer(sizeof(FILE_RENAME_INFO) + (Backup.size() + 1) * sizeof(wchar_t));
            auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
            rename->ReplaceIfExists = TRUE;
            rename->RootDirectory = nullptr;
            rename->FileNameLength = static_cast<DWORD>(Backup.size() * sizeof(wchar_t));
            std::copy(Backup.begin(), Backup.end(), reinterpret_cast<char16_t*>(rename->FileName));
            if (!SetFileInformationByHandle(target.Get(), FileRenameInfo, rename,
                                            static_cast<DWORD>(buffer.size()))) {
                RaiseLastOSError(u"Cannot replace '" + FTarget + u"'");
            }
            return true;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            return false;
        }
        RetryWhileHeld(error, attempt);
    }
}

bool TAtomicFileWriter::Commit(const std::u16string& Backup) {
    Flush();
    if (!Backup.empty()) {
        const bool movedAside = MoveTargetAside(Backup);
        if (!MoveFileExW(WStr(FTempPath), WStr(FTarget), MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = GetLastError();
            if (movedAside) {
                MoveFileExW(WStr(Backup), WStr(FTarget), MOVEFILE_WRITE_THROUGH);
            }
            RaiseOSError(error, u"Cannot replace '" + FTarget + u"'");
        }
        FCommitted = true;
        return movedAside;
    }
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(WStr(FTempPath), WStr(FTarget), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            FCommitted = true;
            return false;
        }
        RetryWhileHeld(GetLastError(), attempt);
    }
}

void WriteFileAtomically(const std::u16string& Target, const void* Data, size_t Size,
                         const TAtomicFileWriter::TProgress& OnProgress) {
    TAtomicFileWriter writer(Target);
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

bool IsSameFile(const std::u16string& A, const std::u16string& B) noexcept {
    auto identify = [](const std::u16string& path, BY_HANDLE_FILE_INFORMATION& info) {
        TScopedHandle file(CreateFileW(WStr(path), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file.Valid() && GetFileInformationByHandle(file.Get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return identify(A, a) && identify(B, b) && a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}
