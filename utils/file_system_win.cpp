#include "utils/file_system_win.h"

#include "utils/exception.h"
#include "utils/handles_win.h"
#include "utils/os_error_win.h"
#include "utils/paths.h"
#include "utils/text_win.h"

namespace {

// Removes folders innermost first, each only while it is empty.
void RemoveFolders(const std::vector<std::u16string>& folders) noexcept {
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        RemoveDirectoryW(WStr(*it));
    }
}

} // namespace

bool FileExists(const std::u16string& Path) noexcept {
    const DWORD attributes = GetFileAttributesW(WStr(Path));
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::u16string& Path) noexcept {
    const DWORD attributes = GetFileAttributesW(WStr(Path));
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::u16string> ForceDirectories(const std::u16string& Folder) {
    if (Folder.empty()) {
        throw EError(u"Cannot create an empty folder name.");
    }
    std::vector<std::u16string> created;
    const size_t root = ParsePathRoot(Folder).Length;
    if (root == 0) {
        throw EError(u"Cannot create the folder '" + Folder + u"': it is not a full path.");
    }
    if (root >= Folder.size() && DirectoryExists(Folder)) {
        return created;
    }
    for (const std::u16string& prefix : PathLevels(Folder)) {
        if (DirectoryExists(prefix)) {
            continue;
        }
        if (CreateDirectoryW(WStr(prefix), nullptr)) {
            created.push_back(prefix);
            continue;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS || !DirectoryExists(prefix)) {
            RemoveFolders(created);
            RaiseOSError(error, u"Cannot create the folder '" + prefix + u"'");
        }
    }
    if (!DirectoryExists(Folder)) {
        RemoveFolders(created);
        RaiseOSError(ERROR_PATH_NOT_FOUND, u"Cannot create the folder '" + Folder + u"'");
    }
    return created;
}

bool HasWriteAccess(const std::u16string& Folder) noexcept {
    // A relative text would be probed, and later written, wherever the process happens to be.
    if (!IsFullPath(Folder)) {
        return false;
    }
    // The separator is written twice on purpose: the path rules read the doubled separator
    // inside a path as one.
    const std::u16string probe = Folder + u"\\" + u"\\TestAccess";
    try {
        std::vector<std::u16string> created = ForceDirectories(probe);
        if (!DirectoryExists(probe)) {
            return false;
        }
        SetFileAttributesW(WStr(probe), FILE_ATTRIBUTE_NORMAL);
        RemoveDirectoryW(WStr(probe));
        // The probe directory itself is gone already; the folders made on the way to it
        // are this probe's own, and a probe leaves nothing behind.
        if (!created.empty() && created.back() == probe) {
            created.pop_back();
        }
        RemoveFolders(created);
        return true;
    } catch (...) {
        return false;
    }
}

std::optional<std::vector<TFolderEntry>> ListFolder(const std::u16string& Folder) {
    WIN32_FIND_DATAW found;
    const TFindHandle search(FindFirstFileW(WStr(Folder + u"\\*"), &found));
    if (!search) {
        return std::nullopt;
    }
    std::vector<TFolderEntry> entries;
    do {
        std::u16string name = U16(found.cFileName);
        if (name != u"." && name != u"..") {
            entries.push_back({std::move(name), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
        }
    } while (FindNextFileW(search.Get(), &found));
    return entries;
}

std::vector<std::u16string> ListFolderFiles(const std::u16string& Folder) {
    std::vector<std::u16string> names;
    for (TFolderEntry& entry : ListFolder(Folder).value_or(std::vector<TFolderEntry>())) {
        if (!entry.IsFolder) {
            names.push_back(std::move(entry.Name));
        }
    }
    return names;
}

bool IsEmptyFolder(const std::u16string& Folder) {
    const auto entries = ListFolder(Folder);
    return entries && entries->empty();
}

std::vector<uint8_t> ReadWholeFile(const std::u16string& Path) {
    TScopedHandle file(CreateFileW(WStr(Path), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file.Valid() || !GetFileSizeEx(file.Get(), &size) || size.QuadPart > (1 << 30)) {
        RaiseLastOSError(u"Cannot read '" + Path + u"'");
    }
    std::vector<uint8_t> data(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!data.empty() &&
        (!ReadFile(file.Get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) ||
         read != data.size())) {
        RaiseLastOSError(u"Cannot read '" + Path + u"'");
    }
    return data;
}

void WriteWholeFile(const std::u16string& Path, const std::vector<uint8_t>& Data) {
    TScopedHandle file(
        CreateFileW(WStr(Path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.Valid() || (!Data.empty() && (!WriteFile(file.Get(), Data.data(),
                                                       static_cast<DWORD>(Data.size()), &written, nullptr) ||
                                            written != Data.size()))) {
        RaiseLastOSError(u"Cannot write '" + Path + u"'");
    }
}
