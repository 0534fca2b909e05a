#include "staging/rar/cabeceras.h"

#include "staging/rar/crc32.h"

namespace zelvano::rar {
namespace {

void pon16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void pon32(std::vector<uint8_t>& v, uint32_t x) {
  pon16(v, x & 0xFFFF);
  pon16(v, x >> 16);
}
uint32_t lee16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t lee32(const uint8_t* p) { return lee16(p) | (lee16(p + 2) << 16); }

// Fills in the size and CRC fields of a block built with them zeroed.
std::vector<uint8_t> cierra(std::vector<uint8_t> b) {
  b[5] = static_cast<uint8_t>(b.size());
  b[6] = static_cast<uint8_t>(b.size() >> 8);
  uint16_t crc = crc16_cabecera(b.data() + 2, b.size() - 2);
  b[0] = static_cast<uint8_t>(crc);
  b[1] = static_cast<uint8_t>(crc >> 8);
  return b;
}

std::vector<uint8_t> comienzo(uint8_t tipo, uint16_t banderas) {
  std::vector<uint8_t> b{0, 0, tipo};
  pon16(b, banderas);
  pon16(b, 0);
  return b;
}

}  // namespace

std::vector<uint8_t> bloque_principal(uint16_t banderas) {
  auto b = comienzo(kBloquePrincipal, banderas);
  pon16(b, 0);  // reserved
  pon32(b, 0);  // reserved
  return cierra(b);
}

std::vector<uint8_t> bloque_fichero(const CabeceraFichero& c) {
  uint16_t banderas = c.banderas | kBloqueLargo;
  bool grande = c.forzar_grande || c.tam_comprimido > 0xFFFFFFFFu || c.tam > 0xFFFFFFFFu;
  if (grande) banderas |= kFicheroGrande;
  auto b = comienzo(kBloqueFichero, banderas);
  pon32(b, static_cast<uint32_t>(c.tam_comprimido));
  pon32(b, static_cast<uint32_t>(c.tam));
  b.push_back(c.sistema);
  pon32(b, c.crc);
  pon32(b, c.fecha_dos);
  b.push_back(c.version);
  b.push_back(c.metodo);
  pon16(b, static_cast<uint32_t>(c.nombre.size()));
  pon32(b, c.atributos);
  if (grande) {
    pon32(b, static_cast<uint32_t>(c.tam_comprimido >> 32));
    pon32(b, static_cast<uint32_t>(c.tam >> 32));
  }
  b.insert(b.end(), c.nombre.begin(), c.nombre.end());
  return cierra(b);
}

std::vector<uint8_t> bloque_fin() { return cierra(comienzo(kBloqueFin, kFinSinBloqueSiguiente)); }

bool lee_cabecera_fichero(const std::vector<uint8_t>& b, CabeceraFichero& c) {
  if (b.size() < 32) return false;
  c.banderas = static_cast<uint16_t>(lee16(&b[3]));
  c.tam_comprimido = lee32(&b[7]);
  c.tam = lee32(&b[11]);
  c.sistema = b[15];
  c.crc = lee32(&b[16]);
  c.fecha_dos = lee32(&b[20]);
  c.version = b[24];
  c.metodo = b[25];
  size_t largo_nombre = lee16(&b[26]);
  c.atributos = lee32(&b[28]);
  size_t p = 32;
  if (c.banderas & kFicheroGrande) {
    if (b.size() < p + 8) return false;
    c.tam_comprimido |= static_cast<uint64_t>(lee32(&b[p])) << 32;
    c.tam |= static_cast<uint64_t>(lee32(&b[p + 4])) << 32;
    p += 8;
  }
  if (b.size() < p + largo_nombre) return false;
  c.nombre.assign(b.begin() + p, b.begin() + p + largo_nombre);
  return true;
}

uint32_t fecha_dos(int anio, int mes, int dia, int hora, int minuto, int segundo) {
  if (anio < 1980) return (1 << 21) | (1 << 16);  // 1980-01-01, the earliest DOS date
  return static_cast<uint32_t>(((anio - 1980) << 25) | (mes << 21) | (dia << 16) | (hora << 11) |
                               (minuto << 5) | (segundo / 2));
}

}  // namespace zelvano::rar
