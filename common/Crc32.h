#pragma once
// CRC-32 as zlib, PNG and `crc32`/`rhash` compute it (polynomial
// 0xEDB88320 reflected, initial and final value 0xFFFFFFFF).
#include <cstddef>
#include <cstdint>

namespace vorbrant {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

} // namespace vorbrant
