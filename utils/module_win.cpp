#include "utils/module_win.h"

std::u16string GetModuleFileNameText(HMODULE module) {
    std::u16string buffer(MAX_PATH, u'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, reinterpret_cast<wchar_t*>(buffer.data()),
                                                static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<uint64_t> ImageFileOffset(HMODULE Module, const void* Data, size_t Size) noexcept {
    const auto* base = reinterpret_cast<const uint8_t*>(Module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (!base || dos->e_magic != IMAGE_DOS_SIGNATURE) {
        return std::nullopt;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) {
        return std::nullopt;
    }
    const uint64_t rva = static_cast<uint64_t>(static_cast<const uint8_t*>(Data) - base);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const uint64_t start = section->VirtualAddress;
        // Only bytes that the file holds: the rest of a section is zeros made by the loader.
        if (rva >= start && rva + Size <= start + section->SizeOfRawData) {
            return rva - start + section->PointerToRawData;
        }
    }
    return std::nullopt;
}
