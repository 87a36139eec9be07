// The installer's registry, always below HKEY_CURRENT_USER in the process's own registry view:
// one owner of an open key and one way to read a value. Reads never fail (they fall back to a
// default or give nothing); a failed write raises EError "Failed to set data for '<Name>'";
// a deletion returns what became of it and never raises.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "utils/unique_handle.h"

// A value as the registry holds it: its type and bytes.
struct TRegData {
    DWORD Type = REG_NONE;
    std::vector<uint8_t> Bytes;
};

class TRegistryKey {
public:
    // Key opened with Access; not Valid when it does not exist or may not be opened so.
    static TRegistryKey Open(const std::u16string& Key, REGSAM Access) noexcept;
    // Key opened for writing, created with its missing parents; not Valid when it cannot be.
    static TRegistryKey Create(const std::u16string& Key) noexcept;

    bool Valid() const noexcept { return FKey.Valid(); }
    // The value Name, read whole also while another process makes it longer; nothing when it
    // is missing or cannot be read.
    std::optional<TRegData> Read(const std::u16string& Name) const;
    void Write(const std::u16string& Name, DWORD Type, const void* Data, size_t Size);
    void WriteString(const std::u16string& Name, const std::u16string& Value);
    void WriteInteger(const std::u16string& Name, uint32_t Value);
    // ERROR_SUCCESS, ERROR_FILE_NOT_FOUND when there was no such value, or why it stayed.
    LSTATUS DeleteValue(const std::u16string& Name) noexcept;

private:
    TUniqueHandle<HKEY, RegCloseKey> FKey;
};

bool RegKeyExists(const std::u16string& Key) noexcept;
std::u16string ReadRegString(const std::u16string& Key, const std::u16string& Name,
                             const std::u16string& Default);
int32_t ReadRegInteger(const std::u16string& Key, const std::u16string& Name, int32_t Default);
void WriteRegString(const std::u16string& Key, const std::u16string& Name, const std::u16string& Value);
// Deletes Key with its values and with every subkey below it: ERROR_SUCCESS when it is gone,
// ERROR_FILE_NOT_FOUND when there was none, else why it stayed.
LSTATUS DeleteRegKey(const std::u16string& Key);
