// The platform's errors as the installer reports them: the message text of an error code, and
// EError raised with it.
#pragma once

#include <windows.h>

#include <string>

// The platform's message text for an error code, without the trailing line break.
std::u16string SysErrorMessage(DWORD code);
// Raises EError with the platform's message for code, prefixed by context when given.
[[noreturn]] void RaiseOSError(DWORD code, const std::u16string& context = {});
[[noreturn]] void RaiseLastOSError(const std::u16string& context = {});
