#include "utils/theme.h"

#include <algorithm>
#include <cmath>

#include "utils/exception.h"
#include "utils/strings.h"

TTheme* Theme = nullptr;

namespace {

constexpr TColor FromRgb(uint32_t rgb) noexcept {
    return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

// The product of an integer and the factor as the single-precision factor gives it.
double Scaled(int n, float factor) noexcept {
    return double(n) * double(factor);
}

// Round half to even, independent of the floating-point environment's mode.
int RoundHalfEven(double v) noexcept {
    const double down = std::floor(v);
    const double fraction = v - down;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(down, 2.0) != 0.0)) {
        return int(down + 1);
    }
    return int(down);
}

// A channel's share of the relative luminance, as sRGB defines it.
double Linear(unsigned channel) noexcept {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(TColor color) noexcept {
    return 0.2126 * Linear(color & 0xFF) + 0.7152 * Linear(color >> 8 & 0xFF) +
           0.0722 * Linear(color >> 16 & 0xFF);
}

} // namespace

std::u16string ResourceImageStem(TResourceImage Image) {
    switch (Image) {
    case imgAppIcon:
        return u"AppIcon";
    case imgApplicationIcon:
        return u"ApplicationIcon";
    case imgFolderEx:
        return u"FolderEx";
    case imgSwitch:
        return u"Switch";
    case imgLoader:
        return u"Loader";
    case imgNone:
        break;
    }
    return {};
}

