#include "utils/resource_stream_win.h"

#include <algorithm>
#include <cstring>

#include "utils/exception.h"
#include "utils/product_payload.h"
#include "utils/text_win.h"
#include "utils/os_error_win.h"
#include "utils/handles_win.h"
#include "utils/module_win.h"

TResourceStream::TResourceStream(const std::u16string& Name, HMODULE Module) {
    const HRSRC info = FindResourceW(Module, WStr(Name), RT_RCDATA);
    const HGLOBAL data = info ? LoadResource(Module, info) : nullptr;
    FData = data ? static_cast<const uint8_t*>(LockResource(data)) : nullptr;
    if (!FData) {
        throw EResNotFound(u"Resource " + Name + u" not found");
    }
    FSize = SizeofResource(Module, info);
    const HMODULE image = Module ? Module : GetModuleHandleW(nullptr);
    const std::optional<uint64_t> offset = ImageFileOffset(image, FData, size_t(FSize));
    if (!offset) {
        return;
    }
    TScopedHandle file(CreateFileW(WStr(GetModuleFileNameText(image)), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(*offset);
    if (file.Valid() && SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN)) {
        FFile = std::move(file);
    }
}

size_t TResourceStream::Read(uint8_t* Buffer, size_t Capacity) {
    const auto wanted = static_cast<DWORD>(std::min<uint64_t>({Capacity, FSize - FPosition, 1u << 30}));
    if (wanted == 0) {
        return 0;
    }
    if (!FFile.Valid()) {
        std::memcpy(Buffer, FData + FPosition, wanted);
        FPosition += wanted;
        return wanted;
    }
    DWORD read = 0;
    if (!ReadFile(FFile.Get(), Buffer, wanted, &read, nullptr)) {
        RaiseLastOSError(u"Cannot read the installer's own file");
    }
    if (read == 0) {
        throw EPayloadDamaged(u"The installer file ends before the product it carries.");
    }
    FPosition += read;
    return read;
}
