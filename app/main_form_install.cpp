// The action button of the main window: the access probe, closing a running product, and the
// install and update steps. The uninstall branch continues in main_form_uninstall.cpp.
#include "app/main_form.h"

#include <shellapi.h>

#include "app/application.h"
#include "utils/atomic_file_writer.h"
#include "utils/background_task.h"
#include "utils/common.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/install_transaction.h"
#include "utils/language.h"
#include "utils/paths.h"
#include "utils/product_payload.h"
#include "utils/properties.h"
#include "utils/resource_stream.h"
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
    // Every way to the action (the button, Enter in the folder field, a screen reader) is
    // closed while the button is: the agreement switch off, or a folder that is not writable.
    if (ActionInProgress || (ActionButton && !ActionButton->Enabled())) {
        return;
    }
    ActionInProgress = true;

    const std::u16string source = FOptions.Store ? u"Store" : u"Website";

    if (!ProbeActionFolder()) {
        if (SilentMode || VerySilentMode) {
            FApplication.ExitCode = 2;
            FApplication.Terminate();
        } else {
            ShowError(u"Access is denied.\r\n" + DestinationFolder(), u"Access is denied");
        }
        ActionInProgress = false;
        return;
    }

    try {
        if (RunMode == u"Install" || RunMode == u"Update") {
            const bool updateMode = RunMode == u"Update";
            // Taken here, on the window's thread: the work below runs on another.
            FDesktopShortcut = DesktopShortcutChecked();
            FStartMenuShortcut = StartMenuShortcutChecked();
            RunInBackground([&] {
                CloseProductWindows();
                Install(JoinPath(FActionFolder, ProductExeName), FActionFolder, source, updateMode);
            });
            if (RunAfterChecked() && !VerySilentMode && !FCancelRequested) {
                RunProduct(FActionFolder, updateMode);
            }
            FApplication.Terminate();
        } else if (RunMode == u"Uninstall") {
            CloseProductWindows();
            StartUninstall();
        }
    } catch (const ECancelled& e) {
        Log(e.Message());
        FApplication.Terminate();
    } catch (const EPayloadDamaged& e) {
        // What went wrong inside a damaged download means nothing to the user; what to do
        // about it does.
        ActionFailed(e.Message(), GetPhrase(u"INSTALLER_DAMAGED"));
    } catch (const EError& e) {
        ActionFailed(e.Message(), e.Message());
    }
}

void TMainForm::ActionFailed(const std::u16string& Detail, const std::u16string& Shown) {
    Log(u"Error: " + Detail);
    if (SilentMode || VerySilentMode) {
        FApplication.ExitCode = 1;
        FApplication.Terminate();
    } else {
        ShowError(Shown, InstallerExeName);
    }
    ActionInProgress = false;
}

void TMainForm::RunInBackground(const std::function<void()>& Work) {
    FCancelRequested = false;
    SetBusy(true);
    try {
        TBackgroundTask task(Work);
        FApplication.ProcessMessagesUntil(task.Handle());
        task.Rethrow();
    } catch (const EError&) {
        SetBusy(false);
        // Whatever ended it once the user had pressed Cancel (a file that stayed held, say),
        // the run ends as a cancelled one: nothing is kept, and no message is owed.
        ThrowIfCancelled();
        throw;
    } catch (...) {
        SetBusy(false);
        throw;
    }
    SetBusy(false);
}

void TMainForm::SetBusy(bool Busy) {
    FInstallRunning = Busy;
    if (!FShown) {
        return; // a silent run has no controls
    }
    if (!Busy) {
        for (TControl* control : FLockedControls) {
            control->SetEnabled(true);
        }
        FLockedControls.clear();
        UninstallLoader->Stop();
        return;
    }
    const std::initializer_list<TControl*> options = {
        DestinationFolderEdit.get(), DesktopShortcutSwitch.get(), StartMenuShortcutSwitch.get(),
        AcceptAgreementSwitch.get(), RunAsAdminLabel.get(),       ActionButton.get()};
    for (TControl* control : options) {
        if (control->Enabled()) {
            // Cancel is what is left to press; the focus must not stay on a disabled control.
            if (control->Focused()) {
                CancelButton->SetFocus();
            }
            control->SetEnabled(false);
            FLockedControls.push_back(control);
        }
    }
    UninstallLoader->Start(LoaderFrameInterval);
}

void TMainForm::ThrowIfCancelled() const {
    if (FCancelRequested) {
        throw ECancelled(u"Cancelled by the user; everything written was put back");
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
    ThrowIfCancelled();

    // The installer started from its own install folder (the Programs list does that, in
    // whatever letter case) must not copy itself onto itself.
    const std::u16string selfPath = GetModuleFileNameText();
    const std::u16string installerCopy = JoinPath(DestFolder, InstallerExeName);
    if (!IsSameFile(selfPath, installerCopy)) {
        transaction.ReplaceFile(installerCopy,
                                [&](TAtomicFileWriter& Writer) { CopyFileInto(selfPath, Writer); });
    }

    ThrowIfCancelled();
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
    if (FDesktopShortcut && !desktop.empty()) {
        const std::u16string link = JoinPath(desktop, ShortcutFileName);
        Transaction.RememberFile(link);
        CreateShortcut(AppPath, link, DestFolder, ProductName);
        Log(u"Shortcut: " + link);
    }
    const std::u16string appData = GetAppDataFolder();
    if (FStartMenuShortcut && !appData.empty()) {
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
    TResourceStream resource(ResName);
    const std::u16string target = JoinPath(Path, FileName);
    uint64_t size = 0;
    // Decoded while it is written, and checked before the file takes its place.
    const auto write = [&](TAtomicFileWriter& Writer) {
        size = UnpackProduct(
            resource.Size(),
            [&](uint8_t* Buffer, size_t Capacity) { return resource.Read(Buffer, Capacity); },
            [&](const uint8_t* Data, size_t Size) {
                ThrowIfCancelled();
                Writer.Write(Data, Size);
            });
    };
    if (Transaction) {
        Transaction->ReplaceFile(target, write);
    } else {
        TAtomicFileWriter writer(target);
        write(writer);
        writer.Commit();
    }
    return static_cast<int64_t>(size);
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
