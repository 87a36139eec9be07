// The single source of everything visual that no one control owns: the light and dark
// palettes, the scale factor with its font heights, and the images for that scale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "utils/theme_types.h"
#include "utils/png_image.h"
#include "utils/rect.h"

// Every colour of the theme: name, light value, dark value (as #RRGGBB), in declaration order.
#define QV_THEME_COLORS(X)                                                                                   \
    X(WindowColor, 0xFFFFFF, 0x212121)                                                                       \
    X(PanelColor, 0xF7F8F9, 0x262626)                                                                        \
    X(FontColor, 0x000000, 0xDFDFDF)                                                                         \
    X(GrayText, 0x6B778C, 0x8C8C8C)                                                                          \
    X(EditDisableColor, 0xF3F5F7, 0x2C2C2C)                                                                  \
    X(LinkFontColor, 0x1B62C9, 0x6496DC)                                                                     \
    X(SelMethodFontColor, 0x1858B5, 0x6496DC)                                                                \
    X(ButtonFontColor, 0x323E51, 0xC8C8C8)                                                                   \
    X(ButtonColor, 0xEAEDEF, 0x3A3A3A)                                                                       \
    X(ButtonPlusColor, 0xDFE3E5, 0x424242)                                                                   \
    X(ButtonHoverColor, 0xD5D9DB, 0x484848)                                                                  \
    X(ButtonActiveColor, 0xC8CCCE, 0x585858)                                                                 \
    X(BorderColor, 0xC8CCCE, 0x505050)                                                                       \
    X(BorderFocusColor, 0x2188FF, 0x2188FF)                                                                  \
    X(BorderDisableColor, 0xDCE0E2, 0x646464)                                                                \
    X(DoubleBorderColor, 0xE2B700, 0x9D7D00)                                                                 \
    X(ScrollBarColor, 0xAEB2B4, 0x727272)                                                                    \
    X(TitleBarActiveColor, 0x000000, 0xDFDFDF)                                                               \
    X(TitleBarInactiveColor, 0x999999, 0x707070)                                                             \
    X(TitleBarCloseHoverColor, 0xE81123, 0xE81123)                                                           \
    X(TitleBarCloseActiveColor, 0xF1707A, 0xF1707A)                                                          \
    X(TitleBarTopLineActiveColor, 0x707070, 0x707070)                                                        \
    X(TitleBarTopLineInactiveColor, 0xAAAAAA, 0xAAAAAA)                                                      \
    X(CaretColor, 0x000000, 0xDFDFDF)                                                                        \
    X(CurrentLineColor, 0xFFFAE3, 0x2A2A2A)                                                                  \
    X(TextSelectionColor, 0xC0C4C6, 0x505050)                                                                \
    X(SystemVarsColor, 0x4E95EA, 0x4E95EA)                                                                   \
    X(GlobalVarsColor, 0xAA6DD1, 0xAA6DD1)                                                                   \
    X(WorkspaceVarsColor, 0xF4764E, 0xF4764E)                                                                \
    X(EnvironmentVarsColor, 0x4ABA4A, 0x4ABA4A)                                                              \
    X(SystemVarsBgColor, 0xCAE2FF, 0x264B70)                                                                 \
    X(GlobalVarsBgColor, 0xEBCCFF, 0x593C70)                                                                 \
    X(WorkspaceVarsBgColor, 0xFFE3C2, 0x723626)                                                              \
    X(EnvironmentVarsBgColor, 0xC8F0C8, 0x266026)                                                            \
    X(SyntaxHighlightingColor1, 0x808080, 0x8C8C8C)                                                          \
    X(SyntaxHighlightingColor2, 0x660E7A, 0xCBCCC5)                                                          \
    X(SyntaxHighlightingColor3, 0x008000, 0x95C077)                                                          \
    X(SyntaxHighlightingColor4, 0x000080, 0x7DA3E8)

// The system colours that a high-contrast scheme sets, as the platform gives them
// (COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HIGHLIGHT,
// COLOR_HIGHLIGHTTEXT, COLOR_HOTLIGHT, COLOR_GRAYTEXT).
struct TSystemColors {
    TColor Window = 0;
    TColor WindowText = 0;
    TColor ButtonFace = 0;
    TColor ButtonText = 0;
    TColor Highlight = 0;
    TColor HighlightText = 0;
    TColor HotLight = 0;
    TColor GrayText = 0;
    bool operator==(const TSystemColors&) const = default;
};

