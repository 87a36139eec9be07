// One run of the installer, made as the program's entry makes it and as the tests make it:
// the run's services first (run_services_win.h: the language with its fonts, the installation
// properties, the REST client), then the Win32 platform and the session of the command line,
// and for a run with a window the window: its handle, then the window's services at its
// scale (the theme, the context menu it owns), then its controls. Everything goes in the
// opposite order.
#pragma once

#include <memory>
#include <string>

#include "app/application_win.h"
#include "app/installation_session.h"
#include "app/main_form_win.h"
#include "app/run_services_win.h"
#include "app/session_platform_win.h"
#include "utils/command_line.h"

class TInstallerRun {
public:
    // LanguageName is the English name of the interface language; ScaleFactor the window's
    // scale, 0 for that of the monitor it opens on. A silent run makes no window.
    TInstallerRun(TApplication& Application, const TCommandLineOptions& Options,
                  const std::u16string& LanguageName, float ScaleFactor = 0);
    TInstallerRun(const TInstallerRun&) = delete;
    TInstallerRun& operator=(const TInstallerRun&) = delete;

    TWin32RunServices Services;
    TWin32Platform Platform;
    TInstallationSession Session;
    std::unique_ptr<TMainForm> Form;
};
