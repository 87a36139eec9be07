#include "app/main_form.h"

#include "app/application.h"
#include "utils/command_line.h"
#include "utils/common.h"
#include "utils/consts.h"
#include "utils/language.h"
#include "utils/properties.h"
#include "utils/rest.h"
#include "utils/strings.h"
#include "utils/text_filters.h"
#include "utils/theme.h"
#include "utils/theme_win.h"
#include "ucl/gdi.h"
#include "utils/win32.h"

namespace {

constexpr int DesignClientWidth = 520;
constexpr int DesignClientHeight = 400;

// The user's linguistic lower-casing; switch names match in any case wherever the locale
// lower-cases their capitals to the plain ASCII letters.
std::u16string LocaleLowerCase(std::u16string_view text) {
    auto lower = MapTextCase(LOCALE_NAME_USER_DEFAULT, LCMAP_LOWERCASE | LCMAP_LINGUISTIC_CASING, text);
    return lower ? std::move(*lower) : SimpleLowerCase(text);
}

} // namespace

TMainForm::TMainForm(TApplication& Application, std::u16string CommandLine)
    : FApplication(Application), FCommandLine(std::move(CommandLine)) {
    RECT frame{0, 0, DesignClientWidth, DesignClientHeight};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    TWindowParams params;
    params.ClassName = L"TQuorvalentInstallerForm";
    params.ClassStyle = CS_HREDRAW | CS_VREDRAW;
    params.Style = style;
    params.Width = width;
    params.Height = height;
    params.Left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    params.Top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    params.Caption = L"Quorvalent Installer";
    CreateHandle(params);
    FormCreate();
}

TMainForm::~TMainForm() = default;

std::u16string TMainForm::GetRunMode() const {
    return ::GetRunMode(SplitCommandLine(FCommandLine), LocaleLowerCase);
}

bool TMainForm::GetBooleanParam(const std::u16string& Param) const {
    return ::GetBooleanParam(SplitCommandLine(FCommandLine), Param, LocaleLowerCase);
}

std::u16string TMainForm::GetStringParam(const std::u16string& Param) const {
    return ::GetStringParam(SplitCommandLine(FCommandLine), Param, LocaleLowerCase);
}

void TMainForm::CreateSingletons() {
    // The singletons live until the process ends; a second form in the same process (the
    // tests create several) shares them.
    if (!Theme) {
        Theme = new TTheme(static_cast<float>(GetDpiForWindow(Handle())) / 96.0f);
    }
    if (!Language) {
        Language = new TLanguage(GetUserLanguageName());
    }
    if (!Properties) {
        Properties = new TProperties();
    }
    if (!RestApi) {
        RestApi = new TRestApi();
    }
}

void TMainForm::FormCreate() {
    RunMode = GetRunMode();
    SilentMode = GetBooleanParam(u"/silent");
    VerySilentMode = GetBooleanParam(u"/verysilent");
    CreateSingletons();

    FCaption = std::u16string(ProductName) + u" \u2013 " + GetPhrase(AsciiUpperCase(RunMode));
    SetWindowTextW(Handle(), WStr(FCaption));
    CreateUninstallControls();

    const std::u16string dir = GetStringParam(u"/dir");
    if (!dir.empty()) {
        SetDestinationFolder(dir);
    } else if (!Properties->InstallLocation().empty()) {
        SetDestinationFolder(Properties->InstallLocation());
    } else {
        SetDestinationFolder(DefaultDestinationFolder());
    }

    if (SilentMode || VerySilentMode) {
        FApplication.ShowMainForm = false;
        ActionButtonClick(this);
    }
}

std::u16string TMainForm::DefaultDestinationFolder() const {
    return GetAppDataFolder() + DefaultFolderSuffix;
}

void TMainForm::SetDestinationFolder(const std::u16string& Text) {
    FDestinationFolder = ApplyEditInputRules(Text, u"", FolderForbiddenChars, DestinationFolderMaxLength);
}

void TMainForm::ShowError(const std::u16string& Text, const std::u16string& Title) {
    MessageBoxW(Handle(), WStr(Text), WStr(Title), MB_ICONERROR);
}

void TMainForm::CancelButtonClick(TObject*) {
    FApplication.Terminate();
}

void TMainForm::WMPaint() {
    PaintBuffered(Handle(), [](HDC dc, const TRect& client) { FillSolidRect(dc, client, Theme->WindowColor()); });
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
    default:
        return DefaultHandler(msg, wParam, lParam);
    }
}
