#include "staging/Manifiesto.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/plataforma.h"
#include "staging/Tablas.h"
#include "staging/rar/crc32.h"

namespace staging::manifiesto {

namespace {

// One line a file: size, CRC-32 in hexadecimal and the path relative to the
// application folder, tab-separated, in UTF-8, so a technician can read it.
const char* const kCabecera = "[Manifiesto]";

// Paths compare without regard to case, as the Windows file system does.
Texto Clave(const Texto& relativa) {
  Texto c = relativa;
  for (char16_t& ch : c) {
    if (ch == u'/') ch = u'\\';
    else if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - u'a' + u'A');
  }
  return c;
}

std::string Hex(uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08X", v);
  return buf;
}

}  // namespace

Texto Ruta(const Texto& aplicacion) { return aplicacion + kCarpetaTemp + u"\\" + kManifiesto; }

bool Huella(const Texto& fichero, Entrada& huella) {
  std::FILE* f = plataforma::AbreFlujo(fichero, "rb");
  if (!f) return false;
  // One piece a thread, kept: the saved copy is mostly small files, and
  // clearing a new piece for each cost more than reading it.
  thread_local std::vector<char> bloque(1 << 16);
  uint32_t crc = 0;
  uint64_t tamano = 0;
  // A database or a large file takes seconds to read: the window keeps its beat.
  plataforma::Latidos latidos;
  for (;;) {
    latidos.Late();
    const size_t n = std::fread(bloque.data(), 1, bloque.size(), f);
    crc = zelvano::rar::crc32(bloque.data(), n, crc);
    tamano += n;
    if (n < bloque.size()) break;
  }
  const bool bien = !std::ferror(f);
  std::fclose(f);
  if (!bien) return false;
  huella.tamano = tamano;
  huella.crc = crc;
  return true;
}

Manifiesto Manifiesto::Lee(const Texto& aplicacion) {
  Manifiesto m(aplicacion);
  std::string bytes;
  if (!plataforma::ExisteFichero(Ruta(aplicacion)) || !plataforma::LeeFicheroCompleto(Ruta(aplicacion), bytes))
    return m;
  bool cabecera = false;
  for (const std::string& linea : texto::PartePorLineas(bytes)) {
    if (linea == kCabecera) {
      cabecera = true;
      continue;
    }
    const size_t t1 = linea.find('\t');
    const size_t t2 = t1 == std::string::npos ? t1 : linea.find('\t', t1 + 1);
    if (!cabecera || t2 == std::string::npos) continue;
    Entrada e;
    char* f = nullptr;
    e.tamano = std::strtoull(linea.c_str(), &f, 10);
    if (f != linea.c_str() + t1) continue;
    e.crc = static_cast<uint32_t>(std::strtoul(linea.c_str() + t1 + 1, &f, 16));
    if (f != linea.c_str() + t2) continue;
    m.entradas_[Clave(texto::DeUtf8(linea.substr(t2 + 1)))] = e;
  }
  return m;
}

Texto Manifiesto::Relativa(const Texto& fichero) const {
  if (fichero.size() > aplicacion_.size() && Clave(fichero.substr(0, aplicacion_.size())) == Clave(aplicacion_))
    return fichero.substr(aplicacion_.size());
  return fichero;
}

void Manifiesto::AnotaCarpeta(const Texto& carpeta, int& ilegibles, Texto& ilegible, const Texto& como) {
  const Texto destino = como.empty() ? carpeta : como;
  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio e;
  std::vector<plataforma::EntradaDirectorio> entradas;
  for (bool hay = busqueda.Primero(carpeta + u"\\*", e); hay; hay = busqueda.Siguiente(e))
    if (e.nombre != u"." && e.nombre != u"..") entradas.push_back(e);
  busqueda.Cierra();
  for (const plataforma::EntradaDirectorio& entrada : entradas) {
    const Texto ruta = carpeta + u"\\" + entrada.nombre;
    if (entrada.atributos & plataforma::ATR_PUNTO_REPARSE) continue;  // never followed, never saved
    if (entrada.atributos & plataforma::ATR_DIRECTORIO) {
      AnotaCarpeta(ruta, ilegibles, ilegible, destino + u"\\" + entrada.nombre);
      continue;
    }
    if (entradas_.count(Clave(Relativa(destino + u"\\" + entrada.nombre)))) continue;
    if (!AnotaFichero(ruta, destino + u"\\" + entrada.nombre) && ilegibles++ == 0) ilegible = ruta;
  }
}

bool Manifiesto::AnotaFichero(const Texto& fichero, const Texto& como) {
  Entrada huella;
  if (!Huella(fichero, huella)) return false;
  entradas_[Clave(Relativa(como))] = huella;
  return true;
}

bool Manifiesto::Guarda() const {
  std::string s = std::string(kCabecera) + "\r\n";
  for (const auto& [ruta, e] : entradas_)
    s += std::to_string(e.tamano) + "\t" + Hex(e.crc) + "\t" + texto::AUtf8(ruta) + "\r\n";
  return plataforma::EscribeFicheroSeguro(Ruta(aplicacion_), s);
}

const Entrada* Manifiesto::Busca(const Texto& fichero) const {
  const auto it = entradas_.find(Clave(Relativa(fichero)));
  return it == entradas_.end() ? nullptr : &it->second;
}

bool Manifiesto::Coincide(const Texto& fichero) const { return TieneLoGuardado(fichero, fichero); }

bool Manifiesto::TieneLoGuardado(const Texto& guardado, const Texto& fichero) const {
  const Entrada* e = Busca(guardado);
  if (!e) return false;
  uint64_t tamano = 0;
  if (!plataforma::TamanoFichero(fichero, tamano) || tamano != e->tamano) return false;
  Entrada huella;
  return Huella(fichero, huella) && huella.tamano == e->tamano && huella.crc == e->crc;
}

}  // namespace staging::manifiesto
