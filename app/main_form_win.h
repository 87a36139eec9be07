// The installer's only window, a view of the installation session: it shows the session's
// state (the run mode's texts, busy, messages) and forwards the user's choices (the action,
// Cancel, the elevated restart) to it. The window is built from the control library in code,
// laid out in unscaled pixels multiplied by the monitor's scale, follows the system's light,
// dark or high-contrast look, and draws its own caption strip over a client area that
// reaches the window's top edge. A silent run makes none.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/application_win.h"
#include "app/main_form_model.h"
#include "app/session_platform.h"
#include "ucl/animation_win.h"
#include "ucl/button_control_win.h"
#include "ucl/edit_control_win.h"
#include "ucl/image_control_win.h"
#include "ucl/label_control_win.h"
#include "ucl/switch_control_win.h"
#include "ucl/title_bar_win.h"
#include "ucl/window_win.h"
#include "utils/theme_win.h"

class TInstallationSession;

class TMainForm : public TWindow, public IMainWindow, public ISessionView {
public:
    // Makes the window's handle only: the run's window services (the theme at its scale, the
    // context menu it owns) need it before the controls are made by FormCreate.
    explicit TMainForm(TInstallationSession& Session);
    ~TMainForm() override;

    // Makes the controls and their texts; the session then reads its choices from the form.
    void FormCreate();
    // The monitor's DPI of the window, 96 when the platform cannot tell.
    int Dpi() const noexcept;

    // The loader's frame time while an install or uninstall runs.
    static constexpr uint32_t LoaderFrameInterval = 14;

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
    std::unique_ptr<TButtonControl> ActionButton;
    std::unique_ptr<TButtonControl> CancelButton;

    const std::u16string& Caption() const noexcept { return FCaption; }

    // The destination folder, as the folder field holds it; setting it applies the field's
    // input rules (single line, no forbidden characters, at most 2048 characters).
    const std::u16string& DestinationFolder() const noexcept { return DestinationFolderEdit->Text(); }
    void SetDestinationFolder(const std::u16string& Text) { DestinationFolderEdit->SetText(Text); }

    bool DesktopShortcutChecked() const noexcept { return DesktopShortcutSwitch->Checked(); }
    bool StartMenuShortcutChecked() const noexcept { return StartMenuShortcutSwitch->Checked(); }
    bool RunAfterChecked() const noexcept { return RunAfterSwitch->Checked(); }
    bool DeleteDataChecked() const noexcept { return DeleteDataSwitch->Checked(); }
    void SetDeleteDataChecked(bool Value) { DeleteDataSwitch->SetChecked(Value); }
    // The parameters of the elevated restart: the mode switch and /dir="folder".
    std::u16string ElevationParameters() const;

    // IMainWindow. Tab and Shift+Tab move the focus, Escape cancels from any control.
    bool DialogKey(const MSG& Msg) override;
    void FormShow() override;
    HWND OwnerWindow() const noexcept override { return Handle(); }

    // The window.
    // Sizes the window as it shows at the theme's scale: the layout's client size, wider where
    // a caption of the run needs more room, and no smaller from then on. Part of FormShow.
    void SizeToContent();
    void FormResize();
    void FormAfterMonitorDpiChanged(int OldDPI, int NewDPI);
    void ActionButtonClick(TObject* Sender);
    void ActionButtonKeyPress(TObject* Sender, char16_t& Key);
    void CancelButtonKeyPress(TObject* Sender, char16_t& Key);
    void CancelButtonClick(TObject* Sender);
    void AcceptAgreementSwitchChange(TObject* Sender);
    void AgreementLinkClick(TObject* Sender);
    void RunAsAdminLabelClick(TObject* Sender);
    // Hands the result of an access probe of the folder to the session, once the window shows.
    void ApplyAccess(bool Access);
    void BrowseButtonClick(TObject* Sender);

    // ISessionView
    TChoices Choices() const override;
    // Every control shown and enabled as the session's window state says.
    void ShowState() override;
    void ShowMessage(const std::u16string& Text, const std::u16string& Caption) override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateFormHandle();
    // The controls, in the order of creation, which is also the Tab order.
    void CreateControls();
    void CreateHeading();
    void CreateFolderControls();
    void CreateSwitches();
    void CreateButtons();
    std::u16string CaptionOf(TFormControl Control) const;
    // The control of the window state's Control; none for the logo, which has no window.
    TControl* ControlOf(TFormControl Control) const noexcept;
    // The window takes the theme's colours, also for the frame the platform draws.
    void ApplyThemeColors();
    // Reads the look the system asks for: its high-contrast scheme while that is on, else its
    // light or dark app setting. Read when the window shows and when the system announces a
    // change, never while the frame is measured.
    void ReadSystemLook();
    // Gives the theme the look last read. True when the theme changed.
    bool ChooseTheme();
    // Follows the system's look when it differs from the theme's, and repaints.
    void FollowSystemTheme();
    // Centres the window on the work area of its monitor.
    void CenterOnMonitor();
    // The widths of the captions of every control the run may show, at the theme's scale;
    // measured again after a change of scale only.
    const TFormTextWidths& TextWidths();
    // The client width that shows the layout's figures and every caption whole at the theme's
    // scale.
    int LeastClientWidth();
    // Widens the window where its client area is narrower than its captions need.
    void WidenToTexts();

    void WMPaint();
    LRESULT WMNCCalcSize(WPARAM wParam, LPARAM lParam);
    void WMActivate(WPARAM wParam, LPARAM lParam);
    void WMGetMinMaxInfo(LPARAM lParam);
    void WMDpiChanged(WPARAM wParam, LPARAM lParam);
    void WMSettingChange(WPARAM wParam, LPARAM lParam);
    void WMClose();

    TInstallationSession& FSession;
    std::u16string FCaption;
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
    TFormTextWidths FTextWidths{};
    float FTextScale = 0;
    bool FShown = false;
    // What the frame was last told; a new window's frame is light.
    bool FDarkFrame = false;
    // The system's look as last read.
    std::optional<TSystemColors> FSystemContrast;
    std::u16string FSystemTheme = u"Light";
};
