#include <gtest/gtest.h>

#include <string>

#include "utils/paths.h"
#include "utils/write_names.h"

namespace {

std::string Narrow(std::u16string_view text) {
    return std::string(text.begin(), text.end());
}

TEST(NormalizedFullPath, OneSpellingPerFolder) {
    EXPECT_EQ(NormalizedFullPath(u"C:\\a\\b"), u"C:\\a\\b");
    EXPECT_EQ(NormalizedFullPath(u"C:/a//b/./c/../"), u"C:\\a\\b");
    EXPECT_EQ(NormalizedFullPath(u"\\\\?\\C:\\a\\"), u"C:\\a");
    EXPECT_EQ(NormalizedFullPath(u"\\\\?\\UNC\\srv\\sh\\x"), u"\\\\srv\\sh\\x");
    EXPECT_EQ(NormalizedFullPath(u"C:\\"), u"C:\\");
    EXPECT_EQ(NormalizedFullPath(u"C:\\a.. \\b"), u"C:\\a\\b");
    EXPECT_EQ(NormalizedFullPath(u"a\\b"), u"");
}

TEST(NormalizedFullPath, FolderTextTypedAsItCameWasRecordedUnnormalized) {
    // "C:\a\..\b" created "a" on the way; a trailing separator doubled the ones after it.
    EXPECT_EQ(NormalizedFullPath(u"C:\\a\\..\\b"), u"C:\\b");
    EXPECT_EQ(NormalizedFullPath(u"C:\\Apps\\Quorvalent\\"), u"C:\\Apps\\Quorvalent");
    EXPECT_EQ(NormalizedFullPath(u"C:\\Apps\\\\Quorvalent\\\\"), u"C:\\Apps\\Quorvalent");
}

TEST(IsFullPath, OnlyADriveWithSeparatorOrAShare) {
    const struct {
        const char16_t* Path;
        bool Full;
    } cases[] = {
        {u"C:\\", true},          {u"c:/x", true},       {u"\\\\srv\\share", true}, {u"\\\\?\\D:\\x", true},
        {u"//srv/share/x", true}, {u"", false},          {u"foo", false},           {u".", false},
        {u"..\\x", false},        {u"C:", false},        {u"C:foo", false},         {u"\\foo", false},
        {u"\\\\srv", false},      {u"\\\\srv\\", false}, {u"1:\\x", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsFullPath(c.Path), c.Full) << Narrow(c.Path);
    }
}

TEST(ParentFolder, StopsAtTheRoot) {
    EXPECT_EQ(ParentFolder(u"C:\\a\\b\\"), u"C:\\a");
    EXPECT_EQ(ParentFolder(u"C:\\a"), u"C:\\");
    EXPECT_EQ(ParentFolder(u"\\\\srv\\share\\a"), u"\\\\srv\\share");
    EXPECT_EQ(ParentFolder(u"C:\\"), u"");
    EXPECT_EQ(ParentFolder(u"\\\\srv\\share"), u"");
    EXPECT_EQ(ParentFolder(u"a\\b"), u"");
}

TEST(PathLevels, EachNameAfterTheRootAsTyped) {
    using TLevels = std::vector<std::u16string>;
    const struct {
        const char16_t* Path;
        TLevels Levels;
    } cases[] = {
        {u"C:\\A\\B", {u"C:\\A", u"C:\\A\\B"}},
        {u"C:\\A\\\\B\\", {u"C:\\A", u"C:\\A\\\\B"}},
        {u"C:/A/B", {u"C:/A", u"C:/A/B"}},
        {u"\\\\srv\\share\\A", {u"\\\\srv\\share\\A"}},
        {u"\\\\?\\C:\\A", {u"\\\\?\\C:\\A"}},
        {u"C:\\", {}},
        {u"\\\\srv\\share", {}},
        {u"A\\B", {}},
        {u"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PathLevels(c.Path), c.Levels) << Narrow(c.Path);
    }
}

TEST(JoinPath, NeverDoublesTheSeparator) {
    EXPECT_EQ(JoinPath(u"C:\\Q", u"a.exe"), u"C:\\Q\\a.exe");
    EXPECT_EQ(JoinPath(u"R:\\", u"a.exe"), u"R:\\a.exe");
    EXPECT_EQ(JoinPath(u"", u"a.exe"), u"\\a.exe");
}

TEST(WriteNames, CarryTheProcessId) {
    EXPECT_EQ(TemporaryFileName(u"C:\\Q\\Quorvalent.exe", 4242), u"C:\\Q\\Quorvalent.exe.4242.tmp");
    EXPECT_EQ(BackupFileName(u"Quorvalent.exe", 7), u"Quorvalent.exe.7.bak");
}

TEST(WriteNames, LeftoversAreRecognisedOnlyForTheGivenTargets) {
    const auto parse = [](std::u16string_view name) {
        return ParseWriteLeftover(name, {u"Quorvalent.exe", u"QuorvalentInstaller.exe"});
    };
    const auto temporary = parse(u"Quorvalent.exe.4242.tmp");
    ASSERT_TRUE(temporary.has_value());
    EXPECT_EQ(temporary->Target, u"Quorvalent.exe");
    EXPECT_EQ(temporary->ProcessId, 4242u);
    EXPECT_FALSE(temporary->Backup);
    const auto backup = parse(u"QUORVALENTINSTALLER.EXE.12.BAK");
    ASSERT_TRUE(backup.has_value());
    EXPECT_EQ(backup->Target, u"QuorvalentInstaller.exe");
    EXPECT_TRUE(backup->Backup);
    for (const char16_t* other :
         {u"Quorvalent.exe", u"Quorvalent.exe.tmp", u"Quorvalent.exe..tmp", u"Quorvalent.exe.12a.tmp",
          u"Quorvalent.exe.99999999999.tmp", u"Quorvalent.exe.12.tmp.txt", u"workspace.json.12.tmp",
          u"Quorvalent.exe 12.tmp", u"XQuorvalent.exe.12.tmp", u"Quorvalent.exe.-1.bak"}) {
        EXPECT_FALSE(parse(other).has_value()) << Narrow(other);
    }
}

} // namespace
