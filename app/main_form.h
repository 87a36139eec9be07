// The installer's only window and the three operations behind its action button.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ucl/animation.h"
#include "ucl/timer.h"
#include "ucl/window.h"

class TApplication;
class TInstallTransaction;

class TMainForm : public TWindow {
public:
    // CommandLine is the raw command line of the process (GetCommandLineW); creating the form
    // runs FormCreate, which in silent runs starts the action at once.
    TMainForm(TApplication& Application, std::u16string CommandLine);
    ~TMainForm() override;

    // Fixed at creation.
    std::u16string RunMode;
    bool SilentMode = false;
    bool VerySilentMode = false;
    // The action has been started and not abandoned.
    bool ActionInProgress = false;

    // The command-line readers; each reads the arguments afresh.
    std::u16string GetRunMode() const;
    bool GetBooleanParam(const std::u16string& Param) const;
    std::u16string GetStringParam(const std::u16string& Param) const;

    const std::u16string& Caption() const noexcept { return FCaption; }

    // The destination folder, as the folder field holds it; setting it applies the field's
    // input rules (single line, no forbidden characters, at most 2048 characters).
    const std::u16string& DestinationFolder() const noexcept { return FDestinationFolder; }
    void SetDestinationFolder(const std::u16string& Text);

    // The states of the option switches.
    bool DesktopShortcutChecked() const noexcept { return FDesktopShortcutChecked; }
    bool StartMenuShortcutChecked() const noexcept { return FStartMenuShortcutChecked; }
    bool RunAfterChecked() const noexcept { return FRunAfterChecked; }
    bool DeleteDataChecked() const noexcept { return FDeleteDataChecked; }
    void SetDeleteDataChecked(bool Value) noexcept { FDeleteDataChecked = Value; }

    // Install and update.
    void ActionButtonClick(TObject* Sender);
    void Install(const std::u16string& AppPath, const std::u16string& DestFolder,
                 const std::u16string& InstallationSource, bool UpdateMode);
    // Writes the resource through Transaction when one is given, else on its own.
    int64_t SaveResource(const std::u16string& ResName, const std::u16string& Path,
                         const std::u16string& FileName, TInstallTransaction* Transaction = nullptr);
    void RunProduct(const std::u16string& DestFolder, bool UpdateMode);
    void CloseProductWindows();
    void RunAsAdminLabelClick(TObject* Sender);
    // The parameters of the elevated restart: the mode switch and /dir="folder".
    std::u16string ElevationParameters() const;
    void CancelButtonClick(TObject* Sender);

    // Uninstall.
    void StartUninstall();
    void UninstallTimerTimer(TObject* Sender);
    void DeleteShortcuts();
    void DeleteFolderTimeout(const std::u16string& DestFolder);
    void DeleteExeFilesTimeout(const std::u16string& DestFolder);
    // The uninstall's 100 ms poll (disabled until the uninstall starts) and its loading
    // animation (hidden until then); made by CreateUninstallControls.
    std::unique_ptr<TTimer> UninstallTimer;
    std::unique_ptr<TAnimation> UninstallLoader;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void FormCreate();
    // Normalizes the folder text into FActionFolder and probes it for the action.
    bool ProbeActionFolder();
    void CreateShortcuts(TInstallTransaction& Transaction, const std::u16string& AppPath,
                         const std::u16string& DestFolder);
    void CreateUninstallControls();
    void CreateSingletons();
    std::u16string DefaultDestinationFolder() const;
    void ShowError(const std::u16string& Text, const std::u16string& Title);
    void WMClose();
    void WMPaint();

    TApplication& FApplication;
    const std::u16string FCommandLine;
    std::u16string FCaption;
    std::u16string FDestinationFolder;
    // The folder the running action works on: the folder text as a normalized full path; for
    // an uninstall empty when there is no folder on disk to remove things from.
    std::u16string FActionFolder;
    // When the uninstall started (GetTickCount64), for the limit of its wait.
    uint64_t FUninstallStarted = 0;
    bool FDesktopShortcutChecked = true;
    bool FStartMenuShortcutChecked = true;
    bool FRunAfterChecked = true;
    bool FDeleteDataChecked = false;
};
