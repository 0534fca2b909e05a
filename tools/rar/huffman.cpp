#include "tools/rar/huffman.h"

#include <algorithm>
#include <numeric>
#include <queue>

namespace zelvano::rar {
namespace {

// Plain Huffman tree depths for the used symbols.
std::vector<uint8_t> profundidades(const std::vector<uint32_t>& f) {
  struct Nodo {
    uint64_t peso;
    int hijo0, hijo1;
  };
  std::vector<Nodo> nodos;
  using Par = std::pair<uint64_t, int>;
  std::priority_queue<Par, std::vector<Par>, std::greater<Par>> cola;
  for (size_t s = 0; s < f.size(); ++s) {
    if (f[s] == 0) continue;
    nodos.push_back({f[s], -1, static_cast<int>(s)});
    cola.push({f[s], static_cast<int>(nodos.size() - 1)});
  }
  while (cola.size() > 1) {
    auto a = cola.top();
    cola.pop();
    auto b = cola.top();
    cola.pop();
    nodos.push_back({a.first + b.first, a.second, b.second});
    cola.push({a.first + b.first, static_cast<int>(nodos.size() - 1)});
  }
  std::vector<uint8_t> longitudes(f.size(), 0);
  if (nodos.empty()) return longitudes;
  // Depth-first walk from the root (the last node created).
  std::vector<std::pair<int, int>> pila{{static_cast<int>(nodos.size() - 1), 0}};
  while (!pila.empty()) {
    auto [n, d] = pila.back();
    pila.pop_back();
    if (nodos[n].hijo0 < 0) {
      longitudes[nodos[n].hijo1] = static_cast<uint8_t>(std::min(d, 255));
    } else {
      pila.push_back({nodos[n].hijo0, d + 1});
      pila.push_back({nodos[n].hijo1, d + 1});
    }
  }
  return longitudes;
}

}  // namespace

std::vector<uint8_t> longitudes_huffman(const std::vector<uint32_t>& frecuencias, int maximo) {
  std::vector<uint32_t> f = frecuencias;
  int usados = static_cast<int>(std::count_if(f.begin(), f.end(), [](uint32_t x) { return x > 0; }));
  for (size_t s = 0; s < f.size() && usados < 2; ++s) {
    if (f[s] == 0) {
      f[s] = 1;
      ++usados;
    }
  }
  for (;;) {
    auto l = profundidades(f);
    if (*std::max_element(l.begin(), l.end()) <= maximo) return l;
    // Flatten the distribution and try again: each halving shortens the
    // deepest branches while keeping every used symbol present.
    for (auto& x : f)
      if (x > 0) x = (x >> 1) | 1;
  }
}

std::vector<uint32_t> codigos_canonicos(const std::vector<uint8_t>& longitudes) {
  uint32_t cuenta[kLongitudMaximaCodigo + 1] = {};
  for (uint8_t l : longitudes)
    if (l <= kLongitudMaximaCodigo) ++cuenta[l];
  cuenta[0] = 0;
  uint32_t siguiente[kLongitudMaximaCodigo + 2] = {};
  for (int l = 1; l <= kLongitudMaximaCodigo; ++l) siguiente[l + 1] = (siguiente[l] + cuenta[l]) << 1;
  std::vector<uint32_t> codigos(longitudes.size(), 0);
  for (size_t s = 0; s < longitudes.size(); ++s) {
    uint8_t l = longitudes[s];
    if (l > 0 && l <= kLongitudMaximaCodigo) codigos[s] = siguiente[l]++;
  }
  return codigos;
}

bool DecodificadorHuffman::construye(const uint8_t* longitudes, int num_simbolos) {
  uint32_t cuenta[kLongitudMaximaCodigo + 1] = {};
  for (int s = 0; s < num_simbolos; ++s) {
    if (longitudes[s] > kLongitudMaximaCodigo) return false;
    ++cuenta[longitudes[s]];
  }
  cuenta[0] = 0;
  // Kraft sum in units of 2^-15: above 1 means the code is oversubscribed.
  uint32_t kraft = 0;
  for (int l = 1; l <= kLongitudMaximaCodigo; ++l) kraft += cuenta[l] << (kLongitudMaximaCodigo - l);
  if (kraft > (1u << kLongitudMaximaCodigo)) return false;

  uint32_t siguiente[kLongitudMaximaCodigo + 1] = {};
  uint32_t base = 0, pos = 0;
  for (int l = 1; l <= kLongitudMaximaCodigo; ++l) {
    base += cuenta[l] << (16 - l);
    limite_[l] = base;
    posicion_[l] = pos;
    siguiente[l] = pos;
    pos += cuenta[l];
  }
  simbolos_.assign(pos, 0);
  for (int s = 0; s < num_simbolos; ++s)
    if (longitudes[s]) simbolos_[siguiente[longitudes[s]]++] = static_cast<uint16_t>(s);

  std::fill(rapida_.begin(), rapida_.end(), kSinEntrada);
  auto codigos = codigos_canonicos(std::vector<uint8_t>(longitudes, longitudes + num_simbolos));
  for (int s = 0; s < num_simbolos; ++s) {
    int l = longitudes[s];
    if (l == 0 || l > kBitsRapidos) continue;
    uint32_t inicio = codigos[s] << (kBitsRapidos - l);
    for (uint32_t k = 0; k < (1u << (kBitsRapidos - l)); ++k)
      rapida_[inicio + k] = static_cast<uint16_t>((l << 9) | s);
  }
  return true;
}

int DecodificadorHuffman::decodifica_lento(LectorBits& lector) const {
  uint32_t v = lector.mira(16);
  uint32_t anterior = 0;
  for (int l = 1; l <= kLongitudMaximaCodigo; ++l) {
    if (v < limite_[l]) {
      uint32_t indice = posicion_[l] + ((v - anterior) >> (16 - l));
      if (indice >= simbolos_.size()) return -1;
      lector.consume(l);
      return simbolos_[indice];
    }
    anterior = limite_[l];
  }
  return -1;
}

}  // namespace zelvano::rar
