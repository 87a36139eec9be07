#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utils/folder_deletion.h"

namespace {

const std::u16string Install = u"C:\\Users\\ann\\AppData\\Roaming\\Mirelbrook\\Quorvalent";

const std::vector<std::u16string> Known = {
    u"C:\\Users\\ann",
    u"C:\\Users\\ann\\AppData\\Roaming",
    u"C:\\Users\\ann\\AppData\\Local",
    u"C:\\Users\\ann\\Desktop",
    u"C:\\Users\\ann\\Documents",
    u"C:\\Program Files",
    u"C:\\Windows",
    u"C:\\Windows\\System32",
    u"\\\\?\\D:\\Data\\Shared Music\\",
    u"",
};

std::string Narrow(std::u16string_view text) {
    return std::string(text.begin(), text.end());
}

TDeletionRefusal Refusal(const std::u16string& folder, bool holds = true) {
    return FolderDeletionRefusal(folder, holds, Known);
}

TEST(DeleteCommands, FolderIsRemovedAfterOneSecond) {
    EXPECT_EQ(DeleteFolderCommand(Install),
              u"/c timeout 1 && rmdir \"C:\\Users\\ann\\AppData\\Roaming\\Mirelbrook\\Quorvalent\" /s /q");
}

TEST(DeleteCommands, ExecutablesAreDeletedAfterOneAndTwoSeconds) {
    const auto commands = DeleteExeFilesCommands(u"D:\\Apps\\Q");
    EXPECT_EQ(commands[0], u"/c timeout 1 && del \"D:\\Apps\\Q\\Quorvalent.exe\" /s /q");
    EXPECT_EQ(commands[1], u"/c timeout 2 && del \"D:\\Apps\\Q\\QuorvalentInstaller.exe\" /s /q");
}

TEST(DeleteCommands, FolderTextIsUsedAsItIs) {
    // A trailing separator doubles, as it does everywhere the folder is joined with a name.
    EXPECT_EQ(DeleteExeFilesCommands(u"D:\\Q\\")[0],
              u"/c timeout 1 && del \"D:\\Q\\\\Quorvalent.exe\" /s /q");
    EXPECT_EQ(DeleteFolderCommand(u"D:\\Q\\"), u"/c timeout 1 && rmdir \"D:\\Q\\\" /s /q");
}

TEST(FolderDeletionRefusal, TheInstallFolderMayGo) {
    EXPECT_EQ(Refusal(Install), TDeletionRefusal::drNone);
    EXPECT_EQ(Refusal(u"D:\\Apps\\Quorvalent"), TDeletionRefusal::drNone);
    EXPECT_EQ(Refusal(u"\\\\server\\share\\Quorvalent"), TDeletionRefusal::drNone);
    // Inside a known folder is fine; only the known folder itself and what holds one are not.
    EXPECT_EQ(Refusal(u"C:\\Program Files\\Quorvalent"), TDeletionRefusal::drNone);
    EXPECT_EQ(Refusal(u"C:\\Users\\ann\\Desktop\\Quorvalent"), TDeletionRefusal::drNone);
}

TEST(FolderDeletionRefusal, RefusesAFolderWithoutTheInstallation) {
    EXPECT_EQ(Refusal(Install, false), TDeletionRefusal::drNotInstallation);
    EXPECT_EQ(Refusal(u"D:\\Photos", false), TDeletionRefusal::drNotInstallation);
}

TEST(FolderDeletionRefusal, RefusesDriveAndShareRoots) {
    for (const char16_t* root :
         {u"C:\\", u"c:/", u"C:\\\\", u"C:\\.", u"C:\\..", u"C:\\Windows\\..", u"C:\\a\\..\\..\\..",
          u"D:\\ . \\", u"\\\\server\\share", u"\\\\server\\share\\", u"\\\\?\\C:\\", u"\\\\.\\C:\\",
          u"\\\\?\\UNC\\server\\share\\", u"//server/share/"}) {
        EXPECT_EQ(Refusal(root), TDeletionRefusal::drDriveRoot) << Narrow(root);
    }
}

TEST(FolderDeletionRefusal, RefusesKnownFoldersInAnyWriting) {
    for (const char16_t* folder :
         {u"C:\\Users\\ann", u"c:\\users\\ANN", u"C:\\Users\\ann\\", u"C:/Users/ann/AppData/Roaming",
          u"C:\\Users\\ann\\AppData\\Roaming\\.", u"C:\\Users\\ann\\AppData\\Roaming\\Mirelbrook\\..",
          u"C:\\Users\\ann\\AppData\\Roaming\\Mirelbrook\\Quorvalent\\..\\..",
          u"C:\\Users\\ann\\AppData\\Local. ", u"C:\\\\Users\\\\ann\\\\Desktop",
          u"\\\\?\\C:\\Users\\ann\\Documents", u"C:\\Windows", u"C:\\WINDOWS\\system32",
          u"C:\\Program Files\\", u"D:\\Data\\Shared Music"}) {
        EXPECT_EQ(Refusal(folder), TDeletionRefusal::drKnownFolder) << Narrow(folder);
    }
}

TEST(FolderDeletionRefusal, RefusesFoldersThatHoldKnownFolders) {
    EXPECT_EQ(Refusal(u"C:\\Users"), TDeletionRefusal::drKnownFolder);
    EXPECT_EQ(Refusal(u"C:\\Users\\ann\\AppData"), TDeletionRefusal::drKnownFolder);
    EXPECT_EQ(Refusal(u"D:\\Data"), TDeletionRefusal::drKnownFolder);
    // A common prefix of the text is not a containing folder.
    EXPECT_EQ(Refusal(u"C:\\Users\\an"), TDeletionRefusal::drNone);
    EXPECT_EQ(Refusal(u"C:\\Program"), TDeletionRefusal::drNone);
}

TEST(FolderDeletionRefusal, RefusesTextTheInterpreterWouldExpand) {
    EXPECT_EQ(Refusal(u"%USERPROFILE%"), TDeletionRefusal::drExpandable);
    EXPECT_EQ(Refusal(u"C:\\Apps\\%APPDATA%\\..\\Q"), TDeletionRefusal::drExpandable);
    EXPECT_EQ(Refusal(u"C:\\Apps\\100%"), TDeletionRefusal::drExpandable);
    EXPECT_EQ(Refusal(u"C:\\Apps\\!USERPROFILE!"), TDeletionRefusal::drExpandable);
}

TEST(FolderDeletionRefusal, RefusesPathsThatAreNotFull) {
    for (const char16_t* folder :
         {u"", u"Quorvalent", u".", u"..\\Q", u"C:", u"C:Quorvalent", u"\\Quorvalent", u"\\\\server",
          u"\\\\server\\", u"\\\\?\\", u"1:\\Q", u"\\\\\\?\\x\\y", u"\\\\.\\\\x\\y"}) {
        EXPECT_EQ(Refusal(folder), TDeletionRefusal::drNotAbsolute) << Narrow(folder);
    }
}

TEST(FolderDeletionRefusal, UsesTheGivenLetterCaseFolding) {
    // Non-ASCII letters only compare equal with the platform's folding.
    const std::vector<std::u16string> known = {u"C:\\Users\\J\u00D6RG"};
    EXPECT_EQ(FolderDeletionRefusal(u"C:\\Users\\j\u00F6rg", true, known), TDeletionRefusal::drNone);
    const TCaseFold fold = [](std::u16string_view text) {
        std::u16string out(text);
        for (char16_t& c : out) {
            if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
                c = static_cast<char16_t>(c - 32);
            }
        }
        return out;
    };
    EXPECT_EQ(FolderDeletionRefusal(u"C:\\Users\\j\u00F6rg", true, known, fold),
              TDeletionRefusal::drKnownFolder);
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

} // namespace
