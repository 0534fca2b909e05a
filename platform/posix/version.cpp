// Version resources on posix: the VS_VERSIONINFO block is taken from the
// resource section of the PE file itself (PE32 and PE32+), and looked up the
// way VerQueryValueW walks it.
#include <cstring>

#include "platform/plataforma.h"
#include "platform/posix/posix_comun.h"

namespace plataforma {

namespace {

constexpr uint32_t kRtVersion = 16;

class Lector {
 public:
  explicit Lector(const std::string& d) : d_(d) {}
  bool Cabe(uint64_t pos, uint64_t n) const { return pos <= d_.size() && n <= d_.size() - pos; }
  uint16_t U16(uint64_t pos) const {
    return static_cast<uint16_t>(B(pos) | (B(pos + 1) << 8));
  }
  uint32_t U32(uint64_t pos) const { return U16(pos) | (static_cast<uint32_t>(U16(pos + 2)) << 16); }

 private:
  uint32_t B(uint64_t pos) const { return static_cast<unsigned char>(d_[static_cast<size_t>(pos)]); }
  const std::string& d_;
};

struct Seccion {
  uint32_t direccion, tamanoVirtual, tamanoBruto, desplazamiento;
};

// File offset of an RVA, or false when no section holds `n` bytes there.
bool Desplazamiento(const std::vector<Seccion>& secciones, uint32_t rva, uint32_t n, uint64_t& pos) {
  for (const Seccion& s : secciones) {
    uint64_t tam = s.tamanoBruto > s.tamanoVirtual && s.tamanoVirtual != 0 ? s.tamanoVirtual : s.tamanoBruto;
    if (rva >= s.direccion && static_cast<uint64_t>(rva) + n <= static_cast<uint64_t>(s.direccion) + tam) {
      pos = static_cast<uint64_t>(s.desplazamiento) + (rva - s.direccion);
      return true;
    }
  }
  return false;
}

// The first entry of a resource directory, or the one with id `id`.
bool Entrada(const Lector& l, uint64_t base, uint64_t dir, bool porId, uint32_t id, uint32_t& destino) {
  if (!l.Cabe(base + dir, 16)) return false;
  const uint32_t nombres = l.U16(base + dir + 12), ids = l.U16(base + dir + 14);
  for (uint32_t i = 0; i < nombres + ids; ++i) {
    const uint64_t e = base + dir + 16 + 8ull * i;
    if (!l.Cabe(e, 8)) return false;
    const uint32_t nombre = l.U32(e);
    if (porId && ((nombre & 0x80000000u) || nombre != id)) continue;
    destino = l.U32(e + 4);
    return true;
  }
  return false;
}

// The raw VS_VERSIONINFO resource of the file; the error code when none.
uint32_t Extrae(const Texto& fichero, std::string& bloque) {
  std::string d;
  if (!LeeFicheroCompleto(fichero, d)) return UltimoError();
  Lector l(d);
  if (!l.Cabe(0, 64) || d[0] != 'M' || d[1] != 'Z') return ERROR_FORMATO_EJECUTABLE;
  const uint64_t pe = l.U32(0x3C);
  if (!l.Cabe(pe, 24) || std::memcmp(d.data() + pe, "PE\0\0", 4) != 0) return ERROR_FORMATO_EJECUTABLE;
  const uint32_t numSecciones = l.U16(pe + 6), tamOpcional = l.U16(pe + 20);
  const uint64_t opcional = pe + 24;
  if (!l.Cabe(opcional, tamOpcional) || tamOpcional < 2) return ERROR_FORMATO_EJECUTABLE;
  const uint16_t magia = l.U16(opcional);
  uint64_t directorios;
  uint32_t numDirectorios;
  if (magia == 0x10B && tamOpcional >= 96) {
    numDirectorios = l.U32(opcional + 92);
    directorios = opcional + 96;
  } else if (magia == 0x20B && tamOpcional >= 112) {
    numDirectorios = l.U32(opcional + 108);
    directorios = opcional + 112;
  } else {
    return ERROR_FORMATO_EJECUTABLE;
  }
  if (numDirectorios < 3 || directorios + 3 * 8 > opcional + tamOpcional) return ERROR_RECURSO_NO_ENCONTRADO;
  const uint32_t rvaRecursos = l.U32(directorios + 16), tamRecursos = l.U32(directorios + 20);
  if (rvaRecursos == 0 || tamRecursos == 0) return ERROR_RECURSO_NO_ENCONTRADO;
  std::vector<Seccion> secciones;
  const uint64_t tabla = opcional + tamOpcional;
  for (uint32_t i = 0; i < numSecciones; ++i) {
    const uint64_t s = tabla + 40ull * i;
    if (!l.Cabe(s, 40)) return ERROR_FORMATO_EJECUTABLE;
    secciones.push_back(Seccion{l.U32(s + 12), l.U32(s + 8), l.U32(s + 16), l.U32(s + 20)});
  }
  uint64_t base;
  if (!Desplazamiento(secciones, rvaRecursos, 16, base)) return ERROR_FORMATO_EJECUTABLE;
  // Type RT_VERSION, then the first name, then the first language.
  uint32_t nivel;
  if (!Entrada(l, base, 0, true, kRtVersion, nivel) || !(nivel & 0x80000000u)) return ERROR_RECURSO_NO_ENCONTRADO;
  if (!Entrada(l, base, nivel & 0x7FFFFFFFu, false, 0, nivel) || !(nivel & 0x80000000u))
    return ERROR_RECURSO_NO_ENCONTRADO;
  if (!Entrada(l, base, nivel & 0x7FFFFFFFu, false, 0, nivel) || (nivel & 0x80000000u))
    return ERROR_RECURSO_NO_ENCONTRADO;
  const uint64_t datos = base + nivel;
  if (!l.Cabe(datos, 16)) return ERROR_FORMATO_EJECUTABLE;
  const uint32_t rvaDatos = l.U32(datos), tamDatos = l.U32(datos + 4);
  uint64_t pos;
  if (tamDatos < 6 || !Desplazamiento(secciones, rvaDatos, tamDatos, pos) || !l.Cabe(pos, tamDatos))
    return ERROR_FORMATO_EJECUTABLE;
  bloque = d.substr(static_cast<size_t>(pos), tamDatos);
  return 0;
}

struct Nodo {
  size_t inicio = 0, fin = 0;   // the node's bytes
  Texto clave;
  size_t valor = 0;             // offset of the value
  uint32_t longitudValor = 0;   // as stored: characters for text, bytes otherwise
  size_t bytesValor = 0;
  bool esTexto = false;
  size_t hijos = 0;             // offset of the first child
};

size_t Alinea4(size_t x) { return (x + 3) & ~static_cast<size_t>(3); }

bool LeeNodo(const std::vector<uint8_t>& b, size_t inicio, size_t limite, Nodo& n) {
  auto u16 = [&](size_t p) { return static_cast<uint16_t>(b[p] | (b[p + 1] << 8)); };
  if (inicio + 6 > limite) return false;
  const uint16_t longitud = u16(inicio), longitudValor = u16(inicio + 2), tipo = u16(inicio + 4);
  if (longitud < 6 || inicio + longitud > limite) return false;
  n.inicio = inicio;
  n.fin = inicio + longitud;
  n.clave.clear();
  size_t p = inicio + 6;
  for (;;) {
    if (p + 2 > n.fin) return false;
    char16_t c = u16(p);
    p += 2;
    if (c == 0) break;
    n.clave += c;
  }
  n.valor = Alinea4(p);
  n.longitudValor = longitudValor;
  n.esTexto = tipo == 1;
  n.bytesValor = n.esTexto ? 2u * longitudValor : longitudValor;
  if (n.valor > n.fin || n.bytesValor > n.fin - n.valor) {
    // A length beyond the node: report only what the node holds, so that
    // no caller reads past the block.
    n.bytesValor = n.valor > n.fin ? 0 : n.fin - n.valor;
    n.longitudValor = static_cast<uint32_t>(n.esTexto ? n.bytesValor / 2 : n.bytesValor);
  }
  n.hijos = Alinea4(n.valor + n.bytesValor);
  return true;
}

}  // namespace

uint32_t TamanoInfoVersion(const Texto& fichero) {
  std::string bloque;
  uint32_t error = Extrae(fichero, bloque);
  if (error != 0) {
    posix::FijaError(error);
    return 0;
  }
  posix::FijaError(0);
  return static_cast<uint32_t>(bloque.size());
}

bool LeeInfoVersion(const Texto& fichero, std::vector<uint8_t>& bloque) {
  std::string datos;
  uint32_t error = Extrae(fichero, datos);
  if (error != 0) {
    posix::FijaError(error);
    return false;
  }
  bloque.assign(datos.begin(), datos.end());
  posix::FijaError(0);
  return true;
}

bool ConsultaVersion(const std::vector<uint8_t>& bloque, const Texto& subbloque, const uint8_t*& valor,
                     uint32_t& longitud) {
  Nodo nodo;
  if (!LeeNodo(bloque, 0, bloque.size(), nodo)) return false;
  size_t p = 0;
  while (p <= subbloque.size()) {
    size_t q = subbloque.find(u'\\', p);
    if (q == Texto::npos) q = subbloque.size();
    const Texto parte = subbloque.substr(p, q - p);
    p = q + 1;
    if (parte.empty()) continue;
    bool encontrado = false;
    Nodo hijo;
    for (size_t h = nodo.hijos; h < nodo.fin && LeeNodo(bloque, h, nodo.fin, hijo); h = Alinea4(hijo.fin)) {
      if (texto::IgualesSinMayusculas(hijo.clave, parte)) {
        encontrado = true;
        break;
      }
    }
    if (!encontrado) return false;
    nodo = hijo;
  }
  valor = bloque.data() + (nodo.valor < bloque.size() ? nodo.valor : bloque.size());
  longitud = nodo.longitudValor;
  return true;
}

}  // namespace plataforma
