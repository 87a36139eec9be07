#include "app/run_services.h"

#include "utils/exception.h"

TRunServices::TRunServices(const std::u16string& LanguageName)
    : FLanguage(LanguageName), FLanguageGlobal(::Language, &FLanguage),
      FFontRegular(FontNameRegular, FLanguage.Fonts().Regular),
      FFontLight(FontNameLight, FLanguage.Fonts().Light),
      FFontSemibold(FontNameSemibold, FLanguage.Fonts().Semibold),
      FFontMonospace(FontNameMonospace, FLanguage.Fonts().Monospace) {}

TRunServices::~TRunServices() = default;

TTheme& TRunServices::AdoptTheme(std::unique_ptr<TTheme> Theme) {
    if (FTheme) {
        throw EError(u"The run has a theme already.");
    }
    FTheme = std::move(Theme);
    FThemeGlobal.emplace(::Theme, FTheme.get());
    return *FTheme;
}
