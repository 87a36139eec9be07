// The program entry: one executable that installs, updates or uninstalls the product.
#include "app/application_win.h"
#include "app/command_line_help.h"
#include "app/installer_run_win.h"
#include "utils/com_win.h"
#include "utils/command_line.h"
#include "utils/consts.h"
#include "utils/language_win.h"
#include "utils/strings.h"
#include "utils/text_win.h"

namespace {

// "/?" and "/help" of a run with a window: nobody would read a console, and a silent run
// never waits for a user.
void ShowCommandLineHelp(TApplication& Application) {
    // The help needs the language alone.
    const TRunServices services(GetUserLanguageName());
    MessageBoxW(nullptr, WStr(CommandLineHelp()), WStr(std::u16string(InstallerExeName)),
                MB_OK | MB_ICONINFORMATION);
    Application.Log.Write(u"Showed the command-line help");
}

void RunInstaller(TApplication& Application, const TCommandLineOptions& Options) {
    TInstallerRun run(Application, Options, GetUserLanguageName());
    if (run.Form) {
        Application.Run(run.Form.get());
    } else {
        // No window: the action starts at once, and the loop runs what it left to do (the
        // uninstall's poll).
        run.Session.Act();
        Application.Run(nullptr);
    }
}

int Run(const std::u16string& CommandLine) {
    // Read once, here, before anything can fail: a failure of a silent run must not wait in a
    // message box for a user who is not there, and everything later asks the same reading.
    const TCommandLineOptions options = ReadCommandLine(CommandLine);
    // A silent run shows no window, so its thread needs no apartment window either.
    TComInitializer com(options.Unattended() ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
    TApplication application;
    application.SilentRun = options.Unattended();
    if (!options.Log.empty()) {
        application.Log.Open(options.Log);
        application.Log.Write(std::u16string(u"Quorvalent installer ") + ProductVersion +
                              u", command line: " + CommandLine);
    }
    try {
        application.Initialize();
        if (options.Help && !options.Unattended()) {
            ShowCommandLineHelp(application);
        } else {
            RunInstaller(application, options);
        }
    } catch (...) {
        // Creating the window, loading an image, anything outside the action's own guard.
        application.HandleException(CurrentExceptionMessage());
    }
    application.Log.Write(u"Exit code " + IntToStr(application.ExitCode));
    return application.ExitCode;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // An installer is usually started from a Downloads folder full of other files: DLLs are
    // only ever loaded from System32.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return Run(U16(GetCommandLineW()));
}
