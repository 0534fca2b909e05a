// Costing of the run: see Espacio.h.
#include "staging/Espacio.h"

#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "shell/UnidadVentas.h"
#include "staging/BaseDatosExterna.h"
#include "staging/Tablas.h"

namespace staging {

namespace {

constexpr char16_t kTipoAviso = u'!';  // 33
constexpr uint64_t kMargenFijo = 50ull << 20;  // 50 MB

// Bytes of the files below a folder; links are not followed, as the copy
// does not follow them out of the installation.
uint64_t TamanoCarpeta(const Texto& carpeta, bool raizTemp = false) {
  uint64_t total = 0;
  plataforma::Busqueda b;
  plataforma::EntradaDirectorio e;
  for (bool hay = b.Primero(carpeta + u"\\*", e); hay; hay = b.Siguiente(e)) {
    if (e.nombre == u"." || e.nombre == u"..") continue;
    if (e.atributos & plataforma::ATR_PUNTO_REPARSE) continue;
    if (raizTemp && SeConservaEnTemp(e.nombre)) continue;  // neither copied nor moved by the rotation
    if (e.atributos & plataforma::ATR_DIRECTORIO) {
      total += TamanoCarpeta(carpeta + u"\\" + e.nombre);
    } else {
      total += e.tamano;
    }
  }
  return total;
}

uint64_t TamanoSiExiste(const Texto& fichero) {
  uint64_t t = 0;
  return plataforma::TamanoFichero(fichero, t) ? t : 0;
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

Escritura EstimaEscritura(const Texto& app, const Texto& baseDatos) {
  Escritura e;
  if (plataforma::ExisteDirectorio(app + kCarpetaTemp)) e.tempAnterior = TamanoCarpeta(app + kCarpetaTemp, true);
  for (const char16_t* f : kFicherosPrograma) e.copia += TamanoSiExiste(app + f);
  for (const char16_t* f : kFicherosConfiguracion) e.copia += TamanoSiExiste(app + f);
  for (const char16_t* c : kCarpetasGuardadas) e.copia += TamanoCarpeta(app + c);
  std::string archivo;
  if (plataforma::LeeRecurso(kTipoRecursoDatos, kRecursoArchivo, kIdiomaRecurso, archivo)) {
    e.archivo = archivo.size();
    e.desempaquetado = TamanoDesempaquetado(archivo);
  }
  // The backup is never larger than the database it is made from.
  if (!baseDatos.empty()) e.copiaBaseDatos = TamanoSiExiste(baseDatos);
  return e;
}

uint64_t ConMargen(uint64_t bytes) { return bytes + bytes / 10 + kMargenFijo; }

Texto MensajeSinEspacio(const Texto& app, uint64_t necesarios, uint64_t libres) {
  return u"No hay espacio suficiente en el disco de la instalaci\u00F3n (" + app + u").\nLa actualizaci\u00F3n necesita " +
         texto::FormatoMB(static_cast<double>(necesarios)) + u" libres y solo hay " +
         texto::FormatoMB(static_cast<double>(libres)) +
         u".\nLibere espacio en el disco y vuelva a iniciar la actualizaci\u00F3n.";
}

void CompruebaEspacio(TfV& v) {
  const Texto app = v.RutaTPV->Text();
  uint64_t libres = 0;
  if (app.empty() || !plataforma::EspacioLibre(app, libres)) return;
  Escritura e = EstimaEscritura(app, v.EsServidor() ? MDatos->FicheroCopia() : Texto());
  // Saved into the backup folder, on the installation's volume.
  e.baseDatosExterna = TamanoSiExiste(basedatos_externa::Fichero(v));
  const uint64_t necesarios = ConMargen(e.Total());
  if (libres >= necesarios) return;
  v.MuestraDialogo(MensajeSinEspacio(app, necesarios, libres), kTipoAviso, false, 0);
  v.Finaliza();
}

}  // namespace staging
