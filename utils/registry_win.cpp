#include "utils/registry_win.h"

#include <algorithm>

#include "utils/exception.h"
#include "utils/text_win.h"

TRegistryKey TRegistryKey::Open(const std::u16string& Key, REGSAM Access) noexcept {
    TRegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, WStr(Key), 0, Access, key.FKey.Put()) != ERROR_SUCCESS) {
        key.FKey.Release();
    }
    return key;
}

TRegistryKey TRegistryKey::Create(const std::u16string& Key) noexcept {
    TRegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, WStr(Key), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.FKey.Put(), nullptr) != ERROR_SUCCESS) {
        key.FKey.Release();
    }
    return key;
}

std::optional<TRegData> TRegistryKey::Read(const std::u16string& Name) const {
    if (!Valid()) {
        return std::nullopt;
    }
    for (int attempt = 0; attempt < 4; ++attempt) {
        TRegData data;
        DWORD size = 0;
        if (RegQueryValueExW(FKey.Get(), WStr(Name), nullptr, &data.Type, nullptr, &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        data.Bytes.resize(size);
        const LSTATUS status =
            RegQueryValueExW(FKey.Get(), WStr(Name), nullptr, &data.Type, data.Bytes.data(), &size);
        if (status == ERROR_SUCCESS) {
            data.Bytes.resize(size);
            return data;
        }
        // ERROR_MORE_DATA: the value grew between the two queries.
        if (status != ERROR_MORE_DATA) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

void TRegistryKey::Write(const std::u16string& Name, DWORD Type, const void* Data, size_t Size) {
    if (!Valid() || RegSetValueExW(FKey.Get(), WStr(Name), 0, Type, static_cast<const BYTE*>(Data),
                                   static_cast<DWORD>(Size)) != ERROR_SUCCESS) {
        throw EError(u"Failed to set data for '" + Name + u"'");
    }
}

void TRegistryKey::WriteString(const std::u16string& Name, const std::u16string& Value) {
    Write(Name, REG_SZ, Value.c_str(), (Value.size() + 1) * sizeof(char16_t));
}

void TRegistryKey::WriteInteger(const std::u16string& Name, uint32_t Value) {
    Write(Name, REG_DWORD, &Value, sizeof(Value));
}

LSTATUS TRegistryKey::DeleteValue(const std::u16string& Name) noexcept {
    return Valid() ? RegDeleteValueW(FKey.Get(), WStr(Name)) : ERROR_INVALID_HANDLE;
}

bool RegKeyExists(const std::u16string& Key) noexcept {
    return TRegistryKey::Open(Key, KEY_READ).Valid();
}

std::u16string ReadRegString(const std::u16string& Key, const std::u16string& Name,
                             const std::u16string& Default) {
    const std::optional<TRegData> data = TRegistryKey::Open(Key, KEY_READ).Read(Name);
    if (!data || (data->Type != REG_SZ && data->Type != REG_EXPAND_SZ)) {
        return Default;
    }
    std::u16string text(data->Bytes.size() / 2, u'\0');
    std::copy_n(data->Bytes.data(), text.size() * 2, reinterpret_cast<uint8_t*>(text.data()));
    // Stored with its terminating null, or without; text after a null is not the value's.
    const size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) {
        text.resize(nul);
    }
    return text;
}

int32_t ReadRegInteger(const std::u16string& Key, const std::u16string& Name, int32_t Default) {
    const std::optional<TRegData> data = TRegistryKey::Open(Key, KEY_READ).Read(Name);
    if (!data || data->Type != REG_DWORD || data->Bytes.size() != sizeof(DWORD)) {
        return Default;
    }
    DWORD value = 0;
    std::copy_n(data->Bytes.data(), sizeof(value), reinterpret_cast<uint8_t*>(&value));
    return static_cast<int32_t>(value);
}

void WriteRegString(const std::u16string& Key, const std::u16string& Name, const std::u16string& Value) {
    TRegistryKey::Create(Key).WriteString(Name, Value);
}

LSTATUS DeleteRegKey(const std::u16string& Key) {
    // The whole tree goes: a settings key whose subkeys stayed behind would keep the data
    // that the user asked to delete.
    const LSTATUS tree = RegDeleteTreeW(HKEY_CURRENT_USER, WStr(Key));
    const LSTATUS key = RegDeleteKeyW(HKEY_CURRENT_USER, WStr(Key));
    if (tree == ERROR_SUCCESS || key == ERROR_SUCCESS) {
        return ERROR_SUCCESS;
    }
    // Either call's own reason, where one was refused.
    return tree != ERROR_FILE_NOT_FOUND ? tree : key;
}
