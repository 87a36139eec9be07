// Text at the Win32 boundary: UTF-16 strings to and from wchar_t, and the platform's letter
// case mapping.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

inline const wchar_t* WStr(const std::u16string& s) noexcept {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline std::u16string U16(const wchar_t* s) {
    return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
inline std::u16string U16(const wchar_t* s, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), length);
}

// Text with its letter case mapped by LCMapStringEx for Locale (LCMAP_LOWERCASE, …); no
// value when the platform refuses, so that the caller can fall back to its own rule.
std::optional<std::u16string> MapTextCase(const wchar_t* Locale, DWORD Flags, std::u16string_view Text);
