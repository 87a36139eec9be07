#include "app/installation_session.h"

#include <utility>

#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/language.h"
#include "utils/paths.h"
#include "utils/product_payload.h"
#include "utils/strings.h"
#include "utils/text_filters.h"

namespace {

// The product still runs from the folder the action works on: replacing or removing its
// files now would leave it half installed.
class EProductRunning : public EError {
public:
    using EError::EError;
};

const char16_t* OnOff(bool Value) {
    return Value ? u"on" : u"off";
}

// The log line of a call whose failure the run goes on after.
std::u16string Described(const TCallResult& Result, const std::u16string& Done, const std::u16string& NotDone,
                         const std::u16string& Failed) {
    switch (Result.Outcome) {
    case coDone:
        return Done;
    case coNothingThere:
    case coRefused:
        return NotDone;
    case coFailed:
        break;
    }
    return Failed + u": " + Result.Error;
}

} // namespace

TInstallationSession::TInstallationSession(TCommandLineOptions Options, TSessionPlatform Platform)
    : FOptions(std::move(Options)), FPlatform(Platform), FForm(FOptions.RunMode) {
    std::u16string folder = FOptions.Dir;
    if (folder.empty()) {
        folder = FPlatform.Registration.InstallLocation();
    }
    if (folder.empty()) {
        folder = FPlatform.Files.AppDataFolder() + DefaultFolderSuffix;
    }
    // The folder field's own input rules, with or without a field.
    FInitialFolder = ApplyEditInputRules(folder, u"", FolderForbiddenChars, DestinationFolderMaxLength);
    Log(u"Run mode: " + RunModeName(RunMode()) +
        (VerySilentMode() ? u", very silent"
         : SilentMode()   ? u", silent"
                          : u", interactive") +
        u"; destination folder: " + FInitialFolder);
    if (FOptions.DeleteData && RunMode() != rmUninstall) {
        Log(u"/deletedata is an uninstall's choice: this run ignores it");
    }
}

TChoices TInstallationSession::InitialChoices() const {
    TChoices choices;
    choices.Folder = FInitialFolder;
    choices.DesktopShortcut = !FOptions.NoDesktopShortcut;
    choices.StartMenuShortcut = !FOptions.NoStartMenuShortcut;
    choices.DeleteData = FOptions.DeleteData && RunMode() == rmUninstall;
    return choices;
}

TChoices TInstallationSession::CurrentChoices() const {
    return FView ? FView->Choices() : InitialChoices();
}

void TInstallationSession::Log(const std::u16string& Text) {
    FPlatform.Host.Log(Text);
}

// ---- The action ----

void TInstallationSession::Act() {
    // Every way to the action (the button, Enter in the folder field, a screen reader) is
    // closed while the button is: the agreement switch off, or a folder that is not writable.
    if (FActionInProgress || (FView && !FForm.ActionEnabled())) {
        return;
    }
    FActionInProgress = true;
    const std::u16string folder = CurrentChoices().Folder;
    if (!ProbeActionFolder(folder)) {
        // The probe has logged why.
        Fail(flFolderNotWritable, {}, u"Access is denied.\r\n" + folder);
        return;
    }
    try {
        if (RunMode() == rmUninstall) {
            // The wait for a product that takes its time to close must not freeze the window.
            FPlatform.Host.RunInBackground([this] { CloseProductWindows(); });
            StartUninstall();
        } else {
            InstallOrUpdate();
        }
    } catch (const EError&) {
        FailWithCurrentError();
    }
}

void TInstallationSession::FailWithCurrentError() {
    try {
        throw;
    } catch (const ECancelled& e) {
        Fail(flCancelled, e.Message(), {});
    } catch (const EPayloadDamaged& e) {
        // What went wrong inside a damaged download means nothing to the user; what to do
        // about it does.
        Fail(flInstallerDamaged, e.Message(), GetPhrase(u"INSTALLER_DAMAGED"));
    } catch (const EProductRunning& e) {
        Fail(flProductRunning, e.Message(),
             ReplaceAll(GetPhrase(u"PRODUCT_STILL_RUNNING"), u"%s", ProductName));
    } catch (const EError& e) {
        Fail(flActionFailed, e.Message(), e.Message());
    }
}

