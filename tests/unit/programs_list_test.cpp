// The Programs-list entry: one list of names that the writing and the rollback share, and the
// values an installation writes under them.
#include <gtest/gtest.h>

#include <vector>

#include "utils/programs_list.h"

namespace {

TEST(ProgramsList, EveryValueWrittenIsOneThatARollbackPutsBack) {
    const auto values = ProgramsListValues(u"C:\\Apps\\Quorvalent", 0, u"20261210");
    ASSERT_EQ(values.size(), ProgramsListValueNames.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(std::u16string(values[i].Name), std::u16string(ProgramsListValueNames[i])) << i;
    }
}

TEST(ProgramsList, AnInstallationInAFolderWritesItsCommandsAndSize) {
    const auto values = ProgramsListValues(u"C:\\Apps\\Quorvalent", 9088552, u"20261208");
    const auto text = [&](size_t i) { return values.at(i).IsText ? values[i].Text : u"<number>"; };
    EXPECT_EQ(text(0), u"Mirelbrook");
    EXPECT_EQ(text(1), u"Quorvalent");
    EXPECT_EQ(text(3), u"C:\\Apps\\Quorvalent");
    EXPECT_EQ(text(4), u"C:\\Apps\\Quorvalent\\QuorvalentInstaller.exe");
    EXPECT_EQ(text(5), u"20261208");
    EXPECT_EQ(text(6), u"\"C:\\Apps\\Quorvalent\\QuorvalentInstaller.exe\" /uninstall");
    EXPECT_EQ(text(7), u"https://www.mirelbrook.com/quorvalent");
    const struct {
        size_t Index;
        uint32_t Number;
    } numbers[] = {{8, 8875}, {9, 1}, {10, 1}};
    for (const auto& n : numbers) {
        ASSERT_FALSE(values[n.Index].IsText) << n.Index;
        EXPECT_EQ(values[n.Index].Number, n.Number) << n.Index;
    }
    // Kibibytes truncated; a product of under 1 KiB is 0.
    EXPECT_EQ(ProgramsListValues(u"C:\\Q", 1023, u"20261208")[8].Number, 0u);
    EXPECT_EQ(ProgramsListValues(u"C:\\Q", 2047, u"20261208")[8].Number, 1u);
}

} // namespace
