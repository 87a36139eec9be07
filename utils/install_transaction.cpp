#include "utils/install_transaction.h"

#include <algorithm>
#include <optional>

#include "utils/common.h"
#include "utils/exception.h"
#include "utils/paths.h"
#include "utils/registry.h"
#include "utils/strings.h"
#include "utils/win32.h"
#include "utils/write_names.h"

namespace {

// Raises EError when the old value cannot be written back.
void RestoreRegValue(const std::u16string& key, const std::u16string& name,
                     const std::optional<TRegData>& old) {
    TRegistryKey handle = TRegistryKey::Open(key, KEY_SET_VALUE);
    if (!handle.Valid()) {
        return;
    }
    if (old) {
        handle.Write(name, old->Type, old->Bytes.data(), old->Bytes.size());
    } else {
        handle.DeleteValue(name);
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
    const std::vector<std::u16string> created = ForceDirectories(Folder);
    for (const std::u16string& folder : created) {
        Log(u"Created the folder " + folder);
    }
    // Removed innermost first, and only while empty: whatever someone else put there stays.
    FUndo.push_back([this, created] {
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
            if (RemoveDirectoryW(WStr(*it))) {
                Log(u"Removed the folder " + *it);
            }
        }
    });
}

void TInstallTransaction::ReplaceFile(const std::u16string& Target,
                                      const std::function<void(TAtomicFileWriter&)>& Write) {
    TAtomicFileWriter writer(Target);
    Write(writer);
    const std::u16string backup = BackupFileName(Target, GetCurrentProcessId());
    if (writer.Commit(backup)) {
        Log(u"Wrote " + Target + u" (the old file kept as " + backup + u" until the end)");
        FBackups.push_back(backup);
        FUndo.push_back([this, Target, backup] {
            DeleteFileW(WStr(Target));
            MoveFileExW(WStr(backup), WStr(Target), MOVEFILE_WRITE_THROUGH);
            Log(u"Restored the old " + Target);
        });
    } else {
        Log(u"Wrote " + Target);
        FUndo.push_back([this, Target] {
            DeleteFileW(WStr(Target));
            Log(u"Removed " + Target);
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
                if (RegDeleteKeyW(HKEY_CURRENT_USER, WStr(*it)) == ERROR_SUCCESS) {
                    Log(u"Registry: removed the key HKCU\\" + *it);
                }
            }
        });
        return;
    }
    std::optional<TRegData> old = TRegistryKey::Open(Key, KEY_QUERY_VALUE).Read(Name);
    FUndo.push_back([this, Key, Name, old] {
        RestoreRegValue(Key, Name, old);
        Log(u"Registry: restored HKCU\\" + Key + u" value " + Name);
    });
}

void TInstallTransaction::RememberFile(const std::u16string& Path) {
    std::optional<std::vector<uint8_t>> old;
    if (FileExists(Path)) {
        try {
            old = ReadWholeFile(Path);
        } catch (const EError&) {
            return; // what cannot be read cannot be put back; the file is left as it will be
        }
    }
    FUndo.push_back([this, Path, old] {
        if (old) {
            WriteWholeFile(Path, *old);
            Log(u"Restored " + Path);
        } else if (DeleteFileW(WStr(Path))) {
            Log(u"Removed " + Path);
        }
    });
}

void TInstallTransaction::Commit() noexcept {
    FDone = true;
    FUndo.clear();
    for (const std::u16string& backup : FBackups) {
        SetFileAttributesW(WStr(backup), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(WStr(backup));
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
            if (leftover->Backup && !FileExists(target) &&
                MoveFileExW(WStr(path), WStr(target), MOVEFILE_WRITE_THROUGH)) {
                continue;
            }
            SetFileAttributesW(WStr(path), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(WStr(path));
        }
    } catch (...) {
        // Clearing up is a courtesy; the install goes on without it.
    }
}