void TInstallationSession::Fail(TFailure Failure, const std::u16string& Detail, const std::u16string& Shown) {
    if (!Detail.empty()) {
        Log(Failure == flCancelled ? Detail : u"Error: " + Detail);
    }
    const TFailureResponse response = RespondTo(Failure, Unattended());
    // Where the window stays, the loader stops before the message, and the action can be
    // started again once the message is closed.
    if (!response.EndRun) {
        ShowLoader(false);
    }
    if (response.ShowMessage && FView) {
        FView->ShowMessage(Shown, Failure == flFolderNotWritable ? u"Access is denied" : InstallerExeName);
    }
    if (response.EndRun) {
        FPlatform.Host.End(response.ExitCode);
        return;
    }
    FActionInProgress = false;
}

void TInstallationSession::AgreementChanged(bool Accepted) {
    FForm.SetAgreementAccepted(Accepted);
    ShowState();
}

void TInstallationSession::ApplyAccess(bool Access) {
    FForm.SetFolderWritable(Access);
    ShowState();
}

void TInstallationSession::ShowBusy(bool Busy) {
    FForm.SetBusy(Busy);
    FForm.SetLoaderTurning(Busy);
    ShowState();
}

void TInstallationSession::ShowLoader(bool Turning) {
    FForm.SetLoaderTurning(Turning);
    ShowState();
}

void TInstallationSession::ShowState() {
    if (FView) {
        FView->ShowState();
    }
}

bool TInstallationSession::FolderWritable(const std::u16string& Folder) {
    return FPlatform.Files.HasWriteAccess(NormalizedFullPath(Folder));
}

bool TInstallationSession::ProbeActionFolder(const std::u16string& Folder) {
    FActionFolder = NormalizedFullPath(Folder);
    // An uninstall never creates folders: a folder that is gone (a removed drive, a folder
    // deleted by hand) or was never recorded as a full path leaves only the shortcuts and
    // entries to remove.
    if (RunMode() == rmUninstall &&
        (FActionFolder.empty() || !FPlatform.Files.DirectoryExists(FActionFolder))) {
        Log(u"The folder '" + Folder + u"' is not on disk: nothing there to delete");
        FActionFolder.clear();
        return true;
    }
    const bool access = FPlatform.Files.HasWriteAccess(FActionFolder);
    Log(u"Access probe of '" + (FActionFolder.empty() ? Folder : FActionFolder) + u"': " +
        (access                  ? u"writable"
         : FActionFolder.empty() ? u"not a full path"
                                 : u"not writable"));
    return access;
}

void TInstallationSession::Cancel() {
    if (FInstallRunning) {
        // Ending now would leave the install half done: it is asked to stop, and it puts back
        // what it wrote before the run ends.
        if (!FCancelRequested.exchange(true)) {
            Log(u"Cancel pressed during the install");
        }
        return;
    }
    FPlatform.Host.End(0);
}

void TInstallationSession::ThrowIfCancelled() const {
    if (FCancelRequested) {
        throw ECancelled(u"Cancelled by the user; everything written was put back");
    }
}

std::u16string TInstallationSession::ElevationParameters(const std::u16string& Folder) const {
    const std::u16string mode = RunMode() == rmUpdate      ? u"/update"
                                : RunMode() == rmUninstall ? u"/uninstall"
                                                           : u"/install";
    return mode + u" /dir=\"" + Trim(Folder) + u"\"";
}

