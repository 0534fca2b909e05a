// Rollback: puts the saved installation back after a failed run and tells
// the user what came of it; the caller ends the program.
#include <exception>

#include "database/Conexiones.h"
#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "system/Informe.h"
#include "staging/BaseDatosExterna.h"
#include "staging/Carpetas.h"
#include "staging/Diario.h"
#include "staging/Guardado.h"
#include "staging/Manifiesto.h"
#include "staging/Reposicion.h"
#include "staging/Tablas.h"

namespace {

using namespace staging;

// The files matter more than the connection: a connection that fails to
// close (the server went away) must not stop them from being restored.
void CierraBaseDatos() {
  if (!MDatos) return;
  try {
    MDatos->Cierra();
  } catch (const std::exception&) {
  }
}

// Where the technician finds the database as it was before the run, and the
// backup this run made of the migrated one.
Texto MensajeBaseDatosNoDevuelta(const basedatos_externa::Reposicion& r) {
  Texto m = textos::kBaseDatosNoDevuelta + r.fichero + u"\n" + textos::kBaseDatosAnterior + r.copia;
  const size_t barra = r.fichero.find_last_of(u"\\/");
  const Texto fbk = r.fichero.substr(0, barra == Texto::npos ? 0 : barra + 1) + textos::kFicheroCopiaBaseDatos;
  if (!r.fichero.empty() && plataforma::ExisteFichero(fbk)) m += u"\n" + (textos::kBaseDatosCopiaNueva + fbk);
  return m;
}

// The same file as Windows names it: case and separator do not matter.
bool MismaRuta(const Texto& a, const Texto& b) {
  if (a.size() != b.size()) return false;
  auto Normal = [](char16_t c) -> char16_t {
    if (c == u'/') return u'\\';
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  };
  for (size_t i = 0; i < a.size(); ++i)
    if (Normal(a[i]) != Normal(b[i])) return false;
  return true;
}

bool EsCarpetaDatos(const Texto& nombre) { return texto::IgualesSinMayusculas(nombre, kCarpetaDatos); }
bool EsFicheroBaseDatos(const Texto& nombre) { return texto::IgualesSinMayusculas(nombre, kFicheroBaseDatos); }
// A database kept outside the saved folders goes back on its own, to where it lies.
bool EsCarpetaDatosOExterna(const Texto& nombre) {
  return EsCarpetaDatos(nombre) || basedatos_externa::EsSuCarpeta(nombre);
}

// The database this run worked on ("server:file"), empty on a client. The
// journal knows it even when the rollback runs at start-up, before the
// configuration has been read.
Texto BaseDatosDeLaEjecucion(Informe& informe) {
  diario::Contenido c;
  if (diario::Lee(informe.Datos().aplicacion, c) == diario::Estado::Abierto) return c.servidor ? c.baseDatos : Texto();
  return informe.Datos().servidor && MDatos ? MDatos->NombreBaseDatos() : Texto();
}

// The file part of "server:file" (a drive letter is no server).
Texto FicheroDe(const Texto& nombre) {
  const size_t dosPuntos = nombre.find(u':');
  return dosPuntos == Texto::npos || dosPuntos <= 1 ? nombre : nombre.substr(dosPuntos + 1);
}

// The saved copy of the database file, when the copy being put back holds
// the one the server serves (its data folder is the installation's "Datos").
Texto BaseDatosGuardada(const Texto& baseDatos, const Texto& app, const Texto& copia) {
  if (baseDatos.empty() || !MismaRuta(FicheroDe(baseDatos), app + kCarpetaDatos + u"\\" + kFicheroBaseDatos))
    return Texto();
  const Texto guardada = copia + u"\\" + kCarpetaDatos + u"\\" + kFicheroBaseDatos;
  return plataforma::ExisteFichero(guardada) ? guardada : Texto();
}

// Puts the saved copy back, file by file (reposicion::Repone: nothing newer
// is discarded). The database file goes back only once the server has let
// go of it: written under a live attachment it would be replaced while a
// terminal goes on working in the old one, whose work is then lost. When the
// server keeps it open, everything else goes back and the database stays as
// it is, its saved copy counted as not put back.
FallosCopia PonCopiaEnSuSitio(Informe& informe, const Texto& copia, const Texto& app, double& total, bool& baseDatosRetenida,
                              const reposicion::EscritosPorLaEjecucion& escritos,
                              apartado::Conservada& conservada) {
  baseDatosRetenida = false;
  const Texto baseDatos = BaseDatosDeLaEjecucion(informe);
  const Texto guardada = BaseDatosGuardada(baseDatos, app, copia);
  if (guardada.empty() ||
      basedatos::EsperaQueSeCierreLaBaseDatos(
          baseDatos, informe.Datos().usuarioBaseDatos, informe.Datos().claveBaseDatos,
          [&informe](const Texto& linea) { informe.Registra(linea); }, [] { ui::aplicacion::ProcesaMensajes(); }))
    return reposicion::Repone(informe, copia, app, u"", total, escritos, conservada, basedatos_externa::EsSuCarpeta)
        .noRepuestos;
  baseDatosRetenida = true;
  FallosCopia fallos =
      reposicion::Repone(informe, copia, app, u"", total, escritos, conservada, EsCarpetaDatosOExterna).noRepuestos;
  fallos.Suma(reposicion::Repone(informe, copia + u"\\" + kCarpetaDatos, app + kCarpetaDatos, kCarpetaDatos, total,
                                 escritos, conservada, EsFicheroBaseDatos)
                  .noRepuestos);
  fallos.Anota(guardada);
  return fallos;
}

}  // namespace

