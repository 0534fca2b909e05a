#include "staging/Recuperacion.h"

#include <vector>

#include "database/VersionBaseDatos.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "system/Informe.h"
#include "staging/Apartado.h"
#include "staging/Diario.h"
#include "staging/Manifiesto.h"
#include "staging/Reposicion.h"
#include "staging/Tablas.h"

namespace staging::recuperacion {

namespace {

using diario::Etapa;

const char16_t* const kBaseDatosEnDatos = u"Datos\\QVD.FB";

constexpr char16_t kTipoAviso = u'!';     // 33
constexpr char16_t kTipoPregunta = u'?';  // 63: "Si" and "No"
constexpr char16_t kTipoError = u'E';     // 69

// Where the run was when it stopped, as the technician is told.
struct DescripcionEtapa {
  Etapa etapa;
  const char16_t* texto;
};
const DescripcionEtapa kDescripciones[] = {
    {Etapa::Iniciada, u"mientras se guardaba la instalación"},
    {Etapa::GuardadoCompleto, u"con la instalación ya guardada, antes de cambiar ningún fichero"},
    {Etapa::InstalacionCambiada, u"mientras se cambiaban los ficheros del programa"},
    {Etapa::BaseDatosIniciada, u"mientras se actualizaba la base de datos"},
    {Etapa::BaseDatosTerminada, u"con la base de datos ya actualizada, antes de escribir el registro de Windows"},
    {Etapa::RegistroEscrito, u"al final, con la actualización ya terminada"},
};

const char16_t* const kEncontrada = u"Se ha encontrado una actualización que no terminó.";
const char16_t* const kLogEncontrada = u"Actualización interrumpida encontrada: ";
const char16_t* const kYaTerminada = u"La actualización ya había terminado: no hace falta restaurar nada.";
const char16_t* const kSinCambios =
    u"No se había cambiado nada de la instalación: se han quitado las copias a medias de esa "
    u"actualización y puede iniciarla de nuevo.";
const char16_t* const kLogSinCambios = u"Quitadas las copias a medias de la actualización interrumpida.";
const char16_t* const kNoDevuelto = u"Lo que no se ha podido devolver a su sitio se conserva en:";
const char16_t* const kPregunta =
    u"La copia de seguridad de la instalación está completa.\n"
    u"¿Desea dejar la instalación como estaba antes de la actualización?";
const char16_t* const kVersionBaseDatos = u"La base de datos indica ahora la versión ";
const char16_t* const kSinVersionBaseDatos = u"No se ha podido leer la versión de la base de datos ";
const char16_t* const kFicheroEnDatos =
    u"Si el fichero de la base de datos está en la carpeta Datos, volverá con ella a como estaba antes de la "
    u"actualización.";
const char16_t* const kLogDeshaciendo = u"Deshaciendo la actualización interrumpida.";
const char16_t* const kRechazada =
    u"No se ha deshecho nada: la instalación sigue como la dejó la actualización interrumpida, y puede que "
    u"Zelvano no funcione así. La copia de seguridad sigue en:\n";
const char16_t* const kRechazadaTemp = u"y el contenido anterior de la carpeta Temp en:\n";
const char16_t* const kRechazadaFin =
    u"Para dejarla como estaba, vuelva a intentarlo: el asistente le volverá a ofrecer deshacer la "
    u"actualización interrumpida.";
const char16_t* const kSinCopia = u"No se encuentra la copia de seguridad en:\n";
const char16_t* const kSinCopiaFin =
    u"No se puede deshacer automáticamente; no se ha tocado nada.";

const char16_t* const kCopiaDanada =
    u"La copia de seguridad no está entera en el disco, así que no se puede usar para dejar la instalación "
    u"como estaba.";
const char16_t* const kCopiaDanadaFin =
    u"No se ha tocado nada: la instalación y las copias siguen donde estaban. Guarde la carpeta Temp en otro "
    u"lugar y avise al servicio técnico.";
const char16_t* const kBaseCambiada =
    u"El fichero de la base de datos ha cambiado después de guardarse la copia (puede tener ventas hechas "
    u"desde entonces). Si deja la instalación como estaba, se conservan los dos: el actual se aparta, tal "
    u"como está, a una carpeta Temp\\Conservada_...";

const char16_t* const kApartadas =
    u"Se han encontrado copias de seguridad de una actualización anterior que no terminó bien. "
    u"No se borran: se han apartado, tal como estaban, a la carpeta:\n";
const char16_t* const kApartadasFin =
    u"Guárdelas o revíselas antes de borrarlas. La actualización puede continuar.";
const char16_t* const kLogApartada = u"Copia conservada de una actualización anterior: ";
const char16_t* const kNoApartadas =
    u"Hay copias de seguridad de una actualización anterior que no terminó bien y no se han podido "
    u"apartar a la carpeta Temp:\n";
const char16_t* const kNoApartadasFin =
    u"Cópielas a otro lugar, o cámbieles el nombre, y vuelva a intentarlo.";

const char16_t* const kEnCurso =
    u"Hay una actualización en curso en esta instalación: otro asistente de actualización la tiene abierta, en "
    u"este equipo o en otro.\nNo se ha cambiado nada. Espere a que ese asistente termine y vuelva a intentarlo.";
const char16_t* const kSinBloqueo =
    u"No se puede comprobar que no haya otra actualización en curso en esta instalación: no se puede crear el "
    u"fichero ";
const char16_t* const kSinBloqueoFin =
    u"No se ha cambiado nada. Compruebe que se pueda escribir en la carpeta Temp de la instalación y vuelva a "
    u"intentarlo.";

// "el 10/12/2026 a las 14:33:05"
Texto Cuando(const Texto& fechaHora) {
  const size_t blanco = fechaHora.find(u' ');
  if (blanco == Texto::npos) return u"el " + fechaHora;
  return u"el " + fechaHora.substr(0, blanco) + u" a las " + fechaHora.substr(blanco + 1);
}

Texto Descripcion(Etapa e) {
  for (const DescripcionEtapa& d : kDescripciones)
    if (d.etapa == e) return d.texto;
  return Texto();
}

// "Empezó el ... sobre la versión ... y se interrumpió ... (último paso
// anotado el ...)."
Texto QueSeEncontro(const diario::Contenido& c) {
  return u"Empezó " + Cuando(c.inicio) + u" sobre la versión " + c.version + u" de Zelvano y se interrumpió " +
         Descripcion(c.etapa) + u" (último paso anotado " + Cuando(c.hora) + u").";
}

Texto SinSeparadorFinal(Texto carpeta) {
  if (!carpeta.empty() && (carpeta.back() == u'\\' || carpeta.back() == u'/')) carpeta.pop_back();
  return carpeta;
}

// "202103_202128": the backup folder's own name inside Temp.
Texto NombreCopia() {
  const Texto copia = kCarpetaCopia;
  return copia.substr(copia.find_last_of(u'\\') + 1);
}

// A server run stopped in its database phase: what the database reads now
// (the rollback puts back files, not the database, unless its file lies in
// the data folder).
Texto EstadoBaseDatos(Informe& informe, const diario::Contenido& c) {
  if (!c.servidor || (c.etapa != Etapa::BaseDatosIniciada && c.etapa != Etapa::BaseDatosTerminada)) return Texto();
  Texto version;
  const Texto linea = basedatos::LeeVersion(c.baseDatos, informe.Datos().usuarioBaseDatos, informe.Datos().claveBaseDatos,
                                            version)
                          ? kVersionBaseDatos + version + u"."
                          : kSinVersionBaseDatos + c.baseDatos + u".";
  informe.Registra(linea);
  return linea + u"\n" + kFicheroEnDatos + u"\n";
}

// On the server, the database file (in the data folder, or saved apart
// where the configuration keeps it elsewhere) that no longer holds what was
// saved: sales may have been made since. Said before the technician
// answers; the rollback keeps both.
bool Cambiada(const manifiesto::Manifiesto& m, const Texto& guardada, const Texto& enSitio) {
  return m.Busca(guardada) && plataforma::ExisteFichero(enSitio) && !m.TieneLoGuardado(guardada, enSitio);
}
Texto BaseCambiada(Informe& informe, const diario::Contenido& c, const manifiesto::Manifiesto& m) {
  if (!c.servidor) return Texto();
  const Texto app = informe.Datos().aplicacion;
  const Texto copia = app + kCarpetaCopia;
  const size_t dosPuntos = c.baseDatos.find(u':');
  const Texto externa = dosPuntos == Texto::npos || dosPuntos <= 1 ? Texto() : c.baseDatos.substr(dosPuntos + 1);
  if (!Cambiada(m, copia + u"\\" + kBaseDatosEnDatos, app + kBaseDatosEnDatos) &&
      (externa.empty() ||
       !Cambiada(m, copia + u"\\" + kCarpetaBaseDatosExterna + u"\\" + kFicheroBaseDatos, externa)))
    return Texto();
  informe.Registra(kBaseCambiada);
  return Texto(kBaseCambiada) + u"\n";
}

bool Vacia(const Texto& carpeta) {
  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio e;
  for (bool hay = busqueda.Primero(carpeta + u"\\*", e); hay; hay = busqueda.Siguiente(e))
    if (e.nombre != u"." && e.nombre != u"..") return false;
  return true;
}

// A run stopped before its save was complete had changed nothing: what it
// had copied goes back where it came from (or is set aside), and the
// earlier content of Temp is whole again.
Texto QuitaCopiasAMedias(Informe& informe) {
  const Texto app = informe.Datos().aplicacion;
  apartado::Conservada conservada(app);
  const Texto copia = app + kCarpetaCopia;
  // A database saved apart was never changed by a run stopped in its save:
  // the copy goes rather than into the installation.
  const Texto baseDatosGuardada = copia + u"\\" + kCarpetaBaseDatosExterna;
  if (plataforma::ExisteDirectorio(baseDatosGuardada)) BorraCarpeta(informe, baseDatosGuardada);  // result ignored
  if (plataforma::ExisteDirectorio(copia) && !apartado::Reintegra(copia, SinSeparadorFinal(app)))
    conservada.Aparta(copia, NombreCopia());
  const Texto tempAnterior = app + kCarpetaTempAnterior;
  if (plataforma::ExisteDirectorio(tempAnterior) && !apartado::Reintegra(tempAnterior, app + kCarpetaTemp))
    conservada.Aparta(tempAnterior, kCarpetaTempAnterior);
  return conservada.Carpeta();
}

}  // namespace

bool CompruebaQueNoHayOtroAsistente(Informe& informe, bool paraEjecutar) {
  const Texto app = informe.Datos().aplicacion;
  const diario::Bloqueo b = diario::TomaBloqueo(app, paraEjecutar);
  if (b == diario::Bloqueo::Tomado || b == diario::Bloqueo::SinTemp) return true;
  if (b == diario::Bloqueo::Imposible && !paraEjecutar) return true;
  ui::SetCursor(ui::Cursor::Normal);
  if (b == diario::Bloqueo::Ocupado)
    informe.MuestraDialogo(kEnCurso, kTipoAviso, false, 0);
  else
    informe.MuestraDialogo(kSinBloqueo + diario::RutaBloqueo(app) + u".\n" + kSinBloqueoFin, kTipoAviso, false, 0);
  return false;
}

bool HayEjecucionInacabada(const Texto& aplicacion) {
  diario::Contenido c;
  return diario::Lee(aplicacion, c) == diario::Estado::Abierto;
}

Veredicto RevisaEjecucionInacabada(Informe& informe) {
  const Texto app = informe.Datos().aplicacion;
  // A journal left open by a wizard that is still running is not an
  // interrupted run: nothing here may act on it.
  if (!CompruebaQueNoHayOtroAsistente(informe, false)) return Veredicto::Termina;
  diario::Contenido c;
  if (diario::Lee(app, c) != diario::Estado::Abierto) return Veredicto::Sigue;
  const Texto encontrada = Texto(kEncontrada) + u"\n" + QueSeEncontro(c);
  informe.Registra(kLogEncontrada + QueSeEncontro(c));

  if (c.etapa == Etapa::RegistroEscrito) {
    ui::SetCursor(ui::Cursor::Normal);
    informe.MuestraDialogo(encontrada + u"\n" + kYaTerminada, kTipoAviso, false, 0);
    diario::Cierra(informe);
    informe.GuardaLog();
    return Veredicto::Sigue;
  }

  if (c.etapa == Etapa::Iniciada) {
    const Texto conservada = QuitaCopiasAMedias(informe);
    informe.Registra(kLogSinCambios);
    Texto aviso = encontrada + u"\n" + kSinCambios;
    if (!conservada.empty()) {
      informe.Registra(kLogApartada + conservada);
      aviso += u"\n" + (kNoDevuelto + (u"\n" + conservada));
    }
    diario::Cierra(informe);
    informe.GuardaLog();
    ui::SetCursor(ui::Cursor::Normal);
    informe.MuestraDialogo(aviso, kTipoAviso, false, 0);
    return Veredicto::Sigue;
  }

  // The save was complete: the installation can be put back as it was.
  const Texto copia = app + kCarpetaCopia;
  ui::SetCursor(ui::Cursor::Normal);
  if (!plataforma::ExisteDirectorio(copia)) {
    informe.MuestraDialogo(encontrada + u"\n" + kSinCopia + copia + u"\n" + kSinCopiaFin, kTipoAviso, false, 0);
    diario::Cierra(informe);
    informe.GuardaLog();
    return Veredicto::Sigue;
  }
  // A copy that a power cut left incomplete is not offered: nothing is
  // touched, and the next start says the same.
  const manifiesto::Manifiesto m = manifiesto::Manifiesto::Lee(app);
  FallosCopia danados = reposicion::Danados(m, copia);
  danados.Suma(reposicion::Danados(m, app + kCarpetaTempAnterior));
  if (danados.cuenta) {
    informe.Registra(reposicion::MensajeDanados(danados));
    informe.GuardaLog();
    informe.MuestraDialogo(encontrada + u"\n" + kCopiaDanada + u"\n" + reposicion::MensajeDanados(danados) + u"\n" +
                         kCopiaDanadaFin,
                     kTipoError, false, 0);
    return Veredicto::Termina;
  }
  const Texto baseDatos = EstadoBaseDatos(informe, c) + BaseCambiada(informe, c, m);
  if (!informe.MuestraDialogo(encontrada + u"\n" + baseDatos + kPregunta, kTipoPregunta, false, 0)) {
    Texto aviso = kRechazada + copia + u"\n";
    const Texto tempAnterior = app + kCarpetaTempAnterior;
    if (plataforma::ExisteDirectorio(tempAnterior)) aviso += kRechazadaTemp + tempAnterior + u"\n";
    informe.MuestraDialogo(aviso + kRechazadaFin, kTipoAviso, false, 0);
    return Veredicto::Termina;
  }
  informe.Registra(kLogDeshaciendo);
  informe.GuardaLog();
  return Veredicto::Repone;
}

bool ApartaCopiasAnteriores(Informe& informe) {
  const Texto app = informe.Datos().aplicacion;
  struct Resto {
    Texto ruta;
    Texto nombre;
  };
  std::vector<Resto> restos;
  const Texto tempAnterior = app + kCarpetaTempAnterior;
  if (plataforma::ExisteDirectorio(tempAnterior)) restos.push_back({tempAnterior, kCarpetaTempAnterior});
  const Texto copia = app + kCarpetaCopia;
  if (plataforma::ExisteDirectorio(copia) && !Vacia(copia)) restos.push_back({copia, NombreCopia()});
  if (restos.empty()) return true;
  // They may have appeared since start-up looked: a run that has just begun.
  if (!CompruebaQueNoHayOtroAsistente(informe, false)) return false;

  apartado::Conservada conservada(app);
  Texto fallidas;
  for (const Resto& r : restos) {
    if (conservada.Aparta(r.ruta, r.nombre)) {
      informe.Registra(kLogApartada + conservada.Carpeta() + u"\\" + r.nombre);
    } else {
      fallidas += r.ruta + u"\n";
    }
  }
  informe.GuardaLog();
  ui::SetCursor(ui::Cursor::Normal);
  if (!fallidas.empty()) {
    Texto aviso = kNoApartadas + fallidas;
    if (!conservada.Carpeta().empty()) aviso += kApartadas + conservada.Carpeta() + u"\n";
    informe.MuestraDialogo(aviso + kNoApartadasFin, kTipoAviso, false, 0);
    return false;
  }
  informe.MuestraDialogo(kApartadas + conservada.Carpeta() + u"\n" + kApartadasFin, kTipoAviso, false, 0);
  return true;
}

}  // namespace staging::recuperacion
