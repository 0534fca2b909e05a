#pragma once
#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
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
  explicit Compresor29(int profundidad = 512);

  // Compresses `tam` bytes read from `entrada` as one file's packed data,
  // appended to `salida`; `continua` chains onto the previous file. When
  // `vacia` is given it is handed `salida` after every finished block, to
  // write the bytes out and clear it. Returns the CRC-32 of the bytes read.
  // Throws std::runtime_error if the stream ends early.
  using Vaciado = std::function<void(std::vector<uint8_t>&)>;
  uint32_t comprime(std::istream& entrada, uint64_t tam, bool continua, std::vector<uint8_t>& salida,
                    const Vaciado& vacia = nullptr);

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
    int reciente = -1;  // index into the recent distances, -1 new distance, -2 short pair
    int ganancia = 0;   // estimated 1/16 bits saved against literals
  };

  // Price list taken from the previous block's code lengths.
  struct Costes {
    int literal = 8 * 16;  // average literal, in 1/16 bit
    uint8_t principal[v29::kSimbolosPrincipales];
    uint8_t distancia[v29::kSimbolosDistancia];
    uint8_t baja[v29::kSimbolosDistanciaBaja];
    uint8_t longitud[v29::kSimbolosLongitud];
    Costes() {
      std::fill(std::begin(principal), std::end(principal), 9);
      std::fill(std::begin(distancia), std::end(distancia), 5);
      std::fill(std::begin(baja), std::end(baja), 4);
      std::fill(std::begin(longitud), std::end(longitud), 4);
    }
    void actualiza(const std::vector<uint8_t>& longitudes, const std::vector<uint32_t>& f_principal);
  };

  Opcion evalua(size_t p, size_t limite);
  int ganancia_reciente(int indice, uint32_t longitud) const;
  int ganancia_nueva(uint32_t distancia, uint32_t longitud) const;
  void emite_literal(uint8_t b);
  void emite(const Opcion& o);
  void escribe_bloque(std::vector<uint8_t>& salida, bool ultimo_del_fichero);

  Buscador buscador_;
  uint32_t recientes_[4] = {};
  Costes costes_;
  std::vector<Elemento> elementos_;
};

}  // namespace zelvano::rar
