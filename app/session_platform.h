// What the installation session asks of the operating system and of its window, in small
// pieces: the Win32 edge implements them (app/session_platform_win.h) and the workflow tests fake
// them, so that the order of the steps, the rollback, the log and the exit codes are tested
// without the platform.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What a call did whose failure the run goes on after: the log says what happened, with the
// platform's message where it failed.
enum TCallOutcome : uint8_t {
    coDone,
    // There was nothing to do: no such key, folder or file.
    coNothingThere,
    // Not done on purpose: a folder that is not plainly the installation's own, an elevation
    // prompt the user declined.
    coRefused,
    coFailed
};

struct TCallResult {
    TCallOutcome Outcome = coDone;
    std::u16string Error;
};

// The product found running by its image and by its windows, after it was asked to close.
struct TProductClosing {
    // The top-level windows asked to close.
    int WindowsAsked = 0;
    // The product's processes that were still running when the wait ended.
    std::vector<uint32_t> StillRunning;
};

// One install or update, all or nothing: until Commit, destroying it puts back what was there
// (old files byte for byte, old registry values) and removes what it created.
class IInstallWriter {
public:
    virtual ~IInstallWriter() = default;
    // Folder with its missing parents.
    virtual void CreateFolders(const std::u16string& Folder) = 0;
    // Quorvalent.exe in Folder from the product the installer carries, decoded and checked;
    // Checkpoint runs between the pieces written and may raise to stop. Returns its size.
    virtual uint64_t WriteProduct(const std::u16string& Folder, const std::function<void()>& Checkpoint) = 0;
    // QuorvalentInstaller.exe in Folder, a copy of the running installer, unless that is
    // where it runs from.
    virtual void CopyInstaller(const std::u16string& Folder) = 0;
    virtual void WriteProgramsListEntry(const std::u16string& Folder, uint64_t ProductSize) = 0;
    virtual void WriteInstallationSource(const std::u16string& Source) = 0;
    // A link the shell cannot save is no reason to stop the install: the result says so.
    virtual TCallResult CreateShortcut(const std::u16string& Link, const std::u16string& Target,
                                       const std::u16string& WorkingFolder) = 0;
    // Keeps everything.
    virtual void Commit() = 0;
};

// The folders and files the session works on.
class IFileSystem {
public:
    // The user's roaming application-data and desktop folders; empty when unknown.
    virtual std::u16string AppDataFolder() = 0;
    virtual std::u16string DesktopFolder() = 0;
    // Probed by making (and removing) a folder in it; false for a text that is no full path.
    virtual bool HasWriteAccess(const std::u16string& Folder) = 0;
    virtual bool DirectoryExists(const std::u16string& Folder) = 0;
    // Clears what interrupted writes of the two executables left in Folder.
    virtual void RemoveWriteLeftovers(const std::u16string& Folder) = 0;
    virtual std::unique_ptr<IInstallWriter> BeginInstall() = 0;
    // Deletes the file at Path when there is one; false when there was none. Raises EError
    // with the platform's message when it stays.
    virtual bool DeleteExistingFile(const std::u16string& Path) = 0;
    virtual TCallResult RemoveFolderIfEmpty(const std::u16string& Folder) = 0;

protected:
    // Not owned through the interface.
    ~IFileSystem() = default;
};

// The installation's entries in the registry.
class IRegistration {
public:
    // Where the last installation went; empty when none is recorded.
    virtual std::u16string InstallLocation() = 0;
    virtual TCallResult DeleteProgramsListKey() = 0;
    virtual TCallResult DeleteSoftwareAppKey() = 0;

protected:
    // Not owned through the interface.
    ~IRegistration() = default;
};

// Other processes: the running product, the installer restarted elevated, and the hidden
// command interpreter that deletes the executables after the installer has exited.
class IProcesses {
public:
    // After a pause on request, asks every top-level window titled "Quorvalent", and every
    // window of a process whose image is Folder\Quorvalent.exe, to close, never by force; then
    // waits up to WaitMs for those processes to end. An empty Folder has no processes to
    // wait for.
    virtual TProductClosing CloseProductWindows(const std::u16string& Folder, bool PauseFirst,
                                                uint32_t WaitMs) = 0;
    virtual TCallResult RunProduct(const std::u16string& Path, const std::u16string& Parameters,
                                   const std::u16string& WorkingFolder) = 0;
    // coRefused when the user declined the elevation prompt.
    virtual TCallResult RestartElevated(const std::u16string& Parameters) = 0;
    // The page at Url in the user's browser.
    virtual TCallResult OpenPage(const std::u16string& Url) = 0;
    // Folder with everything in it, deleted a second from now; coRefused, and nothing
    // started, when the folder is not plainly this installation's own.
    virtual TCallResult ScheduleFolderDeletion(const std::u16string& Folder) = 0;
    // The executable Name of Folder, deleted Seconds from now; coRefused, and nothing started,
    // when it is no plain file.
    virtual TCallResult ScheduleFileDeletion(const std::u16string& Folder, const std::u16string& Name,
                                             int Seconds) = 0;

protected:
    // Not owned through the interface.
    ~IProcesses() = default;
};

// The uninstall's notification of the vendor's web API, on a thread of its own.
class IUninstallNotification {
public:
    virtual void Start() = 0;
    virtual bool Finished() const = 0;
    // What became of it, for the log.
    virtual std::u16string Outcome() const = 0;

protected:
    // Not owned through the interface.
    ~IUninstallNotification() = default;
};

// The run around the session: its end, its clock and log, work off the window's thread, and
// the uninstall's poll.
class IRunHost {
public:
    // The run ends with ExitCode once the current message is handled.
    virtual void End(int ExitCode) = 0;
    virtual uint64_t Milliseconds() = 0;
    virtual void Log(const std::u16string& Text) = 0;
    // Runs Work on a thread of its own while the window's messages are handled; raises Work's
    // error here.
    virtual void RunInBackground(const std::function<void()>& Work) = 0;
    // Tick every Interval ms until StopPoll.
    virtual void StartPoll(uint32_t Interval, std::function<void()> Tick) = 0;
    virtual void StopPoll() = 0;

protected:
    // Not owned through the interface.
    ~IRunHost() = default;
};

struct TSessionPlatform {
    IFileSystem& Files;
    IRegistration& Registration;
    IProcesses& Processes;
    IUninstallNotification& Notification;
    IRunHost& Host;
};

// What the window shows and the user chose, read when the session needs it.
struct TChoices {
    std::u16string Folder;
    bool DesktopShortcut = true;
    bool StartMenuShortcut = true;
    bool RunAfter = true;
    bool DeleteData = false;
};

// The window as the session sees it. A silent run has none.
class ISessionView {
public:
    virtual TChoices Choices() const = 0;
    // The window's state, which the session keeps (TInstallationSession::Form), has changed.
    virtual void ShowState() = 0;
    virtual void ShowMessage(const std::u16string& Text, const std::u16string& Caption) = 0;

protected:
    // Not owned through the interface.
    ~ISessionView() = default;
};
