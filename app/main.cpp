// The program entry: one executable that installs, updates or uninstalls the product.
#include "app/application.h"
#include "app/main_form.h"
#include "utils/win32.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // An installer is usually started from a Downloads folder full of other files: DLLs are
    // only ever loaded from System32.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    TComInitializer com;
    TApplication application;
    application.Initialize();
    TMainForm form(application, U16(GetCommandLineW()));
    application.Run(form);
    return application.ExitCode;
}
