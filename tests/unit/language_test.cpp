#include <gtest/gtest.h>

#include <memory>

#include "app/run_services.h"
#include "utils/exception.h"
#include "tests/unit/languages.h"
#include "utils/language.h"

namespace {

// GetPhrase and the font names read the process-wide language; each case makes the run's
// services of a language, which give the process's back when they go.
class LanguageTest : public ::testing::Test {
protected:
    void Use(const std::u16string& name) {
        FServices.reset();
        FServices = std::make_unique<TRunServices>(name);
    }

private:
    std::unique_ptr<TRunServices> FServices;
};

TEST_F(LanguageTest, ChoosesTheLanguageByExactName) {
    Use(u"German");
    EXPECT_EQ(GetPhrase(u"INSTALL"), u"Installieren");
    for (const auto* other : {u"English", u"Dutch", u"", u"german", u"Chinese"}) {
        Use(other);
        EXPECT_EQ(GetPhrase(u"INSTALL"), u"Install");
    }
    Use(u"Russian");
    EXPECT_EQ(GetPhrase(u"CANCEL"), u"Отмена");
    Use(u"Bulgarian");
    EXPECT_EQ(GetPhrase(u"UNDO"), u"Отказ");
    Use(u"Spanish");
    EXPECT_EQ(GetPhrase(u"PASTE"), u"Pegar");
    Use(u"Portuguese");
    EXPECT_EQ(GetPhrase(u"PASTE"), u"Colar");
    Use(u"Chinese (Simplified)");
    EXPECT_EQ(GetPhrase(u"UNINSTALL"), u"卸载");
}

TEST_F(LanguageTest, UnknownKeyRaisesAndQuotesTheKeyAsPassed) {
    Use(u"English");
    try {
        GetPhrase(u"install");
        FAIL() << "no error raised";
    } catch (const EError& e) {
        EXPECT_EQ(e.Message(), u"Phrase id \"install\" not found.");
    }
}

TEST_F(LanguageTest, EastAsianLanguagesChooseYaHeiFonts) {
    Use(u"Chinese (Traditional)");
    EXPECT_EQ(GetPhrase(u"CUT"), u"切");
    EXPECT_EQ(FontNameRegular, u"Microsoft YaHei UI");
    EXPECT_EQ(FontNameLight, u"Microsoft YaHei UI Light");
    EXPECT_EQ(FontNameSemibold, u"Microsoft YaHei UI");
    EXPECT_EQ(FontNameMonospace, u"Consolas");

    Use(u"Japanese");
    EXPECT_EQ(GetPhrase(u"VERSION"), u"バージョン");
    EXPECT_EQ(FontNameRegular, u"Microsoft YaHei UI");

    Use(u"japanese");
    EXPECT_EQ(GetPhrase(u"VERSION"), u"Version");
    EXPECT_EQ(FontNameRegular, u"Segoe UI");
    EXPECT_EQ(FontNameLight, u"Segoe UI Light");
    EXPECT_EQ(FontNameSemibold, u"Segoe UI Semibold");

    // "Chinese" alone: English texts, Chinese fonts.
    Use(u"Chinese");
    EXPECT_EQ(GetPhrase(u"CUT"), u"Cut");
    EXPECT_EQ(FontNameRegular, u"Microsoft YaHei UI");
}

TEST_F(LanguageTest, TextsKeepTheirExactPunctuation) {
    Use(u"French");
    EXPECT_EQ(GetPhrase(u"REDO"), u"Rétablir ");
    Use(u"English");
    EXPECT_EQ(GetPhrase(u"CLICK_UNINSTALL_TO_START_UNINSTALLATION"),
              u"Click \u00ABUninstall\u00BB to start the uninstallation.");
    EXPECT_EQ(GetPhrase(u"RUN_PRODUCT_AFTER_INSTALLATION"), u"Run %s after installation");
    EXPECT_EQ(GetPhrase(u"UPDATE"), u"Update");
    Use(u"Japanese");
    EXPECT_EQ(GetPhrase(u"CLICK_UNINSTALL_TO_START_UNINSTALLATION"),
              u"\u300Cアンインストール\u300Dをクリックしてアンインストールを開始します。");
    Use(u"German");
    EXPECT_EQ(GetPhrase(u"UPDATE"), u"Update");
}

TEST_F(LanguageTest, EveryKeyExistsInEveryLanguage) {
    const char16_t* keys[] = {u"INSTALL",
                              u"UPDATE",
                              u"UNINSTALL",
                              u"CANCEL",
                              u"VERSION",
                              u"DESTINATION_FOLDER",
                              u"UNINSTALL_FROM",
                              u"COPY",
                              u"PASTE",
                              u"CUT",
                              u"UNDO",
                              u"REDO",
                              u"DELETE",
                              u"SELECT_ALL",
                              u"DELETE_LOCAL_WORKSPACES",
                              u"CLICK_UNINSTALL_TO_START_UNINSTALLATION",
                              u"INSUFFICIENT_PRIVILEGES",
                              u"RUN_THIS_PROGRAM_AS_ADMINISTRATOR",
                              u"CREATE_DESKTOP_SHORTCUT",
                              u"CREATE_START_MENU_SHORTCUT",
                              u"RUN_PRODUCT_AFTER_INSTALLATION",
                              u"INSTALLER_DAMAGED",
                              u"PRODUCT_STILL_RUNNING"};
    for (const auto* language : AllLanguageNames) {
        Use(language);
        for (const auto* key : keys) {
            EXPECT_FALSE(GetPhrase(key).empty()) << std::u16string(key).size();
        }
    }
    // Placeholders survive in every language so the product name can be put in.
    for (const auto* language : AllLanguageNames) {
        Use(language);
        EXPECT_NE(GetPhrase(u"RUN_PRODUCT_AFTER_INSTALLATION").find(u"%s"), std::u16string::npos);
        EXPECT_NE(GetPhrase(u"PRODUCT_STILL_RUNNING").find(u"%s"), std::u16string::npos);
    }
}

} // namespace
