#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvano::rar {

struct Coincidencia {
  uint32_t longitud = 0;
  uint32_t distancia = 0;
};

// Sliding buffer with hash chains over 4-byte prefixes, plus the latest
// position of every 3-byte prefix for short matches. Positions are
// indices into the buffer; when the buffer slides, `agrega` reports by how
// much so callers can rebase their own indices.
class Buscador {
 public:
  // `profundidad`: candidates examined per search; `suficiente`: a match this
  // long ends the search early.
  Buscador(uint32_t ventana, int profundidad, uint32_t suficiente);

  // Forgets the history: later searches see nothing before the current end.
  void reinicia();
  // Appends data; `actual` is the caller's current position, whose preceding
  // `ventana` bytes must stay addressable. Returns the slide applied.
  size_t agrega(const uint8_t* datos, size_t n, size_t actual);

  const uint8_t* datos() const { return buf_.data(); }
  size_t tam() const { return buf_.size(); }

  // Makes every position before `p` searchable (as far as 3 bytes exist).
  void inserta_hasta(size_t p);

  // Longest match at `p` not reaching past `limite`, of at least
  // `minimo(distance)` bytes, as chosen by the caller's rule.
  template <typename Minimo>
  Coincidencia busca(size_t p, size_t limite, uint32_t maximo, Minimo minimo) const;

  // Distance back to the latest earlier occurrence of the two bytes at `p`
  // (0 when none is known).
  uint32_t distancia_par(size_t p) const {
    int32_t c = ultimo_par_[buf_[p] | (buf_[p + 1] << 8)];
    return (c >= 0 && static_cast<size_t>(c) >= base_ && static_cast<size_t>(c) < p) ? static_cast<uint32_t>(p - c) : 0;
  }

  // Length of the match at `p` against the data `distancia` bytes back.
  uint32_t longitud_en(size_t p, uint32_t distancia, size_t limite, uint32_t maximo) const;


 private:
  static constexpr int kBitsHash = 20;
  static constexpr int kBitsHash3 = 14;
  static constexpr uint32_t kBuena = 32;
  uint32_t hash4(size_t p) const {
    uint32_t v = buf_[p] | (buf_[p + 1] << 8) | (buf_[p + 2] << 16) | (static_cast<uint32_t>(buf_[p + 3]) << 24);
    return (v * 2654435761u) >> (32 - kBitsHash);
  }
  uint32_t hash3(size_t p) const {
    uint32_t v = buf_[p] | (buf_[p + 1] << 8) | (buf_[p + 2] << 16);
    return (v * 2654435761u) >> (32 - kBitsHash3);
  }

  uint32_t ventana_;
  int profundidad_;
  uint32_t suficiente_;
  std::vector<uint8_t> buf_;
  std::vector<int32_t> cabeza_;
  std::vector<int32_t> cabeza3_;
  std::vector<int32_t> ultimo_par_;
  std::vector<int32_t> previo_;
  size_t insertado_ = 0;
  size_t base_ = 0;  // positions before this belong to a forgotten history
};

template <typename Minimo>
Coincidencia Buscador::busca(size_t p, size_t limite, uint32_t maximo, Minimo minimo) const {
  Coincidencia mejor;
  if (p + 3 > limite) return mejor;
  uint32_t tope = static_cast<uint32_t>(std::min<size_t>(maximo, limite - p));
  const uint8_t* actual = buf_.data() + p;
  uint32_t mejor_long = 2;
  if (p + 4 > buf_.size()) return mejor;
  // Short match through the 3-byte table: only the nearest occurrence.
  int32_t c3 = cabeza3_[hash3(p)];
  if (c3 >= 0 && static_cast<size_t>(c3) >= base_ && static_cast<size_t>(c3) < p &&
      p - static_cast<size_t>(c3) <= ventana_) {
    uint32_t distancia = static_cast<uint32_t>(p - static_cast<size_t>(c3));
    uint32_t l = longitud_en(p, distancia, limite, tope);
    if (l >= 3 && l >= minimo(distancia)) {
      mejor_long = l;
      mejor = {l, distancia};
      if (l >= suficiente_ || l >= tope) return mejor;
    }
  }
  int32_t candidato = cabeza_[hash4(p)];
  for (int vueltas = profundidad_; candidato >= 0 && vueltas > 0; --vueltas) {
    size_t c = static_cast<size_t>(candidato);
    candidato = previo_[c];
    if (c >= p) continue;
    if (c < base_) break;
    uint32_t distancia = static_cast<uint32_t>(p - c);
    if (distancia > ventana_) break;
    const uint8_t* otro = buf_.data() + c;
    if (otro[mejor_long] != actual[mejor_long] || otro[0] != actual[0] || otro[1] != actual[1]) continue;
    uint32_t l = longitud_en(p, distancia, limite, tope);
    if (l > mejor_long && l >= minimo(distancia)) {
      // A good match already found makes a long search unlikely to pay.
      if (mejor_long < kBuena && l >= kBuena) vueltas = std::min(vueltas, profundidad_ / 8 + 1);
      mejor_long = l;
      mejor = {l, distancia};
      if (l >= suficiente_ || l >= tope) break;
    }
  }
  return mejor;
}

}  // namespace zelvano::rar