// The contrast ratio of two colours as WCAG defines it, from 1 (the same) to 21 (black and
// white).
double ContrastRatio(TColor A, TColor B) noexcept;

// The bytes of the program's raw-data resource Name; raises EResNotFound when there is none.
using TResourceReader = std::function<std::span<const uint8_t>(const std::u16string& Name)>;

class TTheme {
public:
    // Loads the images from the program's own resources (Windows only).
    explicit TTheme(float ScaleFactor);
    // Loads the images through Reader; the palette starts as "Light".
    TTheme(float ScaleFactor, TResourceReader Reader);
    TTheme(const TTheme&) = delete;
    TTheme& operator=(const TTheme&) = delete;
    ~TTheme();

    // Stores the factor and its percent text and reloads every image, also for an unchanged
    // factor; images obtained before must not be used afterwards.
    void SetScaleFactor(float Value);
    float ScaleFactor() const noexcept { return FScaleFactor; }
    const std::u16string& ScaleString() const noexcept { return FScaleString; }

    const std::u16string& ThemeName() const noexcept { return FThemeName; }
    // "Light" applies the light palette, any other new name the dark one.
    void SetThemeName(const std::u16string& Value);
    bool IsLight() const noexcept { return FThemeName == u"Light"; }
    bool IsDark() const noexcept { return FThemeName == u"Dark"; }

    // The system's high-contrast look: every colour of the theme taken from Colors, under the
    // name "HighContrast"; a later SetThemeName leaves it. The controls then draw state by
    // shape too (a switch's knob, a dotted focus cue, a dotted border when disabled), so that
    // nothing depends on telling two colours apart.
    void SetHighContrast(const TSystemColors& Colors);
    bool IsHighContrast() const noexcept { return FHighContrast; }
    const TSystemColors& SystemColors() const noexcept { return FSystemColors; }
    // A dark window background: the dark palette, or a high-contrast scheme with a dark window
    // colour. The frame the platform draws follows it.
    bool IsDarkBackground() const noexcept;
    // Text on a button's face, and on a selection or a hovered button: the font colour in the
    // light and dark looks, the scheme's button and highlight text in high contrast.
    TColor ButtonTextColor() const noexcept;
    TColor SelectedTextColor() const noexcept;

    // Platform font heights (negative: character height in pixels) for the current factor.
    int SmallFontHeight() const noexcept;
    int FontHeight() const noexcept;
    int LargeFontHeight() const noexcept;
    int ExtraLargeFontHeight() const noexcept;

    // The loaded image of Image, owned by the theme; raises EListError for imgNone.
    TPngImage* GetImage(TResourceImage Image) const;
    void LoadImages();

    static int ScaleToPercent(float ScaleFactor) noexcept;
    static int ScaleToIndex(float ScaleFactor) noexcept;

#define QV_THEME_COLOR_PROPERTY(Name, Light, Dark)                                                           \
    TColor Name() const noexcept {                                                                           \
        return F##Name;                                                                                      \
    }                                                                                                        \
    void Set##Name(TColor Value) noexcept {                                                                  \
        F##Name = Value;                                                                                     \
    }
    QV_THEME_COLORS(QV_THEME_COLOR_PROPERTY)
#undef QV_THEME_COLOR_PROPERTY

private:
    void ApplyPalette(bool Light) noexcept;
    void ApplySystemColors() noexcept;
    std::unique_ptr<TPngImage> LoadImage(const std::u16string& Name) const;

    std::u16string FThemeName;
    bool FHighContrast = false;
    TSystemColors FSystemColors;
    float FScaleFactor = 1.0f;
    std::u16string FScaleString;
#define QV_THEME_COLOR_FIELD(Name, Light, Dark) TColor F##Name = 0;
    QV_THEME_COLORS(QV_THEME_COLOR_FIELD)
#undef QV_THEME_COLOR_FIELD
    std::vector<std::unique_ptr<TPngImage>> FImages;
    TResourceReader FReader;
};

// The one theme of the process, published by the run's services (app/run_services.h) while
// the run has a window.
extern TTheme* Theme;

// n × Factor, rounded to the nearest integer with ties to even.
int ScaleValue(int n, float Factor) noexcept;
// n × the theme's factor, rounded to the nearest integer with ties to even: r(n).
int ScaleValue(int n) noexcept;
// n × the theme's factor, truncated toward zero: t(n).
int ScaleValueTrunc(int n) noexcept;
// The rectangle on which a border of pen width t(1) is drawn inside R.
TRect BorderRect(const TRect& R) noexcept;
