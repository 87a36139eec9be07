// The parts of the theme that need the platform: the images from the program's resources and
// the sizing of the main window.
#include "utils/theme_win.h"

#include "utils/exception.h"
#include "utils/strings.h"
#include "utils/text_win.h"

std::span<const uint8_t> ReadProgramResource(const std::u16string& Name) {
    // Resource compilers store names upper-cased; the lookup is made the same way so that
    // AppIcon125 finds APPICON125 whatever the platform's own comparison does.
    const std::u16string upper = AsciiUpperCase(Name);
    const HMODULE module = GetModuleHandleW(nullptr);
    HRSRC info = FindResourceW(module, WStr(upper), MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL data = info ? LoadResource(module, info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) {
        throw EResNotFound(u"Resource " + Name + u" not found");
    }
    return {static_cast<const uint8_t*>(bytes), SizeofResource(module, info)};
}

TTheme::TTheme(float ScaleFactor) : TTheme(ScaleFactor, ReadProgramResource) {}

int FormFrameHeight(HWND Form) noexcept {
    const LONG_PTR style = GetWindowLongPtrW(Form, GWL_STYLE);
    if (style & WS_THICKFRAME) {
        return GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER);
    }
    if (style & (WS_BORDER | WS_DLGFRAME)) {
        return GetSystemMetrics(SM_CYDLGFRAME);
    }
    return 0;
}

void SetFormClientSize(HWND Form, TFormConstraints& Constraints, int Width, int Height) {
    Constraints = {};
    RECT window{}, client{};
    GetWindowRect(Form, &window);
    GetClientRect(Form, &client);
    const int outerWidth = (window.right - window.left) - client.right + Width;
    const int outerHeight = (window.bottom - window.top) - client.bottom + Height;
    SetWindowPos(Form, nullptr, 0, 0, outerWidth, outerHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(Form, &window);
    Constraints.MinHeight = window.bottom - window.top;
    Constraints.MinWidth = window.right - window.left;
}

std::optional<TSystemColors> SystemHighContrast() noexcept {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    if (!SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) ||
        !(contrast.dwFlags & HCF_HIGHCONTRASTON)) {
        return std::nullopt;
    }
    TSystemColors colors;
    colors.Window = GetSysColor(COLOR_WINDOW);
    colors.WindowText = GetSysColor(COLOR_WINDOWTEXT);
    colors.ButtonFace = GetSysColor(COLOR_BTNFACE);
    colors.ButtonText = GetSysColor(COLOR_BTNTEXT);
    colors.Highlight = GetSysColor(COLOR_HIGHLIGHT);
    colors.HighlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    colors.HotLight = GetSysColor(COLOR_HOTLIGHT);
    colors.GrayText = GetSysColor(COLOR_GRAYTEXT);
    return colors;
}
