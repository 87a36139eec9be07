#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <set>

#include "app/run_services.h"
#include "tests/unit/png_builder.h"
#include "utils/png_decoder.h"
#include "utils/theme.h"

namespace {

// The palettes as #RRGGBB, written from the design table, in its order.
struct TExpectedColor {
    const char* Name;
    TColor (TTheme::*Get)() const noexcept;
    uint32_t Light, Dark;
};

const TExpectedColor Palette[] = {
    {"WindowColor", &TTheme::WindowColor, 0xFFFFFF, 0x212121},
    {"PanelColor", &TTheme::PanelColor, 0xF7F8F9, 0x262626},
    {"FontColor", &TTheme::FontColor, 0x000000, 0xDFDFDF},
    {"GrayText", &TTheme::GrayText, 0x6B778C, 0x8C8C8C},
    {"EditDisableColor", &TTheme::EditDisableColor, 0xF3F5F7, 0x2C2C2C},
    {"LinkFontColor", &TTheme::LinkFontColor, 0x1B62C9, 0x6496DC},
    {"SelMethodFontColor", &TTheme::SelMethodFontColor, 0x1858B5, 0x6496DC},
    {"ButtonFontColor", &TTheme::ButtonFontColor, 0x323E51, 0xC8C8C8},
    {"ButtonColor", &TTheme::ButtonColor, 0xEAEDEF, 0x3A3A3A},
    {"ButtonPlusColor", &TTheme::ButtonPlusColor, 0xDFE3E5, 0x424242},
    {"ButtonHoverColor", &TTheme::ButtonHoverColor, 0xD5D9DB, 0x484848},
    {"ButtonActiveColor", &TTheme::ButtonActiveColor, 0xC8CCCE, 0x585858},
    {"BorderColor", &TTheme::BorderColor, 0xC8CCCE, 0x505050},
    {"BorderFocusColor", &TTheme::BorderFocusColor, 0x2188FF, 0x2188FF},
    {"BorderDisableColor", &TTheme::BorderDisableColor, 0xDCE0E2, 0x646464},
    {"DoubleBorderColor", &TTheme::DoubleBorderColor, 0xE2B700, 0x9D7D00},
    {"ScrollBarColor", &TTheme::ScrollBarColor, 0xAEB2B4, 0x727272},
    {"TitleBarActiveColor", &TTheme::TitleBarActiveColor, 0x000000, 0xDFDFDF},
    {"TitleBarInactiveColor", &TTheme::TitleBarInactiveColor, 0x999999, 0x707070},
    {"TitleBarCloseHoverColor", &TTheme::TitleBarCloseHoverColor, 0xE81123, 0xE81123},
    {"TitleBarCloseActiveColor", &TTheme::TitleBarCloseActiveColor, 0xF1707A, 0xF1707A},
    {"TitleBarTopLineActiveColor", &TTheme::TitleBarTopLineActiveColor, 0x707070, 0x707070},
    {"TitleBarTopLineInactiveColor", &TTheme::TitleBarTopLineInactiveColor, 0xAAAAAA, 0xAAAAAA},
    {"CaretColor", &TTheme::CaretColor, 0x000000, 0xDFDFDF},
    {"CurrentLineColor", &TTheme::CurrentLineColor, 0xFFFAE3, 0x2A2A2A},
    {"TextSelectionColor", &TTheme::TextSelectionColor, 0xC0C4C6, 0x505050},
    {"SystemVarsColor", &TTheme::SystemVarsColor, 0x4E95EA, 0x4E95EA},
    {"GlobalVarsColor", &TTheme::GlobalVarsColor, 0xAA6DD1, 0xAA6DD1},
    {"WorkspaceVarsColor", &TTheme::WorkspaceVarsColor, 0xF4764E, 0xF4764E},
    {"EnvironmentVarsColor", &TTheme::EnvironmentVarsColor, 0x4ABA4A, 0x4ABA4A},
    {"SystemVarsBgColor", &TTheme::SystemVarsBgColor, 0xCAE2FF, 0x264B70},
    {"GlobalVarsBgColor", &TTheme::GlobalVarsBgColor, 0xEBCCFF, 0x593C70},
    {"WorkspaceVarsBgColor", &TTheme::WorkspaceVarsBgColor, 0xFFE3C2, 0x723626},
    {"EnvironmentVarsBgColor", &TTheme::EnvironmentVarsBgColor, 0xC8F0C8, 0x266026},
    {"SyntaxHighlightingColor1", &TTheme::SyntaxHighlightingColor1, 0x808080, 0x8C8C8C},
    {"SyntaxHighlightingColor2", &TTheme::SyntaxHighlightingColor2, 0x660E7A, 0xCBCCC5},
    {"SyntaxHighlightingColor3", &TTheme::SyntaxHighlightingColor3, 0x008000, 0x95C077},
    {"SyntaxHighlightingColor4", &TTheme::SyntaxHighlightingColor4, 0x000080, 0x7DA3E8},
};

// #RRGGBB as the platform stores it.
TColor Platform(uint32_t rgb) {
    return (rgb >> 16) | (rgb & 0x00FF00) | (rgb & 0xFF) << 16;
}

void ExpectPalette(const TTheme& theme, bool light) {
    for (const TExpectedColor& c : Palette) {
        EXPECT_EQ((theme.*c.Get)(), Platform(light ? c.Light : c.Dark))
            << c.Name << (light ? " light" : " dark");
    }
}

// Resources made in memory: every name the theme may ask for, each a PNG of the size its
// stem and suffix call for, except those listed as missing or corrupt.
class TFakeResources {
public:
    std::set<std::u16string> Missing, Corrupt;
    std::vector<std::u16string> Requested;

