#include "utils/paths.h"
#include "utils/properties_win.h"

#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/programs_list.h"
#include "utils/registry_win.h"
#include "utils/strings.h"

TProperties* Properties = nullptr;

namespace {

std::u16string TodayText() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    auto pad = [](unsigned value, size_t width) {
        std::u16string text = IntToStr(value);
        return std::u16string(text.size() < width ? width - text.size() : 0, u'0') + text;
    };
    return pad(now.wYear, 4) + pad(now.wMonth, 2) + pad(now.wDay, 2);
}

} // namespace

TProperties::TProperties()
    : AppKey(AppRegistryKey), FInstallLocation(ReadRegString(ProgramsListKey, u"InstallLocation", u"")),
      FApiAddress(ReadRegString(AppKey, u"ApiAddress", VendorApiUrl)),
      FInstallationId(ReadRegString(AppKey, u"InstallationId", u"")),
      FInstallationSource(ReadRegString(AppKey, u"InstallationSource", u"Website")) {}

void TProperties::SetApiAddress(const std::u16string& Value) {
    WriteRegString(AppKey, u"ApiAddress", Value);
    FApiAddress = Value;
}

void TProperties::SetInstallationId(const std::u16string& Value) {
    WriteRegString(AppKey, u"InstallationId", Value);
    FInstallationId = Value;
}

void TProperties::SetInstallationSource(const std::u16string& Value) {
    WriteRegString(AppKey, u"InstallationSource", Value);
    FInstallationSource = Value;
}

void TProperties::CreateProgramsListKey(const std::u16string& DestFolder, int64_t TotalSize) {
    TRegistryKey key = TRegistryKey::Create(ProgramsListKey);
    for (const TProgramsListValue& value : ProgramsListValues(DestFolder, TotalSize, TodayText())) {
        if (value.IsText) {
            key.WriteString(value.Name, value.Text);
        } else {
            key.WriteInteger(value.Name, value.Number);
        }
    }
}

long TProperties::DeleteProgramsListKey() {
    return DeleteRegKey(ProgramsListKey);
}

long TProperties::DeleteSoftwareAppKey() {
    return DeleteRegKey(AppKey);
}

std::u16string TProperties::GetSystemTheme() const {
    return ReadRegInteger(PersonalizeKey, u"AppsUseLightTheme", 1) != 0 ? u"Light" : u"Dark";
}
