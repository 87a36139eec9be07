#include <gtest/gtest.h>

#include "utils/consts.h"
#include "utils/text_filters.h"

namespace {

TEST(ToSingleLine, LineBreaksAndControlCharactersBecomeSpaces) {
    EXPECT_EQ(ToSingleLine(u"a\r\nb"), u"a b");
    EXPECT_EQ(ToSingleLine(u"a\n\rb"), u"a  b");
    EXPECT_EQ(ToSingleLine(u"a\tb"), u"a b");
    EXPECT_EQ(ToSingleLine(u"a\rb\nc\x7F"
                           u"d"),
              u"a b c d");
    EXPECT_EQ(ToSingleLine(u"\r"), u" ");
    EXPECT_EQ(ToSingleLine(u"\r\n\r\n"), u"  ");
    EXPECT_EQ(ToSingleLine(u""), u"");
}

TEST(ToSingleLine, KeepsEverythingFrom128Up) {
    const std::u16string text = u"\u0080\u009F\u00A0\u4E2D\xD83D\xDE00";
    EXPECT_EQ(ToSingleLine(text), text);
}

TEST(RemoveChars, RemovesEveryOccurrenceAndKeepsOrder) {
    EXPECT_EQ(RemoveChars(u"C:\\a<b>\"c|d?e*f<<", FolderForbiddenChars), u"C:\\abcdef");
    EXPECT_EQ(RemoveChars(u"abc", u""), u"abc");
    EXPECT_EQ(RemoveChars(u"aAa", u"a"), u"A");
}

TEST(KeepChars, KeepsOnlyListedCodeUnits) {
    EXPECT_EQ(KeepChars(u"a1b2c3", u"0123456789"), u"123");
    EXPECT_EQ(KeepChars(u"abc", u""), u"");
    EXPECT_EQ(KeepChars(u"aAa", u"A"), u"A");
}

TEST(ApplyEditInputRules, FolderFieldRules) {
    EXPECT_EQ(ApplyEditInputRules(u"C:\\My\r\nApps\\<Q>", u"", FolderForbiddenChars, 2048),
              u"C:\\My Apps\\Q");
    const std::u16string longText(3000, u'x');
    EXPECT_EQ(ApplyEditInputRules(longText, u"", FolderForbiddenChars, 2048).size(), 2048u);
    // Forbidden characters are removed before the cut, so they do not use up the length.
    const std::u16string padded = std::u16string(10, u'*') + std::u16string(2048, u'y');
    EXPECT_EQ(ApplyEditInputRules(padded, u"", FolderForbiddenChars, 2048), std::u16string(2048, u'y'));
    EXPECT_EQ(ApplyEditInputRules(u"a1b2", u"0123456789", u"2", 10), u"1");
}

} // namespace
