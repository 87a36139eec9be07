// Filters that keep a single-line edit field's text on one line and within its character set.
#pragma once

#include <string>
#include <string_view>

// CR LF becomes one space; every other character below 32, and 127, becomes a space.
std::u16string ToSingleLine(std::u16string_view Value);
// Value without every character that occurs in Chars.
std::u16string RemoveChars(std::u16string_view Value, std::u16string_view Chars);
// Only the characters of Value that occur in Chars.
std::u16string KeepChars(std::u16string_view Value, std::u16string_view Chars);

// The input rules of a single-line edit field applied to a text that is set as a whole:
// made single-line, reduced to the allowed characters (when any are given), stripped of the
// forbidden ones (when any are given), then cut to MaxLength code units.
std::u16string ApplyEditInputRules(std::u16string_view Value, std::u16string_view AllowedChars,
                                   std::u16string_view ForbiddenChars, int MaxLength);
