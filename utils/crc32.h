// The CRC-32 of PNG chunks and gzip streams (polynomial 0xEDB88320), from a 1 KiB table.
#pragma once

#include <cstddef>
#include <cstdint>

// Continues Crc over Size bytes of Data; start with 0.
uint32_t Crc32(uint32_t Crc, const uint8_t* Data, size_t Size) noexcept;
