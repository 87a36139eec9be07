// The action button of the main window: the access probe, closing a running product, and the
// install and update steps. The uninstall branch continues in main_form_uninstall.cpp.
#include "app/main_form.h"

#include <shellapi.h>

#include "app/application.h"
#include "utils/atomic_file_writer.h"
#include "utils/common.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/properties.h"
#include "utils/strings.h"
#include "utils/win32.h"

void TMainForm::ActionButtonClick(TObject*) {
    if (ActionInProgress) {
        return;
    }
    ActionInProgress = true;

    const std::u16string folder = DestinationFolder();
    const std::u16string appPath = folder + u"\\" + ProductExeName;
    const std::u16string source = GetBooleanParam(u"/store") ? u"Store" : u"Website";
    const bool silent = SilentMode || VerySilentMode;

    if (!HasWriteAccess(folder)) {
        if (silent) {
            FApplication.ExitCode = 2;
            FApplication.Terminate();
        } else {
            ShowError(u"Access is denied.\r\n" + folder, u"Access is denied");
        }
        ActionInProgress = false;
        return;
    }

    try {
        CloseProductWindows();
        if (RunMode == u"Install" || RunMode == u"Update") {
            const bool updateMode = RunMode == u"Update";
            Install(appPath, folder, source, updateMode);
            if (RunAfterChecked() && !VerySilentMode) {
                RunProduct(folder, updateMode);
            }
            FApplication.Terminate();
        } else if (RunMode == u"Uninstall") {
            StartUninstall();
        }
    } catch (const EError& e) {
        if (silent) {
            FApplication.ExitCode = 1;
            FApplication.Terminate();
        } else {
            ShowError(e.Message(), InstallerExeName);
        }
        ActionInProgress = false;
    }
}

void TMainForm::Install(const std::u16string& AppPath, const std::u16string& DestFolder,
                        const std::u16string& InstallationSource, bool UpdateMode) {
    ForceDirectories(DestFolder);
    const int64_t totalSize = SaveResource(ProductResourceName, DestFolder, ProductExeName);

    // The installer started from its own install folder (the Programs list does that, in
    // whatever letter case) must not copy itself onto itself.
    const std::u16string selfPath = GetModuleFileNameText();
    const std::u16string installerCopy = DestFolder + u"\\" + InstallerExeName;
    if (!IsSameFile(selfPath, installerCopy)) {
        CopyFileAtomically(selfPath, installerCopy);
    }

    Properties->CreateProgramsListKey(DestFolder, totalSize);
    if (!UpdateMode) {
        Properties->SetInstallationSource(InstallationSource);
    }
    if (DesktopShortcutChecked()) {
        CreateShortcut(AppPath, GetDesktopFolder(Handle()) + u"\\" + ShortcutFileName, DestFolder, ProductName);
    }
    if (StartMenuShortcutChecked()) {
        const std::u16string menuFolder = GetAppDataFolder() + StartMenuProgramsSuffix + MakerName;
        ForceDirectories(menuFolder);
        CreateShortcut(AppPath, menuFolder + u"\\" + ShortcutFileName, DestFolder, ProductName);
    }
}

int64_t TMainForm::SaveResource(const std::u16string& ResName, const std::u16string& Path,
                                const std::u16string& FileName) {
    HRSRC info = FindResourceW(nullptr, WStr(ResName), RT_RCDATA);
    HGLOBAL data = info ? LoadResource(nullptr, info) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) {
        throw EResNotFound(u"Resource " + ResName + u" not found");
    }
    const DWORD size = SizeofResource(nullptr, info);
    WriteFileAtomically(Path + u"\\" + FileName, bytes, size);
    return size;
}

void TMainForm::RunProduct(const std::u16string& DestFolder, bool UpdateMode) {
    const std::u16string path = DestFolder + u"\\" + ProductExeName;
    const std::u16string parameters = UpdateMode ? u"/updated" : u"";
    ShellExecuteW(Handle(), L"open", WStr(path), parameters.empty() ? nullptr : WStr(parameters), WStr(DestFolder),
                  SW_SHOWNORMAL);
}

void TMainForm::CloseProductWindows() {
    if (RunMode == u"Update" && (SilentMode || VerySilentMode)) {
        Sleep(500);
    }
    HWND window = FindWindowW(nullptr, WStr(ProductName));
    while (window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        window = FindWindowExW(nullptr, window, nullptr, WStr(ProductName));
        Sleep(250);
    }
}

std::u16string TMainForm::ElevationParameters() const {
    const std::u16string mode = RunMode == u"Update" ? u"/update" : RunMode == u"Uninstall" ? u"/uninstall" : u"/install";
    return mode + u" /dir=\"" + Trim(DestinationFolder()) + u"\"";
}

void TMainForm::RunAsAdminLabelClick(TObject*) {
    const std::u16string self = GetModuleFileNameText();
    const std::u16string parameters = ElevationParameters();
    ShellExecuteW(Handle(), L"runas", WStr(self), WStr(parameters), nullptr, SW_SHOWNORMAL);
    FApplication.Terminate();
}
