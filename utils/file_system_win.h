// The file system as the installer uses it: existence tests, folder chains made and listed,
// whole small files read and written, and the write-access probe of a folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// True when the folder can be written. False for a text that is not a full path (a drive
// letter and a separator, or a share). A missing folder is created with its parents to find
// out, and those folders are removed again, innermost first, as long as they are empty.
bool HasWriteAccess(const std::u16string& Folder) noexcept;
// True when the path names an existing file (not a folder).
bool FileExists(const std::u16string& Path) noexcept;
// True when the path names an existing folder.
bool DirectoryExists(const std::u16string& Path) noexcept;
// Creates the folder with all missing parents; returns the folders it created, outermost
// first. Raises EError with the platform's message.
std::vector<std::u16string> ForceDirectories(const std::u16string& Folder);
// What a folder holds, "." and ".." left out; nothing when it cannot be read.
struct TFolderEntry {
    std::u16string Name;
    bool IsFolder = false;
};
std::optional<std::vector<TFolderEntry>> ListFolder(const std::u16string& Folder);
// The names of the files (not folders) in Folder; empty when it cannot be read.
std::vector<std::u16string> ListFolderFiles(const std::u16string& Folder);
// True for a folder that can be read and holds nothing.
bool IsEmptyFolder(const std::u16string& Folder);
// The whole content of a file; raises EError when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::u16string& Path);
// Writes Data as the whole content of Path, replacing it; raises EError on failure.
void WriteWholeFile(const std::u16string& Path, const std::vector<uint8_t>& Data);
