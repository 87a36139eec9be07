#include "app/main_form_win.h"

#include <shellapi.h>
#include <shobjidl.h>

#include <algorithm>

#include "app/application_win.h"
#include "app/installation_session.h"
#include "ucl/context_menu_win.h"
#include "ucl/gdi_win.h"
#include "utils/command_line.h"
#include "utils/consts.h"
#include "utils/language.h"
#include "utils/paths.h"
#include "utils/properties_win.h"
#include "utils/strings.h"
#include "utils/theme.h"
#include "utils/text_win.h"
#include "utils/handles_win.h"
#include "utils/com_win.h"
#include "utils/module_win.h"

namespace {

constexpr DWORD FormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;

// The common item dialog and its interfaces, defined here rather than taken from the large
// GUID library.
constexpr CLSID FileOpenDialogClass = {
    0xDC1C5A9C, 0xE88A, 0x4DDE, {0xA5, 0xA1, 0x60, 0xF8, 0x2A, 0x20, 0xAE, 0xF7}};
constexpr IID FileOpenDialogInterface = {
    0xD57C7288, 0xD4AD, 0x4768, {0xBE, 0x02, 0x9D, 0x96, 0x95, 0x32, 0xD9, 0x60}};
constexpr IID ShellItemInterface = {
    0x43826D1E, 0xE718, 0x42EE, {0xBC, 0x55, 0xA1, 0xE2, 0x61, 0xC3, 0x7B, 0xFE}};

int r(int n) {
    return ScaleValue(n);
}

// Tells the desktop window manager to draw the frame that remains in the dark look or not.
void SetDarkFrame(HWND Window, bool Dark) {
    using TSetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    const TSystemLibrary dwm(L"dwmapi.dll");
    const auto set = dwm.Proc<TSetAttribute>("DwmSetWindowAttribute");
    if (!set) {
        return;
    }
    const BOOL value = Dark ? TRUE : FALSE;
    // The attribute's number changed once; builds before 20H1 know it as 19.
    if (FAILED(set(Window, 20, &value, sizeof(value)))) {
        set(Window, 19, &value, sizeof(value));
    }
}

} // namespace

TMainForm::TMainForm(TInstallationSession& Session) : FSession(Session) {
    CreateFormHandle();
}

void TMainForm::CreateFormHandle() {
    RECT frame{0, 0, FormClientWidth96, FormClientHeight96};
    AdjustWindowRectEx(&frame, FormStyle, FALSE, 0);
    TWindowParams params;
    params.ClassName = L"TQuorvalentInstallerForm";
    params.ClassStyle = CS_HREDRAW | CS_VREDRAW;
    params.Style = FormStyle;
    params.Width = frame.right - frame.left;
    params.Height = frame.bottom - frame.top;
    params.Left = 0;
    params.Top = 0;
    params.Caption = L"Quorvalent Installer";
    params.ProgramIcon = true;
    CreateHandle(params);
}

TMainForm::~TMainForm() {
    FSession.SetView(nullptr);
}

