#pragma once
#include <cstdint>
#include <istream>
#include <vector>

#include "tools/rar/buscador.h"
#include "tools/rar/tablas29.h"

namespace zelvano::rar {

// Encoder of the version 2.9 LZ format: LZ77 over a 4 MB window with hash
// chains and lazy matching, the four recent distances, and Huffman blocks.
// When files are chained (solid), the window and the recent distances run on
// from one file to the next, so later files can refer to earlier ones.
class Compresor29 {
 public:
  explicit Compresor29(int profundidad = 96);

  // Compresses `tam` bytes read from `entrada` as one file's packed data,
  // appended to `salida`; `continua` chains onto the previous file. Returns
  // the CRC-32 of the bytes read. Throws std::runtime_error if the stream
  // ends early.
  uint32_t comprime(std::istream& entrada, uint64_t tam, bool continua, std::vector<uint8_t>& salida);

 private:
  // One coded item, already split into the symbols and extra bits it needs.
  struct Elemento {
    uint16_t principal;
    uint8_t tipo;  // 0 literal, 1 new distance, 2 recent distance, 3 short
    uint8_t secundario;
    uint8_t baja;  // low distance symbol, 0xFF if none
    uint8_t bits_a, bits_b;
    uint32_t extra_a, extra_b;
  };
  struct Opcion {
    uint32_t longitud = 0;
    uint32_t distancia = 0;
    int reciente = -1;  // index into the recent distances, -1 for a new one
    int ganancia = 0;   // estimated bits saved against literals
  };

  Opcion evalua(size_t p, size_t limite);
  void emite_literal(uint8_t b);
  void emite(const Opcion& o);
  void escribe_bloque(std::vector<uint8_t>& salida, bool ultimo_del_fichero);

  Buscador buscador_;
  uint32_t recientes_[4] = {};
  std::vector<Elemento> elementos_;
};

}  // namespace zelvano::rar
