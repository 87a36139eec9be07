#include "utils/registry.h"

#include "utils/exception.h"
#include "utils/win32.h"

namespace {

// Owns an open registry key.
class TRegKey {
public:
    TRegKey() noexcept = default;
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    ~TRegKey() {
        if (FKey) {
            RegCloseKey(FKey);
        }
    }
    HKEY Get() const noexcept { return FKey; }
    HKEY* Put() noexcept { return &FKey; }

private:
    HKEY FKey = nullptr;
};

bool OpenForRead(const std::u16string& Key, TRegKey& key) noexcept {
    return RegOpenKeyExW(HKEY_CURRENT_USER, WStr(Key), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

} // namespace

std::u16string ReadRegString(const std::u16string& Key, const std::u16string& Name, const std::u16string& Default) {
    TRegKey key;
    if (!OpenForRead(Key, key)) {
        return Default;
    }
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key.Get(), WStr(Name), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
            return Default;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            return Default;
        }
        if (size == 0) {
            return {};
        }
        std::u16string buffer((size + 1) / 2, u'\0');
        DWORD read = static_cast<DWORD>(buffer.size() * 2);
        const LSTATUS status = RegQueryValueExW(key.Get(), WStr(Name), nullptr, &type,
                                                reinterpret_cast<BYTE*>(buffer.data()), &read);
        if (status == ERROR_MORE_DATA) {
            continue; // the value grew between the two queries
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return Default;
        }
        buffer.resize(read / 2);
        const size_t nul = buffer.find(u'\0');
        if (nul != std::u16string::npos) {
            buffer.resize(nul);
        }
        return buffer;
    }
    return Default;
}

int32_t ReadRegInteger(const std::u16string& Key, const std::u16string& Name, int32_t Default) {
    TRegKey key;
    if (!OpenForRead(Key, key)) {
        return Default;
    }
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExW(key.Get(), WStr(Name), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
        return Default;
    }
    return static_cast<int32_t>(value);
}

void WriteRegString(const std::u16string& Key, const std::u16string& Name, const std::u16string& Value) {
    TRegKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, WStr(Key), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS ||
        RegSetValueExW(key.Get(), WStr(Name), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()),
                       static_cast<DWORD>((Value.size() + 1) * sizeof(char16_t))) != ERROR_SUCCESS) {
        throw EError(u"Failed to set data for '" + Name + u"'");
    }
}

void DeleteRegKey(const std::u16string& Key) {
    // The whole tree goes: a settings key whose subkeys stayed behind would keep the data
    // that the user asked to delete.
    RegDeleteTreeW(HKEY_CURRENT_USER, WStr(Key));
    RegDeleteKeyW(HKEY_CURRENT_USER, WStr(Key));
}
