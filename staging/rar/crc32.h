#pragma once
#include <cstddef>
#include <cstdint>

namespace zelvano::rar {

// CRC-32 (polynomial 0xEDB88320), continued across calls: pass the previous
// result to extend a checksum over data that arrives in pieces.
uint32_t crc32(const void* datos, size_t tam, uint32_t previo = 0);

// Header checksums of the archive are the low half of the CRC-32.
inline uint16_t crc16_cabecera(const void* datos, size_t tam) {
  return static_cast<uint16_t>(crc32(datos, tam) & 0xFFFF);
}

}  // namespace zelvano::rar
