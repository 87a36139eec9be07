// The installer's whole view of the registry: the values recorded in the product's own key,
// the install folder of the last installation, the entry in the list of installed programs,
// and the operating system's light or dark app setting.
#pragma once

#include <cstdint>
#include <string>

class TProperties {
public:
    // Reads the recorded values once; never fails because a key or value is missing.
    TProperties();

    // "SOFTWARE\Mirelbrook\Quorvalent\" below HKEY_CURRENT_USER.
    const std::u16string AppKey;

    const std::u16string& InstallLocation() const noexcept { return FInstallLocation; }
    const std::u16string& ApiAddress() const noexcept { return FApiAddress; }
    const std::u16string& InstallationId() const noexcept { return FInstallationId; }
    const std::u16string& InstallationSource() const noexcept { return FInstallationSource; }
    // Write-through: the registry value first, then the field; a failed write keeps the field.
    void SetApiAddress(const std::u16string& Value);
    void SetInstallationId(const std::u16string& Value);
    void SetInstallationSource(const std::u16string& Value);
    // "Light" or "Dark", read from the registry on every call.
    std::u16string SystemTheme() const { return GetSystemTheme(); }

    void CreateProgramsListKey(const std::u16string& DestFolder, int64_t TotalSize);
    // What became of the key, as DeleteRegKey tells it.
    long DeleteProgramsListKey();
    long DeleteSoftwareAppKey();
    std::u16string GetSystemTheme() const;

private:
    std::u16string FInstallLocation;
    std::u16string FApiAddress;
    std::u16string FInstallationId;
    std::u16string FInstallationSource;
};

// The process-wide installation properties, published by the run's services
// (app/run_services_win.h).
extern TProperties* Properties;
