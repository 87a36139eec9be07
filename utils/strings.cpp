#include "utils/strings.h"

std::u8string ToUtf8(std::u16string_view text) {
    std::u8string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char8_t>(c);
        } else if (c < 0x800) {
            out += static_cast<char8_t>(0xC0 | (c >> 6));
            out += static_cast<char8_t>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char8_t>(0xE0 | (c >> 12));
            out += static_cast<char8_t>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char8_t>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char8_t>(0xF0 | (c >> 18));
            out += static_cast<char8_t>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char8_t>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char8_t>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string FromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool valid = extra >= 0 && i + extra < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            const auto n = static_cast<unsigned char>(text[i + k]);
            if ((n & 0xC0) != 0x80) {
                valid = false;
            } else {
                c = (c << 6) | (n & 0x3F);
            }
        }
        static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (valid && (c < minimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) {
            valid = false;
        }
        if (!valid) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += extra + 1;
    }
    return out;
}

std::u16string ReplaceAll(std::u16string Text, std::u16string_view Pattern, std::u16string_view Replacement) {
    if (Pattern.empty()) {
        return Text;
    }
    size_t pos = 0;
    while ((pos = Text.find(Pattern, pos)) != std::u16string::npos) {
        Text.replace(pos, Pattern.size(), Replacement);
        pos += Replacement.size();
    }
    return Text;
}

std::u16string AsciiUpperCase(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return out;
}

std::u16string IntToStr(long long value) {
    const bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value) : value;
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return negative ? u"-" + digits : digits;
}

std::u16string Trim(std::u16string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && text[first] <= u' ') {
        ++first;
    }
    while (last > first && text[last - 1] <= u' ') {
        --last;
    }
    return std::u16string(text.substr(first, last - first));
}
