// The built-in phrase table in ten languages, the language choice and the font families
// that go with it.
#pragma once

#include <map>
#include <string>

// One phrase in all ten languages.
class TLangItem {
public:
    TLangItem(std::u16string english, std::u16string spanish, std::u16string portuguese, std::u16string french,
              std::u16string german, std::u16string russian, std::u16string bulgarian,
              std::u16string chineseSimplified, std::u16string chineseTraditional, std::u16string japanese);

    std::u16string English;
    std::u16string Spanish;
    std::u16string Portuguese;
    std::u16string French;
    std::u16string German;
    std::u16string Russian;
    std::u16string Bulgarian;
    std::u16string ChineseSimplified;
    std::u16string ChineseTraditional;
    std::u16string Japanese;
};

class TLanguage {
public:
    // LanguageName is the English name of the user's interface language as the platform gives it.
    explicit TLanguage(std::u16string LanguageName);

    const std::u16string& GetLanguageName() const noexcept { return FLanguageName; }
    // The phrase ValueId in the chosen language; raises EError "Phrase id "…" not found." for an unknown key.
    const std::u16string& Get(const std::u16string& ValueId) const;

private:
    void SetLanguage(std::u16string LanguageName);
    const std::u16string& SelectField(const TLangItem& item) const;

    std::u16string FLanguageName;
    std::map<std::u16string, TLangItem> FPhrases;
};

// The process-wide language, created by the main window before any control.
extern TLanguage* Language;

// The user-visible text of a phrase key in the chosen language.
const std::u16string& GetPhrase(const std::u16string& ValueId);

// Font families for the chosen language; set once by the language choice.
extern std::u16string FontNameRegular;
extern std::u16string FontNameLight;
extern std::u16string FontNameSemibold;
extern std::u16string FontNameMonospace;
