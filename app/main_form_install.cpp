// The action button of the main window: the access probe, closing a running product, and the
// install and update steps. The uninstall branch continues in main_form_uninstall.cpp.
#include "app/main_form.h"

#include <shellapi.h>

#include "app/application.h"
#include "utils/atomic_file_writer.h"
#include "utils/common.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/install_transaction.h"
#include "utils/paths.h"
#include "utils/properties.h"
#include "utils/strings.h"
#include "utils/win32.h"

bool TMainForm::ProbeActionFolder() {
    FActionFolder = NormalizedFullPath(DestinationFolder());
    // An uninstall never creates folders: a folder that is gone (a removed drive, a folder
    // deleted by hand) or was never recorded as a full path leaves only the shortcuts and
    // entries to remove.
    if (RunMode == u"Uninstall" && (FActionFolder.empty() || !DirectoryExists(FActionFolder))) {
        Log(u"The folder '" + DestinationFolder() + u"' is not on disk: nothing there to delete");
        FActionFolder.clear();
        return true;
    }
    const bool access = HasWriteAccess(FActionFolder);
    Log(u"Access probe of '" + (FActionFolder.empty() ? DestinationFolder() : FActionFolder) + u"': " +
        (access                  ? u"writable"
         : FActionFolder.empty() ? u"not a full path"
                                 : u"not writable"));
    return access;
}

void TMainForm::ActionButtonClick(TObject*) {
    if (ActionInProgress) {
        return;
    }
    ActionInProgress = true;

    const std::u16string source = GetBooleanParam(u"/store") ? u"Store" : u"Website";
    const bool silent = SilentMode || VerySilentMode;

    if (!ProbeActionFolder()) {
        if (silent) {
            FApplication.ExitCode = 2;
            FApplication.Terminate();
        } else {
            ShowError(u"Access is denied.\r\n" + DestinationFolder(), u"Access is denied");
        }
        ActionInProgress = false;
        return;
    }

    try {
        CloseProductWindows();
        if (RunMode == u"Install" || RunMode == u"Update") {
            const bool updateMode = RunMode == u"Update";
            Install(JoinPath(FActionFolder, ProductExeName), FActionFolder, source, updateMode);
            if (RunAfterChecked() && !VerySilentMode) {
                RunProduct(FActionFolder, updateMode);
            }
            FApplication.Terminate();
        } else if (RunMode == u"Uninstall") {
            StartUninstall();
        }
    } catch (const EError& e) {
        Log(u"Error: " + e.Message());
        if (silent) {
            FApplication.ExitCode = 1;
            FApplication.Terminate();
        } else {
            ShowError(e.Message(), InstallerExeName);
        }
        ActionInProgress = false;
    }
}

void TMainForm::Install(const std::u16string& AppPath, const std::u16string& DestFolder,
                        const std::u16string& InstallationSource, bool UpdateMode) {
    // Until Commit, a failure puts back what was there: an install or update either happens
    // as a whole or leaves the machine as it was.
    TInstallTransaction transaction;
    transaction.OnLog = [this](const std::u16string& Text) { Log(Text); };
    transaction.CreateFolders(DestFolder);
    RemoveWriteLeftovers(DestFolder, {ProductExeName, InstallerExeName});
    const int64_t totalSize = SaveResource(ProductResourceName, DestFolder, ProductExeName, &transaction);

    // The installer started from its own install folder (the Programs list does that, in
    // whatever letter case) must not copy itself onto itself.
    const std::u16string selfPath = GetModuleFileNameText();
    const std::u16string installerCopy = JoinPath(DestFolder, InstallerExeName);
    if (!IsSameFile(selfPath, installerCopy)) {
        transaction.ReplaceFile(installerCopy,
                                [&](TAtomicFileWriter& Writer) { CopyFileInto(selfPath, Writer); });
    }

    for (const char16_t* name : ProgramsListValueNames) {
        transaction.RememberRegValue(ProgramsListKey, name);
    }
    Properties->CreateProgramsListKey(DestFolder, totalSize);
    Log(std::u16string(u"Registry: wrote the Programs-list entry HKCU\\") + ProgramsListKey);
    if (!UpdateMode) {
        transaction.RememberRegValue(Properties->AppKey, u"InstallationSource");
        Properties->SetInstallationSource(InstallationSource);
        Log(u"Registry: wrote HKCU\\" + Properties->AppKey + u"InstallationSource = " + InstallationSource);
    }
    CreateShortcuts(transaction, AppPath, DestFolder);
    transaction.Commit();
    Log(UpdateMode ? u"Update complete" : u"Install complete");
}

