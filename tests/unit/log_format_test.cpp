#include <gtest/gtest.h>

#include "utils/log_format.h"

namespace {

TEST(LogFormat, OneStepIsOneLineBehindItsTime) {
    EXPECT_EQ(FormatLogLine({2026, 12, 9, 7, 5, 3, 42}, u"Wrote C:\\Q\\Quorvalent.exe"),
              u"2026-12-09 07:05:03.042 Wrote C:\\Q\\Quorvalent.exe");
    // An error text of the platform may end in a line break; it must not split the entry.
    EXPECT_EQ(FormatLogLine({2026, 1, 2, 23, 59, 59, 999}, u"Error: Access is denied.\r\nC:\\Q"),
              u"2026-01-02 23:59:59.999 Error: Access is denied. C:\\Q");
}

TEST(LogFormat, TheInstallationIdIsNeverWrittenWhole) {
    const std::u16string id = u"0f8fad5b-d9cb-469f-a165-70867728950e";
    const std::u16string masked = MaskInstallationId(id);
    EXPECT_EQ(masked, u"0f8f\u2026 (36 characters)");
    EXPECT_EQ(masked.find(u"d9cb"), std::u16string::npos);
    // A short id would be given away by its first characters.
    EXPECT_EQ(MaskInstallationId(u"12345678"), u"\u2026 (8 characters)");
    EXPECT_EQ(MaskInstallationId(u""), u"(none)");
}

} // namespace
