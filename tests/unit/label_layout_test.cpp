#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ucl/label_layout.h"

namespace {

// Every character 10 pixels wide, a space 4.
int Measure(std::u16string_view text) {
    int width = 0;
    for (const char16_t c : text) {
        width += c == u' ' ? 4 : 10;
    }
    return width;
}

using W = TWrappedWord;

TEST(LabelLayout, ColourAndFaceFollowTheirPrecedence) {
    EXPECT_EQ(LabelColorOf(true, true, true), lcRed);
    EXPECT_EQ(LabelColorOf(false, true, true), lcLink);
    EXPECT_EQ(LabelColorOf(false, false, true), lcGray);
    EXPECT_EQ(LabelColorOf(false, false, false), lcFont);
    EXPECT_EQ(LabelFaceOf(true, true), lfLight);
    EXPECT_EQ(LabelFaceOf(false, true), lfSemibold);
    EXPECT_EQ(LabelFaceOf(false, false), lfRegular);
}

TEST(LabelLayout, LinePlacementTruncatesTowardZero) {
    EXPECT_EQ(LabelLineLeft(taLeftJustify, 100, 30), 0);
    EXPECT_EQ(LabelLineLeft(taCenter, 100, 31), 34);
    EXPECT_EQ(LabelLineLeft(taCenter, 30, 101), -35);
    EXPECT_EQ(LabelLineLeft(taRightJustify, 100, 30), 70);
}

TEST(LabelLayout, WordsWrapAtSpaces) {
    // "ab" 20, "cd" 20, "efg" 30: a line of 60 takes "ab cd " (48) and then wraps.
    EXPECT_EQ(WrapWords(u"ab cd efg", 60, Measure),
              (std::vector<W>{{u"ab", 0, 0}, {u"cd", 24, 0}, {u"efg", 0, 1}}));
    // Exactly filling the width still fits.
    EXPECT_EQ(WrapWords(u"ab cd", 44, Measure), (std::vector<W>{{u"ab", 0, 0}, {u"cd", 24, 0}}));
}

TEST(LabelLayout, TwoSpacesInARowDrawAnEmptyWord) {
    EXPECT_EQ(WrapWords(u"ab  cd", 200, Measure),
              (std::vector<W>{{u"ab", 0, 0}, {u"", 24, 0}, {u"cd", 28, 0}}));
}

TEST(LabelLayout, WordLongerThanTheLabelStaysOnItsOwnLine) {
    EXPECT_EQ(WrapWords(u"abcdefgh ij", 50, Measure), (std::vector<W>{{u"abcdefgh", 0, 0}, {u"ij", 0, 1}}));
    EXPECT_EQ(WrapWords(u"ij abcdefgh", 50, Measure), (std::vector<W>{{u"ij", 0, 0}, {u"abcdefgh", 0, 1}}));
    EXPECT_EQ(WrapWords(u"", 50, Measure), (std::vector<W>{{u"", 0, 0}}));
}

} // namespace
