#include "utils/text_win.h"

std::optional<std::u16string> MapTextCase(const wchar_t* Locale, DWORD Flags, std::u16string_view Text) {
    if (Text.empty()) {
        return std::u16string();
    }
    const auto* source = reinterpret_cast<const wchar_t*>(Text.data());
    const int size = static_cast<int>(Text.size());
    const int length = LCMapStringEx(Locale, Flags, source, size, nullptr, 0, nullptr, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::u16string mapped(static_cast<size_t>(length), u'\0');
    if (LCMapStringEx(Locale, Flags, source, size, reinterpret_cast<wchar_t*>(mapped.data()), length, nullptr,
                      nullptr, 0) != length) {
        return std::nullopt;
    }
    return mapped;
}
