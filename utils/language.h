// The built-in phrase table in ten languages, the language choice and the font families
// that go with it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One phrase in all ten languages. The texts are the program's own constants, so the item
// refers to them instead of copying them.
class TLangItem {
public:
    TLangItem(std::u16string_view english, std::u16string_view spanish, std::u16string_view portuguese,
              std::u16string_view french, std::u16string_view german, std::u16string_view russian,
              std::u16string_view bulgarian, std::u16string_view chineseSimplified,
              std::u16string_view chineseTraditional, std::u16string_view japanese);

    std::u16string_view English;
    std::u16string_view Spanish;
    std::u16string_view Portuguese;
    std::u16string_view French;
    std::u16string_view German;
    std::u16string_view Russian;
    std::u16string_view Bulgarian;
    std::u16string_view ChineseSimplified;
    std::u16string_view ChineseTraditional;
    std::u16string_view Japanese;
};

// The font families that draw a language's texts.
struct TFontNames {
    std::u16string Regular;
    std::u16string Light;
    std::u16string Semibold;
    std::u16string Monospace;
};

class TLanguage {
public:
    // LanguageName is the English name of the user's interface language as the platform gives it.
    explicit TLanguage(std::u16string LanguageName);

    const std::u16string& GetLanguageName() const noexcept { return FLanguageName; }
    // The families that have the language's glyphs: Chinese and Japanese need fonts of their own.
    const TFontNames& Fonts() const noexcept { return FFonts; }
    // The phrase ValueId in the chosen language; raises EError "Phrase id "…" not found." for an unknown key.
    std::u16string Get(std::u16string_view ValueId) const;

private:
    void SetLanguage(std::u16string LanguageName);
    std::u16string_view SelectField(const TLangItem& item) const;

    std::u16string FLanguageName;
    TFontNames FFonts;
    // The dictionary of phrase keys, sorted by key for lookup.
    std::vector<std::pair<std::u16string_view, TLangItem>> FPhrases;
};

// The process-wide language, published by the run's services (app/run_services.h).
extern TLanguage* Language;

// The user-visible text of a phrase key in the chosen language.
std::u16string GetPhrase(std::u16string_view ValueId);

// Font families of the process-wide language, published with it by the run's services.
extern std::u16string FontNameRegular;
extern std::u16string FontNameLight;
extern std::u16string FontNameSemibold;
extern std::u16string FontNameMonospace;