    TResourceReader Reader() {
        return [this](const std::u16string& name) { return Read(name); };
    }

private:
    std::span<const uint8_t> Read(const std::u16string& name) {
        Requested.push_back(name);
        if (Missing.count(name)) {
            throw EResNotFound(u"Resource " + name + u" not found");
        }
        auto& bytes = FBytes[name];
        if (Corrupt.count(name)) {
            bytes = {0x89, 'P', 'N', 'G', 0, 0, 0, 0};
        } else if (bytes.empty()) {
            const std::u16string stem = name.substr(0, name.size() - 3);
            const int percent = std::stoi(std::string(name.end() - 3, name.end()));
            const std::map<std::u16string, std::pair<int, int>> sizes = {{u"AppIcon", {16, 16}},
                                                                         {u"ApplicationIcon", {64, 64}},
                                                                         {u"FolderEx", {16, 16}},
                                                                         {u"Switch", {24, 192}},
                                                                         {u"Loader", {864, 24}}};
            const auto [w, h] = sizes.at(stem);
            bytes = PatternPng(uint32_t(w * percent / 100), uint32_t(h * percent / 100)).Build();
        }
        return bytes;
    }

    std::map<std::u16string, std::vector<uint8_t>> FBytes;
};

TEST(ThemePalette, StartsLightAndSwitchesBothWays) {
    TFakeResources resources;
    TTheme theme(1.0f, resources.Reader());
    EXPECT_EQ(theme.ThemeName(), u"Light");
    EXPECT_TRUE(theme.IsLight());
    EXPECT_FALSE(theme.IsDark());
    ExpectPalette(theme, true);

    theme.SetThemeName(u"Dark");
    EXPECT_TRUE(theme.IsDark());
    EXPECT_FALSE(theme.IsLight());
    ExpectPalette(theme, false);

    theme.SetThemeName(u"Light");
    ExpectPalette(theme, true);
}

TEST(ThemePalette, OnlyANewNameAppliesAPaletteAndAnUnknownOneIsDark) {
    TFakeResources resources;
    TTheme theme(1.0f, resources.Reader());
    theme.SetWindowColor(0x123456);
    theme.SetThemeName(u"Light");
    EXPECT_EQ(theme.WindowColor(), 0x123456u) << "the same name applies nothing";

    theme.SetThemeName(u"dark");
    EXPECT_EQ(theme.ThemeName(), u"dark");
    EXPECT_FALSE(theme.IsLight());
    EXPECT_FALSE(theme.IsDark());
    ExpectPalette(theme, false);
    theme.SetThemeName(u"Dark");
    ExpectPalette(theme, false);
    theme.SetThemeName(u"");
    ExpectPalette(theme, false);
}

// Schemes as the system's settings offer them, and one of a user's own.
const TSystemColors WhiteOnBlack{Platform(0x000000), Platform(0xFFFFFF), Platform(0x000000),
                                 Platform(0xFFFFFF), Platform(0x1AEBFF), Platform(0x000000),
                                 Platform(0xFFFF00), Platform(0x3FF23F)};
const TSystemColors BlackOnWhite{Platform(0xFFFFFF), Platform(0x000000), Platform(0xFFFFFF),
                                 Platform(0x000000), Platform(0x37006E), Platform(0xFFFFFF),
                                 Platform(0x00009F), Platform(0x600000)};
const TSystemColors Custom{Platform(0x202020), Platform(0xF0E68C), Platform(0x303060), Platform(0xE0FFFF),
                           Platform(0x4169E1), Platform(0xFFD700), Platform(0x7FFF00), Platform(0xA0A0A0)};

TEST(ThemeHighContrast, EveryColourComesFromTheScheme) {
    for (const TSystemColors& scheme : {WhiteOnBlack, BlackOnWhite, Custom}) {
        TFakeResources resources;
        TTheme theme(1.0f, resources.Reader());
        theme.SetHighContrast(scheme);
        EXPECT_TRUE(theme.IsHighContrast());
        EXPECT_EQ(theme.ThemeName(), u"HighContrast");
        EXPECT_FALSE(theme.IsLight());
        EXPECT_FALSE(theme.IsDark());
        EXPECT_EQ(theme.SystemColors(), scheme);
        // Window and text, buttons, selection, links, disabled text.
        const std::pair<TColor, TColor> expected[] = {
            {theme.WindowColor(), scheme.Window},
            {theme.PanelColor(), scheme.Window},
            {theme.EditDisableColor(), scheme.Window},
            {theme.FontColor(), scheme.WindowText},
            {theme.CaretColor(), scheme.WindowText},
            {theme.BorderColor(), scheme.WindowText},
            {theme.TitleBarActiveColor(), scheme.WindowText},
            {theme.ButtonColor(), scheme.ButtonFace},
            {theme.ButtonPlusColor(), scheme.ButtonText},
            {theme.ButtonTextColor(), scheme.ButtonText},
            {theme.ButtonHoverColor(), scheme.Highlight},
            {theme.TextSelectionColor(), scheme.Highlight},
            {theme.SelectedTextColor(), scheme.HighlightText},
            {theme.LinkFontColor(), scheme.HotLight},
            {theme.GrayText(), scheme.GrayText},
            {theme.BorderDisableColor(), scheme.GrayText},
            {theme.TitleBarInactiveColor(), scheme.GrayText},
            {theme.BorderFocusColor(), scheme.Highlight},
        };
        for (size_t i = 0; i < std::size(expected); ++i) {
            EXPECT_EQ(expected[i].first, expected[i].second) << "entry " << i;
        }
    }
}

TEST(ThemeHighContrast, TheDarkFrameFollowsTheWindowColour) {
    TFakeResources resources;
    TTheme theme(1.0f, resources.Reader());
    theme.SetHighContrast(WhiteOnBlack);
    EXPECT_TRUE(theme.IsDarkBackground());
    theme.SetHighContrast(BlackOnWhite);
    EXPECT_FALSE(theme.IsDarkBackground());
    theme.SetHighContrast(Custom);
    EXPECT_TRUE(theme.IsDarkBackground());
}

TEST(ThemeHighContrast, AHighlightLikeTheWindowLeavesTheFocusToTheText) {
    TSystemColors flat = BlackOnWhite;
    flat.Highlight = Platform(0xF4F4F4);
    TFakeResources resources;
    TTheme theme(1.0f, resources.Reader());
    theme.SetHighContrast(flat);
    EXPECT_EQ(theme.BorderFocusColor(), flat.WindowText);
    EXPECT_EQ(theme.TextSelectionColor(), flat.Highlight);
}

TEST(ThemeHighContrast, TheNamedLooksLeaveItAndNewColoursAreTaken) {
    TFakeResources resources;
    TTheme theme(1.0f, resources.Reader());
    theme.SetHighContrast(WhiteOnBlack);
    theme.SetHighContrast(Custom);
    EXPECT_EQ(theme.WindowColor(), Custom.Window);
    // Back to the app setting, also when it is the name the theme had before.
    theme.SetThemeName(u"Light");
    EXPECT_FALSE(theme.IsHighContrast());
    ExpectPalette(theme, true);
    EXPECT_EQ(theme.ButtonTextColor(), theme.FontColor());
    EXPECT_EQ(theme.SelectedTextColor(), theme.FontColor());
}

TEST(ContrastRatio, RunsFromOneToTwentyOne) {
    EXPECT_DOUBLE_EQ(ContrastRatio(0x000000, 0xFFFFFF), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(0xFFFFFF, 0x000000), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(0x123456, 0x123456), 1.0);
    // #767676 on white is the lightest grey that passes WCAG's 4.5:1.
    EXPECT_NEAR(ContrastRatio(0x767676, 0xFFFFFF), 4.54, 0.01);
}

TEST(ThemeScale, PercentAndIndexFollowTheThresholds) {
    struct {
        float Factor;
        int Percent, Index;
    } cases[] = {{0.5f, 100, 1},
                 {1.0f, 100, 1},
                 {1.1f, 125, 2},
                 {1.25f, 125, 2},
                 {1.2500001f, 150, 3},
                 {1.26f, 150, 3},
                 {1.5f, 150, 3},
                 {1.75f, 175, 4},
                 {1.7500001f, 200, 5},
                 {2.0f, 200, 5},
                 {2.5f, 200, 5},
                 {3.0f, 200, 5},
                 {std::numeric_limits<float>::quiet_NaN(), 200, 5}};
    for (const auto& c : cases) {
        EXPECT_EQ(TTheme::ScaleToPercent(c.Factor), c.Percent) << c.Factor;
        EXPECT_EQ(TTheme::ScaleToIndex(c.Factor), c.Index) << c.Factor;
    }
}

TEST(ThemeScale, FontHeightsRoundHalfToEven) {
    struct {
        float Factor;
        int Small, Normal, Large, ExtraLarge;
    } cases[] = {{1.0f, -11, -13, -19, -24},
                 {1.25f, -14, -16, -24, -30},
                 {1.5f, -16, -20, -28, -36},
                 {1.75f, -19, -23, -33, -42},
                 {2.0f, -22, -26, -38, -48}};
    TFakeResources resources;
    for (const auto& c : cases) {
        TTheme theme(c.Factor, resources.Reader());
        EXPECT_EQ(theme.SmallFontHeight(), c.Small) << c.Factor;
        EXPECT_EQ(theme.FontHeight(), c.Normal) << c.Factor;
        EXPECT_EQ(theme.LargeFontHeight(), c.Large) << c.Factor;
        EXPECT_EQ(theme.ExtraLargeFontHeight(), c.ExtraLarge) << c.Factor;
        EXPECT_EQ(theme.ScaleFactor(), c.Factor);
    }
}

class ThemeRoutines : public ::testing::Test {
protected:
    void Use(float factor) {
        FServices.reset();
        FServices = std::make_unique<TRunServices>(u"English");
        FServices->AdoptTheme(std::make_unique<TTheme>(factor, FResources.Reader()));
    }

