// The Win32 boundary: UTF-16 strings to and from wchar_t, platform error messages and the
// owning wrappers for the handles the installer opens.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "utils/unique_handle.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

inline const wchar_t* WStr(const std::u16string& s) noexcept {
    return reinterpret_cast<const wchar_t*>(s.c_str());
}
inline std::u16string U16(const wchar_t* s) {
    return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}
inline std::u16string U16(const wchar_t* s, size_t length) {
    return std::u16string(reinterpret_cast<const char16_t*>(s), length);
}

// The platform's message text for an error code, without the trailing line break.
std::u16string SysErrorMessage(DWORD code);
// Raises EError with the platform's message for code, prefixed by context when given.
[[noreturn]] void RaiseOSError(DWORD code, const std::u16string& context = {});
[[noreturn]] void RaiseLastOSError(const std::u16string& context = {});

// Text with its letter case mapped by LCMapStringEx for Locale (LCMAP_LOWERCASE, …); no
// value when the platform refuses, so that the caller can fall back to its own rule.
std::optional<std::u16string> MapTextCase(const wchar_t* Locale, DWORD Flags, std::u16string_view Text);

// The full path of the running executable.
std::u16string GetModuleFileNameText(HMODULE module = nullptr);

// Where Data, a part of Module's mapped image (a resource, say), lies in the module's file:
// its offset there; nothing when the image's headers do not place it in a section of the file.
std::optional<uint64_t> ImageFileOffset(HMODULE Module, const void* Data, size_t Size) noexcept;

// A kernel handle: both failure values of the platform (NULL and INVALID_HANDLE_VALUE) are
// none.
inline bool NotNullOrInvalid(HANDLE Handle) noexcept {
    return Handle != nullptr && Handle != INVALID_HANDLE_VALUE;
}

// The owners of the handles that need nothing but themselves to be closed.
using TScopedHandle = TUniqueHandle<HANDLE, CloseHandle, NotNullOrInvalid>;
using TFindHandle = TUniqueHandle<HANDLE, FindClose, NotNullOrInvalid>;
using TModuleHandle = TUniqueHandle<HMODULE, FreeLibrary>;
// Memory the shell (CoTaskMemAlloc) or the system (LocalAlloc, FormatMessage) handed over.
template <typename T> using TCoTaskMemory = TUniqueHandle<T*, CoTaskMemFree>;
template <typename T> using TLocalMemory = TUniqueHandle<T*, LocalFree>;

// Initialises COM on the calling thread for its lifetime.
class TComInitializer {
public:
    // A window's thread needs a single-threaded apartment (the folder dialog, the shell's
    // window-bound objects); a thread without windows may take the multithreaded one, which
    // needs no hidden window of its own.
    explicit TComInitializer(DWORD Model = COINIT_APARTMENTTHREADED) noexcept
        : FResult(CoInitializeEx(nullptr, Model)) {}
    TComInitializer(const TComInitializer&) = delete;
    TComInitializer& operator=(const TComInitializer&) = delete;
    ~TComInitializer() {
        if (SUCCEEDED(FResult)) {
            CoUninitialize();
        }
    }

private:
    HRESULT FResult;
};

// Owns a COM interface pointer.
template <typename T> class TComPtr {
public:
    TComPtr() noexcept = default;
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    TComPtr(TComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
    TComPtr& operator=(TComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            FPtr = std::exchange(other.FPtr, nullptr);
        }
        return *this;
    }
    ~TComPtr() { Reset(); }

    T* Get() const noexcept { return FPtr; }
    T* operator->() const noexcept { return FPtr; }
    explicit operator bool() const noexcept { return FPtr != nullptr; }
    // For out-parameters: releases the current pointer first.
    T** Put() noexcept {
        Reset();
        return &FPtr;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
    void Reset() noexcept {
        if (FPtr) {
            FPtr->Release();
            FPtr = nullptr;
        }
    }

private:
    T* FPtr = nullptr;
};

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
