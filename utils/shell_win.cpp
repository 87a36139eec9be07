#include "utils/shell_win.h"

#include <shellapi.h>
#include <shlobj.h>

#include "utils/com_win.h"
#include "utils/exception.h"
#include "utils/handles_win.h"
#include "utils/os_error_win.h"
#include "utils/text_win.h"

namespace {

// The shell link class and its two interfaces, defined here rather than taken from the large
// GUID library.
constexpr CLSID ShellLinkClass = {
    0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID ShellLinkInterface = {
    0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID PersistFileInterface = {
    0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

} // namespace

std::u16string GetShellFolder(HWND Owner, int Csidl) noexcept {
    wchar_t buffer[MAX_PATH] = {};
    SHGetFolderPathW(Owner, Csidl, nullptr, SHGFP_TYPE_CURRENT, buffer);
    return U16(buffer);
}

std::u16string GetDesktopFolder(HWND Owner) noexcept {
    return GetShellFolder(Owner, CSIDL_DESKTOPDIRECTORY);
}

std::u16string GetAppDataFolder() noexcept {
    return GetShellFolder(nullptr, CSIDL_APPDATA);
}

HRESULT CreateShortcut(const std::u16string& Target, const std::u16string& LinkFile,
                       const std::u16string& WorkingDirectory, const std::u16string& Description) {
    TComPtr<IShellLinkW> link;
    HRESULT hr =
        CoCreateInstance(ShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, ShellLinkInterface, link.PutVoid());
    if (FAILED(hr)) {
        throw EError(u"Cannot create a shell link object: " + SysErrorMessage(static_cast<DWORD>(hr)));
    }
    TComPtr<IPersistFile> file;
    hr = link->QueryInterface(PersistFileInterface, file.PutVoid());
    if (FAILED(hr)) {
        throw EError(u"The shell link object cannot be saved: " + SysErrorMessage(static_cast<DWORD>(hr)));
    }
    // The first step that fails is the one to report; a link without its target is no link.
    for (const HRESULT step : {link->SetPath(WStr(Target)), link->SetDescription(WStr(Description)),
                               link->SetWorkingDirectory(WStr(WorkingDirectory))}) {
        if (FAILED(step)) {
            return step;
        }
    }
    return file->Save(WStr(LinkFile), FALSE);
}

DWORD ShellStart(HWND Owner, const wchar_t* Verb, const std::u16string& File,
                 const std::u16string& Parameters, const std::u16string& Folder, int Show) noexcept {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // Started before the call returns: the run may end right after it.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.hwnd = Owner;
    info.lpVerb = Verb;
    info.lpFile = WStr(File);
    info.lpParameters = Parameters.empty() ? nullptr : WStr(Parameters);
    info.lpDirectory = Folder.empty() ? nullptr : WStr(Folder);
    info.nShow = Show;
    if (ShellExecuteExW(&info)) {
        return ERROR_SUCCESS;
    }
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}
