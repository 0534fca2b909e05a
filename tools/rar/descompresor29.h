#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/rar/bits.h"
#include "tools/rar/huffman.h"
#include "tools/rar/tablas29.h"

namespace zelvano::rar {

// Decoder of the version 2.9 LZ format (no PPMd, no filters). One object
// decodes a whole archive: for a file flagged solid the window, the recent
// distances and the Huffman tables continue from the previous file.
class Descompresor29 {
 public:
  using Salida = std::function<void(const uint8_t*, size_t)>;

  Descompresor29();

  // Decodes `tam` bytes of one file and hands them to `salida` in pieces.
  // Throws ErrorRar (kDanado or kNoSoportado) on damaged or unsupported data.
  void descomprime(LectorBits& entrada, uint64_t tam, bool continua, const Salida& salida);

 private:
  void reinicia();
  void lee_tablas(LectorBits& entrada);
  void copia(uint32_t distancia, uint32_t longitud);
  void vuelca(const Salida& salida);
  int simbolo(const DecodificadorHuffman& d, LectorBits& entrada);
  // Reads the end-of-file mark after the last byte of a file.
  void lee_marca_final(LectorBits& entrada);

  std::vector<uint8_t> ventana_;
  uint64_t pos_ = 0;      // bytes produced since the last reset
  uint64_t volcado_ = 0;  // bytes already handed out
  uint64_t fin_ = 0;      // end of the current file
  uint32_t distancias_[4] = {};
  uint32_t ultima_distancia_ = 0;
  uint32_t ultima_longitud_ = 0;
  uint32_t baja_previa_ = 0;
  uint32_t repeticiones_baja_ = 0;
  bool tablas_leidas_ = false;
  uint8_t longitudes_[v29::kSimbolosTablas] = {};
  DecodificadorHuffman principal_, distancia_, baja_, longitud_;
};

}  // namespace zelvano::rar
