// The program entry: one executable that installs, updates or uninstalls the product.
#include "app/application.h"
#include "app/main_form.h"
#include "utils/command_line.h"
#include "utils/consts.h"
#include "utils/strings.h"
#include "utils/win32.h"

namespace {

// Whether the run is silent, known before anything can fail: a failure must not wait in a
// message box for a user who is not there.
bool SilentCommandLine(const std::u16string& CommandLine) {
    const auto args = SplitCommandLine(CommandLine);
    return GetBooleanParam(args, u"/silent", SimpleLowerCase) ||
           GetBooleanParam(args, u"/verysilent", SimpleLowerCase);
}

int Run(const std::u16string& CommandLine) {
    const bool silent = SilentCommandLine(CommandLine);
    // A silent run shows no window, so its thread needs no apartment window either.
    TComInitializer com(silent ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
    TApplication application;
    const auto args = SplitCommandLine(CommandLine);
    application.SilentRun = silent;
    if (const std::u16string log = GetStringParam(args, u"/log", SimpleLowerCase); !log.empty()) {
        application.Log.Open(log);
        application.Log.Write(std::u16string(u"Quorvalent installer ") + ProductVersion +
                              u", command line: " + CommandLine);
    }
    try {
        application.Initialize();
        TMainForm form(application, CommandLine);
        application.Run(form);
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
