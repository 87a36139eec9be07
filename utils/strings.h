// Text helpers shared by every build. Text is UTF-16 everywhere; these convert at the edges
// (exception messages for what(), JSON bodies, file names on Linux).
#pragma once

#include <string>
#include <string_view>

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD. The result is a std::u8string because the
// runtime's std::string and std::wstring are compiled into a large shared object file that the
// installer does not link; its code uses std::u16string and std::u8string only.
std::u8string ToUtf8(std::u16string_view text);
// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string FromUtf8(std::string_view text);
// Every occurrence of Pattern in Text replaced by Replacement (plain text, no formatting).
std::u16string ReplaceAll(std::u16string Text, std::u16string_view Pattern, std::u16string_view Replacement);
// ASCII-only upper-casing, for phrase keys built from run modes.
std::u16string AsciiUpperCase(std::u16string_view text);
// Text without leading and trailing characters up to U+0020.
std::u16string Trim(std::u16string_view text);
// Decimal text of an integer.
std::u16string IntToStr(long long value);
