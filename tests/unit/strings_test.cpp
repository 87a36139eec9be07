#include <gtest/gtest.h>

#include "utils/exception.h"
#include "utils/strings.h"

namespace {

TEST(Utf8, RoundTripsAllPlanes) {
    const std::u16string text = u"A\u00E9\u4E2D\xD83D\xDE00z";
    EXPECT_EQ(ToUtf8(text), u8"A\u00E9\u4E2D\U0001F600z");
    const std::u8string utf8 = ToUtf8(text);
    EXPECT_EQ(FromUtf8(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size())), text);
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
    EXPECT_EQ(ToUtf8(u"\xD800x"), u8"\uFFFDx");
    EXPECT_EQ(ToUtf8(u"x\xDC00"), u8"x\uFFFD");
    EXPECT_EQ(FromUtf8("\xC3"), u"\uFFFD");
    EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");           // overlong
    EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD"); // encoded surrogate
    EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(FromUtf8("a\xFF"
                       "b"),
              u"a\uFFFDb");
}

TEST(Strings, ReplaceTrimUpperAndDigits) {
    EXPECT_EQ(ReplaceAll(u"Run %s after %s", u"%s", u"Quorvalent"), u"Run Quorvalent after Quorvalent");
    EXPECT_EQ(ReplaceAll(u"%s", u"%s", u"%s%s"), u"%s%s");
    EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(Trim(u" \t C:\\x \r\n"), u"C:\\x");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(AsciiUpperCase(u"Uninstall"), u"UNINSTALL");
    EXPECT_EQ(IntToStr(0), u"0");
    EXPECT_EQ(IntToStr(-9223372036854775807LL - 1), u"-9223372036854775808");
    EXPECT_EQ(IntToStr(20261208), u"20261208");
}

TEST(EError, CarriesMessageInBothEncodings) {
    const EError error(u"Zielordner \u00FC");
    EXPECT_EQ(error.Message(), u"Zielordner \u00FC");
    EXPECT_STREQ(error.what(), "Zielordner \xC3\xBC");
}

} // namespace
