#include "utils/os_error_win.h"

#include "utils/exception.h"
#include "utils/handles_win.h"
#include "utils/strings.h"
#include "utils/text_win.h"

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