void TInstallationSession::RestartElevated(const std::u16string& Folder) {
    const std::u16string parameters = ElevationParameters(Folder);
    const TCallResult restart = FPlatform.Processes.RestartElevated(parameters);
    if (restart.Outcome == coDone) {
        // The elevated run has taken over.
        Log(u"Restarted elevated with " + parameters);
        FPlatform.Host.End(0);
        return;
    }
    if (restart.Outcome == coRefused) {
        Log(u"The elevation prompt was declined; the window stays");
        return;
    }
    Log(u"Error: cannot restart elevated: " + restart.Error);
    if (FView) {
        FView->ShowMessage(restart.Error, InstallerExeName);
    }
}

void TInstallationSession::OpenPage(const std::u16string& Url) {
    // A browser that cannot be started leaves the user where they were; the log says why.
    const TCallResult opened = FPlatform.Processes.OpenPage(Url);
    if (opened.Outcome == coFailed) {
        Log(u"Could not open " + Url + u": " + opened.Error);
    }
}

// ---- Install and update ----

void TInstallationSession::InstallOrUpdate() {
    const bool updateMode = RunMode() == rmUpdate;
    const std::u16string source = FOptions.Store ? u"Store" : u"Website";
    // Taken here: the work below runs on another thread.
    FInstallChoices = CurrentChoices();
    Log(std::u16string(u"Choices: desktop shortcut ") + OnOff(FInstallChoices.DesktopShortcut) +
        u", Start-menu shortcut " + OnOff(FInstallChoices.StartMenuShortcut) + u", start the product " +
        OnOff(FInstallChoices.RunAfter && !VerySilentMode()));
    FCancelRequested = false;
    FInstallRunning = true;
    ShowBusy(true);
    try {
        FPlatform.Host.RunInBackground([&] {
            CloseProductWindows();
            Install(JoinPath(FActionFolder, ProductExeName), FActionFolder, source, updateMode);
        });
    } catch (const EError&) {
        FInstallRunning = false;
        ShowBusy(false);
        // Whatever ended it once the user had pressed Cancel (a file that stayed held, say),
        // the run ends as a cancelled one: nothing is kept, and no message is owed.
        ThrowIfCancelled();
        throw;
    }
    FInstallRunning = false;
    ShowBusy(false);
    if (FInstallChoices.RunAfter && !VerySilentMode() && !FCancelRequested) {
        RunProduct(FActionFolder, updateMode);
    }
    FPlatform.Host.End(0);
}

void TInstallationSession::Install(const std::u16string& AppPath, const std::u16string& DestFolder,
                                   const std::u16string& InstallationSource, bool UpdateMode) {
    // Until Commit, a failure puts back what was there: an install or update either happens
    // as a whole or leaves the machine as it was.
    const std::unique_ptr<IInstallWriter> writer = FPlatform.Files.BeginInstall();
    writer->CreateFolders(DestFolder);
    FPlatform.Files.RemoveWriteLeftovers(DestFolder);
    const uint64_t totalSize = writer->WriteProduct(DestFolder, [this] { ThrowIfCancelled(); });
    ThrowIfCancelled();
    writer->CopyInstaller(DestFolder);
    ThrowIfCancelled();
    writer->WriteProgramsListEntry(DestFolder, totalSize);
    Log(std::u16string(u"Registry: wrote the Programs-list entry HKCU\\") + ProgramsListKey);
    if (!UpdateMode) {
        writer->WriteInstallationSource(InstallationSource);
        Log(std::u16string(u"Registry: wrote HKCU\\") + AppRegistryKey + u"InstallationSource = " +
            InstallationSource);
    }
    CreateShortcuts(*writer, AppPath, DestFolder);
    writer->Commit();
    Log(UpdateMode ? u"Update complete" : u"Install complete");
}