int TMainForm::Dpi() const noexcept {
    const UINT dpi = GetDpiForWindow(Handle());
    return dpi ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

void TMainForm::FormCreate() {
    FCaption = FSession.Form().WindowCaption();
    SetWindowTextW(Handle(), WStr(FCaption));
    CreateControls();
    ShowState();
    SetDestinationFolder(FSession.InitialFolder());
    FSession.SetView(this);
}

void TMainForm::CreateControls() {
    CreateHeading();
    CreateFolderControls();
    CreateSwitches();
    CreateButtons();
}

std::u16string TMainForm::CaptionOf(TFormControl Control) const {
    return FSession.Form().Caption(Control);
}

void TMainForm::CreateHeading() {
    const HWND form = Handle();
    TitleBar = std::make_unique<TTitleBar>(form);
    TitleBar->SetIconImage(imgAppIcon);
    TitleBar->SetCaption(FCaption);

    ProductNameLabel = std::make_unique<TLabelControl>(form);
    ProductNameLabel->SetLightFont(true);
    ProductNameLabel->SetFontSize(fsExtraLarge);
    ProductNameLabel->SetAlignment(taCenter);
    ProductNameLabel->SetCaption(CaptionOf(fcProductName));

    VersionLabel = std::make_unique<TLabelControl>(form);
    VersionLabel->SetAlignment(taCenter);
    VersionLabel->SetCaption(CaptionOf(fcVersion));
    if (Language->GetLanguageName() != u"Japanese") {
        VersionLabel->SetFontSize(fsSmall);
    }

    LogoImage = std::make_unique<TImage>(form);
    LogoImage->SetStretch(true);

    UninstallLabel = std::make_unique<TLabelControl>(form);
    UninstallLabel->SetCaption(CaptionOf(fcUninstallHint));
}

void TMainForm::CreateFolderControls() {
    const HWND form = Handle();
    DestinationFolderLabel = std::make_unique<TLabelControl>(form);
    DestinationFolderLabel->SetCaption(CaptionOf(fcFolderLabel));

    DestinationFolderEdit = std::make_unique<TEditControl>(form);
    DestinationFolderEdit->SetMaxLength(DestinationFolderMaxLength);
    DestinationFolderEdit->SetForbiddenChars(FolderForbiddenChars);
    DestinationFolderEdit->SetButtonVisible(true);
    DestinationFolderEdit->SetButtonImage(imgFolderEx);
    DestinationFolderEdit->OnKeyPress = [this](TObject* Sender, char16_t& Key) {
        ActionButtonKeyPress(Sender, Key);
    };
    DestinationFolderEdit->OnButtonClick = [this](TObject* Sender) { BrowseButtonClick(Sender); };
    // A screen reader names the field by the label above it.
    DestinationFolderEdit->SetAccessibleName(DestinationFolderLabel->Caption());

    AccessDeniedLabel = std::make_unique<TLabelControl>(form);
    AccessDeniedLabel->SetCaption(CaptionOf(fcAccessDenied));
    AccessDeniedLabel->SetRedFont(true);

    RunAsAdminLabel = std::make_unique<TLabelControl>(form);
    RunAsAdminLabel->SetCaption(CaptionOf(fcRunAsAdmin));
    RunAsAdminLabel->SetBlueFont(true);
    RunAsAdminLabel->SetOnClick([this](TObject* Sender) { RunAsAdminLabelClick(Sender); });
}

void TMainForm::CreateSwitches() {
    const HWND form = Handle();
    const auto newSwitch = [&](TFormControl Control, bool Checked) {
        auto result = std::make_unique<TSwitchControl>(form);
        result->SetCaption(CaptionOf(Control));
        result->SetChecked(Checked);
        result->SetAutoSize(true);
        return result;
    };
    // The command line may have made the window's choices.
    const TChoices initial = FSession.InitialChoices();
    DesktopShortcutSwitch = newSwitch(fcDesktopShortcut, initial.DesktopShortcut);
    StartMenuShortcutSwitch = newSwitch(fcStartMenuShortcut, initial.StartMenuShortcut);
    RunAfterSwitch = newSwitch(fcRunAfter, true);
    AcceptAgreementSwitch = newSwitch(fcAcceptAgreement, true);
    AcceptAgreementSwitch->SetOnChange([this](TObject* Sender) { AcceptAgreementSwitchChange(Sender); });

    AgreementLinkLabel = std::make_unique<TLabelControl>(form);
    AgreementLinkLabel->SetCaption(CaptionOf(fcAgreementLink));
    AgreementLinkLabel->SetBlueFont(true);
    AgreementLinkLabel->SetOnClick([this](TObject* Sender) { AgreementLinkClick(Sender); });

    DeleteDataSwitch = newSwitch(fcDeleteData, initial.DeleteData);
}

void TMainForm::CreateButtons() {
    const HWND form = Handle();
    UninstallLoader = std::make_unique<TAnimation>(form);
    UninstallLoader->SetFrameWidth(24);
    UninstallLoader->SetFrameCount(36);
    UninstallLoader->SetAccessibleName(CaptionOf(fcLoader));

    ActionButton = std::make_unique<TButtonControl>(form);
    ActionButton->SetCaption(CaptionOf(fcAction));
    ActionButton->SetOnClick([this](TObject* Sender) { ActionButtonClick(Sender); });
    ActionButton->SetOnKeyPress(
        [this](TObject* Sender, char16_t& Key) { ActionButtonKeyPress(Sender, Key); });

    CancelButton = std::make_unique<TButtonControl>(form);
    CancelButton->SetCaption(CaptionOf(fcCancel));
    CancelButton->SetOnClick([this](TObject* Sender) { CancelButtonClick(Sender); });
    CancelButton->SetOnKeyPress(
        [this](TObject* Sender, char16_t& Key) { CancelButtonKeyPress(Sender, Key); });
}

TChoices TMainForm::Choices() const {
    TChoices choices;
    choices.Folder = DestinationFolder();
    choices.DesktopShortcut = DesktopShortcutChecked();
    choices.StartMenuShortcut = StartMenuShortcutChecked();
    choices.RunAfter = RunAfterChecked();
    choices.DeleteData = DeleteDataChecked();
    return choices;
}

void TMainForm::ShowMessage(const std::u16string& Text, const std::u16string& Caption) {
    MessageBoxW(Handle(), WStr(Text), WStr(Caption), MB_ICONERROR);
}

TControl* TMainForm::ControlOf(TFormControl Control) const noexcept {
    switch (Control) {
    case fcTitleBar:
        return TitleBar.get();
    case fcProductName:
        return ProductNameLabel.get();
    case fcVersion:
        return VersionLabel.get();
    case fcLogo:
        return nullptr;
    case fcUninstallHint:
        return UninstallLabel.get();
    case fcFolderLabel:
        return DestinationFolderLabel.get();
    case fcFolderEdit:
        return DestinationFolderEdit.get();
    case fcAccessDenied:
        return AccessDeniedLabel.get();
    case fcRunAsAdmin:
        return RunAsAdminLabel.get();
    case fcDesktopShortcut:
        return DesktopShortcutSwitch.get();
    case fcStartMenuShortcut:
        return StartMenuShortcutSwitch.get();
    case fcRunAfter:
        return RunAfterSwitch.get();
    case fcAcceptAgreement:
        return AcceptAgreementSwitch.get();
    case fcAgreementLink:
        return AgreementLinkLabel.get();
    case fcDeleteData:
        return DeleteDataSwitch.get();
    case fcLoader:
        return UninstallLoader.get();
    case fcAction:
        return ActionButton.get();
    case fcCancel:
    case fcCount:
        break;
    }
    return CancelButton.get();
}

void TMainForm::ShowState() {
    const TMainFormModel& model = FSession.Form();
    for (int c = 0; c < fcCount; ++c) {
        const auto control = TFormControl(c);
        TControl* shown = ControlOf(control);
        if (!shown || control == fcLoader) {
            continue;
        }
        shown->SetVisible(model.Visible(control));
        shown->SetEnabled(model.Enabled(control));
    }
    // The loader shows itself while it turns.
    if (model.LoaderTurning()) {
        UninstallLoader->Start(LoaderFrameInterval);
    } else {
        UninstallLoader->Stop();
    }
}

void TMainForm::FormShow() {
    FShown = true;
    ReadSystemLook();
    ChooseTheme();
    ApplyThemeColors();
    SizeToContent();
    CenterOnMonitor();
    ApplyAccess(FSession.FolderWritable(DestinationFolder()));
    // Shown only now, in the theme's colours from its first frame.
    ShowWindow(Handle(), SW_SHOWNORMAL);
    UpdateWindow(Handle());
    ControlOf(FSession.Form().InitialFocus())->SetFocus();
}

void TMainForm::SizeToContent() {
    SetFormClientSize(Handle(), FConstraints, LeastClientWidth(), r(FormClientHeight96));
    // A size the window already had is not reported again.
    FormResize();
}

const TFormTextWidths& TMainForm::TextWidths() {
    if (FTextScale != Theme->ScaleFactor()) {
        FTextScale = Theme->ScaleFactor();
        const TMainFormModel& model = FSession.Form();
        for (const TFormControl control : FormLayoutOrder) {
            const TControl* shown = ControlOf(control);
            FTextWidths[control] = shown && model.MayShow(control) ? shown->CaptionWidth() : 0;
        }
    }
    return FTextWidths;
}

int TMainForm::LeastClientWidth() {
    return std::max(r(FormClientWidth96), FittingClientWidth(TextWidths(), Theme->ScaleFactor()));
}

void TMainForm::WidenToTexts() {
    RECT client{};
    GetClientRect(Handle(), &client);
    const int needed = FittingClientWidth(TextWidths(), Theme->ScaleFactor());
    if (client.right < needed) {
        RECT window{};
        GetWindowRect(Handle(), &window);
        SetWindowPos(Handle(), nullptr, 0, 0, window.right - window.left + needed - client.right,
                     window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TMainForm::CenterOnMonitor() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromWindow(Handle(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    RECT window{};
    GetWindowRect(Handle(), &window);
    const RECT& work = monitor.rcWork;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    SetWindowPos(Handle(), nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::ApplyThemeColors() {
    // Telling a light frame it is light would load the window manager's library for nothing.
    if (Theme->IsDarkBackground() != FDarkFrame) {
        FDarkFrame = Theme->IsDarkBackground();
        SetDarkFrame(Handle(), FDarkFrame);
    }
    InvalidateRect(Handle(), nullptr, FALSE);
}

void TMainForm::ReadSystemLook() {
    FSystemContrast = SystemHighContrast();
    if (!FSystemContrast) {
        FSystemTheme = Properties->SystemTheme();
    }
}

bool TMainForm::ChooseTheme() {
    if (FSystemContrast) {
        if (Theme->IsHighContrast() && Theme->SystemColors() == *FSystemContrast) {
            return false;
        }
        Theme->SetHighContrast(*FSystemContrast);
        return true;
    }
    if (!Theme->IsHighContrast() && Theme->ThemeName() == FSystemTheme) {
        return false;
    }
    Theme->SetThemeName(FSystemTheme);
    return true;
}

void TMainForm::FollowSystemTheme() {
    if (!FShown || !ChooseTheme()) {
        return;
    }
    ApplyThemeColors();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
    // The shared menu is a window of its own.
    if (ContextMenu && ContextMenu->Handle()) {
        InvalidateRect(ContextMenu->Handle(), nullptr, FALSE);
    }
}

void TMainForm::FormResize() {
    if (!CancelButton) {
        return; // sizes change while the window is made, before its controls exist
    }
    RECT client{};
    GetClientRect(Handle(), &client);
    const int cw = client.right;
    const int ch = client.bottom;
    // The first show and every frame recalculation report a size again; moving twenty
    // windows to where they already are would cost the start-up a second layout.
    const TLayoutKey layout{cw, ch, Theme->ScaleFactor()};
    if (layout == FLaidOut) {
        return;
    }
    FLaidOut = layout;
    const TFormLayout bounds = LayOutForm(cw, ch, Theme->ScaleFactor(), TextWidths());
    for (const TFormControl control : FormLayoutOrder) {
        const TRect& box = bounds[control];
        if (control == fcLogo) {
            LogoImage->SetBounds(box.Left, box.Top, box.Width(), box.Height());
            LogoImage->SetPicture(Theme->GetImage(imgApplicationIcon));
        } else {
            ControlOf(control)->SetBounds(box.Left, box.Top, box.Width(), box.Height());
        }
    }
}

void TMainForm::FormAfterMonitorDpiChanged(int, int NewDPI) {
    Theme->SetScaleFactor(static_cast<float>(NewDPI) / 96.0f);
    FormResize();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

bool TMainForm::DialogKey(const MSG& Msg) {
    if (HandleTabKey(Handle(), Msg)) {
        return true;
    }
    // The field's context menu, while it is open, takes Escape through its keyboard hook
    // before the message gets here: there Escape closes the menu only.
    const bool escape = Msg.message == WM_KEYDOWN && Msg.wParam == VK_ESCAPE &&
                        GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0;
    if (escape && Handle() && (Msg.hwnd == Handle() || IsChild(Handle(), Msg.hwnd))) {
        CancelButtonClick(this);
        return true;
    }
    return false;
}

void TMainForm::ActionButtonKeyPress(TObject*, char16_t& Key) {
    if (Key == u'\r') {
        ActionButtonClick(this);
    } else if (Key == u'\x1b') {
        CancelButtonClick(this);
    }
}

void TMainForm::CancelButtonKeyPress(TObject*, char16_t&) {
    CancelButtonClick(this);
}

void TMainForm::CancelButtonClick(TObject*) {
    FSession.Cancel();
}

void TMainForm::ActionButtonClick(TObject*) {
    FSession.Act();
}

void TMainForm::RunAsAdminLabelClick(TObject*) {
    FSession.RestartElevated(DestinationFolder());
}

std::u16string TMainForm::ElevationParameters() const {
    return FSession.ElevationParameters(DestinationFolder());
}

void TMainForm::AcceptAgreementSwitchChange(TObject*) {
    // Called before the switch flips: accepted when it is about to be on.
    FSession.AgreementChanged(!AcceptAgreementSwitch->Checked());
}

void TMainForm::AgreementLinkClick(TObject*) {
    FSession.OpenPage(AgreementLinkLabel->Caption());
}

void TMainForm::ApplyAccess(bool Access) {
    if (FShown) {
        FSession.ApplyAccess(Access);
    }
}

void TMainForm::BrowseButtonClick(TObject*) {
    TComPtr<IFileOpenDialog> dialog;
    if (SUCCEEDED(CoCreateInstance(FileOpenDialogClass, nullptr, CLSCTX_INPROC_SERVER,
                                   FileOpenDialogInterface, dialog.PutVoid()))) {
        dialog->SetOptions(FOS_PICKFOLDERS);
        TComPtr<IShellItem> start;
        if (SUCCEEDED(SHCreateItemFromParsingName(WStr(DestinationFolder()), nullptr, ShellItemInterface,
                                                  start.PutVoid()))) {
            dialog->SetFolder(start.Get());
        }
        TComPtr<IShellItem> chosen;
        TCoTaskMemory<wchar_t> path;
        if (SUCCEEDED(dialog->Show(Handle())) && SUCCEEDED(dialog->GetResult(chosen.Put())) &&
            SUCCEEDED(chosen->GetDisplayName(SIGDN_FILESYSPATH, path.Put()))) {
            SetDestinationFolder(U16(path.Get()));
            ApplyAccess(FSession.FolderWritable(DestinationFolder()));
        }
    }
    DestinationFolderEdit->SetCaretPosToEnd();
    DestinationFolderEdit->SetFocus();
}

void TMainForm::WMPaint() {
    PaintBuffered(Handle(), [this](HDC dc, const TRect& client) {
        FillSolidRect(dc, client, Theme->WindowColor());
        if (LogoImage && LogoImage->Visible()) {
            LogoImage->Paint(dc);
        }
    });
}

LRESULT TMainForm::WMNCCalcSize(WPARAM wParam, LPARAM lParam) {
    auto* proposed = reinterpret_cast<RECT*>(lParam);
    const LONG windowTop = proposed->top;
    const LRESULT result = DefaultHandler(WM_NCCALCSIZE, wParam, lParam);
    if (IsWindowVisible(Handle())) {
        FollowSystemTheme();
    }
    if (IsZoomed(Handle())) {
        // A maximized window's frame lies beyond the screen: only the caption goes.
        proposed->top -= GetSystemMetricsForDpi(SM_CYCAPTION, static_cast<UINT>(Dpi()));
    } else if (!IsIconic(Handle())) {
        // The client area reaches the top edge; the other frames keep their sizing borders and
        // the title bar control draws the caption strip.
        proposed->top = windowTop;
    }
    return result;
}

void TMainForm::WMActivate(WPARAM wParam, LPARAM lParam) {
    DefaultHandler(WM_ACTIVATE, wParam, lParam);
    if (TitleBar) {
        TitleBar->Invalidate();
    }
}

void TMainForm::WMGetMinMaxInfo(LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    if (FConstraints.MinWidth > 0) {
        info->ptMinTrackSize.x = FConstraints.MinWidth;
    }
    if (FConstraints.MinHeight > 0) {
        info->ptMinTrackSize.y = FConstraints.MinHeight;
    }
    if (FConstraints.MaxWidth > 0) {
        info->ptMaxTrackSize.x = FConstraints.MaxWidth;
    }
    if (FConstraints.MaxHeight > 0) {
        info->ptMaxTrackSize.y = FConstraints.MaxHeight;
    }
}

void TMainForm::WMDpiChanged(WPARAM wParam, LPARAM lParam) {
    const int oldDpi = static_cast<int>(Theme->ScaleFactor() * 96.0f + 0.5f);
    const int newDpi = HIWORD(wParam);
    const bool limited = FConstraints.MinWidth > 0 || FConstraints.MinHeight > 0;
    // The limits were taken at the old scale; kept, they would hold the window at its old
    // size on a monitor of a lower DPI. They are made again for the new scale below.
    FConstraints = {};
    const auto* suggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(Handle(), nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    FormAfterMonitorDpiChanged(oldDpi, newDpi);
    // The platform's size keeps the window's proportions, not its captions' widths, which
    // follow the fonts of the new scale: no caption is cut for it.
    WidenToTexts();
    if (limited) {
        RECT window{}, client{};
        GetWindowRect(Handle(), &window);
        GetClientRect(Handle(), &client);
        FConstraints.MinWidth = (window.right - window.left) - client.right + LeastClientWidth();
        FConstraints.MinHeight = (window.bottom - window.top) - client.bottom + r(FormClientHeight96);
    }
}

void TMainForm::WMSettingChange(WPARAM wParam, LPARAM lParam) {
    // The light/dark switch of the system's settings announces itself so, and sends no
    // frame calculation of its own; so does a high-contrast scheme turned on or off.
    const auto* area = reinterpret_cast<const wchar_t*>(lParam);
    if (wParam == SPI_SETHIGHCONTRAST || (area && U16(area) == u"ImmersiveColorSet")) {
        ReadSystemLook();
        FollowSystemTheme();
    }
}

void TMainForm::WMClose() {
    CancelButtonClick(this);
}

LRESULT TMainForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        WMClose();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        WMPaint();
        return 0;
    case WM_SIZE:
        FormResize();
        return DefaultHandler(msg, wParam, lParam);
    case WM_NCCALCSIZE:
        return WMNCCalcSize(wParam, lParam);
    case WM_ACTIVATE:
        WMActivate(wParam, lParam);
        return 0;
    case WM_NCACTIVATE:
        // The caption strip is the title bar control's, which follows activation itself: the
        // platform's own caption, hidden under it, need not be drawn on every change.
        return DefaultHandler(msg, wParam, -1);
    case WM_GETMINMAXINFO:
        WMGetMinMaxInfo(lParam);
        return 0;
    case WM_DPICHANGED:
        WMDpiChanged(wParam, lParam);
        return 0;
    case WM_SETTINGCHANGE:
        WMSettingChange(wParam, lParam);
        return DefaultHandler(msg, wParam, lParam);
    case WM_SYSCOLORCHANGE:
        // Another high-contrast scheme, or its colours edited.
        ReadSystemLook();
        FollowSystemTheme();
        return DefaultHandler(msg, wParam, lParam);
    default:
        return DefaultHandler(msg, wParam, lParam);
    }
}
