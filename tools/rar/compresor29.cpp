#include "tools/rar/compresor29.h"

#include <algorithm>
#include <stdexcept>

#include "tools/rar/bits.h"
#include "staging/rar/crc32.h"
#include "tools/rar/huffman.h"

namespace zelvano::rar {

using namespace v29;

namespace {

constexpr size_t kElementosPorBloque = 1 << 17;
constexpr size_t kTrozo = 1 << 20;
constexpr size_t kAnticipacion = 1 << 16;
constexpr uint32_t kLongitudMaxima = 257;  // fits both new and recent-distance codes
constexpr uint32_t kDistanciaMaxima = kVentana - 1;

int ranura_longitud(uint32_t valor) {  // valor = length minus the code's base
  int r = 27;
  while (kBaseLongitud[r] > valor) --r;
  return r;
}

int ranura_corta(uint32_t d1) {  // d1 = distance - 1, below 256
  int r = 7;
  while (kBaseCorta[r] > d1) --r;
  return r;
}

int ranura_distancia(uint32_t d1) {  // d1 = distance - 1
  int r = kSimbolosDistancia - 1;
  while (kBaseDistancia[r] > d1) --r;
  return r;
}

// Shortest length a new-distance code can express at this distance.
uint32_t minimo_nueva(uint32_t distancia) { return 3 + static_cast<uint32_t>(ajuste_longitud(distancia)); }

// A match never runs across a multiple of the dictionary size within a
// file: some readers unpack one dictionary's worth at a time and let a match
// that spills over that edge overwrite window bytes they have not handed
// out yet (libarchive 3.6 does, and then reports a CRC error).
size_t tope(size_t p, size_t limite, uint64_t hecho) {
  return std::min<size_t>(limite, p + static_cast<size_t>(kVentana - hecho % kVentana));
}

}  // namespace

Compresor29::Compresor29(int profundidad) : buscador_(kDistanciaMaxima, profundidad, 128) {
  elementos_.reserve(kElementosPorBloque + 1);
}

void Compresor29::Costes::actualiza(const std::vector<uint8_t>& l, const std::vector<uint32_t>& f_principal) {
  auto bits = [](uint8_t x) { return x ? static_cast<int>(x) : kLongitudMaximaCodigo; };
  uint64_t total = 0, cuenta = 0;
  for (int s = 0; s < 256; ++s) {
    total += static_cast<uint64_t>(f_principal[s]) * bits(l[s]);
    cuenta += f_principal[s];
  }
  literal = cuenta ? static_cast<int>(total * 16 / cuenta) : 8 * 16;
  for (int s = 0; s < kSimbolosPrincipales; ++s) principal[s] = static_cast<uint8_t>(bits(l[s]));
  for (int s = 0; s < kSimbolosDistancia; ++s) distancia[s] = static_cast<uint8_t>(bits(l[kSimbolosPrincipales + s]));
  for (int s = 0; s < kSimbolosDistanciaBaja; ++s)
    baja[s] = static_cast<uint8_t>(bits(l[kSimbolosPrincipales + kSimbolosDistancia + s]));
  for (int s = 0; s < kSimbolosLongitud; ++s)
    longitud[s] = static_cast<uint8_t>(bits(l[kSimbolosPrincipales + kSimbolosDistancia + kSimbolosDistanciaBaja + s]));
}

// Bits saved against coding the same bytes as literals, in 1/16 bit, using
// the code lengths of the previous block as the price list.
int Compresor29::ganancia_reciente(int indice, uint32_t longitud) const {
  int r = ranura_longitud(longitud - 2);
  int coste = costes_.principal[kDistanciaAnterior + indice] + costes_.longitud[r] + kBitsLongitud[r];
  return static_cast<int>(longitud) * costes_.literal - coste * 16;
}

int Compresor29::ganancia_nueva(uint32_t distancia, uint32_t longitud) const {
  int r = ranura_longitud(longitud - static_cast<uint32_t>(ajuste_longitud(distancia)) - 3);
  uint32_t d1 = distancia - 1;
  int rd = ranura_distancia(d1);
  int coste = costes_.principal[kLongitudBase + r] + kBitsLongitud[r] + costes_.distancia[rd];
  if (rd > kUltimaRanuraSinBaja) coste += kBitsDistancia[rd] - 4 + costes_.baja[(d1 - kBaseDistancia[rd]) & 0xF];
  else coste += kBitsDistancia[rd];
  return static_cast<int>(longitud) * costes_.literal - coste * 16;
}

Compresor29::Opcion Compresor29::evalua(size_t p, size_t limite) {
  Opcion mejor;
  for (int i = 0; i < 4; ++i) {
    uint32_t d = recientes_[i];
    if (d == 0 || d > p || d > kDistanciaMaxima) continue;
    uint32_t l = buscador_.longitud_en(p, d, limite, kLongitudMaxima);
    if (l < 2) continue;
    int g = ganancia_reciente(i, l);
    if (g > mejor.ganancia) mejor = {l, d, i, g};
  }
  Coincidencia c = buscador_.busca(p, limite, kLongitudMaxima, minimo_nueva);
  if (c.longitud >= 3) {
    int g = ganancia_nueva(c.distancia, c.longitud);
    if (g > mejor.ganancia) mejor = {c.longitud, c.distancia, -1, g};
  }
  if (mejor.longitud < 3 && p + 2 <= limite) {
    // Two bytes seen up to 256 bytes back have their own short codes.
    uint32_t d = buscador_.distancia_par(p);
    if (d > 0 && d <= 256 && buscador_.longitud_en(p, d, limite, 2) == 2) {
      int r = ranura_corta(d - 1);
      int g = 2 * costes_.literal - (costes_.principal[kDistanciaCorta + r] + kBitsCorta[r]) * 16;
      if (g > mejor.ganancia) mejor = {2, d, -2, g};
    }
  }
  return mejor;
}

void Compresor29::emite_literal(uint8_t b) { elementos_.push_back({b, 0, 0, 0xFF, 0, 0, 0, 0}); }

void Compresor29::emite(const Opcion& o) {
  Elemento e{0, 0, 0, 0xFF, 0, 0, 0, 0};
  if (o.reciente == -2) {
    recientes_[3] = recientes_[2];
    recientes_[2] = recientes_[1];
    recientes_[1] = recientes_[0];
    recientes_[0] = o.distancia;
    int r = ranura_corta(o.distancia - 1);
    e.principal = static_cast<uint16_t>(kDistanciaCorta + r);
    e.tipo = 3;
    e.bits_a = kBitsCorta[r];
    e.extra_a = o.distancia - 1 - kBaseCorta[r];
  } else if (o.reciente >= 0) {
    int i = o.reciente;
    uint32_t d = recientes_[i];
    for (int k = i; k > 0; --k) recientes_[k] = recientes_[k - 1];
    recientes_[0] = d;
    int r = ranura_longitud(o.longitud - 2);
    e.principal = static_cast<uint16_t>(kDistanciaAnterior + i);
    e.tipo = 2;
    e.secundario = static_cast<uint8_t>(r);
    e.bits_a = kBitsLongitud[r];
    e.extra_a = o.longitud - 2 - kBaseLongitud[r];
  } else {
    recientes_[3] = recientes_[2];
    recientes_[2] = recientes_[1];
    recientes_[1] = recientes_[0];
    recientes_[0] = o.distancia;
    uint32_t lc = o.longitud - static_cast<uint32_t>(ajuste_longitud(o.distancia)) - 3;
    int r = ranura_longitud(lc);
    e.principal = static_cast<uint16_t>(kLongitudBase + r);
    e.tipo = 1;
    e.bits_a = kBitsLongitud[r];
    e.extra_a = lc - kBaseLongitud[r];
    uint32_t d1 = o.distancia - 1;
    int rd = ranura_distancia(d1);
    e.secundario = static_cast<uint8_t>(rd);
    uint32_t extra = d1 - kBaseDistancia[rd];
    if (rd > kUltimaRanuraSinBaja) {
      e.bits_b = static_cast<uint8_t>(kBitsDistancia[rd] - 4);
      e.extra_b = extra >> 4;
      e.baja = static_cast<uint8_t>(extra & 0xF);
    } else {
      e.bits_b = kBitsDistancia[rd];
      e.extra_b = extra;
    }
  }
  elementos_.push_back(e);
}

void Compresor29::escribe_bloque(std::vector<uint8_t>& salida, bool ultimo_del_fichero) {
  std::vector<uint32_t> f_principal(kSimbolosPrincipales), f_distancia(kSimbolosDistancia),
      f_baja(kSimbolosDistanciaBaja), f_longitud(kSimbolosLongitud);
  for (const auto& e : elementos_) {
    ++f_principal[e.principal];
    if (e.tipo == 1) {
      ++f_distancia[e.secundario];
      if (e.baja != 0xFF) ++f_baja[e.baja];
    } else if (e.tipo == 2) {
      ++f_longitud[e.secundario];
    }
  }
  ++f_principal[kFinBloque];

  std::vector<uint8_t> longitudes;
  for (const auto* f : {&f_principal, &f_distancia, &f_baja, &f_longitud}) {
    auto l = longitudes_huffman(*f);
    longitudes.insert(longitudes.end(), l.begin(), l.end());
  }
  costes_.actualiza(longitudes, f_principal);

  // Run-length coding of the lengths with the 20-symbol level alphabet.
  struct Nivel {
    uint8_t simbolo, bits;
    uint32_t extra;
  };
  std::vector<Nivel> niveles;
  for (size_t i = 0; i < longitudes.size();) {
    uint8_t v = longitudes[i];
    size_t r = 1;
    while (i + r < longitudes.size() && longitudes[i + r] == v) ++r;
    if (v == 0 && r >= 3) {
      size_t n = std::min<size_t>(r, 138);
      if (n >= 11) niveles.push_back({19, 7, static_cast<uint32_t>(n - 11)});
      else niveles.push_back({18, 3, static_cast<uint32_t>(n - 3)});
      i += n;
    } else if (v != 0 && r >= 4) {
      niveles.push_back({v, 0, 0});
      size_t n = std::min<size_t>(r - 1, 138);
      if (n >= 11) niveles.push_back({17, 7, static_cast<uint32_t>(n - 11)});
      else niveles.push_back({16, 3, static_cast<uint32_t>(n - 3)});
      i += n + 1;
    } else {
      niveles.push_back({v, 0, 0});
      ++i;
    }
  }
  std::vector<uint32_t> f_nivel(kSimbolosNivel);
  for (const auto& n : niveles) ++f_nivel[n.simbolo];
  auto l_nivel = longitudes_huffman(f_nivel);
  auto c_nivel = codigos_canonicos(l_nivel);

  EscritorBits bits(salida);
  bits.escribe(0, 1);  // LZ block, not PPMd
  bits.escribe(0, 1);  // lengths are absolute, not deltas of the previous table
  for (uint8_t l : l_nivel) {
    bits.escribe(l, 4);
    if (l == 15) bits.escribe(0, 4);
  }
  for (const auto& n : niveles) {
    bits.escribe(c_nivel[n.simbolo], l_nivel[n.simbolo]);
    bits.escribe(n.extra, n.bits);
  }

  auto tabla = [&](size_t desde, size_t n) {
    std::vector<uint8_t> l(longitudes.begin() + static_cast<std::ptrdiff_t>(desde),
                           longitudes.begin() + static_cast<std::ptrdiff_t>(desde + n));
    return std::make_pair(l, codigos_canonicos(l));
  };
  auto [l_p, c_p] = tabla(0, kSimbolosPrincipales);
  auto [l_d, c_d] = tabla(kSimbolosPrincipales, kSimbolosDistancia);
  auto [l_b, c_b] = tabla(kSimbolosPrincipales + kSimbolosDistancia, kSimbolosDistanciaBaja);
  auto [l_l, c_l] = tabla(kSimbolosPrincipales + kSimbolosDistancia + kSimbolosDistanciaBaja, kSimbolosLongitud);

  for (const auto& e : elementos_) {
    bits.escribe(c_p[e.principal], l_p[e.principal]);
    switch (e.tipo) {
      case 1:
        bits.escribe(e.extra_a, e.bits_a);
        bits.escribe(c_d[e.secundario], l_d[e.secundario]);
        bits.escribe(e.extra_b, e.bits_b);
        if (e.baja != 0xFF) bits.escribe(c_b[e.baja], l_b[e.baja]);
        break;
      case 2:
        bits.escribe(c_l[e.secundario], l_l[e.secundario]);
        bits.escribe(e.extra_a, e.bits_a);
        break;
      case 3:
        bits.escribe(e.extra_a, e.bits_a);
        break;
      default:
        break;
    }
  }
  bits.escribe(c_p[kFinBloque], l_p[kFinBloque]);
  if (ultimo_del_fichero) {
    bits.escribe(0, 1);  // end of file...
    bits.escribe(1, 1);  // ...and the next file starts with its own tables
    bits.alinea();
    // Some readers peek a full lookup width past the last code; give them
    // bytes to peek at.
    salida.insert(salida.end(), 4, 0);
  } else {
    bits.escribe(1, 1);  // new tables follow in this file
    bits.alinea();
  }
  elementos_.clear();
}

uint32_t Compresor29::comprime(std::istream& entrada, uint64_t tam, bool continua, std::vector<uint8_t>& salida,
                               const Vaciado& vacia) {
  if (!continua) {
    costes_ = Costes();
    buscador_.reinicia();
    std::fill(std::begin(recientes_), std::end(recientes_), 0);
  }
  elementos_.clear();
  uint32_t crc = 0;
  uint64_t pendiente = tam;
  size_t p = buscador_.tam();
  size_t limite = p;
  std::vector<uint8_t> trozo;

  uint64_t hecho = 0;  // bytes of this file already coded
  Opcion siguiente;    // lazily evaluated option for position p, when valid
  bool hay_siguiente = false;
  for (;;) {
    if (pendiente > 0 && limite - p < kAnticipacion) {
      size_t n = static_cast<size_t>(std::min<uint64_t>(pendiente, kTrozo));
      trozo.resize(n);
      entrada.read(reinterpret_cast<char*>(trozo.data()), static_cast<std::streamsize>(n));
      if (static_cast<size_t>(entrada.gcount()) != n) throw std::runtime_error("el fichero de entrada se acabó antes de tiempo");
      crc = crc32(trozo.data(), n, crc);
      size_t d = buscador_.agrega(trozo.data(), n, p);
      p -= d;
      limite = limite - d + n;
      pendiente -= n;
    }
    if (p >= limite) break;

    buscador_.inserta_hasta(p);
    Opcion actual = hay_siguiente ? siguiente : evalua(p, tope(p, limite, hecho));
    hay_siguiente = false;
    if (actual.longitud == 0) {
      emite_literal(buscador_.datos()[p]);
      ++p;
      ++hecho;
    } else {
      // Lazy matching: a clearly better match one byte later wins over
      // this one, at the cost of one literal.
      if (actual.longitud < 32 && p + 1 < limite) {
        buscador_.inserta_hasta(p + 1);
        siguiente = evalua(p + 1, tope(p + 1, limite, hecho + 1));
        if (siguiente.ganancia > actual.ganancia) {
          emite_literal(buscador_.datos()[p]);
          ++p;
          ++hecho;
          hay_siguiente = true;
          continue;
        }
      }
      emite(actual);
      p += actual.longitud;
      hecho += actual.longitud;
    }
    if (elementos_.size() >= kElementosPorBloque) {
      escribe_bloque(salida, false);
      if (vacia) vacia(salida);
    }
  }
  escribe_bloque(salida, true);
  if (vacia) vacia(salida);
  return crc;
}

}  // namespace zelvano::rar