    TFakeResources FResources;
    std::unique_ptr<TRunServices> FServices;
};

TEST_F(ThemeRoutines, ScaleValueRoundsHalfToEvenAndTruncTruncates) {
    struct {
        float Factor;
        int N, Rounded, Truncated;
    } cases[] = {
        {1.0f, 13, 13, 13},    {1.0f, -7, -7, -7},   {1.25f, 10, 12, 12}, {1.25f, 6, 8, 7},
        {1.25f, 18, 22, 22},   {1.25f, 30, 38, 37},  {1.25f, 78, 98, 97}, {1.25f, 186, 232, 232},
        {1.25f, -2, -2, -2},   {1.5f, 13, 20, 19},   {1.5f, 11, 16, 16},  {1.5f, -11, -16, -16},
        {1.5f, 520, 780, 780}, {1.75f, 1, 2, 1},     {1.75f, 2, 4, 3},    {1.75f, 6, 10, 10},
        {2.0f, 7, 14, 14},     {2.5f, 5, 12, 12},    {2.5f, 7, 18, 17},   {2.5f, -3, -8, -7},
        {3.0f, 1, 3, 3},       {3.0f, -5, -15, -15}, {1.1f, 10, 11, 11},  {1.1f, 5, 6, 5},
    };
    for (const auto& c : cases) {
        Use(c.Factor);
        EXPECT_EQ(ScaleValue(c.N), c.Rounded) << "r(" << c.N << ") at " << c.Factor;
        EXPECT_EQ(ScaleValueTrunc(c.N), c.Truncated) << "t(" << c.N << ") at " << c.Factor;
    }
}

TEST_F(ThemeRoutines, BorderRectMovesInFromTwoAndShrinksFromThree) {
    const TRect client{0, 0, 100, 30};
    struct {
        float Factor;
        TRect Expected;
    } cases[] = {{1.0f, {0, 0, 100, 30}}, {1.75f, {0, 0, 100, 30}}, {1.99f, {0, 0, 100, 30}},
                 {2.0f, {1, 1, 100, 30}}, {2.5f, {1, 1, 100, 30}},  {2.99f, {1, 1, 100, 30}},
                 {3.0f, {1, 1, 99, 29}},  {4.0f, {1, 1, 99, 29}}};
    for (const auto& c : cases) {
        Use(c.Factor);
        EXPECT_EQ(BorderRect(client), c.Expected) << c.Factor;
    }
    // Left and top shift the start; the far edges are the width and height.
    Use(3.0f);
    EXPECT_EQ(BorderRect({10, 20, 110, 50}), (TRect{11, 21, 99, 29}));
}

TEST(ThemeImages, LoadsEveryImageForTheScaleInOrder) {
    TFakeResources resources;
    TTheme theme(1.25f, resources.Reader());
    EXPECT_EQ(theme.ScaleString(), u"125");
    EXPECT_EQ(resources.Requested, (std::vector<std::u16string>{u"AppIcon125", u"ApplicationIcon125",
                                                                u"FolderEx125", u"Switch125", u"Loader125"}));
    EXPECT_EQ(theme.GetImage(imgApplicationIcon)->Width(), 80);
    EXPECT_EQ(theme.GetImage(imgLoader)->Width(), 1080);

    resources.Requested.clear();
    theme.SetScaleFactor(1.2500001f);
    EXPECT_EQ(theme.ScaleString(), u"150");
    EXPECT_EQ(resources.Requested.front(), u"AppIcon150");
    EXPECT_EQ(theme.GetImage(imgSwitch)->Height(), 288);

    theme.SetScaleFactor(3.0f);
    EXPECT_EQ(theme.ScaleString(), u"200");
    EXPECT_EQ(theme.GetImage(imgFolderEx)->Width(), 32);
}

TEST(ThemeImages, EverySetScaleFactorReloadsIntoNewImages) {
    TFakeResources resources;
    TTheme theme(1.0f, resources.Reader());
    const TPngImage* before = theme.GetImage(imgLoader);
    resources.Requested.clear();
    theme.SetScaleFactor(1.0f);
    EXPECT_EQ(resources.Requested.size(), 5u) << "an unchanged factor reloads too";
    theme.SetScaleFactor(1.5f);
    const TPngImage* after = theme.GetImage(imgLoader);
    EXPECT_NE(after, before);
    EXPECT_EQ(after->Width(), 1296);
    EXPECT_EQ(after->Height(), 36);
}

TEST(ThemeImages, ImgNoneIsOutsideTheList) {
    TFakeResources resources;
    TTheme theme(1.0f, resources.Reader());
    try {
        theme.GetImage(imgNone);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), u"List index out of bounds (5)");
    }
}

TEST(ThemeImages, AMissingResourceRaisesAndKeepsTheImagesBeforeIt) {
    TFakeResources resources;
    resources.Missing = {u"Loader100"};
    EXPECT_THROW(TTheme(1.0f, resources.Reader()), EResNotFound);

    resources.Missing = {u"Switch150"};
    TTheme theme(1.0f, resources.Reader());
    try {
        theme.SetScaleFactor(1.5f);
        FAIL() << "no error";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message(), u"Resource Switch150 not found");
    }
    EXPECT_EQ(theme.GetImage(imgAppIcon)->Width(), 24);
    EXPECT_EQ(theme.GetImage(imgFolderEx)->Width(), 24);
    EXPECT_THROW(theme.GetImage(imgSwitch), EListError);
}

TEST(ThemeImages, ACorruptResourceRaisesTheDecoderError) {
    TFakeResources resources;
    resources.Corrupt = {u"FolderEx175"};
    TTheme theme(1.0f, resources.Reader());
    EXPECT_THROW(theme.SetScaleFactor(1.75f), EPngError);
    EXPECT_NO_THROW(theme.GetImage(imgApplicationIcon));
    EXPECT_THROW(theme.GetImage(imgFolderEx), EListError);
}

} // namespace
