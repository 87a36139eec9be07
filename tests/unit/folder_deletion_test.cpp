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
    EXPECT_EQ(DeleteFolderCommand(),
              u"/d /v:off /c timeout 1 && rmdir /s /q \"%QUORVALENT_UNINSTALL_FOLDER%\"");
}

TEST(DeleteCommands, ExecutablesAreDeletedAfterOneAndTwoSeconds) {
    const std::u16string commands[] = {DeleteFileCommand(u"Quorvalent.exe", 1),
                                       DeleteFileCommand(u"QuorvalentInstaller.exe", 2)};
    EXPECT_EQ(commands[0],
              u"/d /v:off /c timeout 1 && del /f /q /a:-d \"%QUORVALENT_UNINSTALL_FOLDER%\\Quorvalent.exe\"");
    EXPECT_EQ(commands[1], u"/d /v:off /c timeout 2 && del /f /q /a:-d "
                           u"\"%QUORVALENT_UNINSTALL_FOLDER%\\QuorvalentInstaller.exe\"");
}

TEST(DeleteCommands, DelWithSubfoldersDeletedTheUsersCopiesOfTheSameNames) {
    // "/s" deleted files of the two names in every folder below, and from a drive's root on
    // the whole drive.
    for (const std::u16string& command :
         {DeleteFileCommand(u"Quorvalent.exe", 1), DeleteFileCommand(u"QuorvalentInstaller.exe", 2)}) {
        EXPECT_EQ(command.find(u" /s"), std::u16string::npos) << Narrow(command);
        EXPECT_NE(command.find(u" /f"), std::u16string::npos) << "read-only files must go too";
    }
}

TEST(DeletionFolderValue, IsTheNormalizedFolderWithoutTrailingSeparator) {
    const struct {
        const char16_t* Folder;
        const char16_t* Value;
    } cases[] = {
        {u"D:\\Apps\\Q", u"D:\\Apps\\Q"},
        // A trailing separator doubled the separators before the names.
        {u"D:\\Q\\", u"D:\\Q"},
        {u"R:\\", u"R:"},
        {u"C:/a//b/../c/.", u"C:\\a\\c"},
        {u"\\\\server\\share\\Q", u"\\\\server\\share\\Q"},
        // Text the interpreter would read is only ever a variable's value, never read again.
        {u"C:\\a%PATH%b\\c!x!\\d^e&f", u"C:\\a%PATH%b\\c!x!\\d^e&f"},
        // Nothing outside a full path, and nothing that could end the quoted path early.
        {u"Quorvalent", u""},
        {u"C:Quorvalent", u""},
        {u"", u""},
        {u"C:\\a\"&rmdir C:\\x", u""},
        {u"C:\\a\nb", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DeletionFolderValue(c.Folder), c.Value) << Narrow(c.Folder);
    }
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

} // namespace
