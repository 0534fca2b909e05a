// Costing of the run: see Espacio.h.
#include "staging/Espacio.h"

#include <vector>

#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "system/Informe.h"
#include "staging/BaseDatosExterna.h"
#include "staging/ContenidoArchivo.h"
#include "staging/Tablas.h"

namespace staging {

namespace {

constexpr char16_t kTipoAviso = u'!';  // 33
constexpr uint64_t kMargenFijo = 50ull << 20;  // 50 MB

// What the files below a folder take, in whole allocation units, and one
// unit for each folder (its copy is a folder too); links are not followed,
// as the copy does not follow them out of the installation.
uint64_t TamanoCarpeta(const Texto& carpeta, uint64_t unidad, bool raizTemp = false) {
  uint64_t total = 0;
  plataforma::Busqueda b;
  plataforma::EntradaDirectorio e;
  for (bool hay = b.Primero(carpeta + u"\\*", e); hay; hay = b.Siguiente(e)) {
    if (e.nombre == u"." || e.nombre == u"..") continue;
    if (e.atributos & plataforma::ATR_PUNTO_REPARSE) continue;
    if (raizTemp && SeConservaEnTemp(e.nombre)) continue;  // neither copied nor moved by the rotation
    if (e.atributos & plataforma::ATR_DIRECTORIO) {
      total += unidad + TamanoCarpeta(carpeta + u"\\" + e.nombre, unidad);
    } else {
      total += EnUnidades(e.tamano, unidad);
    }
  }
  return total;
}

uint64_t TamanoSiExiste(const Texto& fichero) {
  uint64_t t = 0;
  return plataforma::TamanoFichero(fichero, t) ? t : 0;
}

// What the archive's entries take once unpacked; a damaged archive (the run
// stops at it anyway) counts what its headers say.
uint64_t TamanoEntradas(const std::string& archivo, uint64_t unidad) {
  std::vector<EntradaArchivo> entradas;
  if (!LeeContenidoArchivo(archivo, entradas)) return TamanoDesempaquetado(archivo);
  uint64_t total = 0;
  for (const EntradaArchivo& e : entradas) total += e.carpeta ? unidad : EnUnidades(e.tamano, unidad);
  return total;
}

uint64_t Le(const std::string& a, size_t p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(a[p + static_cast<size_t>(i)]);
  return v;
}

}  // namespace

uint64_t TamanoDesempaquetado(const std::string& a) {
  constexpr unsigned kFichero = 0x74, kFin = 0x7B, kBloqueLargo = 0x8000, kTamanosAltos = 0x100;
  uint64_t total = 0;
  size_t pos = 7;  // after the marker block
  while (pos + 7 <= a.size()) {
    const unsigned tipo = static_cast<unsigned char>(a[pos + 2]);
    const uint64_t banderas = Le(a, pos + 3, 2), tam = Le(a, pos + 5, 2);
    if (tam < 7 || tam > a.size() - pos || tipo == kFin) break;
    uint64_t datos = (banderas & kBloqueLargo) && tam >= 11 ? Le(a, pos + 7, 4) : 0;
    if (tipo == kFichero && tam >= 32) {
      uint64_t desempaquetado = Le(a, pos + 11, 4);
      if ((banderas & kTamanosAltos) && tam >= 40) {
        datos |= Le(a, pos + 32, 4) << 32;
        desempaquetado |= Le(a, pos + 36, 4) << 32;
      }
      total += desempaquetado;
    }
    if (datos > a.size() - pos - tam) break;
    pos += static_cast<size_t>(tam + datos);
  }
  return total;
}

uint64_t EnUnidades(uint64_t bytes, uint64_t unidad) {
  if (unidad <= 1) return bytes;
  const uint64_t resto = bytes % unidad;
  return resto ? bytes + (unidad - resto) : bytes;
}

Escritura EstimaEscritura(const Texto& app, uint64_t unidadApp, const Texto& baseDatos, uint64_t unidadDatos) {
  Escritura e;
  if (plataforma::ExisteDirectorio(app + kCarpetaTemp))
    e.tempAnterior = TamanoCarpeta(app + kCarpetaTemp, unidadApp, true);
  for (const char16_t* f : kFicherosPrograma) e.copia += EnUnidades(TamanoSiExiste(app + f), unidadApp);
  for (const char16_t* f : kFicherosConfiguracion) e.copia += EnUnidades(TamanoSiExiste(app + f), unidadApp);
  for (const char16_t* c : kCarpetasGuardadas) e.copia += unidadApp + TamanoCarpeta(app + c, unidadApp);
  std::string archivo;
  if (plataforma::LeeRecurso(kTipoRecursoDatos, kRecursoArchivo, kIdiomaRecurso, archivo)) {
    e.archivo = EnUnidades(archivo.size(), unidadApp);
    e.desempaquetado = TamanoEntradas(archivo, unidadApp);
    // What the archive writes over is saved with the rest.
    std::vector<EntradaArchivo> entradas;
    if (LeeContenidoArchivo(archivo, entradas))
      for (const Texto& ruta : FicherosQueSobrescribe(app, entradas))
        e.copia += EnUnidades(TamanoSiExiste(app + ruta), unidadApp);
  }
  if (!baseDatos.empty()) {
    // The backup is never larger than the database it is made from; and a
    // rollback writes the saved database beside the one in place before it
    // takes its name.
    const uint64_t base = EnUnidades(TamanoSiExiste(baseDatos), unidadDatos);
    e.copiaBaseDatos = base;
    e.reposicionBaseDatos = base;
  }
  return e;
}

uint64_t ConMargen(uint64_t bytes) { return bytes + bytes / 10 + kMargenFijo; }

namespace {

Texto NecesitaYHay(uint64_t necesarios, uint64_t libres) {
  return u".\nLa actualizaci\u00F3n necesita " + texto::FormatoMB(static_cast<double>(necesarios)) +
         u" libres y solo hay " + texto::FormatoMB(static_cast<double>(libres)) +
         u".\nLibere espacio en el disco y vuelva a intentarlo.";
}

// The folder of a file path (without its separator).
Texto CarpetaDe(const Texto& fichero) {
  const size_t corte = fichero.find_last_of(u"\\/");
  return corte == Texto::npos ? Texto() : fichero.substr(0, corte);
}

struct Volumen {
  uint64_t libres = 0, unidad = 1;
  Texto nombre;
};

bool LeeVolumen(const Texto& carpeta, Volumen& v) {
  return !carpeta.empty() && plataforma::EspacioLibre(carpeta, v.libres) &&
         plataforma::DatosVolumen(carpeta, v.unidad, v.nombre);
}

}  // namespace

Texto MensajeSinEspacio(const Texto& app, uint64_t necesarios, uint64_t libres) {
  return u"No hay espacio suficiente en el disco de la instalaci\u00F3n (" + app + u")" + NecesitaYHay(necesarios, libres);
}

Texto MensajeSinEspacioDatos(const Texto& carpetaDatos, uint64_t necesarios, uint64_t libres) {
  return u"No hay espacio suficiente en el disco de la base de datos (" + carpetaDatos + u")" +
         NecesitaYHay(necesarios, libres);
}

bool CompruebaEspacio(Informe& informe) {
  const Texto app = informe.Datos().aplicacion;
  Volumen enApp;
  if (!LeeVolumen(app, enApp)) return true;
  const Texto baseDatos = informe.Datos().servidor ? MDatos->FicheroCopia() : Texto();
  const Texto carpetaDatos = CarpetaDe(baseDatos);
  Volumen enDatos;
  // A database folder that cannot be asked is weighed with the installation.
  const bool aparte = LeeVolumen(carpetaDatos, enDatos) && enDatos.nombre != enApp.nombre;
  Escritura e = EstimaEscritura(app, enApp.unidad, baseDatos, aparte ? enDatos.unidad : enApp.unidad);
  e.baseDatosExterna = EnUnidades(TamanoSiExiste(basedatos_externa::Fichero(informe)), enApp.unidad);
  const uint64_t necesariosApp = ConMargen(aparte ? e.EnAplicacion() : e.Total());
  if (enApp.libres < necesariosApp) {
    informe.MuestraDialogo(MensajeSinEspacio(app, necesariosApp, enApp.libres), kTipoAviso, false, 0);
    return false;
  }
  if (!aparte) return true;
  const uint64_t necesariosDatos = ConMargen(e.EnDatos());
  if (enDatos.libres >= necesariosDatos) return true;
  // The folder as the configuration names it, with its own separator.
  const Texto carpetaMostrada = baseDatos.substr(0, carpetaDatos.size() + 1);
  informe.MuestraDialogo(MensajeSinEspacioDatos(carpetaMostrada, necesariosDatos, enDatos.libres), kTipoAviso, false, 0);
  return false;
}

}  // namespace staging
