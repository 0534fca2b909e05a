#include "tools/rar/buscador.h"

#include <algorithm>
#include <cstring>

namespace zelvano::rar {

Buscador::Buscador(uint32_t ventana, int profundidad, uint32_t suficiente)
    : ventana_(ventana), profundidad_(profundidad), suficiente_(suficiente), cabeza_(1u << kBitsHash, -1), cabeza3_(1u << kBitsHash3, -1), ultimo_par_(1u << 16, -1) {
  buf_.reserve(static_cast<size_t>(ventana) * 2 + (1u << 20));
}

void Buscador::reinicia() {
  // The tables keep their entries; everything before `base_` is simply out
  // of reach, which spares clearing megabytes of tables for every file.
  base_ = buf_.size();
  insertado_ = std::max(insertado_, base_);
}

size_t Buscador::agrega(const uint8_t* datos, size_t n, size_t actual) {
  size_t desplazamiento = 0;
  // Slide only when the buffer would grow past two windows, and then drop
  // everything out of reach: older than one window before the current
  // position, or before a forgotten history.
  size_t prescindible = std::max(actual > ventana_ ? actual - ventana_ : 0, std::min(base_, actual));
  if (buf_.size() + n > static_cast<size_t>(ventana_) * 2 && prescindible > 0) {
    desplazamiento = prescindible;
    buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(desplazamiento));
    previo_.erase(previo_.begin(), previo_.begin() + static_cast<std::ptrdiff_t>(desplazamiento));
    auto rebasa = [desplazamiento](int32_t& v) {
      v = (v < static_cast<int32_t>(desplazamiento)) ? -1 : v - static_cast<int32_t>(desplazamiento);
    };
    for (auto& v : cabeza_) rebasa(v);
    for (auto& v : cabeza3_) rebasa(v);
    for (auto& v : ultimo_par_) rebasa(v);
    for (auto& v : previo_) rebasa(v);
    insertado_ -= std::min(insertado_, desplazamiento);
    base_ -= std::min(base_, desplazamiento);
  }
  buf_.insert(buf_.end(), datos, datos + n);
  previo_.resize(buf_.size(), -1);
  return desplazamiento;
}

void Buscador::inserta_hasta(size_t p) {
  for (; insertado_ < p && insertado_ + 4 <= buf_.size(); ++insertado_) {
    uint32_t h = hash4(insertado_);
    previo_[insertado_] = cabeza_[h];
    cabeza_[h] = static_cast<int32_t>(insertado_);
    cabeza3_[hash3(insertado_)] = static_cast<int32_t>(insertado_);
    ultimo_par_[buf_[insertado_] | (buf_[insertado_ + 1] << 8)] = static_cast<int32_t>(insertado_);
  }
}

uint32_t Buscador::longitud_en(size_t p, uint32_t distancia, size_t limite, uint32_t maximo) const {
  if (distancia == 0 || distancia > p - base_) return 0;
  uint32_t tope = static_cast<uint32_t>(std::min<size_t>(maximo, limite - p));
  const uint8_t* a = buf_.data() + p;
  const uint8_t* b = a - distancia;
  uint32_t l = 0;
  while (l + 8 <= tope) {
    uint64_t x, y;
    std::memcpy(&x, a + l, 8);
    std::memcpy(&y, b + l, 8);
    if (x != y) return l + static_cast<uint32_t>(__builtin_ctzll(x ^ y) / 8);
    l += 8;
  }
  while (l < tope && a[l] == b[l]) ++l;
  return l;
}

}  // namespace zelvano::rar
