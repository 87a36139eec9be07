// The run's services: published through their globals for exactly their own life, in their
// order, and the globals given back as they were, also when one run is made inside another.
#include <gtest/gtest.h>

#include <memory>
#include <span>
#include <vector>

#include "app/run_services.h"
#include "tests/unit/png_builder.h"
#include "utils/exception.h"

namespace {

std::unique_ptr<TTheme> PixelTheme(float Factor, const std::vector<uint8_t>& Pixel) {
    return std::make_unique<TTheme>(
        Factor, [&Pixel](const std::u16string&) { return std::span<const uint8_t>(Pixel); });
}

TEST(RunServices, PublishTheLanguageAndItsFontsForTheirLifeOnly) {
    TLanguage* const before = Language;
    const std::u16string fontBefore = FontNameRegular;
    {
        const TRunServices japanese(u"Japanese");
        EXPECT_EQ(Language, &japanese.Language());
        EXPECT_EQ(GetPhrase(u"CANCEL"), u"キャンセル");
        EXPECT_EQ(FontNameRegular, u"Microsoft YaHei UI");
        EXPECT_EQ(FontNameMonospace, u"Consolas");
        {
            const TRunServices inner(u"German");
            EXPECT_EQ(GetPhrase(u"CANCEL"), u"Abbrechen");
            EXPECT_EQ(FontNameRegular, u"Segoe UI");
            EXPECT_EQ(FontNameSemibold, u"Segoe UI Semibold");
        }
        // The outer run finds its own services again.
        EXPECT_EQ(GetPhrase(u"CANCEL"), u"キャンセル");
        EXPECT_EQ(FontNameLight, u"Microsoft YaHei UI Light");
    }
    EXPECT_EQ(Language, before);
    EXPECT_EQ(FontNameRegular, fontBefore);
}

TEST(RunServices, TheThemeOfARunWithAWindowIsPublishedOnce) {
    const std::vector<uint8_t> pixel = PatternPng(1, 1).Build();
    TTheme* const before = Theme;
    {
        TRunServices services(u"English");
        EXPECT_EQ(services.Theme(), nullptr) << "a silent run makes none";
        EXPECT_EQ(Theme, before);
        TTheme& theme = services.AdoptTheme(PixelTheme(1.5f, pixel));
        EXPECT_EQ(Theme, &theme);
        EXPECT_EQ(ScaleValue(16), 24);
        EXPECT_THROW(services.AdoptTheme(PixelTheme(1.0f, pixel)), EError);
        EXPECT_EQ(Theme, &theme) << "the second theme was refused";
    }
    EXPECT_EQ(Theme, before);
}

TEST(RunServices, TheScopedGuardGivesBackWhatWasThere) {
    int global = 1;
    {
        const TScopedGlobal<int> outer(global, 2);
        EXPECT_EQ(global, 2);
        {
            const TScopedGlobal<int> inner(global, 3);
            EXPECT_EQ(global, 3);
        }
        EXPECT_EQ(global, 2);
    }
    EXPECT_EQ(global, 1);
}

} // namespace