void TInstallationSession::CreateShortcuts(IInstallWriter& Writer, const std::u16string& AppPath,
                                           const std::u16string& DestFolder) {
    // A shell folder the platform cannot tell would put the link at the root of a drive.
    const std::u16string desktop = FPlatform.Files.DesktopFolder();
    if (FInstallChoices.DesktopShortcut && !desktop.empty()) {
        const std::u16string link = JoinPath(desktop, ShortcutFileName);
        LogShortcut(link, Writer.CreateShortcut(link, AppPath, DestFolder));
    }
    const std::u16string menuFolder = StartMenuFolder();
    if (FInstallChoices.StartMenuShortcut && !menuFolder.empty()) {
        Writer.CreateFolders(menuFolder);
        const std::u16string link = JoinPath(menuFolder, ShortcutFileName);
        LogShortcut(link, Writer.CreateShortcut(link, AppPath, DestFolder));
    }
}

void TInstallationSession::LogShortcut(const std::u16string& Link, const TCallResult& Result) {
    // A link the shell could not save leaves the product installed without it.
    Log(Described(Result, u"Shortcut: " + Link, u"Shortcut: " + Link + u" not written",
                  u"Shortcut: could not write " + Link));
}

std::u16string TInstallationSession::StartMenuFolder() {
    return StartMenuFolderOf(FPlatform.Files.AppDataFolder());
}

void TInstallationSession::RunProduct(const std::u16string& DestFolder, bool UpdateMode) {
    const std::u16string path = JoinPath(DestFolder, ProductExeName);
    const std::u16string parameters = UpdateMode ? u"/updated" : u"";
    const std::u16string line = path + (parameters.empty() ? u"" : u" " + parameters);
    // The installation is complete whether or not the product starts.
    Log(Described(FPlatform.Processes.RunProduct(path, parameters, DestFolder),
                  u"Started the product " + line, u"Did not start the product " + line,
                  u"Could not start the product " + line));
}

void TInstallationSession::CloseProductWindows() {
    const TProductClosing closing = FPlatform.Processes.CloseProductWindows(
        FActionFolder, RunMode() == rmUpdate && Unattended(), ProductCloseLimitMs);
    for (int i = 0; i < closing.WindowsAsked; ++i) {
        Log(u"Asked a running product window to close");
    }
    if (closing.StillRunning.empty()) {
        return;
    }
    std::u16string ids;
    for (const uint32_t id : closing.StillRunning) {
        ids += (ids.empty() ? u"" : u", ") + IntToStr(id);
    }
    // Never ended by force: what the user has not saved in it is worth more than this run.
    throw EProductRunning(JoinPath(FActionFolder, ProductExeName) + u" is still running (process " + ids +
                          u") " + IntToStr(ProductCloseLimitMs / 1000) + u" s after it was asked to close; " +
                          u"nothing was changed");
}

// ---- Uninstall ----

void TInstallationSession::StartUninstall() {
    Log(u"Uninstall started; notifying the web API");
    FUninstallStarted = FPlatform.Host.Milliseconds();
    ShowLoader(true);
    FPlatform.Host.StartPoll(UninstallPollInterval, [this] { UninstallTimerTimer(); });
    FPlatform.Notification.Start();
}

void TInstallationSession::UninstallTimerTimer() {
    const bool finished = FPlatform.Notification.Finished();
    if (!finished && FPlatform.Host.Milliseconds() - FUninstallStarted < UninstallNotificationLimitMs) {
        return;
    }
    FPlatform.Host.StopPoll();
    Log(u"Web notification: " + (finished ? FPlatform.Notification.Outcome() : u"abandoned after 15 s"));
    // The removal steps are an action's steps like any other: a failure among them is
    // answered by the failure policy, and the steps after it are skipped.
    try {
        RemoveInstallation();
    } catch (const EError&) {
        FailWithCurrentError();
        return;
    }
    FPlatform.Host.End(0);
}

