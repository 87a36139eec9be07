#include "app/installer_run_win.h"

TInstallerRun::TInstallerRun(TApplication& Application, const TCommandLineOptions& Options,
                             const std::u16string& LanguageName, float ScaleFactor)
    : Services(LanguageName), Platform(Application, Services), Session(Options, Platform.Interfaces()) {
    if (Options.Unattended()) {
        return;
    }
    Form = std::make_unique<TMainForm>(Session);
    Services.CreateWindowServices(Form->Handle(),
                                  ScaleFactor > 0 ? ScaleFactor : static_cast<float>(Form->Dpi()) / 96.0f);
    Form->FormCreate();
}
