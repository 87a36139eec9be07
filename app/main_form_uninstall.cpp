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
#include "utils/install_transaction.h"
#include "utils/known_folders.h"
#include "utils/paths.h"
#include "utils/properties.h"
#include "utils/rest.h"
#include "utils/strings.h"
#include "utils/win32.h"

namespace {

// However the network behaves, the removal starts this long after the press; a notification
// still running then is abandoned.
constexpr uint64_t UninstallNotificationLimitMs = 15000;

std::u16string SystemFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? U16(buffer, length) : std::u16string();
}

// The interpreter waits before it deletes, so the installer's own executable is no longer in
// use by then; nothing waits for it or looks at its result. The folder reaches it only
// through the environment; it runs from the system folder, by full path, so that neither a
// planted cmd.exe nor the folder being deleted is ever its working folder.
void RunHiddenCommand(const std::u16string& Parameters, const std::u16string& Folder) {
    const std::u16string system = SystemFolder();
    const std::u16string value = DeletionFolderValue(Folder);
    if (system.empty() || value.empty() ||
        !SetEnvironmentVariableW(WStr(DeletionFolderVariable), WStr(value))) {
        return;
    }
    ShellExecuteW(nullptr, L"open", WStr(system + u"\\cmd.exe"), WStr(Parameters), WStr(system), SW_HIDE);
}

// A file as the install wrote it: not a folder and not a link to somewhere else.
bool IsPlainFile(const std::u16string& Path) {
    const DWORD attributes = GetFileAttributesW(WStr(Path));
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// True when there was a file to delete.
bool DeleteExistingFile(const std::u16string& Path) {
    if (!FileExists(Path)) {
        return false;
    }
    if (!DeleteFileW(WStr(Path))) {
        RaiseLastOSError(u"Cannot delete '" + Path + u"'");
    }
    return true;
}

bool HoldsInstallation(const std::u16string& Folder) {
    return FileExists(JoinPath(Folder, InstallerExeName)) || FileExists(JoinPath(Folder, ProductExeName));
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

void TMainForm::StartUninstall() {
    Log(u"Uninstall started; notifying the web API");
    FUninstallStarted = GetTickCount64();
    if (UninstallLoader) {
        UninstallLoader->Start(LoaderFrameInterval);
    }
    UninstallTimer->SetEnabled(true);
    RestApi->SendUninstallRequest();
}

void TMainForm::UninstallTimerTimer(TObject*) {
    if (!UninstallRequestFinished && GetTickCount64() - FUninstallStarted < UninstallNotificationLimitMs) {
        return;
    }
    UninstallTimer->SetEnabled(false);
    Log(u"Web notification: " + (UninstallRequestFinished ? RestApi->Outcome() : u"abandoned after 15 s"));
    try {
        DeleteShortcuts();
    } catch (const EError& e) {
        Log(u"Error: " + e.Message());
        // The remaining steps are skipped. A silent run has no window to stay open for, so
        // it ends with the error code instead of waiting for ever.
        if (SilentMode || VerySilentMode) {
            FApplication.ExitCode = 1;
            FApplication.Terminate();
        } else {
            // The window stays open with the error and the action can be started again.
            if (UninstallLoader) {
                UninstallLoader->Stop();
            }
            ActionInProgress = false;
            ShowError(e.Message(), InstallerExeName);
        }
        return;
    }
    Properties->DeleteProgramsListKey();
    Log(std::u16string(u"Registry: removed the Programs-list entry HKCU\\") + ProgramsListKey);
    if (DeleteDataChecked()) {
        Properties->DeleteSoftwareAppKey();
        Log(u"Registry: removed HKCU\\" + Properties->AppKey);
    }
    // Without a folder on disk there is nothing to delete there.
    if (!FActionFolder.empty()) {
        RemoveWriteLeftovers(FActionFolder, {ProductExeName, InstallerExeName});
        if (DeleteDataChecked()) {
            DeleteFolderTimeout(FActionFolder);
        } else {
            DeleteExeFilesTimeout(FActionFolder);
        }
    }
    FApplication.Terminate();
}

void TMainForm::DeleteShortcuts() {
    // A shell folder the platform cannot tell would point at the root of a drive, where a
    // file of that name is not this installation's.
    const std::u16string desktop = GetDesktopFolder(Handle());
    if (!desktop.empty()) {
        if (DeleteExistingFile(JoinPath(desktop, ShortcutFileName))) {
            Log(u"Removed the shortcut " + JoinPath(desktop, ShortcutFileName));
        }
    }
    const std::u16string appData = GetAppDataFolder();
    if (appData.empty()) {
        return;
    }
    const std::u16string menuFolder = appData + StartMenuProgramsSuffix + MakerName;
    if (DeleteExistingFile(JoinPath(menuFolder, ShortcutFileName))) {
        Log(u"Removed the shortcut " + JoinPath(menuFolder, ShortcutFileName));
    }
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
    RunHiddenCommand(DeleteFolderCommand(), DestFolder);
    Log(u"Scheduled the deletion of the folder " + DestFolder + u" after 1 s");
}

void TMainForm::DeleteExeFilesTimeout(const std::u16string& DestFolder) {
    const std::array<std::u16string, 2> commands = DeleteExeFilesCommands();
    const std::u16string names[] = {ProductExeName, InstallerExeName};
    for (size_t i = 0; i < commands.size(); ++i) {
        // A folder or link in the place of an executable is not this installation's to delete.
        if (IsPlainFile(JoinPath(DestFolder, names[i]))) {
            RunHiddenCommand(commands[i], DestFolder);
            Log(u"Scheduled the deletion of " + JoinPath(DestFolder, names[i]) + u" after " +
                IntToStr(long(i + 1)) + u" s");
        }
    }
}
