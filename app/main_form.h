// The installer's only window and the three operations behind its action button. The window
// is built from the control library in code, laid out in unscaled pixels multiplied by the
// monitor's scale, follows the system's light or dark app setting, and draws its own caption
// strip over a client area that reaches the window's top edge.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ucl/animation.h"
#include "ucl/button_control.h"
#include "ucl/edit_control.h"
#include "ucl/image_control.h"
#include "ucl/label_control.h"
#include "ucl/switch_control.h"
#include "ucl/timer.h"
#include "ucl/title_bar.h"
#include "ucl/window.h"
#include "utils/command_line.h"
#include "utils/theme_win.h"

class TApplication;
class TInstallTransaction;

class TMainForm : public TWindow {
public:
    // Options is the command line as the program read it at its start; creating the form runs
    // FormCreate, which in silent runs starts the action at once.
    TMainForm(TApplication& Application, TCommandLineOptions Options);
    ~TMainForm() override;

    // The loader's frame time while an install or uninstall runs.
    static constexpr uint32_t LoaderFrameInterval = 14;

    // Fixed at creation.
    std::u16string RunMode;
    bool SilentMode = false;
    bool VerySilentMode = false;
    // The action has been started and not abandoned.
    bool ActionInProgress = false;

    // The controls, in the order of creation, which is also the Tab order.
    std::unique_ptr<TTitleBar> TitleBar;
    std::unique_ptr<TLabelControl> ProductNameLabel;
    std::unique_ptr<TLabelControl> VersionLabel;
    std::unique_ptr<TImage> LogoImage;
    std::unique_ptr<TLabelControl> UninstallLabel;
    std::unique_ptr<TLabelControl> DestinationFolderLabel;
    std::unique_ptr<TEditControl> DestinationFolderEdit;
    std::unique_ptr<TLabelControl> AccessDeniedLabel;
    std::unique_ptr<TLabelControl> RunAsAdminLabel;
    std::unique_ptr<TSwitchControl> DesktopShortcutSwitch;
    std::unique_ptr<TSwitchControl> StartMenuShortcutSwitch;
    std::unique_ptr<TSwitchControl> RunAfterSwitch;
    std::unique_ptr<TSwitchControl> AcceptAgreementSwitch;
    std::unique_ptr<TLabelControl> AgreementLinkLabel;
    std::unique_ptr<TSwitchControl> DeleteDataSwitch;
    std::unique_ptr<TAnimation> UninstallLoader;
    // The uninstall's 100 ms poll, disabled until the uninstall starts; only in that run mode.
    std::unique_ptr<TTimer> UninstallTimer;
    std::unique_ptr<TButtonControl> ActionButton;
    std::unique_ptr<TButtonControl> CancelButton;

    const std::u16string& Caption() const noexcept { return FCaption; }

    // The destination folder, as the folder field holds it; setting it applies the field's
    // input rules (single line, no forbidden characters, at most 2048 characters).
    const std::u16string& DestinationFolder() const noexcept;
    void SetDestinationFolder(const std::u16string& Text);

    // The states of the option switches; a silent run, which has no controls, keeps their
    // defaults.
    bool DesktopShortcutChecked() const noexcept {
        return !DesktopShortcutSwitch || DesktopShortcutSwitch->Checked();
    }
    bool StartMenuShortcutChecked() const noexcept {
        return !StartMenuShortcutSwitch || StartMenuShortcutSwitch->Checked();
    }
    bool RunAfterChecked() const noexcept { return !RunAfterSwitch || RunAfterSwitch->Checked(); }
    bool DeleteDataChecked() const noexcept { return DeleteDataSwitch && DeleteDataSwitch->Checked(); }
    void SetDeleteDataChecked(bool Value) { DeleteDataSwitch->SetChecked(Value); }

    // The keys a dialog handles before its controls see them: Tab and Shift+Tab move the
    // focus, Escape cancels from any control. True when Msg was used up.
    bool DialogKey(const MSG& Msg);

