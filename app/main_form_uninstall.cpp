// TEMPORARY (lead): lets the tree link until the uninstall lands; the uninstall helper replaces this whole file.
#include "app/main_form.h"
#include "utils/exception.h"

void TMainForm::StartUninstall() {
    throw EError(u"Uninstall is not available yet.");
}
void TMainForm::UninstallTimerTimer(TObject*) {}
void TMainForm::DeleteShortcuts() {}
void TMainForm::DeleteFolderTimeout(const std::u16string&) {}
void TMainForm::DeleteExeFilesTimeout(const std::u16string&) {}
