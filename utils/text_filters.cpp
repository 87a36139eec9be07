#include "utils/text_filters.h"

std::u16string ToSingleLine(std::u16string_view Value) {
    std::u16string out;
    out.reserve(Value.size());
    for (size_t i = 0; i < Value.size(); ++i) {
        const char16_t c = Value[i];
        if (c == u'\r' && i + 1 < Value.size() && Value[i + 1] == u'\n') {
            out += u' ';
            ++i;
        } else if (c < 32 || c == 127) {
            out += u' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::u16string RemoveChars(std::u16string_view Value, std::u16string_view Chars) {
    std::u16string out;
    out.reserve(Value.size());
    for (const char16_t c : Value) {
        if (Chars.find(c) == std::u16string_view::npos) {
            out += c;
        }
    }
    return out;
}

std::u16string KeepChars(std::u16string_view Value, std::u16string_view Chars) {
    std::u16string out;
    for (const char16_t c : Value) {
        if (Chars.find(c) != std::u16string_view::npos) {
            out += c;
        }
    }
    return out;
}

std::u16string ApplyEditInputRules(std::u16string_view Value, std::u16string_view AllowedChars,
                                   std::u16string_view ForbiddenChars, int MaxLength) {
    std::u16string text = ToSingleLine(Value);
    if (!AllowedChars.empty()) {
        text = KeepChars(text, AllowedChars);
    }
    if (!ForbiddenChars.empty()) {
        text = RemoveChars(text, ForbiddenChars);
    }
    if (MaxLength >= 0 && text.size() > static_cast<size_t>(MaxLength)) {
        text.resize(static_cast<size_t>(MaxLength));
    }
    return text;
}
