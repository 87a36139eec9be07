// An install or update as one step for what the installer itself writes: the two files, the
// Programs-list entry, the installation source and the shortcuts. Every change is recorded
// before it is made; unless Commit is reached, the transaction puts back what was there (old
// files byte for byte, old registry values) and removes what it created (new files, folders,
// keys), newest first. Old files stay on disk, moved aside, until Commit deletes them.
//
// A process that is killed cannot roll back; it leaves complete files under every final name
// and its temporary files beside them, which RemoveWriteLeftovers clears on the next run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "utils/atomic_file_writer.h"

class TInstallTransaction {
public:
    TInstallTransaction() = default;
    TInstallTransaction(const TInstallTransaction&) = delete;
    TInstallTransaction& operator=(const TInstallTransaction&) = delete;
    // Rolls back unless committed.
    ~TInstallTransaction();

    // Creates Folder with its missing parents; raises EError with the platform's message.
    void CreateFolders(const std::u16string& Folder);
    // Writes Target through Write into a temporary file beside it and puts that in place; an
    // existing Target is kept aside until Commit.
    void ReplaceFile(const std::u16string& Target, const std::function<void(TAtomicFileWriter&)>& Write);
    // Remembers the registry value Name of Key (below HKEY_CURRENT_USER) as it is now, and the
    // keys on its path that do not exist yet, before the caller writes it.
    void RememberRegValue(const std::u16string& Key, const std::u16string& Name);
    // Remembers a small file (a shortcut) as it is now, before the caller writes it.
    void RememberFile(const std::u16string& Path);

    // Keeps everything: the kept-aside old files are deleted.
    void Commit() noexcept;
    // Puts back what was there; also done by the destructor unless committed.
    void Rollback() noexcept;

    // Told each step as it is done or undone, for the run's log.
    std::function<void(const std::u16string& Text)> OnLog;

private:
    void Log(const std::u16string& Text) const noexcept;

    std::vector<std::function<void()>> FUndo;
    std::vector<std::u16string> FBackups;
    // Registry keys this transaction creates; their values need no remembering.
    std::vector<std::u16string> FNewKeys;
    bool FDone = false;
};

// Clears what interrupted replacements of Names left in Folder: temporary files are deleted;
// a kept-aside old file is put back when its target is missing and deleted otherwise. Files of
// processes that are still running are left alone.
void RemoveWriteLeftovers(const std::u16string& Folder,
                          std::initializer_list<std::u16string_view> Names) noexcept;
