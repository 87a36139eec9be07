// The installation session's workflow against a machine made of maps: the order of the
// steps, what a failure at each step of an install, update and uninstall leaves behind, the
// exit code and message the failure policy gives it, and what is logged.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/failure_policy.h"
#include "app/installation_session.h"
#include "app/run_services.h"
#include "utils/exception.h"
#include "utils/product_payload.h"

namespace {

const std::u16string AppData = u"C:\\Users\\u\\AppData\\Roaming";
const std::u16string Desktop = u"C:\\Users\\u\\Desktop";
const std::u16string Folder = AppData + u"\\Mirelbrook\\Quorvalent";
const std::u16string MenuFolder = AppData + u"\\Microsoft\\Windows\\Start Menu\\Programs\\Mirelbrook";

// What the machine holds: files with their content, folders, registry values.
struct TMachine {
    std::map<std::u16string, std::u16string> Files;
    std::set<std::u16string> Folders;
    std::map<std::u16string, std::u16string> Registry;
    bool operator==(const TMachine&) const = default;
};

// Every step is recorded by name; the one named in FailAt raises instead of happening.
class TFakePlatform final : public IFileSystem,
                            public IRegistration,
                            public IProcesses,
                            public IUninstallNotification,
                            public IRunHost {
public:
    TMachine Machine;
    std::vector<std::u16string> Steps;
    std::vector<std::u16string> LogLines;
    std::u16string FailAt;
    bool Damaged = false;
    bool Writable = true;
    bool PausedFirst = false;
    // The session to cancel in the middle of writing the product, as Cancel pressed would.
    TInstallationSession* CancelWhileWriting = nullptr;
    bool Ended = false;
    int ExitCode = -1;
    uint64_t Now = 0;
    bool NotificationDone = false;
    bool PollRunning = false;
    bool FolderDeletable = true;
    // How many of the next closings find the product still running.
    int StillRunningFor = 0;
    std::vector<std::u16string> ClosedIn;
    uint32_t CloseWait = 0;
    TCallResult ProductStart;
    TCallResult Elevation;
    TCallResult PageOpened;
    bool ShortcutsRefused = false;
    bool KeysRefused = false;

    TSessionPlatform Interfaces() { return {*this, *this, *this, *this, *this}; }

    void Step(const std::u16string& Name) {
        Steps.push_back(Name);
        if (Name == FailAt) {
            if (Damaged) {
                throw EPayloadDamaged(u"The packed product is damaged: its checksum does not match.");
            }
            throw EError(Name + u" failed");
        }
    }

    class TWriter final : public IInstallWriter {
    public:
        explicit TWriter(TFakePlatform& Owner) : FOwner(Owner), FBefore(Owner.Machine) {}
        ~TWriter() override {
            if (!FCommitted) {
                FOwner.Machine = FBefore;
            }
        }
        void CreateFolders(const std::u16string& Path) override {
            FOwner.Step(u"CreateFolders " + Path);
            FOwner.Machine.Folders.insert(Path);
        }
        uint64_t WriteProduct(const std::u16string& Path, const std::function<void()>& Checkpoint) override {
            FOwner.Step(u"WriteProduct");
            FOwner.Machine.Files[Path + u"\\Quorvalent.exe"] = u"product";
            if (FOwner.CancelWhileWriting) {
                FOwner.CancelWhileWriting->Cancel();
            }
            Checkpoint();
            return 10 << 20;
        }
        void CopyInstaller(const std::u16string& Path) override {
            FOwner.Step(u"CopyInstaller");
            FOwner.Machine.Files[Path + u"\\QuorvalentInstaller.exe"] = u"installer";
        }
        void WriteProgramsListEntry(const std::u16string& Path, uint64_t Size) override {
            FOwner.Step(u"WriteProgramsListEntry");
            FOwner.Machine.Registry[u"InstallLocation"] = Path;
            FOwner.Machine.Registry[u"EstimatedSize"] = std::u16string(1, char16_t(Size >> 20));
        }
        void WriteInstallationSource(const std::u16string& Source) override {
            FOwner.Step(u"WriteInstallationSource");
            FOwner.Machine.Registry[u"InstallationSource"] = Source;
        }
        TCallResult CreateShortcut(const std::u16string& Link, const std::u16string& Target,
                                   const std::u16string& WorkingFolder) override {
            FOwner.Step(u"CreateShortcut " + Link);
            if (FOwner.ShortcutsRefused) {
                return {coFailed, u"Access is denied."};
            }
            FOwner.Machine.Files[Link] = Target + u"|" + WorkingFolder;
            return {};
        }
        void Commit() override {
            FOwner.Step(u"Commit");
            FCommitted = true;
        }

    private:
        TFakePlatform& FOwner;
        const TMachine FBefore;
        bool FCommitted = false;
    };

    // IFileSystem
    std::u16string AppDataFolder() override { return AppData; }
    std::u16string DesktopFolder() override { return Desktop; }
    bool HasWriteAccess(const std::u16string& Path) override {
        Steps.push_back(u"Probe " + Path);
        return Writable && !Path.empty();
    }
    bool DirectoryExists(const std::u16string& Path) override { return Machine.Folders.count(Path) > 0; }
    void RemoveWriteLeftovers(const std::u16string&) override { Step(u"RemoveWriteLeftovers"); }
    std::unique_ptr<IInstallWriter> BeginInstall() override { return std::make_unique<TWriter>(*this); }
    bool DeleteExistingFile(const std::u16string& Path) override {
        Step(u"DeleteExistingFile " + Path);
        return Machine.Files.erase(Path) > 0;
    }
    TCallResult RemoveFolderIfEmpty(const std::u16string& Path) override {
        Step(u"RemoveFolderIfEmpty");
        return Machine.Folders.erase(Path) ? TCallResult() : TCallResult{coNothingThere, {}};
    }
    // IRegistration
    std::u16string InstallLocation() override {
        const auto found = Machine.Registry.find(u"InstallLocation");
        return found == Machine.Registry.end() ? std::u16string() : found->second;
    }
    TCallResult DeleteProgramsListKey() override {
        Step(u"DeleteProgramsListKey");
        if (KeysRefused) {
            return {coFailed, u"Access is denied."};
        }
        const bool there = Machine.Registry.erase(u"InstallLocation") > 0;
        Machine.Registry.erase(u"EstimatedSize");
        return there ? TCallResult() : TCallResult{coNothingThere, {}};
    }
    TCallResult DeleteSoftwareAppKey() override {
        Step(u"DeleteSoftwareAppKey");
        if (KeysRefused) {
            return {coFailed, u"Access is denied."};
        }
        return Machine.Registry.erase(u"InstallationSource") ? TCallResult()
                                                             : TCallResult{coNothingThere, {}};
    }
    // IProcesses
    TProductClosing CloseProductWindows(const std::u16string& Path, bool PauseFirst,
                                        uint32_t WaitMs) override {
        Step(u"CloseProductWindows");
        PausedFirst = PauseFirst;
        ClosedIn.push_back(Path);
        CloseWait = WaitMs;
        TProductClosing closing{1, {}};
        if (StillRunningFor > 0) {
            --StillRunningFor;
            closing.StillRunning = {4242, 77};
        }
        return closing;
    }
    TCallResult RunProduct(const std::u16string& Path, const std::u16string& Parameters,
                           const std::u16string&) override {
        Steps.push_back(u"RunProduct " + Path + u" " + Parameters);
        return ProductStart;
    }
    TCallResult RestartElevated(const std::u16string& Parameters) override {
        Steps.push_back(u"RestartElevated " + Parameters);
        return Elevation;
    }
    TCallResult OpenPage(const std::u16string& Url) override {
        Steps.push_back(u"OpenPage " + Url);
        return PageOpened;
    }
    TCallResult ScheduleFolderDeletion(const std::u16string& Path) override {
        Step(u"ScheduleFolderDeletion " + Path);
        return FolderDeletable ? TCallResult() : TCallResult{coRefused, {}};
    }
    TCallResult ScheduleFileDeletion(const std::u16string&, const std::u16string& Name,
                                     int Seconds) override {
        Step(u"ScheduleFileDeletion " + Name + u" " + std::u16string(1, char16_t(u'0' + Seconds)));
        return {};
    }
    // IUninstallNotification
    void Start() override { Steps.push_back(u"NotificationStart"); }
    bool Finished() const override { return NotificationDone; }
    std::u16string Outcome() const override { return u"sent"; }
    // IRunHost
    void End(int Code) override {
        Ended = true;
        ExitCode = Code;
    }
    uint64_t Milliseconds() override { return Now; }
    void Log(const std::u16string& Text) override { LogLines.push_back(Text); }
    void RunInBackground(const std::function<void()>& Work) override {
        Step(u"Background");
        Work();
    }
    void StartPoll(uint32_t, std::function<void()> Tick) override {
        PollRunning = true;
        FTick = std::move(Tick);
    }
    void StopPoll() override { PollRunning = false; }
    bool Polling() const { return PollRunning; }
    void Tick() {
        if (PollRunning) {
            FTick();
        }
    }

    bool Logged(const std::u16string& Line) const {
        return std::find(LogLines.begin(), LogLines.end(), Line) != LogLines.end();
    }
    bool Did(const std::u16string& Prefix) const {
        return std::any_of(Steps.begin(), Steps.end(), [&](const auto& s) { return s.starts_with(Prefix); });
    }

private:
    std::function<void()> FTick;
};

// The window as the session sees it: it shows what the session's window state says.
class TFakeView final : public ISessionView {
public:
    TChoices Current;
    const TInstallationSession* Session = nullptr;
    bool Busy = false;
    bool WasBusy = false;
    bool Loader = false;
    std::vector<std::pair<std::u16string, std::u16string>> Messages;

