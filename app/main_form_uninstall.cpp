// The uninstall branch of the action button: the web notification in the background, the
// 100 ms poll that waits for it, the removal of shortcuts and registry entries, and the
// delayed deletion that the command interpreter carries out after the installer has exited.
#include "app/main_form.h"

#include <shellapi.h>

#include "app/application.h"
#include "ucl/animation.h"
#include "ucl/timer.h"
#include "utils/common.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/folder_deletion.h"
#include "utils/known_folders.h"
#include "utils/properties.h"
#include "utils/rest.h"
#include "utils/win32.h"

namespace {

constexpr uint32_t UninstallPollInterval = 100;
constexpr uint32_t LoaderFrameInterval = 14;

// The interpreter waits before it deletes, so the installer's own executable is no longer in
// use by then; nothing waits for it or looks at its result.
void RunHiddenCommand(const std::u16string& Parameters) {
    ShellExecuteW(nullptr, L"open", L"cmd.exe", WStr(Parameters), nullptr, SW_HIDE);
}

void DeleteExistingFile(const std::u16string& Path) {
    if (FileExists(Path) && !DeleteFileW(WStr(Path))) {
        RaiseLastOSError(u"Cannot delete '" + Path + u"'");
    }
}

bool IsEmptyFolder(const std::u16string& Folder) {
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW(WStr(Folder + u"\\*"), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool empty = true;
    do {
        const std::u16string name = U16(found.cFileName);
        if (name != u"." && name != u"..") {
            empty = false;
        }
    } while (empty && FindNextFileW(search, &found));
    FindClose(search);
    return empty;
}

bool HoldsInstallation(const std::u16string& Folder) {
    return FileExists(Folder + u"\\" + InstallerExeName) || FileExists(Folder + u"\\" + ProductExeName);
}

// The folder as written and, when it exists, as the platform resolves it: both must pass,
// so that neither another spelling nor a link can smuggle in a folder that must stay.
bool MayDeleteFolderTree(const std::u16string& Folder) {
    const bool holds = HoldsInstallation(Folder);
    const std::vector<std::u16string> known = KnownFolderPaths();
    if (FolderDeletionRefusal(Folder, holds, known, PlatformUpperCase) != TDeletionRefusal::drNone) {
        return false;
    }
    const std::u16string final = FinalPath(Folder);
    return final.empty() ||
           FolderDeletionRefusal(final, holds, known, PlatformUpperCase) == TDeletionRefusal::drNone;
}

} // namespace

void TMainForm::CreateUninstallControls() {
    UninstallTimer = std::make_unique<TTimer>(UninstallPollInterval,
                                              [this](TObject* Sender) { UninstallTimerTimer(Sender); });
    UninstallLoader = std::make_unique<TAnimation>(Handle());
    UninstallLoader->SetFrameWidth(24);
    UninstallLoader->SetFrameCount(36);
}

void TMainForm::StartUninstall() {
    UninstallLoader->Start(LoaderFrameInterval);
    UninstallTimer->SetEnabled(true);
    RestApi->SendUninstallRequest();
}

void TMainForm::UninstallTimerTimer(TObject*) {
    if (!UninstallRequestFinished) {
        return;
    }
    UninstallTimer->SetEnabled(false);
    try {
        DeleteShortcuts();
    } catch (const EError& e) {
        // The remaining steps are skipped. A silent run has no window to stay open for, so
        // it ends with the error code instead of waiting for ever.
        if (SilentMode || VerySilentMode) {
            FApplication.ExitCode = 1;
            FApplication.Terminate();
        } else {
            // The window stays open with the error and the action can be started again.
            UninstallLoader->Stop();
            ActionInProgress = false;
            ShowError(e.Message(), InstallerExeName);
        }
        return;
    }
    Properties->DeleteProgramsListKey();
    const std::u16string folder = DestinationFolder();
    if (DeleteDataChecked()) {
        Properties->DeleteSoftwareAppKey();
        DeleteFolderTimeout(folder);
    } else {
        DeleteExeFilesTimeout(folder);
    }
    FApplication.Terminate();
}

void TMainForm::DeleteShortcuts() {
    DeleteExistingFile(GetDesktopFolder(Handle()) + u"\\" + ShortcutFileName);
    const std::u16string menuFolder = GetAppDataFolder() + StartMenuProgramsSuffix + MakerName;
    DeleteExistingFile(menuFolder + u"\\" + ShortcutFileName);
    if (DirectoryExists(menuFolder) && IsEmptyFolder(menuFolder)) {
        RemoveDirectoryW(WStr(menuFolder));
    }
}

void TMainForm::DeleteFolderTimeout(const std::u16string& DestFolder) {
    // A folder that is not plainly this installation's own loses only the executables, as
    // without the option: a recursive deletion of the wrong folder cannot be undone.
    if (!MayDeleteFolderTree(DestFolder)) {
        DeleteExeFilesTimeout(DestFolder);
        return;
    }
    RunHiddenCommand(DeleteFolderCommand(DestFolder));
}

void TMainForm::DeleteExeFilesTimeout(const std::u16string& DestFolder) {
    for (const std::u16string& command : DeleteExeFilesCommands(DestFolder)) {
        RunHiddenCommand(command);
    }
}