void TInstallationSession::RemoveInstallation() {
    const bool deleteData = CurrentChoices().DeleteData;
    Log(std::u16string(u"Choices: delete local workspaces, requests and the settings ") + OnOff(deleteData));
    // The product may have been started again while the notification went out.
    FPlatform.Host.RunInBackground([this] { CloseProductWindows(); });
    DeleteShortcuts();
    // A key that stays is no reason to keep the rest: the log says so.
    const std::u16string entry = std::u16string(u"Programs-list entry HKCU\\") + ProgramsListKey;
    Log(Described(FPlatform.Registration.DeleteProgramsListKey(), u"Registry: removed the " + entry,
                  u"Registry: there was no " + entry, u"Registry: could not remove the " + entry));
    if (deleteData) {
        const std::u16string key = std::u16string(u"HKCU\\") + AppRegistryKey;
        Log(Described(FPlatform.Registration.DeleteSoftwareAppKey(), u"Registry: removed " + key,
                      u"Registry: there was no key " + key, u"Registry: could not remove " + key));
    }
    // Without a folder on disk there is nothing to delete there.
    if (!FActionFolder.empty()) {
        FPlatform.Files.RemoveWriteLeftovers(FActionFolder);
        if (deleteData) {
            DeleteFolderTimeout(FActionFolder);
        } else {
            DeleteExeFilesTimeout(FActionFolder);
        }
    }
}

void TInstallationSession::DeleteShortcuts() {
    // A shell folder the platform cannot tell would point at the root of a drive, where a
    // file of that name is not this installation's.
    const std::u16string desktop = FPlatform.Files.DesktopFolder();
    if (!desktop.empty() && FPlatform.Files.DeleteExistingFile(JoinPath(desktop, ShortcutFileName))) {
        Log(u"Removed the shortcut " + JoinPath(desktop, ShortcutFileName));
    }
    const std::u16string menuFolder = StartMenuFolder();
    if (menuFolder.empty()) {
        return;
    }
    if (FPlatform.Files.DeleteExistingFile(JoinPath(menuFolder, ShortcutFileName))) {
        Log(u"Removed the shortcut " + JoinPath(menuFolder, ShortcutFileName));
    }
    const TCallResult folder = FPlatform.Files.RemoveFolderIfEmpty(menuFolder);
    if (folder.Outcome != coNothingThere) {
        Log(Described(folder, u"Removed the empty folder " + menuFolder,
                      u"Kept the folder " + menuFolder + u": it holds other files",
                      u"Could not remove the empty folder " + menuFolder));
    }
}

void TInstallationSession::DeleteFolderTimeout(const std::u16string& DestFolder) {
    // A folder that is not plainly this installation's own loses only the executables, as
    // without the option: a recursive deletion of the wrong folder cannot be undone.
    const TCallResult scheduled = FPlatform.Processes.ScheduleFolderDeletion(DestFolder);
    if (scheduled.Outcome == coRefused) {
        Log(u"The folder " + DestFolder +
            u" is not plainly this installation's own: only its executables go");
        DeleteExeFilesTimeout(DestFolder);
        return;
    }
    Log(Described(scheduled, u"Scheduled the deletion of the folder " + DestFolder + u" after 1 s", {},
                  u"Could not schedule the deletion of the folder " + DestFolder));
}

void TInstallationSession::DeleteExeFilesTimeout(const std::u16string& DestFolder) {
    const std::u16string names[] = {ProductExeName, InstallerExeName};
    for (int i = 0; i < 2; ++i) {
        // A folder or link in the place of an executable is not this installation's to delete.
        const std::u16string path = JoinPath(DestFolder, names[i]);
        const TCallResult scheduled = FPlatform.Processes.ScheduleFileDeletion(DestFolder, names[i], i + 1);
        Log(scheduled.Outcome == coNothingThere
                ? u"There was no " + path + u" to delete"
                : Described(scheduled,
                            u"Scheduled the deletion of " + path + u" after " + IntToStr(i + 1) + u" s",
                            u"Left " + path + u" alone: it is not a plain file",
                            u"Could not schedule the deletion of " + path));
    }
}
