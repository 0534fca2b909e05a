#include "staging/BaseDatosExterna.h"

#include "database/Conexiones.h"
#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "staging/Diario.h"
#include "staging/Tablas.h"

namespace staging::basedatos_externa {

namespace {

const char16_t* const kFicheroBaseDatos = u"QVD.FB";
const char16_t* const kDevuelta = u"Base de datos devuelta a su sitio: ";
const char16_t* const kNoDevuelta = u"No se ha podido devolver la base de datos a su sitio: ";

Texto Normalizada(Texto ruta) {
  for (char16_t& c : ruta)
    if (c == u'/') c = u'\\';
  return ruta;
}

bool EmpiezaPor(const Texto& ruta, const Texto& prefijo) {
  return ruta.size() > prefijo.size() && texto::IgualesSinMayusculas(ruta.substr(0, prefijo.size()), prefijo);
}

// Folder of a file, without its last separator.
Texto CarpetaDe(const Texto& fichero) {
  const size_t barra = fichero.find_last_of(u"\\/");
  return barra == Texto::npos ? Texto() : fichero.substr(0, barra);
}

// Only the database file of its folder goes: the folder may hold anything.
bool NoEsLaBaseDatos(const Texto& nombre) { return !texto::IgualesSinMayusculas(nombre, kFicheroBaseDatos); }

Texto CarpetaGuardada(const Texto& copia) { return copia + u"\\" + kCarpetaBaseDatosExterna; }

// Where the run's database lies, and its server: from the configuration as
// the wizard read it, or, at a start that puts right an interrupted run
// (before the configuration is read), from that run's journal.
void BaseDatosDeLaEjecucion(Informe& informe, Texto& servidor, Texto& fichero) {
  if (MDatos && !MDatos->FicheroCopia().empty()) {
    servidor = informe.Datos().nombrePC;
    fichero = MDatos->FicheroCopia();
    return;
  }
  diario::Contenido c;
  if (diario::Lee(informe.Datos().aplicacion, c) != diario::Estado::Abierto) return;
  const size_t dosPuntos = c.baseDatos.find(u':');
  if (dosPuntos == Texto::npos || dosPuntos <= 1) return;
  servidor = c.baseDatos.substr(0, dosPuntos);
  fichero = c.baseDatos.substr(dosPuntos + 1);
}

// The copy of a folder saved whole reaches `resto` (the database's path
// below it) only when no folder on the way is a link, which the copy does
// not follow, and no ".." leads out of it.
bool LaCopiaLlega(const Texto& carpeta, const Texto& resto) {
  Texto ruta = carpeta;
  size_t inicio = 0;
  for (size_t barra = resto.find(u'\\'); barra != Texto::npos; barra = resto.find(u'\\', inicio)) {
    const Texto parte = resto.substr(inicio, barra - inicio);
    inicio = barra + 1;
    if (parte == u"..") return false;
    if (parte.empty() || parte == u".") continue;
    ruta += u"\\" + parte;
    const uint32_t a = plataforma::LeeAtributos(ruta);
    if (a == plataforma::ATR_INVALIDO || (a & plataforma::ATR_PUNTO_REPARSE)) return false;
  }
  return true;
}

}  // namespace

Texto Fichero(Informe& informe) {
  if (!informe.Datos().servidor || !MDatos || MDatos->FicheroCopia().empty()) return Texto();
  const Texto base = MDatos->FicheroCopia();
  const Texto normal = Normalizada(base);
  for (const char16_t* carpeta : kCarpetasGuardadas) {
    const Texto prefijo = Normalizada(informe.Datos().aplicacion + carpeta + u"\\");
    if (EmpiezaPor(normal, prefijo) && LaCopiaLlega(informe.Datos().aplicacion + carpeta, normal.substr(prefijo.size())))
      return Texto();
  }
  return base;
}

bool EsSuCarpeta(const Texto& nombre) { return texto::IgualesSinMayusculas(nombre, kCarpetaBaseDatosExterna); }

FallosCopia Guarda(Informe& informe, const Texto& copia, double& total) {
  FallosCopia fallos;
  const Texto base = Fichero(informe);
  if (base.empty()) return fallos;
  const Texto guardada = CarpetaGuardada(copia) + u"\\" + kFicheroBaseDatos;
  // Whatever went wrong, the message names the database as the
  // configuration does.
  if (!plataforma::ExisteFichero(base) ||
      CopiaCarpetaContando(informe, CarpetaDe(base), CarpetaGuardada(copia), total, NoEsLaBaseDatos).cuenta ||
      !MismoContenido(base, guardada))
    fallos.Anota(base);
  return fallos;
}

Reposicion Repone(Informe& informe, const Texto& copia, double& total, apartado::Conservada* conservada) {
  Reposicion r;
  r.copia = CarpetaGuardada(copia) + u"\\" + kFicheroBaseDatos;
  if (!plataforma::ExisteFichero(r.copia)) return r;
  r.guardada = true;
  Texto servidor;
  BaseDatosDeLaEjecucion(informe, servidor, r.fichero);
  if (r.fichero.empty()) return r;
  // Looked at before the wait below, whose own attachment rewrites the
  // database's header.
  const bool cambiada = conservada && plataforma::ExisteFichero(r.fichero) && !MismoContenido(r.copia, r.fichero);
  // A database the server keeps open stays as it is; its saved copy is then
  // reported as not put back.
  const bool libre = EsperaQueElServidorSuelteLaBaseDatos(informe, servidor, r.fichero);
  // A database the run never changed is already as saved. After an
  // interruption, one that differs is never written over: it goes aside
  // first, whole.
  const Texto apartada = Texto(kCarpetaBaseDatosExterna) + u"\\" + kFicheroBaseDatos;
  if (libre && !MismoContenido(r.copia, r.fichero) &&
      (!cambiada || conservada->Aparta(r.fichero, apartada)))
    CopiaCarpetaContando(informe, CarpetaGuardada(copia), CarpetaDe(r.fichero), total, NoEsLaBaseDatos);  // checked below
  // Back means back on the disk: its folder may lie on another volume.
  r.devuelta = MismoContenido(r.copia, r.fichero) && plataforma::VuelcaVolumen(CarpetaDe(r.fichero));
  informe.Registra((r.devuelta ? kDevuelta : kNoDevuelta) + r.fichero);
  return r;
}

bool EsperaQueElServidorSuelteLaBaseDatos(Informe& informe, const Texto& servidor, const Texto& fichero) {
  return basedatos::EsperaQueSeCierreLaBaseDatos(
      servidor + u":" + fichero, informe.Datos().usuarioBaseDatos, informe.Datos().claveBaseDatos,
      [&informe](const Texto& linea) { informe.Registra(linea); }, [] { ui::aplicacion::ProcesaMensajes(); });
}

}  // namespace staging::basedatos_externa
