// One run of the installer inside the test program, made by the same type as the program's
// entry makes it (TInstallerRun): its services in a language of the test's choosing (English
// unless it says otherwise), the Win32 platform, the session of a command line, and the window
// at a scale of the test's choosing when the run is not silent (a silent run starts its action
// at once).
#pragma once

#include <string>

#include "app/application_win.h"
#include "app/installer_run_win.h"
#include "utils/command_line.h"

struct TTestRun {
    // LanguageName is the English name of an interface language, as the platform gives it.
    explicit TTestRun(const std::u16string& Arguments, float ScaleFactor = 1.0f,
                      const std::u16string& LanguageName = u"English")
        : Run(Application, ReadCommandLine(u"\"C:\\x\\QuorvalentInstaller.exe\" " + Arguments), LanguageName,
              ScaleFactor) {
        if (Session.Unattended()) {
            Session.Act();
        }
    }

    TApplication Application;
    TInstallerRun Run;
    TWin32Platform& Platform = Run.Platform;
    TInstallationSession& Session = Run.Session;
    std::unique_ptr<TMainForm>& Form = Run.Form;
};