    TChoices Choices() const override { return Current; }
    void ShowState() override {
        Busy = Session->Form().Busy();
        WasBusy |= Busy;
        Loader = Session->Form().LoaderTurning();
    }
    void ShowMessage(const std::u16string& Text, const std::u16string& Caption) override {
        Messages.emplace_back(Text, Caption);
    }
};

TMachine Installed() {
    TMachine machine;
    machine.Folders = {Folder, MenuFolder};
    machine.Files = {{Folder + u"\\Quorvalent.exe", u"old"},
                     {Folder + u"\\QuorvalentInstaller.exe", u"old"},
                     {Desktop + u"\\Quorvalent.lnk", u"link"},
                     {MenuFolder + u"\\Quorvalent.lnk", u"link"}};
    machine.Registry = {{u"InstallLocation", Folder}, {u"InstallationSource", u"Store"}};
    return machine;
}

struct TRun {
    // The run's services, as the program builds them first.
    TRunServices Services{u"English"};
    TFakePlatform Platform;
    TFakeView View;
    std::unique_ptr<TInstallationSession> Session;

    TRun(const std::u16string& Arguments, TMachine Machine, bool Window) {
        Platform.Machine = std::move(Machine);
        Session = std::make_unique<TInstallationSession>(ReadCommandLine(u"q.exe " + Arguments),
                                                         Platform.Interfaces());
        if (Window) {
            View.Current.Folder = Session->InitialFolder();
            View.Session = Session.get();
            Session->SetView(&View);
        }
    }
};

// The steps an install or update makes, each of which may fail.
const std::u16string InstallSteps[] = {
    u"CreateFolders " + Folder,
    u"WriteProduct",
    u"CopyInstaller",
    u"WriteProgramsListEntry",
    u"WriteInstallationSource",
    u"CreateShortcut " + Desktop + u"\\Quorvalent.lnk",
    u"CreateFolders " + MenuFolder,
    u"CreateShortcut " + MenuFolder + u"\\Quorvalent.lnk",
    u"Commit",
};

TEST(FailurePolicy, OneTableForEveryFailure) {
    const struct {
        TFailure Failure;
        TFailureResponse Silent, Window;
    } table[] = {
        {flFolderNotWritable, {false, true, 2}, {true, false, 0}},
        {flActionFailed, {false, true, 1}, {true, false, 0}},
        {flInstallerDamaged, {false, true, 1}, {true, false, 0}},
        {flProductRunning, {false, true, 1}, {true, false, 0}},
        {flCancelled, {false, true, 0}, {false, true, 0}},
        {flUnexpected, {false, true, 1}, {true, true, 1}},
    };
    for (const auto& row : table) {
        EXPECT_EQ(RespondTo(row.Failure, true), row.Silent) << int(row.Failure);
        EXPECT_EQ(RespondTo(row.Failure, false), row.Window) << int(row.Failure);
    }
}

TEST(InstallationSession, AnInstallTakesItsStepsInOrderAndEndsWithZero) {
    TRun run(u"/silent /store", {}, false);
    run.Session->Act();
    ASSERT_TRUE(run.Platform.Ended);
    EXPECT_EQ(run.Platform.ExitCode, 0);
    std::vector<std::u16string> expected = {u"Probe " + Folder, u"Background", u"CloseProductWindows"};
    for (size_t i = 0; i < std::size(InstallSteps); ++i) {
        expected.push_back(InstallSteps[i]);
        if (i == 0) {
            expected.push_back(u"RemoveWriteLeftovers");
        }
    }
    expected.push_back(u"RunProduct " + Folder + u"\\Quorvalent.exe ");
    EXPECT_EQ(run.Platform.Steps, expected);
    EXPECT_EQ(run.Platform.Machine.Registry.at(u"InstallationSource"), u"Store");
    EXPECT_TRUE(run.Platform.Logged(u"Install complete"));
    EXPECT_TRUE(run.Platform.Logged(u"Asked a running product window to close"));
    EXPECT_FALSE(run.Platform.PausedFirst);
}

TEST(InstallationSession, AnUpdateKeepsTheSourceAndStartsTheProductUpdated) {
    TRun run(u"/update /silent", Installed(), false);
    run.Session->Act();
    EXPECT_EQ(run.Platform.ExitCode, 0);
    EXPECT_FALSE(run.Platform.Did(u"WriteInstallationSource"));
    EXPECT_EQ(run.Platform.Machine.Registry.at(u"InstallationSource"), u"Store");
    EXPECT_TRUE(run.Platform.Did(u"RunProduct " + Folder + u"\\Quorvalent.exe /updated"));
    EXPECT_TRUE(run.Platform.PausedFirst) << "a silent update gives the product a moment to go";
    EXPECT_TRUE(run.Platform.Logged(u"Update complete"));
}

TEST(InstallationSession, VerySilentAndTheWindowsChoicesAreKept) {
    TRun verySilent(u"/verysilent", {}, false);
    verySilent.Session->Act();
    EXPECT_FALSE(verySilent.Platform.Did(u"RunProduct"));

    TRun window(u"", {}, true);
    window.View.Current.DesktopShortcut = false;
    window.View.Current.RunAfter = false;
    window.Session->Act();
    EXPECT_EQ(window.Platform.ExitCode, 0);
    EXPECT_FALSE(window.Platform.Did(u"CreateShortcut " + Desktop));
    EXPECT_TRUE(window.Platform.Did(u"CreateShortcut " + MenuFolder));
    EXPECT_FALSE(window.Platform.Did(u"RunProduct"));
    EXPECT_FALSE(window.View.Busy) << "the options were unlocked again";
}

TEST(InstallationSession, AFailureAtEachStepPutsEverythingBack) {
    for (const bool update : {false, true}) {
        for (const std::u16string& step : InstallSteps) {
            if (update && step == u"WriteInstallationSource") {
                continue;
            }
            for (const bool window : {false, true}) {
                SCOPED_TRACE(testing::Message() << (update ? "update" : "install") << ", window " << window
                                                << ", failing: " << std::string(step.begin(), step.end()));
                const TMachine before = Installed();
                TRun run(std::u16string(update ? u"/update" : u"") + (window ? u"" : u" /silent"), before,
                         window);
                run.Platform.FailAt = step;
                run.Session->Act();
                EXPECT_EQ(run.Platform.Machine, before);
                EXPECT_FALSE(run.Platform.Did(u"RunProduct"));
                EXPECT_TRUE(run.Platform.Logged(u"Error: " + step + u" failed"));
                if (window) {
                    // The window stays for another try, with the message and the options back.
                    EXPECT_FALSE(run.Platform.Ended);
                    ASSERT_EQ(run.View.Messages.size(), 1u);
                    EXPECT_EQ(run.View.Messages[0], (std::pair<std::u16string, std::u16string>(
                                                        step + u" failed", u"QuorvalentInstaller.exe")));
                    EXPECT_FALSE(run.View.Busy);
                    EXPECT_FALSE(run.View.Loader);
                    EXPECT_FALSE(run.Session->ActionInProgress());
                } else {
                    EXPECT_TRUE(run.Platform.Ended);
                    EXPECT_EQ(run.Platform.ExitCode, 1);
                }
            }
        }
    }
}

TEST(InstallationSession, ADamagedProductSaysToDownloadAgain) {
    for (const bool window : {false, true}) {
        TRun run(window ? u"" : u"/silent", Installed(), window);
        run.Platform.FailAt = u"WriteProduct";
        run.Platform.Damaged = true;
        run.Session->Act();
        EXPECT_EQ(run.Platform.Machine, Installed());
        EXPECT_TRUE(
            run.Platform.Logged(u"Error: The packed product is damaged: its checksum does not match."));
        if (window) {
            ASSERT_EQ(run.View.Messages.size(), 1u);
            EXPECT_EQ(run.View.Messages[0].first,
                      u"The installer file is damaged. Please download the installer again.");
            EXPECT_FALSE(run.Platform.Ended);
        } else {
            EXPECT_EQ(run.Platform.ExitCode, 1);
        }
    }
}

TEST(InstallationSession, CancelWhileWritingPutsEverythingBackAndEndsWithZero) {
    TRun run(u"", Installed(), true);
    run.Platform.CancelWhileWriting = run.Session.get();
    run.Session->Act();
    EXPECT_EQ(run.Platform.Machine, Installed());
    EXPECT_TRUE(run.Platform.Ended);
    EXPECT_EQ(run.Platform.ExitCode, 0);
    EXPECT_TRUE(run.View.Messages.empty());
    EXPECT_TRUE(run.Platform.Logged(u"Cancel pressed during the install"));
    EXPECT_FALSE(run.Platform.Did(u"CopyInstaller"));
}

TEST(InstallationSession, AFolderThatCannotBeWrittenChangesNothing) {
    for (const bool window : {false, true}) {
        TRun run(window ? u"" : u"/verysilent", {}, window);
        run.Platform.Writable = false;
        run.Session->Act();
        EXPECT_TRUE(run.Platform.Machine == TMachine());
        EXPECT_FALSE(run.Platform.Did(u"CloseProductWindows"));
        EXPECT_TRUE(run.Platform.Logged(u"Access probe of '" + Folder + u"': not writable"));
        if (window) {
            ASSERT_EQ(run.View.Messages.size(), 1u);
            EXPECT_EQ(run.View.Messages[0], (std::pair<std::u16string, std::u16string>(
                                                u"Access is denied.\r\n" + Folder, u"Access is denied")));
            EXPECT_FALSE(run.Session->ActionInProgress());
            // A second try is possible.
            run.Platform.Writable = true;
            run.Session->Act();
            EXPECT_EQ(run.Platform.ExitCode, 0);
        } else {
            EXPECT_EQ(run.Platform.ExitCode, 2);
        }
    }
}

TEST(InstallationSession, TheActionWaitsForItsButtonAndRunsOnce) {
    TRun run(u"", {}, true);
    run.Session->AgreementChanged(false);
    run.Session->Act();
    EXPECT_TRUE(run.Platform.Steps.empty()) << "the agreement is off";
    run.Session->AgreementChanged(true);
    run.Platform.Writable = false;
    run.Session->Act();
    run.Platform.Steps.clear();
    run.Session->Act();
    EXPECT_EQ(run.Platform.Steps, std::vector<std::u16string>{u"Probe " + Folder})
        << "tried again after a failure";
}

TEST(InstallationSession, TheWindowsStateDecidesWhetherTheActionMayStart) {
    TRun run(u"", {}, true);
    run.Session->ApplyAccess(false);
    EXPECT_FALSE(run.Session->Form().ActionEnabled());
    run.Session->Act();
    EXPECT_TRUE(run.Platform.Steps.empty()) << "the folder was found unwritable";
    run.Session->ApplyAccess(true);
    run.Session->Act();
    EXPECT_EQ(run.Platform.ExitCode, 0);
    // While it ran, the window showed it busy; a silent run has no window to ask.
    EXPECT_TRUE(run.View.WasBusy);
    EXPECT_FALSE(run.View.Busy);
    EXPECT_FALSE(run.Session->Form().Busy());
    TRun silent(u"/silent", {}, false);
    silent.Session->AgreementChanged(false);
    silent.Session->Act();
    EXPECT_EQ(silent.Platform.ExitCode, 0);
}

TEST(InstallationSession, TheCommandLineMakesTheWindowsChoices) {
    const struct {
        const char16_t* Arguments;
        bool Desktop, StartMenu;
        const char16_t* Logged;
    } installs[] = {
        {u"/silent", true, true,
         u"Choices: desktop shortcut on, Start-menu shortcut on, start the product on"},
        {u"/silent /nodesktopshortcut", false, true,
         u"Choices: desktop shortcut off, Start-menu shortcut on, start the product on"},
        {u"/verysilent /NOSTARTMENUSHORTCUT", true, false,
         u"Choices: desktop shortcut on, Start-menu shortcut off, start the product off"},
        {u"/silent /nostartmenushortcut /nodesktopshortcut /deletedata", false, false,
         u"Choices: desktop shortcut off, Start-menu shortcut off, start the product on"},
    };
    for (const auto& row : installs) {
        SCOPED_TRACE(std::u16string(row.Arguments).size());
        TRun run(row.Arguments, {}, false);
        EXPECT_EQ(run.Session->InitialChoices().DesktopShortcut, row.Desktop);
        EXPECT_EQ(run.Session->InitialChoices().StartMenuShortcut, row.StartMenu);
        EXPECT_FALSE(run.Session->InitialChoices().DeleteData) << "an install deletes nothing";
        run.Session->Act();
        EXPECT_EQ(run.Platform.ExitCode, 0);
        EXPECT_EQ(run.Platform.Did(u"CreateShortcut " + Desktop), row.Desktop);
        EXPECT_EQ(run.Platform.Did(u"CreateShortcut " + MenuFolder), row.StartMenu);
        // The Start-menu folder is made only for its shortcut.
        EXPECT_EQ(run.Platform.Did(u"CreateFolders " + MenuFolder), row.StartMenu);
        EXPECT_TRUE(run.Platform.Logged(row.Logged));
    }
    TRun ignored(u"/silent /deletedata", {}, false);
    EXPECT_TRUE(ignored.Platform.Logged(u"/deletedata is an uninstall's choice: this run ignores it"));
}

TEST(InstallationSession, ASilentUninstallDeletesTheDataOnlyWhenAskedTo) {
    for (const bool asked : {false, true}) {
        TRun run(asked ? u"/uninstall /verysilent /DeleteData" : u"/uninstall /verysilent", Installed(),
                 false);
        run.Platform.NotificationDone = true;
        run.Session->Act();
        run.Platform.Tick();
        EXPECT_EQ(run.Platform.ExitCode, 0);
        EXPECT_EQ(run.Platform.Did(u"DeleteSoftwareAppKey"), asked);
        EXPECT_EQ(run.Platform.Did(u"ScheduleFolderDeletion " + Folder), asked);
        EXPECT_EQ(run.Platform.Did(u"ScheduleFileDeletion"), !asked);
        EXPECT_TRUE(run.Platform.Logged(
            std::u16string(u"Choices: delete local workspaces, requests and the settings ") +
            (asked ? u"on" : u"off")));
    }
    // A window starts with the switch as the command line set it; the user's choice then rules.
    TRun window(u"/uninstall /deletedata", Installed(), true);
    EXPECT_TRUE(window.Session->InitialChoices().DeleteData);
    window.View.Current.DeleteData = false;
    window.Platform.NotificationDone = true;
    window.Session->Act();
    window.Platform.Tick();
    EXPECT_FALSE(window.Platform.Did(u"DeleteSoftwareAppKey"));
}

TEST(InstallationSession, AnUninstallWaitsForItsNotificationThenRemovesInOrder) {
    TRun run(u"/uninstall /silent", Installed(), false);
    run.Session->Act();
    EXPECT_FALSE(run.Platform.Ended);
    EXPECT_TRUE(run.Platform.Polling());
    EXPECT_TRUE(run.Platform.Did(u"NotificationStart"));
    run.Platform.Tick();
    EXPECT_FALSE(run.Platform.Ended) << "the notification still runs";
    run.Platform.Steps.clear();
    run.Platform.NotificationDone = true;
    run.Platform.Tick();
    EXPECT_TRUE(run.Platform.Ended);
    EXPECT_EQ(run.Platform.ExitCode, 0);
    EXPECT_FALSE(run.Platform.Polling());
    EXPECT_EQ(run.Platform.Steps, (std::vector<std::u16string>{
                                      u"Background",
                                      u"CloseProductWindows",
                                      u"DeleteExistingFile " + Desktop + u"\\Quorvalent.lnk",
                                      u"DeleteExistingFile " + MenuFolder + u"\\Quorvalent.lnk",
                                      u"RemoveFolderIfEmpty",
                                      u"DeleteProgramsListKey",
                                      u"RemoveWriteLeftovers",
                                      u"ScheduleFileDeletion Quorvalent.exe 1",
                                      u"ScheduleFileDeletion QuorvalentInstaller.exe 2",
                                  }));
    // Without the delete-data option the settings stay.
    EXPECT_EQ(run.Platform.Machine.Registry.at(u"InstallationSource"), u"Store");
    EXPECT_TRUE(run.Platform.Logged(u"Web notification: sent"));
}

TEST(InstallationSession, AnUninstallGoesOnWhenTheNotificationHangs) {
    TRun run(u"/uninstall /silent", Installed(), false);
    run.Session->Act();
    run.Platform.Now = TInstallationSession::UninstallNotificationLimitMs - 1;
    run.Platform.Tick();
    EXPECT_FALSE(run.Platform.Ended);
    run.Platform.Now = TInstallationSession::UninstallNotificationLimitMs;
    run.Platform.Tick();
    EXPECT_EQ(run.Platform.ExitCode, 0);
    EXPECT_TRUE(run.Platform.Logged(u"Web notification: abandoned after 15 s"));
}

TEST(InstallationSession, DeleteDataRemovesTheSettingsAndTheFolderWhenItMay) {
    for (const bool deletable : {true, false}) {
        TRun run(u"/uninstall", Installed(), true);
        run.View.Current.DeleteData = true;
        run.Platform.FolderDeletable = deletable;
        run.Platform.NotificationDone = true;
        run.Session->Act();
        EXPECT_TRUE(run.View.Loader);
        run.Platform.Tick();
        EXPECT_EQ(run.Platform.ExitCode, 0);
        EXPECT_FALSE(run.Platform.Machine.Registry.count(u"InstallationSource"));
        EXPECT_TRUE(run.Platform.Did(u"ScheduleFolderDeletion " + Folder));
        // A folder that is not plainly this installation's own loses only the executables.
        EXPECT_EQ(run.Platform.Did(u"ScheduleFileDeletion"), !deletable);
    }
}

TEST(InstallationSession, AFailureAmongTheRemovalStepsStopsTheRest) {
    for (const bool window : {false, true}) {
        for (const bool deletable : {true, false}) {
            // The steps of a removal that succeeds; each of them is then made to fail in turn.
            const auto start = [&](const std::u16string& FailAt) {
                auto run = std::make_unique<TRun>(window ? u"/uninstall" : u"/uninstall /silent", Installed(),
                                                  window);
                run->View.Current.DeleteData = true;
                run->Platform.FolderDeletable = deletable;
                run->Platform.NotificationDone = true;
                run->Session->Act();
                // The removal's own steps fail, not the same calls made when the action started.
                run->Platform.FailAt = FailAt;
                run->Platform.Steps.clear();
                run->Platform.Tick();
                return run;
            };
            const std::vector<std::u16string> steps = start({})->Platform.Steps;
            ASSERT_GE(steps.size(), 6u);
            for (size_t failing = 0; failing < steps.size(); ++failing) {
                SCOPED_TRACE(testing::Message()
                             << "window " << window << ", deletable " << deletable
                             << ", failing: " << std::string(steps[failing].begin(), steps[failing].end()));
                const auto run = start(steps[failing]);
                EXPECT_EQ(run->Platform.Steps,
                          std::vector<std::u16string>(steps.begin(), steps.begin() + failing + 1));
                EXPECT_TRUE(run->Platform.Logged(u"Error: " + steps[failing] + u" failed"));
                EXPECT_FALSE(run->Platform.Polling());
                if (window) {
                    EXPECT_FALSE(run->Platform.Ended);
                    ASSERT_EQ(run->View.Messages.size(), 1u);
                    EXPECT_EQ(run->View.Messages[0].first, steps[failing] + u" failed");
                    EXPECT_FALSE(run->View.Loader);
                    EXPECT_FALSE(run->Session->ActionInProgress());
                } else {
                    EXPECT_TRUE(run->Platform.Ended);
                    EXPECT_EQ(run->Platform.ExitCode, 1);
                }
            }
        }
    }
}

TEST(InstallationSession, AnUninstallFromAFolderThatIsGoneRemovesOnlyShortcutsAndEntries) {
    TMachine machine = Installed();
    machine.Folders.erase(Folder);
    TRun run(u"/uninstall /silent", machine, false);
    run.Platform.NotificationDone = true;
    run.Session->Act();
    run.Platform.Tick();
    EXPECT_EQ(run.Platform.ExitCode, 0);
    EXPECT_FALSE(run.Platform.Did(u"Probe"));
    EXPECT_FALSE(run.Platform.Did(u"ScheduleFileDeletion"));
    EXPECT_TRUE(run.Platform.Did(u"DeleteProgramsListKey"));
}

TEST(InstallationSession, CancelOutsideAnInstallEndsTheRunAndTheElevatedRestartTakesTheFolder) {
    TRun run(u"/update /store", Installed(), true);
    EXPECT_EQ(run.Session->ElevationParameters(u"  C:\\Q "), u"/update /dir=\"C:\\Q\"");
    run.Session->RestartElevated(u"C:\\Q");
    EXPECT_TRUE(run.Platform.Did(u"RestartElevated /update /dir=\"C:\\Q\""));
    EXPECT_EQ(run.Platform.ExitCode, 0);
    TRun other(u"", {}, true);
    other.Session->Cancel();
    EXPECT_TRUE(other.Platform.Ended);
    EXPECT_EQ(other.Platform.ExitCode, 0);
}

TEST(InstallationSession, AProductStillRunningChangesNothingAndSaysWhichProcess) {
    const std::u16string logged = u"Error: " + Folder +
                                  u"\\Quorvalent.exe is still running (process 4242, 77) 5 s after it was "
                                  u"asked to close; nothing was changed";
    for (const char16_t* mode : {u"", u"/update", u"/uninstall"}) {
        for (const bool window : {false, true}) {
            SCOPED_TRACE(testing::Message() << std::u16string(mode).size() << ", window " << window);
            TRun run(std::u16string(mode) + (window ? u"" : u" /silent"), Installed(), window);
            run.Platform.StillRunningFor = 1;
            run.Platform.NotificationDone = true;
            run.Session->Act();
            run.Platform.Tick();
            EXPECT_EQ(run.Platform.Machine, Installed());
            EXPECT_EQ(run.Platform.ClosedIn, std::vector<std::u16string>{Folder});
            EXPECT_EQ(run.Platform.CloseWait, TInstallationSession::ProductCloseLimitMs);
            EXPECT_FALSE(run.Platform.Did(u"NotificationStart"))
                << "nobody is told of a removal that did not happen";
            EXPECT_FALSE(run.Platform.Did(u"WriteProduct"));
            EXPECT_TRUE(run.Platform.Logged(logged));
            if (!window) {
                EXPECT_TRUE(run.Platform.Ended);
                EXPECT_EQ(run.Platform.ExitCode, 1);
                continue;
            }
            // The window stays for another try, which goes through once the product has gone.
            EXPECT_FALSE(run.Platform.Ended);
            ASSERT_EQ(run.View.Messages.size(), 1u);
            EXPECT_EQ(run.View.Messages[0], (std::pair<std::u16string, std::u16string>(
                                                u"Quorvalent is still running. Close it, then try again.",
                                                u"QuorvalentInstaller.exe")));
            EXPECT_FALSE(run.View.Busy);
            EXPECT_FALSE(run.View.Loader);
            EXPECT_FALSE(run.Session->ActionInProgress());
            run.Session->Act();
            run.Platform.Tick();
            EXPECT_TRUE(run.Platform.Ended);
            EXPECT_EQ(run.Platform.ExitCode, 0);
        }
    }
}

TEST(InstallationSession, AProductStartedAgainDuringTheUninstallKeepsTheInstallation) {
    TRun run(u"/uninstall /silent", Installed(), false);
    run.Session->Act();
    ASSERT_TRUE(run.Platform.Did(u"NotificationStart"));
    // Started from its shortcut while the notification went out.
    run.Platform.StillRunningFor = 1;
    run.Platform.NotificationDone = true;
    run.Platform.Tick();
    EXPECT_EQ(run.Platform.Machine, Installed());
    EXPECT_FALSE(run.Platform.Did(u"DeleteExistingFile"));
    EXPECT_FALSE(run.Platform.Did(u"ScheduleFileDeletion"));
    EXPECT_EQ(run.Platform.ExitCode, 1);
}

TEST(InstallationSession, OnlyAnElevatedRunThatStartedEndsThisOne) {
    const struct {
        TCallResult Result;
        bool Ends;
        const char16_t* Logged;
        size_t Messages;
    } table[] = {
        {{}, true, u"Restarted elevated with /install /dir=\"C:\\Q\"", 0},
        {{coRefused, {}}, false, u"The elevation prompt was declined; the window stays", 0},
        {{coFailed, u"The file cannot be found."},
         false,
         u"Error: cannot restart elevated: The file cannot be found.",
         1},
    };
    for (const auto& row : table) {
        TRun run(u"", {}, true);
        run.Platform.Elevation = row.Result;
        run.Session->RestartElevated(u"C:\\Q");
        EXPECT_EQ(run.Platform.Ended, row.Ends);
        EXPECT_TRUE(run.Platform.Logged(row.Logged)) << std::u16string(row.Logged).size();
        ASSERT_EQ(run.View.Messages.size(), row.Messages);
        if (row.Messages) {
            EXPECT_EQ(run.View.Messages[0].first, row.Result.Error);
        }
    }
}

TEST(InstallationSession, ALinkThatCannotBeOpenedIsLoggedAndChangesNothing) {
    TRun run(u"", {}, true);
    run.Session->OpenPage(u"https://example.com/agreement");
    EXPECT_TRUE(run.Platform.Did(u"OpenPage https://example.com/agreement"));
    EXPECT_TRUE(run.Platform.LogLines.size() == 1) << "only the run mode is logged";
    run.Platform.PageOpened = {coFailed, u"No browser."};
    run.Session->OpenPage(u"https://example.com/agreement");
    EXPECT_TRUE(run.Platform.Logged(u"Could not open https://example.com/agreement: No browser."));
    EXPECT_FALSE(run.Platform.Ended);
    EXPECT_TRUE(run.View.Messages.empty());
}

TEST(InstallationSession, TheLogSaysWhatHappenedAndTheRunGoesOn) {
    TRun install(u"/silent", {}, false);
    install.Platform.ProductStart = {coFailed, u"The file cannot be found."};
    install.Platform.ShortcutsRefused = true;
    install.Session->Act();
    EXPECT_EQ(install.Platform.ExitCode, 0);
    EXPECT_TRUE(install.Platform.Logged(u"Could not start the product " + Folder +
                                        u"\\Quorvalent.exe: The file cannot be found."));
    EXPECT_FALSE(install.Platform.Logged(u"Started the product " + Folder + u"\\Quorvalent.exe"));
    EXPECT_TRUE(install.Platform.Logged(u"Shortcut: could not write " + Desktop +
                                        u"\\Quorvalent.lnk: Access is denied."));
    EXPECT_FALSE(install.Platform.Logged(u"Shortcut: " + Desktop + u"\\Quorvalent.lnk"));

    const std::u16string entry =
        u"Programs-list entry HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvalent";
    const std::u16string key = u"HKCU\\SOFTWARE\\Mirelbrook\\Quorvalent\\";
    for (const bool refused : {false, true}) {
        TMachine machine = Installed();
        if (!refused) {
            machine.Registry.clear(); // keys that someone removed by hand
        }
        TRun uninstall(u"/uninstall", machine, true);
        uninstall.View.Current.DeleteData = true;
        uninstall.Platform.KeysRefused = refused;
        uninstall.Platform.NotificationDone = true;
        uninstall.Session->Act();
        uninstall.Platform.Tick();
        EXPECT_EQ(uninstall.Platform.ExitCode, 0);
        if (refused) {
            EXPECT_TRUE(uninstall.Platform.Logged(u"Registry: could not remove the " + entry +
                                                  u": Access is denied."));
            EXPECT_TRUE(
                uninstall.Platform.Logged(u"Registry: could not remove " + key + u": Access is denied."));
        } else {
            EXPECT_TRUE(uninstall.Platform.Logged(u"Registry: there was no " + entry));
            EXPECT_TRUE(uninstall.Platform.Logged(u"Registry: there was no key " + key));
        }
        EXPECT_FALSE(uninstall.Platform.Logged(u"Registry: removed the " + entry));
        EXPECT_TRUE(uninstall.Platform.Logged(u"Removed the empty folder " + MenuFolder));
    }
}

} // namespace