void TMainForm::CreateShortcuts(TInstallTransaction& Transaction, const std::u16string& AppPath,
                                const std::u16string& DestFolder) {
    // A shell folder the platform cannot tell would put the link at the root of a drive.
    const std::u16string desktop = GetDesktopFolder(Handle());
    if (DesktopShortcutChecked() && !desktop.empty()) {
        const std::u16string link = JoinPath(desktop, ShortcutFileName);
        Transaction.RememberFile(link);
        CreateShortcut(AppPath, link, DestFolder, ProductName);
        Log(u"Shortcut: " + link);
    }
    const std::u16string appData = GetAppDataFolder();
    if (StartMenuShortcutChecked() && !appData.empty()) {
        const std::u16string menuFolder = appData + StartMenuProgramsSuffix + MakerName;
        Transaction.CreateFolders(menuFolder);
        const std::u16string link = JoinPath(menuFolder, ShortcutFileName);
        Transaction.RememberFile(link);
        CreateShortcut(AppPath, link, DestFolder, ProductName);
        Log(u"Shortcut: " + link);
    }
}

int64_t TMainForm::SaveResource(const std::u16string& ResName, const std::u16string& Path,
                                const std::u16string& FileName, TInstallTransaction* Transaction) {
    HRSRC info = FindResourceW(nullptr, WStr(ResName), RT_RCDATA);
    HGLOBAL data = info ? LoadResource(nullptr, info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) {
        throw EResNotFound(u"Resource " + ResName + u" not found");
    }
    const DWORD size = SizeofResource(nullptr, info);
    const std::u16string target = JoinPath(Path, FileName);
    // The bytes are read from the executable's file through a small buffer: taken from the
    // mapped image, every page of the product would stay in the installer's working set.
    const std::optional<uint64_t> offset = ImageFileOffset(GetModuleHandleW(nullptr), bytes, size);
    const auto write = [&](TAtomicFileWriter& Writer) {
        if (offset) {
            CopyFileRangeInto(GetModuleFileNameText(), *offset, size, Writer);
        } else {
            Writer.Write(bytes, size);
        }
    };
    if (Transaction) {
        Transaction->ReplaceFile(target, write);
    } else {
        TAtomicFileWriter writer(target);
        write(writer);
        writer.Commit();
    }
    return size;
}

void TMainForm::RunProduct(const std::u16string& DestFolder, bool UpdateMode) {
    const std::u16string path = JoinPath(DestFolder, ProductExeName);
    const std::u16string parameters = UpdateMode ? u"/updated" : u"";
    ShellExecuteW(Handle(), L"open", WStr(path), parameters.empty() ? nullptr : WStr(parameters),
                  WStr(DestFolder), SW_SHOWNORMAL);
}

void TMainForm::CloseProductWindows() {
    if (RunMode == u"Update" && (SilentMode || VerySilentMode)) {
        Sleep(500);
    }
    HWND window = FindWindowW(nullptr, WStr(ProductName));
    while (window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        Log(u"Asked a running product window to close");
        window = FindWindowExW(nullptr, window, nullptr, WStr(ProductName));
        Sleep(250);
    }
}

std::u16string TMainForm::ElevationParameters() const {
    const std::u16string mode = RunMode == u"Update"      ? u"/update"
                                : RunMode == u"Uninstall" ? u"/uninstall"
                                                          : u"/install";
    return mode + u" /dir=\"" + Trim(DestinationFolder()) + u"\"";
}

void TMainForm::RunAsAdminLabelClick(TObject*) {
    const std::u16string self = GetModuleFileNameText();
    const std::u16string parameters = ElevationParameters();
    Log(u"Restarting elevated with " + parameters);
    ShellExecuteW(Handle(), L"runas", WStr(self), WStr(parameters), nullptr, SW_SHOWNORMAL);
    FApplication.Terminate();
}
