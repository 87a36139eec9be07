#include "app/session_platform_win.h"

#include <utility>

#include <shellapi.h>

#include "app/application_win.h"
#include "app/run_services_win.h"
#include "ucl/timer_win.h"
#include "utils/atomic_file_writer_win.h"
#include "utils/background_task_win.h"
#include "utils/file_system_win.h"
#include "utils/shell_win.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/executable_check.h"
#include "utils/folder_deletion.h"
#include "utils/install_transaction_win.h"
#include "utils/known_folders_win.h"
#include "utils/paths.h"
#include "utils/programs_list.h"
#include "utils/properties_win.h"
#include "utils/resource_stream_win.h"
#include "utils/rest_win.h"
#include "utils/running_product_win.h"
#include "utils/text_win.h"
#include "utils/os_error_win.h"
#include "utils/module_win.h"

namespace {

TCallResult Failed(DWORD Error) {
    return {coFailed, SysErrorMessage(Error)};
}

// The outcome of a call that answers with an error code.
TCallResult ResultOf(DWORD Error) {
    return Error == ERROR_SUCCESS ? TCallResult() : Failed(Error);
}

// The steps of one install or update through the transaction that can put them back.
class TWin32InstallWriter final : public IInstallWriter {
public:
    TWin32InstallWriter(IRunHost& Host, TProperties& Properties) : FProperties(Properties) {
        FTransaction.OnLog = [&Host](const std::u16string& Text) { Host.Log(Text); };
    }

    void CreateFolders(const std::u16string& Folder) override { FTransaction.CreateFolders(Folder); }

    uint64_t WriteProduct(const std::u16string& Folder, const std::function<void()>& Checkpoint) override {
        return uint64_t(SaveResource(ProductResourceName, Folder, ProductExeName, &FTransaction, Checkpoint));
    }

    void CopyInstaller(const std::u16string& Folder) override {
        // The installer started from its own install folder (the Programs list does that, in
        // whatever letter case) must not copy itself onto itself.
        const std::u16string self = GetModuleFileNameText();
        const std::u16string copy = JoinPath(Folder, InstallerExeName);
        if (!IsSameFile(self, copy)) {
            FTransaction.ReplaceFile(copy, [&](TAtomicFileWriter& Writer) { CopyFileInto(self, Writer); });
        }
    }

    void WriteProgramsListEntry(const std::u16string& Folder, uint64_t ProductSize) override {
        for (const char16_t* name : ProgramsListValueNames) {
            FTransaction.RememberRegValue(ProgramsListKey, name);
        }
        FProperties.CreateProgramsListKey(Folder, int64_t(ProductSize));
    }

    void WriteInstallationSource(const std::u16string& Source) override {
        FTransaction.RememberRegValue(FProperties.AppKey, u"InstallationSource");
        FProperties.SetInstallationSource(Source);
    }

    TCallResult CreateShortcut(const std::u16string& Link, const std::u16string& Target,
                               const std::u16string& WorkingFolder) override {
        // Saved beside the link and renamed onto it: a kill never leaves a link cut short.
        HRESULT saved = S_OK;
        const DWORD error = FTransaction.SaveFile(Link, [&](const std::u16string& Temporary) {
            saved = ::CreateShortcut(Target, Temporary, WorkingFolder, ProductName);
        });
        if (FAILED(saved)) {
            return {coFailed, SysErrorMessage(static_cast<DWORD>(saved))};
        }
        return ResultOf(error);
    }

