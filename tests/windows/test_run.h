// One run of the installer inside the test program, made as the program's entry makes it: the
// Win32 platform, the session of a command line, and the window when the run is not silent
// (a silent run starts its action at once).
#pragma once

#include <memory>
#include <string>

#include "app/application.h"
#include "app/installation_session.h"
#include "app/main_form.h"
#include "app/win32_platform.h"
#include "utils/command_line.h"
#include "utils/common.h"

struct TTestRun {
    explicit TTestRun(const std::u16string& Arguments)
        : Session(ReadCommandLine(u"\"C:\\x\\QuorvalentInstaller.exe\" " + Arguments), GetUserLanguageName(),
                  Platform.Interfaces()) {
        if (Session.Unattended()) {
            Session.Act();
        } else {
            Form = std::make_unique<TMainForm>(Application, Session);
        }
    }

    TApplication Application;
    TWin32Platform Platform{Application};
    TInstallationSession Session;
    std::unique_ptr<TMainForm> Form;
};
