// The label's text rules that need no platform: which colour and face its flags choose, where
// its single line goes, and how a left-aligned caption wraps at spaces, with the text width
// measured by a function the caller passes in.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };

// First match: red, then the link colour, then grey, else the font colour.
enum TLabelColor : uint8_t { lcRed, lcLink, lcGray, lcFont };
TLabelColor LabelColorOf(bool RedFont, bool BlueFont, bool GrayFont) noexcept;

// First match: the light face, then the semibold one, else the regular one.
enum TLabelFace : uint8_t { lfLight, lfSemibold, lfRegular };
TLabelFace LabelFaceOf(bool LightFont, bool BoldFont) noexcept;

// The left edge of one line of TextWidth in a label Width wide (divisions truncate).
int LabelLineLeft(TAlignment Alignment, int Width, int TextWidth) noexcept;

using TMeasureText = std::function<int(std::u16string_view Text)>;

struct TWrappedWord {
    std::u16string Text;
    int X = 0;
    int Line = 0;

    bool operator==(const TWrappedWord&) const = default;
};

// The words of Caption (split at each space; two spaces in a row give an empty word) placed
// on lines of Width: a word that does not fit goes to the next line unless it starts one, in
// which case it stays there and is cut by the edge. After a word comes the width of one space.
std::vector<TWrappedWord> WrapWords(std::u16string_view Caption, int Width, const TMeasureText& Measure);
