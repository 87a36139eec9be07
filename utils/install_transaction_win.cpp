#include "utils/install_transaction_win.h"

#include <algorithm>
#include <optional>

#include "utils/file_system_win.h"
#include "utils/exception.h"
#include "utils/paths.h"
#include "utils/registry_win.h"
#include "utils/strings.h"
#include "utils/text_win.h"
#include "utils/os_error_win.h"
#include "utils/handles_win.h"
#include "utils/write_names.h"

namespace {

// Raises EError with the reason when the old value cannot be written back or the new one
// removed.
void RestoreRegValue(const std::u16string& key, const std::u16string& name,
                     const std::optional<TRegData>& old) {
    TRegistryKey handle = TRegistryKey::Open(key, KEY_SET_VALUE);
    if (!handle.Valid()) {
        throw EError(u"the key is gone");
    }
    if (old) {
        handle.Write(name, old->Type, old->Bytes.data(), old->Bytes.size());
        return;
    }
    const LSTATUS status = handle.DeleteValue(name);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        throw EError(SysErrorMessage(DWORD(status)));
    }
}

// The keys of Key's path ("A", "A\B", …) that do not exist yet, outermost first.
std::vector<std::u16string> MissingKeys(const std::u16string& Key) {
    std::vector<std::u16string> missing;
    size_t pos = 0;
    while (pos <= Key.size()) {
        size_t end = Key.find(u'\\', pos);
        if (end == std::u16string::npos) {
            end = Key.size();
        }
        if (end > pos) {
            const std::u16string prefix = Key.substr(0, end);
            if (!missing.empty() || !RegKeyExists(prefix)) {
                missing.push_back(prefix);
            }
        }
        pos = end + 1;
    }
    return missing;
}

// Folder and each of its parents below the root, outermost first; the text itself when it
// names no folder below a root, for ForceDirectories to accept or refuse.
std::vector<std::u16string> FolderLevels(const std::u16string& Folder) {
    std::vector<std::u16string> levels = PathLevels(Folder);
    if (levels.empty()) {
        levels.push_back(Folder);
    }
    return levels;
}

// Deletes a temporary or kept file beside Target, read-only or not; ERROR_SUCCESS or the error
// that kept it. Until its target has taken the new file, a kept file is a second name of the
// target's own file and shares its attributes: the target keeps the read-only one it had.
DWORD DeleteLeftover(const std::u16string& Path, const std::u16string& Target, const TWriteSeam* Seam) {
    const DWORD attributes = GetFileAttributesW(WStr(Path));
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    const bool shared = readOnly && IsSameFile(Path, Target);
    if (readOnly) {
        SetFileAttributesW(WStr(Path), attributes & ~FILE_ATTRIBUTE_READONLY);
        AfterCall(Seam, u"SetFileAttributesW", Path);
    }
    const BOOL deleted = DeleteFileW(WStr(Path));
    const DWORD error = deleted ? ERROR_SUCCESS : GetLastError();
    AfterCall(Seam, u"DeleteFileW", Path);
    if (readOnly && (shared || !deleted)) {
        const std::u16string& holder = deleted ? Target : Path;
        SetFileAttributesW(WStr(holder), attributes);
        AfterCall(Seam, u"SetFileAttributesW", holder);
    }
    return error;
}

bool ProcessIsRunning(uint32_t id) {
    if (id == GetCurrentProcessId()) {
        return true;
    }
    TScopedHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    return process.Valid() && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

} // namespace

TInstallTransaction::~TInstallTransaction() {
    Rollback();
}

void TInstallTransaction::Log(const std::u16string& Text) const noexcept {
    if (OnLog) {
        try {
            OnLog(Text);
        } catch (...) {
        }
    }
}

void TInstallTransaction::CreateFolders(const std::u16string& Folder) {
    for (const std::u16string& level : FolderLevels(Folder)) {
        CreateFolder(level);
    }
}

