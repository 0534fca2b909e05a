#include "staging/Apartado.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/plataforma.h"
#include "staging/Tablas.h"

namespace staging::apartado {

namespace {

bool Falta(const Texto& ruta) {
  if (plataforma::LeeAtributos(ruta) != plataforma::ATR_INVALIDO) return false;
  const uint32_t e = plataforma::UltimoError();
  return e == plataforma::ERROR_FICHERO_NO_ENCONTRADO || e == plataforma::ERROR_RUTA_NO_ENCONTRADA;
}

// The copy holds no byte that the file at home lacks: the same bytes, or the
// start of them (a copy cut short by the interruption). Read in blocks: the
// database file may be larger than the 32-bit build can hold at once.
bool CubiertoPor(const Texto& copia, const Texto& casa) {
  uint64_t tc = 0, th = 0;
  if (!plataforma::TamanoFichero(copia, tc) || !plataforma::TamanoFichero(casa, th) || tc > th) return false;
  std::FILE* a = plataforma::AbreFlujo(copia, "rb");
  if (!a) return false;
  std::FILE* b = plataforma::AbreFlujo(casa, "rb");
  if (!b) {
    std::fclose(a);
    return false;
  }
  std::vector<char> ba(1 << 16), bb(1 << 16);
  bool igual = true;
  for (;;) {
    const size_t na = std::fread(ba.data(), 1, ba.size(), a);
    if (na == 0) {
      igual = !std::ferror(a);
      break;
    }
    const size_t nb = std::fread(bb.data(), 1, na, b);
    if (nb != na || !std::equal(ba.begin(), ba.begin() + static_cast<long>(na), bb.begin())) {
      igual = false;
      break;
    }
  }
  std::fclose(a);
  std::fclose(b);
  return igual;
}

bool BorraCopia(const Texto& ruta, uint32_t atributos) {
  if (atributos & plataforma::ATR_SOLO_LECTURA) plataforma::PonAtributos(ruta, plataforma::ATR_NORMAL);
  return plataforma::BorraFichero(ruta);
}

// "Conservada_20261210_143305", local time: folders sort by when they were
// set aside.
Texto NombreConHora() {
  const std::time_t ahora = std::time(nullptr);
  const std::tm* t = std::localtime(&ahora);
  char buf[32] = "00000000_000000";
  if (t) std::strftime(buf, sizeof buf, "%Y%m%d_%H%M%S", t);
  return Texto(kPrefijoConservada) + texto::DeUtf8(buf);
}

}  // namespace

bool Reintegra(const Texto& copia, const Texto& destino) {
  std::vector<plataforma::EntradaDirectorio> entradas;
  {
    plataforma::Busqueda busqueda;
    plataforma::EntradaDirectorio e;
    for (bool hay = busqueda.Primero(copia + u"\\*", e); hay; hay = busqueda.Siguiente(e))
      if (e.nombre != u"." && e.nombre != u"..") entradas.push_back(e);
  }
  for (const plataforma::EntradaDirectorio& e : entradas) {
    const Texto desde = copia + u"\\" + e.nombre;
    const Texto hacia = destino + u"\\" + e.nombre;
    if (Falta(hacia)) {
      plataforma::Mueve(desde, hacia);
      continue;
    }
    const uint32_t casa = plataforma::LeeAtributos(hacia);
    if (casa == plataforma::ATR_INVALIDO || ((e.atributos | casa) & plataforma::ATR_PUNTO_REPARSE)) continue;
    const bool esCarpeta = (e.atributos & plataforma::ATR_DIRECTORIO) != 0;
    if (esCarpeta != ((casa & plataforma::ATR_DIRECTORIO) != 0)) continue;
    if (esCarpeta) {
      Reintegra(desde, hacia);
    } else if (CubiertoPor(desde, hacia)) {
      BorraCopia(desde, e.atributos);
    }
  }
  // Only an empty folder goes; whatever stayed keeps it.
  if (Falta(copia)) return true;
  const uint32_t propios = plataforma::LeeAtributos(copia);
  if (propios != plataforma::ATR_INVALIDO && (propios & plataforma::ATR_SOLO_LECTURA))
    plataforma::PonAtributos(copia, plataforma::ATR_DIRECTORIO);
  return plataforma::EliminaDirectorio(copia);
}

bool Conservada::Aparta(const Texto& origen, const Texto& nombre) {
  const bool nueva = carpeta_.empty();
  if (nueva) {
    const Texto temp = aplicacion_ + kCarpetaTemp;
    if (!plataforma::ExisteDirectorio(temp) && plataforma::CreaDirectorio(temp))
      plataforma::PonAtributos(temp, plataforma::ATR_OCULTO | plataforma::ATR_DIRECTORIO);
    const Texto base = temp + u"\\" + NombreConHora();
    Texto carpeta = base;
    // Two start-ups within one second get folders of their own.
    for (int n = 2; !plataforma::CreaDirectorio(carpeta); ++n) {
      if (plataforma::UltimoError() != plataforma::ERROR_YA_EXISTE || n > 99) return false;
      carpeta = base + u"_" + texto::FormatoEntero(n);
    }
    carpeta_ = carpeta;
  }
  // A name with folders ("Datos\Clientes.dat") keeps them inside.
  for (size_t barra = nombre.find(u'\\'); barra != Texto::npos; barra = nombre.find(u'\\', barra + 1))
    plataforma::CreaDirectorio(carpeta_ + u"\\" + nombre.substr(0, barra));  // result ignored: the move says
  if (plataforma::Mueve(origen, carpeta_ + u"\\" + nombre)) return true;
  if (nueva) {
    // Nothing went in: no empty folder is left to puzzle the technician.
    plataforma::EliminaDirectorio(carpeta_);
    carpeta_.clear();
  }
  return false;
}

}  // namespace staging::apartado