    // The window.
    void FormShow();
    void FormResize();
    void FormAfterMonitorDpiChanged(int OldDPI, int NewDPI);
    void ActionButtonKeyPress(TObject* Sender, char16_t& Key);
    void CancelButtonKeyPress(TObject* Sender, char16_t& Key);
    void CancelButtonClick(TObject* Sender);
    void AcceptAgreementSwitchChange(TObject* Sender);
    void AgreementLinkClick(TObject* Sender);

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
    void ApplyAccess(bool Access);
    void BrowseButtonClick(TObject* Sender);

    // Uninstall.
    void StartUninstall();
    void UninstallTimerTimer(TObject* Sender);
    void DeleteShortcuts();
    void DeleteFolderTimeout(const std::u16string& DestFolder);
    void DeleteExeFilesTimeout(const std::u16string& DestFolder);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFormHandle();
    void FormCreate();
    void CreateControls();
    void CreateSingletons();
    std::u16string DefaultDestinationFolder() const;
    // Normalizes the folder text into FActionFolder and probes it for the action.
    bool ProbeActionFolder();
    void CreateShortcuts(TInstallTransaction& Transaction, const std::u16string& AppPath,
                         const std::u16string& DestFolder);
    void ShowError(const std::u16string& Text, const std::u16string& Title);
    // A failed action: logged with Detail; interactively Shown in a message box and the action
    // may be tried again, silently exit code 1.
    void ActionFailed(const std::u16string& Detail, const std::u16string& Shown);
    // Runs Work on a thread of its own while this thread goes on handling the window's
    // messages, with the loader turning and the options locked; raises Work's error here.
    void RunInBackground(const std::function<void()>& Work);
    // Locks the options and turns the loader while an install runs, and undoes that after.
    void SetBusy(bool Busy);
    // Raises ECancelled once the user has asked to cancel the running install.
    void ThrowIfCancelled() const;
    // One line of the run's log, when "/log=" asked for one.
    void Log(const std::u16string& Text);
    // The window takes the theme's colours, also for the frame the platform draws.
    void ApplyThemeColors();
    // Gives the theme the look the system asks for: its high-contrast scheme while that is on,
    // else its light or dark app setting. True when the theme changed.
    bool ChooseTheme();
    // Follows the system's look when it differs from the theme's, and repaints.
    void FollowSystemTheme();
    // Centres the window on the work area of its monitor.
    void CenterOnMonitor();
    int Dpi() const noexcept;

    void WMPaint();
    LRESULT WMNCCalcSize(WPARAM wParam, LPARAM lParam);
    void WMActivate(WPARAM wParam, LPARAM lParam);
    void WMGetMinMaxInfo(LPARAM lParam);
    void WMDpiChanged(WPARAM wParam, LPARAM lParam);
    void WMSettingChange(WPARAM wParam, LPARAM lParam);
    void WMClose();

    TApplication& FApplication;
    const TCommandLineOptions FOptions;
    std::u16string FCaption;
    // The folder of a silent run, which has no folder field.
    std::u16string FDestinationFolder;
    // The window's size limits, answered at WM_GETMINMAXINFO.
    TFormConstraints FConstraints;
    // The client size and scale the controls were last laid out for.
    struct TLayoutKey {
        int Width = 0;
        int Height = 0;
        float Scale = 0;
        bool operator==(const TLayoutKey&) const = default;
    };
    TLayoutKey FLaidOut;
    bool FShown = false;
    // What the last access probe of the window found; the action button needs it and the
    // agreement both.
    bool FFolderWritable = true;
    // What the frame was last told; a new window's frame is light.
    bool FDarkFrame = false;
    // The folder the running action works on: the folder text as a normalized full path; for
    // an uninstall empty when there is no folder on disk to remove things from.
    std::u16string FActionFolder;
    // When the uninstall started (GetTickCount64), for the limit of its wait.
    uint64_t FUninstallStarted = 0;
    // The shortcut switches as they were when the install started.
    bool FDesktopShortcut = true;
    bool FStartMenuShortcut = true;
    // An install is running on its own thread; Cancel then asks it to stop.
    bool FInstallRunning = false;
    std::atomic<bool> FCancelRequested = false;
    // The controls that SetBusy disabled, to be enabled again.
    std::vector<TControl*> FLockedControls;
};
