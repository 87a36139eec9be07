// A raw-data resource of a loaded module, read as a stream of bytes. Where the image's headers
// place the bytes in the module's file, they are read from there through ReadFile: taken from
// the mapped image instead, every page of the product would stay in the installer's working
// set (and under Wine, whose loader may copy a section into private memory, the whole section
// would). A resource that the file does not hold is read from the image.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "utils/handles_win.h"

class TResourceStream {
public:
    // Raises EResNotFound when Module (nullptr: the executable) has no RCDATA resource Name.
    explicit TResourceStream(const std::u16string& Name, HMODULE Module = nullptr);

    uint64_t Size() const noexcept { return FSize; }
    // Up to Capacity of the next bytes; 0 at the end. Raises EPayloadDamaged when the file
    // ends before the resource does (a download cut short), EError when it cannot be read.
    size_t Read(uint8_t* Buffer, size_t Capacity);

private:
    const uint8_t* FData = nullptr;
    uint64_t FSize = 0;
    uint64_t FPosition = 0;
    // The module's file, positioned at the resource's first byte, when it holds the resource.
    TScopedHandle FFile;
};
