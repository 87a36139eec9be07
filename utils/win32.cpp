#include "utils/win32.h"

#include "utils/exception.h"
#include "utils/strings.h"

std::u16string SysErrorMessage(DWORD code) {
    TLocalMemory<wchar_t> buffer;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<wchar_t*>(buffer.Put()), 0, nullptr);
    std::u16string text = length ? U16(buffer.Get(), length) : std::u16string();
    while (!text.empty() &&
           (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ' || text.back() == u'.')) {
        text.pop_back();
    }
    if (text.empty()) {
        text = u"System error " + IntToStr(code);
    }
    return text + u".";
}

void RaiseOSError(DWORD code, const std::u16string& context) {
    const std::u16string message = SysErrorMessage(code);
    throw EError(context.empty() ? message : context + u": " + message);
}

void RaiseLastOSError(const std::u16string& context) {
    RaiseOSError(GetLastError(), context);
}

std::optional<std::u16string> MapTextCase(const wchar_t* Locale, DWORD Flags, std::u16string_view Text) {
    if (Text.empty()) {
        return std::u16string();
    }
    const auto* source = reinterpret_cast<const wchar_t*>(Text.data());
    const int size = static_cast<int>(Text.size());
    const int length = LCMapStringEx(Locale, Flags, source, size, nullptr, 0, nullptr, nullptr, 0);
    if (length <= 0) {
        return std::nullopt;
    }
    std::u16string mapped(static_cast<size_t>(length), u'\0');
    if (LCMapStringEx(Locale, Flags, source, size, reinterpret_cast<wchar_t*>(mapped.data()), length, nullptr,
                      nullptr, 0) != length) {
        return std::nullopt;
    }
    return mapped;
}

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
