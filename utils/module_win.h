// The running executable and the system's DLLs: the executable's path, where a part of a
// loaded image lies in its file, and a DLL outside the always-trusted set loaded from System32
// only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "utils/handles_win.h"

// The full path of the running executable.
std::u16string GetModuleFileNameText(HMODULE module = nullptr);

// Where Data, a part of Module's mapped image (a resource, say), lies in the module's file:
// its offset there; nothing when the image's headers do not place it in a section of the file.
std::optional<uint64_t> ImageFileOffset(HMODULE Module, const void* Data, size_t Size) noexcept;

// A system DLL outside the always-trusted set, loaded from System32 only.
class TSystemLibrary {
public:
    explicit TSystemLibrary(const wchar_t* name) noexcept
        : FModule(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
    bool Loaded() const noexcept { return FModule.Valid(); }
    template <typename F> F Proc(const char* name) const noexcept {
        return FModule ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(FModule.Get(), name)))
                       : nullptr;
    }

private:
    TModuleHandle FModule;
};
