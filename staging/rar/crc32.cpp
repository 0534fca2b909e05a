#include "staging/rar/crc32.h"

#include <array>

namespace zelvano::rar {
namespace {

// Slicing-by-4 tables: the extractor checksums every byte it writes, so the
// plain byte-at-a-time loop would dominate unpacking time.
struct Tablas {
  std::array<std::array<uint32_t, 256>, 4> t{};
  Tablas() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
      t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
      for (int s = 1; s < 4; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
};

const Tablas& tablas() {
  static const Tablas t;
  return t;
}

}  // namespace

uint32_t crc32(const void* datos, size_t tam, uint32_t previo) {
  const auto& t = tablas().t;
  const auto* p = static_cast<const uint8_t*>(datos);
  uint32_t c = ~previo;
  while (tam >= 4) {
    c ^= static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    c = t[3][c & 0xFF] ^ t[2][(c >> 8) & 0xFF] ^ t[1][(c >> 16) & 0xFF] ^ t[0][c >> 24];
    p += 4;
    tam -= 4;
  }
  while (tam--) c = (c >> 8) ^ t[0][(c ^ *p++) & 0xFF];
  return ~c;
}

}  // namespace zelvano::rar
