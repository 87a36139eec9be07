#include "utils/language_win.h"

#include <windows.h>

#include "utils/text_win.h"

std::u16string GetUserLanguageName() noexcept {
    wchar_t buffer[50] = {};
    const LANGID language = GetUserDefaultUILanguage();
    GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SENGLANGUAGE, buffer, 50);
    buffer[49] = L'\0';
    return U16(buffer);
}
