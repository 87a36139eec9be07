#include "ucl/label_layout.h"

TLabelColor LabelColorOf(bool RedFont, bool BlueFont, bool GrayFont) noexcept {
    return RedFont ? lcRed : BlueFont ? lcLink : GrayFont ? lcGray : lcFont;
}

TLabelFace LabelFaceOf(bool LightFont, bool BoldFont) noexcept {
    return LightFont ? lfLight : BoldFont ? lfSemibold : lfRegular;
}

int LabelLineLeft(TAlignment Alignment, int Width, int TextWidth) noexcept {
    switch (Alignment) {
    case taCenter:
        return (Width - TextWidth) / 2;
    case taRightJustify:
        return Width - TextWidth;
    case taLeftJustify:
        break;
    }
    return 0;
}

std::vector<TWrappedWord> WrapWords(std::u16string_view Caption, int Width, const TMeasureText& Measure) {
    std::vector<TWrappedWord> words;
    const std::u16string text = std::u16string(Caption) + u" ";
    size_t pos = 0;
    int x = 0;
    int line = 0;
    for (;;) {
        const size_t space = text.find(u' ', pos);
        if (space == std::u16string::npos) {
            break;
        }
        const std::u16string_view word = std::u16string_view(text).substr(pos, space - pos);
        if (Width < x + Measure(word) && x > 0) {
            ++line;
            x = 0;
        }
        words.push_back({std::u16string(word), x, line});
        x += Measure(std::u16string(word) + u" ");
        pos = space + 1;
    }
    return words;
}
