#include "tools/rar/descompresor29.h"

#include <cstring>

#include "tools/rar/error.h"

namespace zelvano::rar {

using namespace v29;

namespace {
constexpr uint32_t kMascara = kVentana - 1;
constexpr uint64_t kUmbralVolcado = 1 << 20;

[[noreturn]] void danado(const char* que) {
  throw ErrorRar(TipoError::kDanado, std::string("datos comprimidos dañados: ") + que);
}
}  // namespace

Descompresor29::Descompresor29() : ventana_(kVentana, 0) {}

void Descompresor29::reinicia() {
  pos_ = volcado_ = 0;
  std::memset(distancias_, 0, sizeof distancias_);
  ultima_distancia_ = ultima_longitud_ = 0;
  baja_previa_ = repeticiones_baja_ = 0;
  tablas_leidas_ = false;
  std::memset(longitudes_, 0, sizeof longitudes_);
}

int Descompresor29::simbolo(const DecodificadorHuffman& d, LectorBits& entrada) {
  int s = d.decodifica(entrada);
  if (s < 0) danado("código Huffman no válido");
  if (entrada.excedido()) danado("datos truncados");
  return s;
}

void Descompresor29::lee_tablas(LectorBits& entrada) {
  entrada.alinea();
  if (entrada.lee(1))
    throw ErrorRar(TipoError::kNoSoportado, "bloque PPMd: método de compresión no soportado");
  if (!entrada.lee(1)) std::memset(longitudes_, 0, sizeof longitudes_);
  baja_previa_ = repeticiones_baja_ = 0;

  uint8_t nivel[kSimbolosNivel] = {};
  for (int i = 0; i < kSimbolosNivel;) {
    uint8_t l = static_cast<uint8_t>(entrada.lee(4));
    if (l == 15) {
      uint32_t ceros = entrada.lee(4);
      if (ceros == 0) {
        nivel[i++] = 15;
      } else {
        for (uint32_t k = 0; k < ceros + 2 && i < kSimbolosNivel; ++k) nivel[i++] = 0;
      }
    } else {
      nivel[i++] = l;
    }
  }
  DecodificadorHuffman decod_nivel;
  if (!decod_nivel.construye(nivel, kSimbolosNivel)) danado("tabla de niveles no válida");

  for (int i = 0; i < kSimbolosTablas;) {
    int s = simbolo(decod_nivel, entrada);
    if (s < 16) {
      longitudes_[i] = static_cast<uint8_t>((longitudes_[i] + s) & 0xF);
      ++i;
    } else if (s < 18) {
      if (i == 0) danado("repetición sin longitud previa");
      uint32_t n = (s == 16) ? entrada.lee(3) + 3 : entrada.lee(7) + 11;
      for (uint32_t k = 0; k < n && i < kSimbolosTablas; ++k, ++i) longitudes_[i] = longitudes_[i - 1];
    } else {
      uint32_t n = (s == 18) ? entrada.lee(3) + 3 : entrada.lee(7) + 11;
      for (uint32_t k = 0; k < n && i < kSimbolosTablas; ++k) longitudes_[i++] = 0;
    }
  }
  if (entrada.excedido()) danado("tablas truncadas");
  const uint8_t* l = longitudes_;
  if (!principal_.construye(l, kSimbolosPrincipales) ||
      !distancia_.construye(l + kSimbolosPrincipales, kSimbolosDistancia) ||
      !baja_.construye(l + kSimbolosPrincipales + kSimbolosDistancia, kSimbolosDistanciaBaja) ||
      !longitud_.construye(l + kSimbolosPrincipales + kSimbolosDistancia + kSimbolosDistanciaBaja,
                           kSimbolosLongitud))
    danado("tabla Huffman no válida");
  tablas_leidas_ = true;
}

void Descompresor29::copia(uint32_t distancia, uint32_t longitud) {
  if (distancia == 0 || distancia > pos_ || distancia > kVentana) danado("distancia fuera de la ventana");
  if (pos_ + longitud > fin_) danado("coincidencia más allá del final del fichero");
  uint32_t d = static_cast<uint32_t>(pos_) & kMascara;
  uint32_t o = static_cast<uint32_t>(pos_ - distancia) & kMascara;
  uint8_t* v = ventana_.data();
  if (d + longitud <= kVentana && o + longitud <= kVentana) {
    // Most matches are short: eight bytes at a time beats a library call.
    // Chunks stay inside the match, since the bytes after it may still be
    // referred to from the far end of the window.
    uint8_t* destino = v + d;
    const uint8_t* origen = v + o;
    uint32_t k = 0;
    if (distancia >= 8) {
      for (; k + 8 <= longitud; k += 8) {
        uint64_t x;
        std::memcpy(&x, origen + k, 8);
        std::memcpy(destino + k, &x, 8);
      }
    }
    for (; k < longitud; ++k) destino[k] = origen[k];
  } else {
    for (uint32_t k = 0; k < longitud; ++k) v[(d + k) & kMascara] = v[(o + k) & kMascara];
  }
  pos_ += longitud;
}

void Descompresor29::vuelca(const Salida& salida) {
  while (volcado_ < pos_) {
    uint32_t desde = static_cast<uint32_t>(volcado_) & kMascara;
    uint64_t n = std::min<uint64_t>(pos_ - volcado_, kVentana - desde);
    salida(ventana_.data() + desde, static_cast<size_t>(n));
    volcado_ += n;
  }
}

void Descompresor29::lee_marca_final(LectorBits& entrada) {
  // Another writer may end a file's data without the mark; then the next
  // solid file must start with its own tables.
  for (;;) {
    if (entrada.bits_restantes() <= 0) {
      tablas_leidas_ = false;
      return;
    }
    int s = principal_.decodifica(entrada);
    if (s != kFinBloque) {
      if (entrada.excedido()) {
        tablas_leidas_ = false;
        return;
      }
      danado("datos de más tras el final del fichero");
    }
    if (entrada.lee(1)) {
      lee_tablas(entrada);
      continue;
    }
    bool tablas_nuevas = entrada.lee(1) != 0;
    tablas_leidas_ = !tablas_nuevas;
    if (entrada.excedido()) tablas_leidas_ = false;
    return;
  }
}

void Descompresor29::descomprime(LectorBits& entrada, uint64_t tam, bool continua, const Salida& salida) {
  if (!continua) reinicia();
  volcado_ = pos_;
  fin_ = pos_ + tam;
  if (tam == 0) return;
  if (!tablas_leidas_) lee_tablas(entrada);

  while (pos_ < fin_) {
    if (pos_ - volcado_ >= kUmbralVolcado) vuelca(salida);
    int s = simbolo(principal_, entrada);
    if (s < 256) {
      ventana_[static_cast<uint32_t>(pos_++) & kMascara] = static_cast<uint8_t>(s);
      continue;
    }
    if (s >= kLongitudBase) {
      s -= kLongitudBase;
      uint32_t longitud = kBaseLongitud[s] + 3;
      if (kBitsLongitud[s]) longitud += entrada.lee(kBitsLongitud[s]);
      int ranura = simbolo(distancia_, entrada);
      uint32_t distancia = kBaseDistancia[ranura] + 1;
      int bits = kBitsDistancia[ranura];
      if (bits > 0) {
        if (ranura > kUltimaRanuraSinBaja) {
          if (bits > 4) distancia += entrada.lee(bits - 4) << 4;
          if (repeticiones_baja_ > 0) {
            --repeticiones_baja_;
            distancia += baja_previa_;
          } else {
            int baja = simbolo(baja_, entrada);
            if (baja == 16) {
              repeticiones_baja_ = 15;
              distancia += baja_previa_;
            } else {
              distancia += baja;
              baja_previa_ = baja;
            }
          }
        } else {
          distancia += entrada.lee(bits);
        }
      }
      longitud += ajuste_longitud(distancia);
      distancias_[3] = distancias_[2];
      distancias_[2] = distancias_[1];
      distancias_[1] = distancias_[0];
      distancias_[0] = distancia;
      ultima_distancia_ = distancia;
      ultima_longitud_ = longitud;
      copia(distancia, longitud);
    } else if (s == kFinBloque) {
      if (entrada.lee(1)) {
        lee_tablas(entrada);
      } else {
        danado("fin de fichero antes de tiempo");
      }
    } else if (s == kFiltro) {
      throw ErrorRar(TipoError::kNoSoportado, "filtro de datos: no soportado");
    } else if (s == kRepiteUltima) {
      if (ultima_longitud_ != 0) copia(ultima_distancia_, ultima_longitud_);
    } else if (s < kDistanciaCorta) {
      int indice = s - kDistanciaAnterior;
      uint32_t distancia = distancias_[indice];
      for (int k = indice; k > 0; --k) distancias_[k] = distancias_[k - 1];
      distancias_[0] = distancia;
      int ranura = simbolo(longitud_, entrada);
      uint32_t longitud = kBaseLongitud[ranura] + 2;
      if (kBitsLongitud[ranura]) longitud += entrada.lee(kBitsLongitud[ranura]);
      ultima_distancia_ = distancia;
      ultima_longitud_ = longitud;
      copia(distancia, longitud);
    } else {
      int ranura = s - kDistanciaCorta;
      uint32_t distancia = kBaseCorta[ranura] + 1 + entrada.lee(kBitsCorta[ranura]);
      distancias_[3] = distancias_[2];
      distancias_[2] = distancias_[1];
      distancias_[1] = distancias_[0];
      distancias_[0] = distancia;
      ultima_distancia_ = distancia;
      ultima_longitud_ = 2;
      copia(distancia, 2);
    }
    if (entrada.excedido()) danado("datos truncados");
  }
  vuelca(salida);
  lee_marca_final(entrada);
}

}  // namespace zelvano::rar