void TInstallTransaction::CreateFolder(const std::u16string& Folder) {
    // Its parent exists: at most this one folder is made, and recorded before the next.
    for (const std::u16string& folder : ForceDirectories(Folder)) {
        After(u"CreateDirectoryW", folder);
        Log(u"Created the folder " + folder);
        // Removed only while empty: whatever someone else put there stays.
        FUndo.push_back([this, folder] {
            const BOOL removed = RemoveDirectoryW(WStr(folder));
            const DWORD error = GetLastError();
            After(u"RemoveDirectoryW", folder);
            if (removed) {
                Log(u"Removed the folder " + folder);
            } else if (error == ERROR_DIR_NOT_EMPTY) {
                Log(u"Kept the folder " + folder + u": it holds files that are not this run's");
            } else {
                Log(u"Cannot remove the folder " + folder + u": " + SysErrorMessage(error));
            }
        });
    }
}

void TInstallTransaction::ReplaceFile(const std::u16string& Target,
                                      const std::function<void(TAtomicFileWriter&)>& Write) {
    TAtomicFileWriter writer(Target, &Seam);
    Write(writer);
    const std::u16string backup = BackupFileName(Target, GetCurrentProcessId());
    if (writer.Commit(backup)) {
        Log(u"Wrote " + Target + u" (the old file kept as " + backup + u" until the end)");
        FBackups.push_back(backup);
        FUndo.push_back([this, Target, backup] {
            // One rename: the name holds the new file until it holds the old one again.
            const BOOL moved =
                MoveFileExW(WStr(backup), WStr(Target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
            const DWORD error = GetLastError();
            After(u"MoveFileExW", Target);
            Log(moved ? u"Restored the old " + Target
                      : u"Cannot restore the old " + Target + u": " + SysErrorMessage(error));
        });
    } else {
        Log(u"Wrote " + Target);
        FUndo.push_back([this, Target] {
            const BOOL deleted = DeleteFileW(WStr(Target));
            const DWORD error = GetLastError();
            After(u"DeleteFileW", Target);
            Log(deleted ? u"Removed " + Target : u"Cannot remove " + Target + u": " + SysErrorMessage(error));
        });
    }
}

void TInstallTransaction::RememberRegValue(const std::u16string& Key, const std::u16string& Name) {
    if (std::find(FNewKeys.begin(), FNewKeys.end(), Key) != FNewKeys.end()) {
        return; // a new key holds no old values
    }
    const std::vector<std::u16string> missing = MissingKeys(Key);
    if (!missing.empty()) {
        FNewKeys.push_back(Key);
        // Deleted innermost first and never with what lies below them: a key that someone
        // else filled in the meantime stays.
        FUndo.push_back([this, missing] {
            for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
                const LSTATUS status = RegDeleteKeyW(HKEY_CURRENT_USER, WStr(*it));
                if (status == ERROR_SUCCESS) {
                    Log(u"Registry: removed the key HKCU\\" + *it);
                } else if (status != ERROR_FILE_NOT_FOUND) {
                    Log(u"Registry: kept the key HKCU\\" + *it + u": " + SysErrorMessage(DWORD(status)));
                }
            }
        });
        return;
    }
    std::optional<TRegData> old = TRegistryKey::Open(Key, KEY_QUERY_VALUE).Read(Name);
    FUndo.push_back([this, Key, Name, old] {
        const std::u16string value = u"HKCU\\" + Key + u" value " + Name;
        try {
            RestoreRegValue(Key, Name, old);
            Log(u"Registry: restored " + value);
        } catch (const EError& e) {
            Log(u"Registry: cannot restore " + value + u": " + e.Message());
        }
    });
}

void TInstallTransaction::RememberFile(const std::u16string& Path) {
    std::optional<std::vector<uint8_t>> old;
    if (FileExists(Path)) {
        try {
            old = ReadWholeFile(Path);
            After(u"ReadWholeFile", Path);
        } catch (const EError&) {
            return; // what cannot be read cannot be put back; the file is left as it will be
        }
    }
    FUndo.push_back([this, Path, old] {
        if (old) {
            // Written beside it and renamed onto it, like any new file: a stop half-way leaves
            // the complete link of this run under its name, never one cut short.
            try {
                WriteFileAtomically(Path, old->data(), old->size(), {}, &Seam);
                Log(u"Restored " + Path);
            } catch (const EError& e) {
                Log(u"Cannot restore " + Path + u": " + e.Message());
            }
            return;
        }
        const BOOL deleted = DeleteFileW(WStr(Path));
        const DWORD error = GetLastError();
        After(u"DeleteFileW", Path);
        // A link this run never managed to write was not there to remove.
        if (deleted) {
            Log(u"Removed " + Path);
        } else if (error != ERROR_FILE_NOT_FOUND) {
            Log(u"Cannot remove " + Path + u": " + SysErrorMessage(error));
        }
    });
}

DWORD TInstallTransaction::SaveFile(const std::u16string& Path,
                                    const std::function<void(const std::u16string& Temporary)>& Save) {
    RememberFile(Path);
    const std::u16string temporary = TemporaryFileName(Path, GetCurrentProcessId());
    const auto discard = [&] {
        DeleteFileW(WStr(temporary));
        After(u"DeleteFileW", temporary);
    };
    try {
        Save(temporary);
    } catch (...) {
        After(u"Save", temporary);
        discard();
        throw;
    }
    After(u"Save", temporary);
    DWORD error = FlushFile(temporary, &Seam);
    if (error == ERROR_SUCCESS) {
        const BOOL moved =
            MoveFileExW(WStr(temporary), WStr(Path), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        error = moved ? ERROR_SUCCESS : GetLastError();
        After(u"MoveFileExW", Path);
    }
    if (error != ERROR_SUCCESS) {
        discard();
    }
    return error;
}

void TInstallTransaction::Commit() noexcept {
    FDone = true;
    FUndo.clear();
    for (const std::u16string& backup : FBackups) {
        // The rename has parted it from its target: it is the old file's one name.
        const DWORD error = DeleteLeftover(backup, {}, &Seam);
        if (error != ERROR_SUCCESS) {
            try {
                Log(u"Cannot delete " + backup + u" (" + SysErrorMessage(error) +
                    u"); the next run removes it");
            } catch (...) {
            }
        }
    }
}

void TInstallTransaction::Rollback() noexcept {
    if (FDone) {
        return;
    }
    FDone = true;
    if (!FUndo.empty()) {
        Log(u"Putting back what was there before this run");
    }
    for (auto it = FUndo.rbegin(); it != FUndo.rend(); ++it) {
        try {
            (*it)();
        } catch (...) {
            // Putting back goes on with the next step; one that fails leaves its part as it is.
        }
    }
    FUndo.clear();
}

void RemoveWriteLeftovers(const std::u16string& Folder,
                          std::initializer_list<std::u16string_view> Names) noexcept {
    try {
        for (const std::u16string& name : ListFolderFiles(Folder)) {
            const auto leftover = ParseWriteLeftover(name, Names);
            if (!leftover || ProcessIsRunning(leftover->ProcessId)) {
                continue;
            }
            const std::u16string path = Folder + u"\\" + name;
            const std::u16string target = Folder + u"\\" + leftover->Target;
            // A kept old file is complete, and the one copy of the old file when its target is
            // missing; never put back over a target, which holds a complete file too.
            if (leftover->Backup && !FileExists(target) &&
                MoveFileExW(WStr(path), WStr(target), MOVEFILE_WRITE_THROUGH)) {
                continue;
            }
            DeleteLeftover(path, target, nullptr);
        }
    } catch (...) {
        // Clearing up is a courtesy; the install goes on without it.
    }
}
