#include "utils/known_folders_win.h"

#include <shlobj.h>

#include "utils/shell_win.h"
#include "utils/strings.h"
#include "utils/text_win.h"
#include "utils/handles_win.h"
#include "utils/com_win.h"

namespace {

// The known-folder manager and its interface, defined here rather than taken from the
// large GUID library.
constexpr CLSID KnownFolderManagerClass = {
    0x4df0c730, 0xdf9d, 0x4ae3, {0x91, 0x53, 0xaa, 0x6b, 0x82, 0xe9, 0x79, 0x5a}};
constexpr IID KnownFolderManagerInterface = {
    0x8be2d872, 0x86aa, 0x4d47, {0xb7, 0x76, 0x32, 0xcc, 0xa4, 0x0c, 0x70, 0x18}};

// The folders that matter most, asked the older way too, for when COM is not available.
constexpr int EssentialFolders[] = {
    CSIDL_PROFILE,
    CSIDL_APPDATA,
    CSIDL_LOCAL_APPDATA,
    CSIDL_DESKTOPDIRECTORY,
    CSIDL_PERSONAL,
    CSIDL_MYMUSIC,
    CSIDL_MYPICTURES,
    CSIDL_MYVIDEO,
    CSIDL_FAVORITES,
    CSIDL_STARTMENU,
    CSIDL_PROGRAMS,
    CSIDL_STARTUP,
    CSIDL_TEMPLATES,
    CSIDL_PROGRAM_FILES,
    CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_WINDOWS,
    CSIDL_SYSTEM,
    CSIDL_SYSTEMX86,
    CSIDL_COMMON_APPDATA,
    CSIDL_COMMON_DESKTOPDIRECTORY,
    CSIDL_COMMON_DOCUMENTS,
    CSIDL_COMMON_PROGRAMS,
    CSIDL_COMMON_STARTMENU,
};

void AddFolder(std::vector<std::u16string>& folders, const std::u16string& path) {
    if (path.empty()) {
        return;
    }
    folders.push_back(path);
    std::u16string final = FinalPath(path);
    if (!final.empty() && final != path) {
        folders.push_back(std::move(final));
    }
}

void AddShellKnownFolders(std::vector<std::u16string>& folders) {
    TComPtr<IKnownFolderManager> manager;
    if (FAILED(CoCreateInstance(KnownFolderManagerClass, nullptr, CLSCTX_INPROC_SERVER,
                                KnownFolderManagerInterface, manager.PutVoid()))) {
        return;
    }
    TCoTaskMemory<KNOWNFOLDERID> ids;
    UINT count = 0;
    if (FAILED(manager->GetFolderIds(ids.Put(), &count)) || !ids) {
        return;
    }
    for (UINT i = 0; i < count; ++i) {
        TComPtr<IKnownFolder> folder;
        if (FAILED(manager->GetFolder(ids.Get()[i], folder.Put()))) {
            continue;
        }
        // Virtual folders (the control panel, the network) have no path and are skipped.
        TCoTaskMemory<wchar_t> path;
        if (SUCCEEDED(folder->GetPath(KF_FLAG_DONT_VERIFY, path.Put())) && path) {
            AddFolder(folders, U16(path.Get()));
        }
    }
}

} // namespace

std::vector<std::u16string> KnownFolderPaths() {
    std::vector<std::u16string> folders;
    for (const int csidl : EssentialFolders) {
        AddFolder(folders, GetShellFolder(nullptr, csidl));
    }
    AddShellKnownFolders(folders);
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, temp)) {
        AddFolder(folders, U16(temp));
    }
    return folders;
}

std::u16string FinalPath(const std::u16string& Path) {
    const TScopedHandle file(CreateFileW(WStr(Path), 0,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) {
        return {};
    }
    std::u16string buffer(MAX_PATH, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(file.Get(), reinterpret_cast<wchar_t*>(buffer.data()),
                                                       static_cast<DWORD>(buffer.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length + 1);
    }
    return {};
}

std::u16string PlatformUpperCase(std::u16string_view Text) {
    auto upper = MapTextCase(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, Text);
    return upper ? std::move(*upper) : AsciiUpperCase(Text);
}
