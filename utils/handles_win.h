// The owners of the platform's handles that need nothing but themselves to be closed.
#pragma once

#include <windows.h>
#include <objbase.h>

#include "utils/unique_handle.h"

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
