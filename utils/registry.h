// The four registry operations of the installer, always below HKEY_CURRENT_USER in the
// process's own registry view. Reads never fail (they fall back to Default); a failed write
// raises EError "Failed to set data for '<Name>'"; deletions report nothing.
#pragma once

#include <cstdint>
#include <string>

std::u16string ReadRegString(const std::u16string& Key, const std::u16string& Name, const std::u16string& Default);
int32_t ReadRegInteger(const std::u16string& Key, const std::u16string& Name, int32_t Default);
void WriteRegString(const std::u16string& Key, const std::u16string& Name, const std::u16string& Value);
// Deletes Key with its values and with every subkey below it; a missing key is no error.
void DeleteRegKey(const std::u16string& Key);
