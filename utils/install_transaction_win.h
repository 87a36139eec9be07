// An install or update as one step for what the installer itself writes: the two files, the
// Programs-list entry, the installation source and the shortcuts. Every change is recorded
// before it is made; unless Commit is reached, the transaction puts back what was there (old
// files byte for byte, old registry values) and removes what it created (new files, folders,
// keys), newest first. An old file stays on disk under a second name beside it (a hard link,
// or a copy where the volume has none) until Commit deletes it.
//
// Every file that has a final name keeps it at every moment: a new file is written under a
// temporary name and takes the final one in a single rename, and so does an old file that is
// put back. A process that is killed cannot roll back; it leaves a complete file, old or new,
// under every final name, and its temporary and kept files beside them, which
// RemoveWriteLeftovers clears on the next run.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "utils/atomic_file_writer_win.h"

class TInstallTransaction {
public:
    TInstallTransaction() = default;
    TInstallTransaction(const TInstallTransaction&) = delete;
    TInstallTransaction& operator=(const TInstallTransaction&) = delete;
    // Rolls back unless committed.
    ~TInstallTransaction();

    // Creates Folder with its missing parents, one level at a time; raises EError with the
    // platform's message.
    void CreateFolders(const std::u16string& Folder);
    // Writes Target through Write into a temporary file beside it and puts that in place; an
    // existing Target is kept beside it until Commit.
    void ReplaceFile(const std::u16string& Target, const std::function<void(TAtomicFileWriter&)>& Write);
    // Remembers the registry value Name of Key (below HKEY_CURRENT_USER) as it is now, and the
    // keys on its path that do not exist yet, before the caller writes it.
    void RememberRegValue(const std::u16string& Key, const std::u16string& Name);
    // Remembers a small file (a shortcut) as it is now, before the caller writes it.
    void RememberFile(const std::u16string& Path);
    // Remembers Path as RememberFile does, has Save write its new content to the temporary
    // name it is given, and moves that onto Path in one step. A Save that writes nothing
    // (the shell's link writer fails without saying so) leaves Path as it was; so does a
    // rename that fails. Returns ERROR_SUCCESS, or why Path was left as it was.
    DWORD SaveFile(const std::u16string& Path,
                   const std::function<void(const std::u16string& Temporary)>& Save);

    // Keeps everything: the kept old files are deleted; one that stays is logged and left to
    // the next run's clean-up.
    void Commit() noexcept;
    // Puts back what was there; also done by the destructor unless committed.
    void Rollback() noexcept;

    // Told each step as it is done or undone, for the run's log.
    std::function<void(const std::u16string& Text)> OnLog;
    // Handed to every file write as well; the installer leaves it empty.
    TWriteSeam Seam;

private:
    void Log(const std::u16string& Text) const noexcept;
    void After(std::u16string_view Call, std::u16string_view Path) const noexcept {
        AfterCall(&Seam, Call, Path);
    }
    void CreateFolder(const std::u16string& Folder);

    std::vector<std::function<void()>> FUndo;
    std::vector<std::u16string> FBackups;
    // Registry keys this transaction creates; their values need no remembering.
    std::vector<std::u16string> FNewKeys;
    bool FDone = false;
};

// Clears what interrupted replacements of Names left in Folder: temporary files are deleted;
// a kept old file is deleted when its target is there (holding the old file or the new one),
// and put back only when its target is missing (an earlier version of the installer moved
// the old file aside before putting the new one in place). Files of processes that are still
// running are left alone.
void RemoveWriteLeftovers(const std::u16string& Folder,
                          std::initializer_list<std::u16string_view> Names) noexcept;
