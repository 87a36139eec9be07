#include "utils/folder_deletion.h"

#include "utils/consts.h"
#include "utils/strings.h"

std::u16string DeletionFolderValue(std::u16string_view DestFolder) {
    // None of these can be part of a real folder's name; a quote would end the quoted path.
    for (const char16_t c : DestFolder) {
        if (c < 32 || std::u16string_view(u"\"<>|?*").find(c) != std::u16string_view::npos) {
            return {};
        }
    }
    std::u16string folder = NormalizedFullPath(DestFolder);
    if (!folder.empty() && folder.back() == u'\\') {
        folder.pop_back();
    }
    return folder;
}

std::u16string DeleteFolderCommand() {
    return std::u16string(DelayedCommandSwitches) + u"timeout 1 && rmdir /s /q \"%" + DeletionFolderVariable +
           u"%\"";
}

std::u16string DeleteFileCommand(std::u16string_view Name, int Seconds) {
    return std::u16string(DelayedCommandSwitches) + u"timeout " + IntToStr(Seconds) +
           u" && del /f /q /a:-d \"%" + DeletionFolderVariable + u"%\\" + std::u16string(Name) + u"\"";
}

TDeletionRefusal FolderDeletionRefusal(std::u16string_view Folder, bool HoldsInstallation,
                                       const std::vector<std::u16string>& KnownFolders, TCaseFold Fold) {
    if (!Fold) {
        Fold = AsciiUpperCase;
    }
    if (Folder.find_first_of(u"%!") != std::u16string_view::npos) {
        return TDeletionRefusal::drExpandable;
    }
    const std::u16string normalized = NormalizedFullPath(Folder);
    if (normalized.empty()) {
        return TDeletionRefusal::drNotAbsolute;
    }
    if (ParentFolder(normalized).empty()) {
        return TDeletionRefusal::drDriveRoot;
    }
    const std::u16string folder = Fold(normalized);
    for (const std::u16string& known : KnownFolders) {
        const std::u16string knownPath = NormalizedFullPath(known);
        if (knownPath.empty()) {
            continue;
        }
        const std::u16string key = Fold(knownPath);
        if (key == folder ||
            (key.size() > folder.size() && key.starts_with(folder) && key[folder.size()] == u'\\')) {
            return TDeletionRefusal::drKnownFolder;
        }
    }
    return HoldsInstallation ? TDeletionRefusal::drNone : TDeletionRefusal::drNotInstallation;
}