    void Commit() override { FTransaction.Commit(); }

private:
    TProperties& FProperties;
    TInstallTransaction FTransaction;
};

std::u16string SystemFolder() {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? U16(buffer, length) : std::u16string();
}

// The interpreter waits before it deletes, so the installer's own executable is no longer in
// use by then; nothing waits for it or looks at its result. The folder reaches it only
// through the environment; it runs from the system folder, by full path, so that neither a
// planted cmd.exe nor the folder being deleted is ever its working folder.
TCallResult RunHiddenCommand(const std::u16string& Parameters, const std::u16string& Folder) {
    const std::u16string system = SystemFolder();
    if (system.empty()) {
        return Failed(GetLastError());
    }
    const std::u16string value = DeletionFolderValue(Folder);
    if (value.empty()) {
        // A folder no deletion may be handed: nothing is started.
        return {coRefused, {}};
    }
    if (!SetEnvironmentVariableW(WStr(DeletionFolderVariable), WStr(value))) {
        return Failed(GetLastError());
    }
    return ResultOf(ShellStart(nullptr, L"open", system + u"\\cmd.exe", Parameters, system, SW_HIDE));
}

// A file as the install wrote it: not a folder and not a link to somewhere else.
bool IsPlainFile(const std::u16string& Path) {
    const DWORD attributes = GetFileAttributesW(WStr(Path));
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

bool HoldsInstallation(const std::u16string& Folder) {
    return FileExists(JoinPath(Folder, InstallerExeName)) || FileExists(JoinPath(Folder, ProductExeName));
}

// The folder as written and, when it exists, as the platform resolves it: both must pass,
// so that neither another spelling nor a link can smuggle in a folder that must stay.
bool MayDeleteFolderTree(const std::u16string& Folder) {
    const bool holds = HoldsInstallation(Folder);
    const std::vector<std::u16string> known = KnownFolderPaths();
    if (FolderDeletionRefusal(Folder, holds, known, PlatformUpperCase) != TDeletionRefusal::drNone) {
        return false;
    }
    const std::u16string final = FinalPath(Folder);
    return final.empty() ||
           FolderDeletionRefusal(final, holds, known, PlatformUpperCase) == TDeletionRefusal::drNone;
}

} // namespace

int64_t SaveResource(const std::u16string& ResName, const std::u16string& Path,
                     const std::u16string& FileName, TInstallTransaction* Transaction,
                     const std::function<void()>& Checkpoint) {
    TResourceStream resource(ResName);
    const std::u16string target = JoinPath(Path, FileName);
    uint64_t size = 0;
    // Decoded while it is written, and checked, as a program too, before the file takes its
    // place: what is raised from here leaves the file uncommitted.
    const auto write = [&](TAtomicFileWriter& Writer) {
        size = UnpackProgram(
            resource.Size(),
            [&](uint8_t* Buffer, size_t Capacity) { return resource.Read(Buffer, Capacity); },
            [&](const uint8_t* Data, size_t Size) {
                if (Checkpoint) {
                    Checkpoint();
                }
                Writer.Write(Data, Size);
            });
    };
    if (Transaction) {
        Transaction->ReplaceFile(target, write);
    } else {
        TAtomicFileWriter writer(target);
        write(writer);
        writer.Commit();
    }
    return static_cast<int64_t>(size);
}

TWin32Platform::TWin32Platform(TApplication& Application, TWin32RunServices& Services)
    : FApplication(Application), FServices(Services) {}

TWin32Platform::~TWin32Platform() = default;

// ---- IFileSystem ----

std::u16string TWin32Platform::AppDataFolder() {
    return GetAppDataFolder();
}

std::u16string TWin32Platform::DesktopFolder() {
    return GetDesktopFolder(FApplication.OwnerWindow());
}

bool TWin32Platform::HasWriteAccess(const std::u16string& Folder) {
    return ::HasWriteAccess(Folder);
}

bool TWin32Platform::DirectoryExists(const std::u16string& Folder) {
    return ::DirectoryExists(Folder);
}

void TWin32Platform::RemoveWriteLeftovers(const std::u16string& Folder) {
    ::RemoveWriteLeftovers(Folder, {ProductExeName, InstallerExeName});
    // The shortcuts are written beside their final names too.
    for (const std::u16string& folder : {DesktopFolder(), StartMenuFolderOf(AppDataFolder())}) {
        if (!folder.empty()) {
            ::RemoveWriteLeftovers(folder, {ShortcutFileName});
        }
    }
}

std::unique_ptr<IInstallWriter> TWin32Platform::BeginInstall() {
    return std::make_unique<TWin32InstallWriter>(*this, FServices.Properties());
}

bool TWin32Platform::DeleteExistingFile(const std::u16string& Path) {
    if (!FileExists(Path)) {
        return false;
    }
    if (!DeleteFileW(WStr(Path))) {
        RaiseLastOSError(u"Cannot delete '" + Path + u"'");
    }
    return true;
}

TCallResult TWin32Platform::RemoveFolderIfEmpty(const std::u16string& Folder) {
    if (!::DirectoryExists(Folder)) {
        return {coNothingThere, {}};
    }
    if (!IsEmptyFolder(Folder)) {
        return {coRefused, {}};
    }
    return RemoveDirectoryW(WStr(Folder)) ? TCallResult() : Failed(GetLastError());
}

// ---- IRegistration ----

std::u16string TWin32Platform::InstallLocation() {
    return FServices.Properties().InstallLocation();
}

namespace {

TCallResult KeyRemoval(LSTATUS Status) {
    return Status == ERROR_FILE_NOT_FOUND ? TCallResult{coNothingThere, {}}
                                          : ResultOf(static_cast<DWORD>(Status));
}

} // namespace

TCallResult TWin32Platform::DeleteProgramsListKey() {
    return KeyRemoval(FServices.Properties().DeleteProgramsListKey());
}

TCallResult TWin32Platform::DeleteSoftwareAppKey() {
    return KeyRemoval(FServices.Properties().DeleteSoftwareAppKey());
}

// ---- IProcesses ----

TProductClosing TWin32Platform::CloseProductWindows(const std::u16string& Folder, bool PauseFirst,
                                                    uint32_t WaitMs) {
    // A product that started this update itself gets a moment to end on its own.
    if (PauseFirst) {
        Sleep(500);
    }
    const ULONGLONG asked = GetTickCount64();
    const std::vector<TRunningProcess> product = Folder.empty()
                                                     ? std::vector<TRunningProcess>()
                                                     : FindProcessesRunning(JoinPath(Folder, ProductExeName));
    TProductClosing closing;
    closing.WindowsAsked = AskWindowsToClose(ProductName, product, 250);
    const ULONGLONG spent = GetTickCount64() - asked;
    closing.StillRunning =
        WaitForProcessesToEnd(product, spent < WaitMs ? static_cast<DWORD>(WaitMs - spent) : 0);
    return closing;
}

TCallResult TWin32Platform::RunProduct(const std::u16string& Path, const std::u16string& Parameters,
                                       const std::u16string& WorkingFolder) {
    return ResultOf(
        ShellStart(FApplication.OwnerWindow(), L"open", Path, Parameters, WorkingFolder, SW_SHOWNORMAL));
}

TCallResult TWin32Platform::RestartElevated(const std::u16string& Parameters) {
    const DWORD error = ShellStart(FApplication.OwnerWindow(), L"runas", GetModuleFileNameText(), Parameters,
                                   {}, SW_SHOWNORMAL);
    if (error == ERROR_CANCELLED) {
        return {coRefused, {}};
    }
    return ResultOf(error);
}

TCallResult TWin32Platform::OpenPage(const std::u16string& Url) {
    return ResultOf(ShellStart(FApplication.OwnerWindow(), L"open", Url, {}, {}, SW_SHOWNORMAL));
}

TCallResult TWin32Platform::ScheduleFolderDeletion(const std::u16string& Folder) {
    if (!MayDeleteFolderTree(Folder)) {
        return {coRefused, {}};
    }
    return RunHiddenCommand(DeleteFolderCommand(), Folder);
}

TCallResult TWin32Platform::ScheduleFileDeletion(const std::u16string& Folder, const std::u16string& Name,
                                                 int Seconds) {
    const std::u16string path = JoinPath(Folder, Name);
    if (GetFileAttributesW(WStr(path)) == INVALID_FILE_ATTRIBUTES) {
        return {coNothingThere, {}};
    }
    if (!IsPlainFile(path)) {
        return {coRefused, {}};
    }
    return RunHiddenCommand(DeleteFileCommand(Name, Seconds), Folder);
}

// ---- IUninstallNotification ----

void TWin32Platform::Start() {
    FServices.RestApi().SendUninstallRequest();
}

bool TWin32Platform::Finished() const {
    return UninstallRequestFinished;
}

std::u16string TWin32Platform::Outcome() const {
    return FServices.RestApi().Outcome();
}

// ---- IRunHost ----

void TWin32Platform::End(int ExitCode) {
    FApplication.ExitCode = ExitCode;
    FApplication.Terminate();
}

uint64_t TWin32Platform::Milliseconds() {
    return GetTickCount64();
}

void TWin32Platform::Log(const std::u16string& Text) {
    FApplication.Log.Write(Text);
}

void TWin32Platform::RunInBackground(const std::function<void()>& Work) {
    TBackgroundTask task(Work);
    FApplication.ProcessMessagesUntil(task.Handle());
    task.Rethrow();
}

void TWin32Platform::StartPoll(uint32_t Interval, std::function<void()> Tick) {
    // Only an uninstall polls: an install needs no timer window.
    FPoll = std::make_unique<TTimer>(Interval, [Tick = std::move(Tick)](TObject*) { Tick(); });
    FPoll->SetEnabled(true);
}

void TWin32Platform::StopPoll() {
    if (FPoll) {
        FPoll->SetEnabled(false);
    }
}

bool TWin32Platform::Polling() const {
    return FPoll && FPoll->Enabled();
}