namespace staging {

void ReponeTodo(Informe& informe, bool trasInterrupcion) {
  const Texto app = informe.Datos().aplicacion;
  const Texto copia = app + kCarpetaCopia;
  const Texto temp = app + kCarpetaTemp;
  const Texto tempAnterior = app + kCarpetaTempAnterior;

  ui::SetCursor(ui::Cursor::Normal);
  CierraBaseDatos();
  informe.MuestraDialogo(textos::kErrorRollback, u'!', false, 0);
  informe.Registra(textos::kInicioReponer);
  informe.Registra(textos::kRestaurando + copia);
  double total = 0.0;

  // A saved file that no longer holds what was saved (a power cut left it
  // empty or short) is copied over nothing: then nothing at all is put
  // back, so that the installation is not left half old and half new, and
  // every copy stays where it is.
  const manifiesto::Manifiesto manifiesto = manifiesto::Manifiesto::Lee(app);
  FallosCopia danados = reposicion::Danados(manifiesto, copia);
  danados.Suma(reposicion::Danados(manifiesto, tempAnterior));
  reposicion::EscritosPorLaEjecucion escritos = reposicion::EscritosPorLaEjecucion::DelArchivo();
  // The database goes aside only when it had changed before this rollback
  // touched it: the rollback's own look for attachments rewrites its header.
  // The run itself changes it only from its database phase on: before that,
  // a database that no longer holds what was saved was written by someone
  // else since the save (a sale on a till), even in the run that failed.
  const Texto baseDatosEnDatos = Texto(kCarpetaDatos) + u"\\" + kFicheroBaseDatos;
  diario::Contenido enCurso;
  const bool laCambioLaEjecucion = !trasInterrupcion && diario::Lee(app, enCurso) == diario::Estado::Abierto &&
                                   enCurso.etapa >= diario::Etapa::BaseDatosIniciada;
  if (laCambioLaEjecucion ||
      manifiesto.TieneLoGuardado(copia + u"\\" + baseDatosEnDatos, app + baseDatosEnDatos))
    escritos.AnadeCualquierContenido(baseDatosEnDatos);
  apartado::Conservada conservada(app);

  // A saved copy is only thrown away once every file of it is back in place
  // and on the disk; otherwise it is the only good copy left. Temp_V_Ant then
  // stays as well: copying it into Temp could overwrite the kept copy with an
  // older one.
  ui::SetCursor(ui::Cursor::RelojArena);
  bool baseDatosRetenida = false;
  basedatos_externa::Reposicion baseDatos;
  FallosCopia fallosCopia = danados;
  if (danados.cuenta == 0) {
    fallosCopia = PonCopiaEnSuSitio(informe, copia, app, total, baseDatosRetenida, escritos, conservada);
    // Only a whole save tells what the run made: a file of the archive that
    // is not in it was not there before the run.
    diario::Contenido c;
    if (diario::Lee(app, c) == diario::Estado::Abierto && c.etapa != diario::Etapa::Iniciada) {
      reposicion::ApartaRestos(informe, copia, app, escritos, conservada, fallosCopia);
      // The backup of the database that an interrupted run was making may
      // be cut short (a power cut stops the server too): it is no backup to
      // trust, and it goes aside with the rest of what the run left.
      if (trasInterrupcion)
        reposicion::ApartaSiNoSeGuardo(informe, copia, app,
                                       Texto(kCarpetaDatos) + u"\\" + textos::kFicheroCopiaBaseDatos, conservada,
                                       fallosCopia);
    }
    baseDatos = basedatos_externa::Repone(informe, copia, total, trasInterrupcion ? &conservada : nullptr);
    if (baseDatos.guardada && !baseDatos.devuelta) fallosCopia.Anota(baseDatos.copia);
    if (fallosCopia.cuenta == 0 && !plataforma::VuelcaVolumen(app)) fallosCopia.Anota(app);
  }
  plataforma::Duerme(2000);
  if (fallosCopia.cuenta == 0 && plataforma::ExisteDirectorio(copia)) BorraCarpeta(informe, copia);

  ui::SetCursor(ui::Cursor::RelojArena);
  FallosCopia fallosTemp;
  if (fallosCopia.cuenta == 0) {
    fallosTemp = reposicion::Repone(informe, tempAnterior, temp, kCarpetaTemp, total, escritos, conservada).noRepuestos;
    if (fallosTemp.cuenta == 0 && !plataforma::VuelcaVolumen(app)) fallosTemp.Anota(temp);
  }
  plataforma::Duerme(2000);
  const bool conservaTempAnterior = fallosCopia.cuenta != 0 || fallosTemp.cuenta != 0;
  if (!conservaTempAnterior && plataforma::ExisteDirectorio(tempAnterior)) BorraCarpeta(informe, tempAnterior);

  plataforma::Duerme(2000);
  ui::SetCursor(ui::Cursor::Normal);
  // Where the newer files went must outlive this window: the log says it.
  if (!conservada.Carpeta().empty()) {
    informe.Registra(reposicion::kConservadosCambiados + conservada.Carpeta());
    informe.GuardaLog();  // result ignored: the message says it too
  }
  // The run has ended by itself: whatever copies were kept, the next start
  // must not take it for an interrupted one.
  diario::Cierra(informe);

  const Texto cambiados =
      conservada.Carpeta().empty() ? Texto() : u"\n" + (reposicion::kConservadosCambiados + conservada.Carpeta());
  if (!conservaTempAnterior) {
    informe.MuestraDialogo(textos::kRestaurado + cambiados, u'I', false, 0);
  } else {
    Texto aviso = textos::kRestauracionIncompleta;
    const FallosCopia& fallos = fallosCopia.cuenta ? fallosCopia : fallosTemp;
    aviso += u"\n" + reposicion::MensajeDanados(fallos);
    if (danados.cuenta) aviso += u"\n" + Texto(reposicion::kCopiaDanada);
    if (plataforma::ExisteDirectorio(copia)) aviso += u"\n" + (textos::kCopiaConservada + copia);
    if (baseDatos.guardada && !baseDatos.devuelta) aviso += u"\n" + MensajeBaseDatosNoDevuelta(baseDatos);
    if (baseDatosRetenida)
      aviso += u"\n" + (textos::kBaseDatosSinReponer + copia + u"\\" + kCarpetaDatos + u"\\" + kFicheroBaseDatos +
                        textos::kBaseDatosSinReponerHacia + app + kCarpetaDatos + u"\\" + kFicheroBaseDatos +
                        textos::kBaseDatosSinReponerFin);
    if (plataforma::ExisteDirectorio(tempAnterior)) aviso += u"\n" + (textos::kTempConservada + tempAnterior);
    aviso += cambiados;
    aviso += u"\n" + Texto(textos::kCopiasSinBorrar);
    informe.MuestraDialogo(aviso, u'E', false, 0);
  }
}

void DeshaceGuardado(Informe& informe, const EGuardadoIncompleto& e) {
  const Texto app = informe.Datos().aplicacion;
  const Texto copia = app + kCarpetaCopia;
  const Texto temp = app + kCarpetaTemp;
  const Texto tempAnterior = app + kCarpetaTempAnterior;
  // Every original is still in place, so this run's partial copy is no
  // one's only copy; a folder that held an earlier run's files stays.
  if (e.CopiaPropia() && plataforma::ExisteDirectorio(copia)) BorraCarpeta(informe, copia);
  if (e.TempRotada()) {
    double total = 0.0;
    // Temp_V_Ant holds the only copy of Temp's earlier content until the
    // copy back is on the disk.
    if (CopiaCarpetaContando(informe, tempAnterior, temp, total).cuenta == 0 && plataforma::VuelcaVolumen(app))
      BorraCarpeta(informe, tempAnterior);
  } else {
    // Neither existed before the run: what is left empty goes.
    if (CarpetaVacia(tempAnterior)) plataforma::EliminaDirectorio(tempAnterior);
    if (CarpetaVacia(temp)) plataforma::EliminaDirectorio(temp);
  }
}

}  // namespace staging
