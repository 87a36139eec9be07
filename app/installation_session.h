// The installation session: one run of the installer, from the command line to the exit code.
//
// What it owns: the command line as the program read it (run mode and options), the
// destination folder the run starts with, the window's state (main_form_model.h: what shows,
// what takes input, whether the action may start), the state of the action (started,
// running, cancelled), and the steps of the three operations under the names they have always
// had: Install, SaveResource (the platform's WriteProduct), RunProduct, CloseProductWindows,
// StartUninstall, UninstallTimerTimer, DeleteShortcuts, DeleteFolderTimeout,
// DeleteExeFilesTimeout. It reaches the operating system only through the narrow interfaces
// of session_platform.h; the run's services (run_services.h) are built before it, and its
// texts are read in their language.
//
// What the window owns: its controls. It shows the session's window state and messages, and
// forwards the user's input (the agreement, access probes, Act, Cancel, RestartElevated); the
// session reads the folder and the switches from it through ISessionView when a step needs
// them. A silent run makes no window: the session acts on the command line alone.
//
// Where errors are caught: in Act and UninstallTimerTimer, the two places where an action's
// steps run, and nowhere else in the session; what follows a failure is decided by the one
// table of failure_policy.h, which also answers the application's guard around the message
// loop. Errors that are not EError pass through Act to that guard.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "app/failure_policy.h"
#include "app/main_form_model.h"
#include "app/session_platform.h"
#include "utils/command_line.h"

class TInstallationSession {
public:
    // Sets up the run: the destination folder is chosen ("/dir=", else the recorded install
    // location, else the default folder). Nothing starts yet.
    TInstallationSession(TCommandLineOptions Options, TSessionPlatform Platform);
    TInstallationSession(const TInstallationSession&) = delete;
    TInstallationSession& operator=(const TInstallationSession&) = delete;

    TRunMode RunMode() const noexcept { return FOptions.RunMode; }
    bool SilentMode() const noexcept { return FOptions.Silent; }
    bool VerySilentMode() const noexcept { return FOptions.VerySilent; }
    bool Unattended() const noexcept { return FOptions.Unattended(); }
    const TCommandLineOptions& Options() const noexcept { return FOptions; }
    // The folder the run starts with, after the folder field's input rules.
    const std::u16string& InitialFolder() const noexcept { return FInitialFolder; }
    bool ActionInProgress() const noexcept { return FActionInProgress; }
    // The choices the command line makes, which a window starts with: the defaults but for
    // "/nodesktopshortcut", "/nostartmenushortcut" and an uninstall's "/deletedata".
    TChoices InitialChoices() const;
    // The window's choices now, or a silent run's from the command line.
    TChoices CurrentChoices() const;

    // The window, while there is one.
    void SetView(ISessionView* View) noexcept { FView = View; }
    // What the window shows: the session keeps it and decides from it whether the action may
    // start; the window forwards what the user does to it.
    const TMainFormModel& Form() const noexcept { return FForm; }
    void AgreementChanged(bool Accepted);
    // The result of an access probe of the window's folder.
    void ApplyAccess(bool Access);

    // The action of the run mode: the access probe, then install or update, or the start of
    // the uninstall. Ignored while an action runs and while the window does not offer it.
    void Act();
    // The user's Cancel: asks a running install to stop and put back what it wrote; otherwise
    // the run ends with code 0.
    void Cancel();
    // The folder text probed as the action will probe it.
    bool FolderWritable(const std::u16string& Folder);
    // The run mode and /dir="folder" (trimmed), which is all an elevated restart takes.
    std::u16string ElevationParameters(const std::u16string& Folder) const;
    // Starts the installer elevated with those and ends this run once it has started; a
    // declined prompt or a failed start leaves the window for another try.
    void RestartElevated(const std::u16string& Folder);
    // The page of a link of the window, in the user's browser.
    void OpenPage(const std::u16string& Url);

    // The steps.
    void Install(const std::u16string& AppPath, const std::u16string& DestFolder,
                 const std::u16string& InstallationSource, bool UpdateMode);
    void RunProduct(const std::u16string& DestFolder, bool UpdateMode);
    // Asks the product to close and waits for it; raises when it still runs from the
    // action's folder, before anything was changed.
    void CloseProductWindows();
    void StartUninstall();
    void UninstallTimerTimer();
    void DeleteShortcuts();
    void DeleteFolderTimeout(const std::u16string& DestFolder);
    void DeleteExeFilesTimeout(const std::u16string& DestFolder);

    // How long the uninstall waits for its notification before the removal starts anyway.
    static constexpr uint64_t UninstallNotificationLimitMs = 15000;
    // How long a product asked to close is waited for before the action gives up, changing
    // nothing: as long as the system gives an application that hangs at sign-out, long
    // enough for a product that saves its state as it closes, short enough that a silent
    // update fails no later than a held file made it fail before.
    static constexpr uint32_t ProductCloseLimitMs = 5000;
    static constexpr uint32_t UninstallPollInterval = 100;

private:
    // Normalizes the folder into FActionFolder and probes it; false when it cannot be written.
    bool ProbeActionFolder(const std::u16string& Folder);
    void InstallOrUpdate();
    void CreateShortcuts(IInstallWriter& Writer, const std::u16string& AppPath,
                         const std::u16string& DestFolder);
    void LogShortcut(const std::u16string& Link, const TCallResult& Result);
    void RemoveInstallation();
    // The maker's folder in the user's Start menu; empty when the platform cannot tell where
    // the user's application data is, which would put it at the root of a drive.
    std::u16string StartMenuFolder();
    // The failure policy applied: Detail logged, Shown to the user where the policy says so.
    void Fail(TFailure Failure, const std::u16string& Detail, const std::u16string& Shown);
    // The failure policy's answer to the EError being handled, by its kind.
    void FailWithCurrentError();
    void ThrowIfCancelled() const;
    // An install or update runs: the loader turns and the options are locked.
    void ShowBusy(bool Busy);
    void ShowLoader(bool Turning);
    void ShowState();
    void Log(const std::u16string& Text);

    const TCommandLineOptions FOptions;
    TSessionPlatform FPlatform;
    ISessionView* FView = nullptr;
    TMainFormModel FForm;
    std::u16string FInitialFolder;
    bool FActionInProgress = false;
    // The folder the running action works on, as a normalized full path; for an uninstall
    // empty when there is no folder on disk to remove things from.
    std::u16string FActionFolder;
    // The choices as they were when the install started: it runs on another thread.
    TChoices FInstallChoices;
    bool FInstallRunning = false;
    std::atomic<bool> FCancelRequested = false;
    uint64_t FUninstallStarted = 0;
};
