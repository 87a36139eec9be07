// The installation session's platform on Windows: files and shortcuts through the install
// transaction, the registry through the installation properties, the product's windows and
// processes through the shell, the web notification through the REST client, and the run
// through the application's message loop. The installation properties and the REST client are
// the run's services'.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/session_platform.h"

class TApplication;
class TInstallTransaction;
class TTimer;
class TWin32RunServices;

class TWin32Platform final : public IFileSystem,
                             public IRegistration,
                             public IProcesses,
                             public IUninstallNotification,
                             public IRunHost {
public:
    TWin32Platform(TApplication& Application, TWin32RunServices& Services);
    TWin32Platform(const TWin32Platform&) = delete;
    TWin32Platform& operator=(const TWin32Platform&) = delete;
    ~TWin32Platform();

    TSessionPlatform Interfaces() noexcept { return {*this, *this, *this, *this, *this}; }

    // IFileSystem
    std::u16string AppDataFolder() override;
    std::u16string DesktopFolder() override;
    bool HasWriteAccess(const std::u16string& Folder) override;
    bool DirectoryExists(const std::u16string& Folder) override;
    void RemoveWriteLeftovers(const std::u16string& Folder) override;
    std::unique_ptr<IInstallWriter> BeginInstall() override;
    bool DeleteExistingFile(const std::u16string& Path) override;
    TCallResult RemoveFolderIfEmpty(const std::u16string& Folder) override;
    // IRegistration
    std::u16string InstallLocation() override;
    TCallResult DeleteProgramsListKey() override;
    TCallResult DeleteSoftwareAppKey() override;
    // IProcesses
    TProductClosing CloseProductWindows(const std::u16string& Folder, bool PauseFirst,
                                        uint32_t WaitMs) override;
    TCallResult RunProduct(const std::u16string& Path, const std::u16string& Parameters,
                           const std::u16string& WorkingFolder) override;
    TCallResult RestartElevated(const std::u16string& Parameters) override;
    TCallResult OpenPage(const std::u16string& Url) override;
    TCallResult ScheduleFolderDeletion(const std::u16string& Folder) override;
    TCallResult ScheduleFileDeletion(const std::u16string& Folder, const std::u16string& Name,
                                     int Seconds) override;
    // IUninstallNotification
    void Start() override;
    bool Finished() const override;
    std::u16string Outcome() const override;
    // IRunHost
    void End(int ExitCode) override;
    uint64_t Milliseconds() override;
    void Log(const std::u16string& Text) override;
    void RunInBackground(const std::function<void()>& Work) override;
    void StartPoll(uint32_t Interval, std::function<void()> Tick) override;
    void StopPoll() override;
    // Whether the uninstall's poll runs: only an uninstall makes one.
    bool Polling() const;

private:
    TApplication& FApplication;
    TWin32RunServices& FServices;
    std::unique_ptr<TTimer> FPoll;
};

// Writes the raw-data resource ResName of the running executable, decoded and checked when it
// is a packed product, to Path\FileName, through Transaction when one is given; Checkpoint runs
// between the pieces written. Returns the size written. Raises EResNotFound, EPayloadDamaged
// (also for a product that is not a Windows program, which is never kept) or EError.
int64_t SaveResource(const std::u16string& ResName, const std::u16string& Path,
                     const std::u16string& FileName, TInstallTransaction* Transaction = nullptr,
                     const std::function<void()>& Checkpoint = {});
