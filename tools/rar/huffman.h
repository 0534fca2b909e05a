#pragma once
#include <cstdint>
#include <vector>

#include "tools/rar/bits.h"

namespace zelvano::rar {

constexpr int kLongitudMaximaCodigo = 15;

// Code lengths (0 = unused) for the given symbol frequencies, no longer than
// `maximo` bits. Every table this encoder writes is a complete prefix code
// with at least two symbols: some readers mishandle one-symbol or incomplete
// codes, so an alphabet with fewer used symbols gets filler entries.
std::vector<uint8_t> longitudes_huffman(const std::vector<uint32_t>& frecuencias,
                                        int maximo = kLongitudMaximaCodigo);

// Canonical codes: shorter codes first, equal lengths in symbol order.
std::vector<uint32_t> codigos_canonicos(const std::vector<uint8_t>& longitudes);

// Canonical-code decoder with a direct lookup for short codes.
class DecodificadorHuffman {
 public:
  // Returns false when the lengths do not form a valid prefix code
  // (oversubscribed). Incomplete codes are accepted; reading one of their
  // unassigned bit patterns is reported by `decodifica`.
  bool construye(const uint8_t* longitudes, int num_simbolos);

  // The decoded symbol, or -1 for an invalid bit pattern.
  int decodifica(LectorBits& lector) const {
    uint32_t v = lector.mira(kBitsRapidos);
    uint16_t e = rapida_[v];
    if (e != kSinEntrada) {
      lector.consume(e >> 9);
      return e & 0x1FF;
    }
    return decodifica_lento(lector);
  }

 private:
  static constexpr int kBitsRapidos = 10;
  static constexpr uint16_t kSinEntrada = 0xFFFF;
  int decodifica_lento(LectorBits& lector) const;

  std::vector<uint16_t> rapida_ = std::vector<uint16_t>(1u << kBitsRapidos, kSinEntrada);
  uint32_t limite_[kLongitudMaximaCodigo + 1] = {};   // left-aligned to 16 bits
  uint32_t posicion_[kLongitudMaximaCodigo + 1] = {};
  std::vector<uint16_t> simbolos_;
};

}  // namespace zelvano::rar