double ContrastRatio(TColor A, TColor B) noexcept {
    const double a = Luminance(A), b = Luminance(B);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

TTheme::TTheme(float ScaleFactor, TResourceReader Reader) : FReader(std::move(Reader)) {
    SetScaleFactor(ScaleFactor);
    SetThemeName(u"Light");
}

TTheme::~TTheme() = default;

void TTheme::SetScaleFactor(float Value) {
    FScaleFactor = Value;
    FScaleString = IntToStr(ScaleToPercent(Value));
    LoadImages();
}

void TTheme::SetThemeName(const std::u16string& Value) {
    if (Value == FThemeName && !FHighContrast) {
        return;
    }
    FThemeName = Value;
    FHighContrast = false;
    ApplyPalette(Value == u"Light");
}

void TTheme::SetHighContrast(const TSystemColors& Colors) {
    FThemeName = u"HighContrast";
    FHighContrast = true;
    FSystemColors = Colors;
    ApplySystemColors();
}

void TTheme::ApplySystemColors() noexcept {
    const TSystemColors& c = FSystemColors;
    // The focus and selection colour must stand out from the window; a scheme whose highlight
    // does not gets its text colour there.
    const TColor focus = ContrastRatio(c.Highlight, c.Window) >= 3.0 ? c.Highlight : c.WindowText;
    FWindowColor = FPanelColor = FEditDisableColor = FCurrentLineColor = c.Window;
    FSystemVarsBgColor = FGlobalVarsBgColor = FWorkspaceVarsBgColor = FEnvironmentVarsBgColor = c.Window;
    FFontColor = FCaretColor = FBorderColor = FScrollBarColor = c.WindowText;
    FTitleBarActiveColor = FTitleBarTopLineActiveColor = c.WindowText;
    FSystemVarsColor = FGlobalVarsColor = FWorkspaceVarsColor = FEnvironmentVarsColor = c.WindowText;
    FSyntaxHighlightingColor1 = FSyntaxHighlightingColor2 = c.WindowText;
    FSyntaxHighlightingColor3 = FSyntaxHighlightingColor4 = c.WindowText;
    FGrayText = FBorderDisableColor = FTitleBarInactiveColor = FTitleBarTopLineInactiveColor = c.GrayText;
    FLinkFontColor = FSelMethodFontColor = c.HotLight;
    FButtonFontColor = FButtonPlusColor = c.ButtonText;
    FButtonColor = c.ButtonFace;
    FButtonHoverColor = FButtonActiveColor = FTextSelectionColor = c.Highlight;
    FTitleBarCloseHoverColor = FTitleBarCloseActiveColor = c.Highlight;
    FBorderFocusColor = FDoubleBorderColor = focus;
}

bool TTheme::IsDarkBackground() const noexcept {
    // Darker than the middle grey: white text on it has the better contrast.
    return FHighContrast ? ContrastRatio(FWindowColor, 0xFFFFFF) > ContrastRatio(FWindowColor, 0) : IsDark();
}

TColor TTheme::ButtonTextColor() const noexcept {
    return FHighContrast ? FSystemColors.ButtonText : FFontColor;
}

TColor TTheme::SelectedTextColor() const noexcept {
    return FHighContrast ? FSystemColors.HighlightText : FFontColor;
}

void TTheme::ApplyPalette(bool Light) noexcept {
#define QV_THEME_COLOR_APPLY(Name, LightValue, DarkValue) F##Name = FromRgb(Light ? LightValue : DarkValue);
    QV_THEME_COLORS(QV_THEME_COLOR_APPLY)
#undef QV_THEME_COLOR_APPLY
}

int TTheme::SmallFontHeight() const noexcept {
    return RoundHalfEven(Scaled(-11, FScaleFactor));
}

int TTheme::FontHeight() const noexcept {
    return RoundHalfEven(Scaled(-13, FScaleFactor));
}

int TTheme::LargeFontHeight() const noexcept {
    return RoundHalfEven(Scaled(-19, FScaleFactor));
}

int TTheme::ExtraLargeFontHeight() const noexcept {
    return RoundHalfEven(Scaled(-24, FScaleFactor));
}

TPngImage* TTheme::GetImage(TResourceImage Image) const {
    const size_t index = size_t(Image);
    if (index >= FImages.size()) {
        throw EListError(u"List index out of bounds (" + IntToStr(static_cast<long long>(index)) + u")");
    }
    return FImages[index].get();
}

void TTheme::LoadImages() {
    FImages.clear();
    for (int i = 0; i < ResourceImageCount; ++i) {
        FImages.push_back(LoadImage(ResourceImageStem(TResourceImage(i))));
    }
}

std::unique_ptr<TPngImage> TTheme::LoadImage(const std::u16string& Name) const {
    const std::u16string resource = Name + FScaleString;
    if (!FReader) {
        throw EResNotFound(u"Resource " + resource + u" not found");
    }
    const std::span<const uint8_t> bytes = FReader(resource);
    auto image = std::make_unique<TPngImage>();
    image->LoadFromBytes(bytes.data(), bytes.size());
    return image;
}

int TTheme::ScaleToPercent(float ScaleFactor) noexcept {
    static constexpr int Percent[] = {100, 125, 150, 175, 200};
    return Percent[ScaleToIndex(ScaleFactor) - 1];
}

int TTheme::ScaleToIndex(float ScaleFactor) noexcept {
    const double factor = ScaleFactor;
    if (factor <= 1.0) {
        return 1;
    }
    if (factor <= 1.25) {
        return 2;
    }
    if (factor <= 1.5) {
        return 3;
    }
    if (factor <= 1.75) {
        return 4;
    }
    return 5;
}

int ScaleValue(int n, float Factor) noexcept {
    return RoundHalfEven(Scaled(n, Factor));
}

int ScaleValue(int n) noexcept {
    return ScaleValue(n, Theme->ScaleFactor());
}

int ScaleValueTrunc(int n) noexcept {
    return int(std::trunc(Scaled(n, Theme->ScaleFactor())));
}

TRect BorderRect(const TRect& R) noexcept {
    const float factor = Theme->ScaleFactor();
    const int w = R.Width(), h = R.Height();
    if (factor < 2.0f) {
        return {R.Left, R.Top, w, h};
    }
    if (factor < 3.0f) {
        return {R.Left + 1, R.Top + 1, w, h};
    }
    return {R.Left + 1, R.Top + 1, w - 1, h - 1};
}
