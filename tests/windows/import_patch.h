// Replaces one imported function of this test program for the life of the object. The
// installer's code is linked into the program, so its calls of that function reach the
// replacement: a test can look at the exact call and answer it where Wine cannot (it keeps no
// high-contrast state), without any change to the code under test.
#pragma once

#include <windows.h>

#include <cstring>
#include <stdexcept>
#include <string>

class TImportPatch {
public:
    TImportPatch(const char* Dll, const char* Function, const void* Replacement) {
        auto* base = reinterpret_cast<uint8_t*>(GetModuleHandleW(nullptr));
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
             entry->Name; ++entry) {
            if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), Dll) != 0) {
                continue;
            }
            auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
            auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
            for (; names->u1.AddressOfData; ++names, ++slots) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                    continue;
                }
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), Function) == 0) {
                    FSlot = reinterpret_cast<void**>(&slots->u1.Function);
                    FOriginal = *FSlot;
                    Write(const_cast<void*>(Replacement));
                    return;
                }
            }
        }
        throw std::runtime_error(std::string("no import of ") + Function + " from " + Dll);
    }
    TImportPatch(const TImportPatch&) = delete;
    TImportPatch& operator=(const TImportPatch&) = delete;
    ~TImportPatch() { Write(FOriginal); }

    // The platform's own function, for the calls the replacement passes on.
    template <typename F> F Original() const { return reinterpret_cast<F>(FOriginal); }

private:
    void Write(void* Value) {
        DWORD old = 0;
        VirtualProtect(FSlot, sizeof(void*), PAGE_READWRITE, &old);
        *FSlot = Value;
        VirtualProtect(FSlot, sizeof(void*), old, &old);
    }

    void** FSlot = nullptr;
    void* FOriginal = nullptr;
};
