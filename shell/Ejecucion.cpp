// BtnAceptarClick: the whole update run, on the user-interface thread, and
// its single failure path.
#include <exception>
#include <memory>

#include "database/Conexiones.h"
#include "database/ModuloDatos.h"
#include "database/migrations/Lotes.h"
#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "screens/Unidad_Final.h"
#include "shell/Cronometro.h"
#include "shell/UnidadVentas.h"
#include "staging/Carpetas.h"
#include "staging/Diario.h"
#include "staging/Espacio.h"
#include "staging/Guardado.h"
#include "staging/Recuperacion.h"
#include "staging/Tablas.h"

namespace {

const Texto kVersionMinima = u"20.21.0.3";
const Texto kSinBaseDatos = u"No puedo abrir la Base de Datos.";
const Texto kConfiguracionVieja = u"Pindal.dat";
const Texto kEliminadoConfiguracion = u"Eliminado Pindal.dat";
const Texto kCopiasAnteriores = u"Temp_V_Ant";
const Texto kEliminado = u"Eliminado ";
const Texto kFinalCorrecto = u"ACTUALIZACI\u00D3N FINALIZADA CORRECTAMENTE.";
const Texto kProcesosRealizados = u"Procesos Realizados: ";
const Texto kTiempoProcesos = u"Tiempo de procesos: ";

const Texto kRestauracionOmitida =
    u"La base de datos no se ha podido compactar; sigue siendo v\u00E1lida y tiene la versi\u00F3n nueva.";

const Texto kPreguntaOtrasConexiones =
    u".\nLa base de datos todav\u00EDa no se ha cambiado. \u00BFComprobarlo de nuevo? Pulse Si cuando los haya "
    u"cerrado, o No para deshacer la actualizaci\u00F3n.";
const Texto kDeshechaPorConexiones = u"La base de datos sigue abierta en otros equipos: se deshace la actualizaci\u00F3n.";

constexpr char16_t kTipoAviso = u'!';  // 33
constexpr char16_t kTipoPregunta = u'?';  // 63
constexpr uint32_t kPausaServicios = 2000;

// The restore only compacts the database, into a file of its own that takes
// the database's place once it reads back whole: one that failed (the
// database in use, say) leaves the migrated database as it was, and costs
// nothing but the compaction. Whatever the backup and the restore reported,
// the run goes on only once the database itself reads back whole (online,
// every row stamped with the new version, every table's rows as migrated;
// after a restore that took its place, the restored file's read just before
// it did); anything else is a database the product cannot use, and takes
// the failure path.
void RestauraYComprueba(TfV& v) {
  std::exception_ptr fallo;
  try {
    MDatos->RestauraCopia();
  } catch (const std::exception&) {
    fallo = std::current_exception();
  }
  // The first failure, the restore's, is the one that counts.
  Texto diferencia;
  try {
    diferencia = MDatos->CompruebaRestaurada(migracion::kVersionSellada);
  } catch (const std::exception&) {
    if (fallo) std::rethrow_exception(fallo);
    throw;
  }
  if (!diferencia.empty()) {
    v.Registra(diferencia);
    if (fallo) std::rethrow_exception(fallo);
    throw Exception(diferencia);
  }
  if (fallo) v.Registra(kRestauracionOmitida);
}

// The database is changed only while no one else has it open: a terminal
// left connected would hold locks the batches stumble on, and go on working
// in a file the rollback may have to replace. Checked before the run starts
// (a refusal there leaves the main window as it was) and again at the first
// procedure call of the save. A server that cannot be asked is left to the
// run's own attach, which fails the way it always has.
bool SinOtrasConexiones(TfV& v) {
  if (!v.EsServidor()) return true;
  int otras = 0;
  try {
    otras = MDatos->ConexionesAjenas();
  } catch (const std::exception&) {
  }
  try {
    MDatos->Cierra();
  } catch (const std::exception&) {
  }
  if (!otras) return true;
  v.MuestraDialogo(basedatos::AvisoOtrasConexiones(otras) + staging::textos::kYReintentar +
                       staging::textos::kNadaCambiado,
                   kTipoAviso, false, 0);
  return false;
}

// Once the new files are in place, a terminal that connected since the save
// is asked to go: the technician checks again until it has, or undoes the
// whole update.
void EsperaQueSeQuedeSola(TfV& v) {
  for (int otras = MDatos->ConexionesAjenas(); otras; otras = MDatos->ConexionesAjenas()) {
    const Texto aviso = basedatos::AvisoOtrasConexiones(otras);
    for (const Texto& linea : texto::PartePorLineas(aviso)) v.Registra(linea);
    if (!v.MuestraDialogo(aviso + kPreguntaOtrasConexiones, kTipoPregunta, false, 0)) {
      v.Registra(kDeshechaPorConexiones);
      throw Exception(kDeshechaPorConexiones);
    }
  }
}

// Database phase of the server machine: migrations under their version
// gates, the new version stamped, the file rebuilt by backup and restore.
void ActualizaBaseDatos(TfV& v) {
  MDatos->Abre();
  if (!MDatos->Conectada()) {
    // Nothing has touched the database yet and the staged files stay: the
    // user is told and the wizard ends. The journal still says that the
    // program files were changed and nothing else, so the next start offers
    // to put them back.
    v.MuestraDialogo(kSinBaseDatos, kTipoAviso, false, 0);
    v.Finaliza();
  }
  EsperaQueSeQuedeSola(v);
  // Only now is the database about to change.
  staging::diario::Anota(v, staging::diario::Etapa::BaseDatosIniciada);  // result ignored
  // The batches whose version gates hold, then the new version stamp.
  migracion::EjecutaLotes(v.Version->Text());
  MDatos->CopiaSeguridad();
  plataforma::Duerme(kPausaServicios);
  RestauraYComprueba(v);
  plataforma::Duerme(kPausaServicios);
  MDatos->Cierra();
}

void AnadeResumen(TfV& v) {
  v.AnadeLinea(kProcesosRealizados + v.ST_R->Caption());
  v.AnadeLinea(kTiempoProcesos + v.ST_Tiempo->Caption());
}

void MideTiempo(TfV& v) {
  v.ContadorFin = plataforma::ContadorRendimiento();
  v.ST_Tiempo->SetCaption(texto::FormatoSegundos(SegundosEntre(v.ContadorInicio, v.ContadorFin, v.FrecuenciaContador)));
}

// The save could not be completed: nothing of the installation was deleted.
// The user learns why (in the log file too) and the wizard ends; the
// installation is as it was, but for its programs, which were stopped.
// A refusal the technician can put right leaves the main window open for
// another try.
void DetieneSinCambios(TfV& v, const staging::EGuardadoIncompleto& e) {
  for (const Texto& linea : texto::PartePorLineas(e.Message())) v.Registra(linea);
  staging::DeshaceGuardado(v, e);
  // Closed only once the save is undone: cut short before, the run is still
  // one that the next start clears away.
  staging::diario::Cierra(v);
  v.Timer1->SetEnabled(false);
  MideTiempo(v);
  AnadeResumen(v);
  v.GuardaLog();
  v.SetEnabled(true);
  ui::SetCursor(ui::Cursor::Normal);
  v.MuestraDialogo(e.Message(), kTipoAviso, false, 0);
  if (!e.Reintentable()) v.Finaliza();
}

void BorraConfiguracionVieja(TfV& v) {
  v.Registra(kEliminadoConfiguracion);
  const Texto configuracion = v.RutaTPV->Text() + kConfiguracionVieja;
  if (plataforma::ExisteFichero(configuracion)) staging::BorraFicheroSoloLectura(configuracion);  // result ignored
}

// The earlier Temp content goes last of all: the registry writes may still
// fail, and the rollback they would start needs it to put Temp back.
void BorraCopiasAnteriores(TfV& v) {
  const Texto anteriores = v.RutaTPV->Text() + kCopiasAnteriores;
  v.Registra(kEliminado + anteriores);
  if (plataforma::ExisteDirectorio(anteriores)) v.BorraCarpeta(anteriores);  // result ignored
}

// The notes of the new version, created for this one showing.
void MuestraPantallaFinal(TfV& v) {
  auto pantalla = std::make_unique<Tfrm_Final>(&v);
  frm_Final = pantalla.get();
  pantalla->ShowModal();
  frm_Final = nullptr;
}

}  // namespace

void TfV::BtnAceptarClick() {
  // The pumps of a run deliver what the user does meanwhile: whatever way
  // in reached the button again, a second run never starts inside the
  // first. The mark is taken back only where the run stops with nothing
  // changed and the technician may try again from this window.
  if (ejecutando_) return;
  ejecutando_ = true;
  try {
    CompruebaPapel();                  // ends the wizard, untouched, when the configuration contradicts itself
    if (!staging::CompruebaEspacio(*this)) Finaliza();  // the disk is short: the user was told, nothing touched
    // Asked only after the checks that need no server: an attachment, even
    // one that only counts the others, rewrites the database file's header.
    if (!SinOtrasConexiones(*this)) {
      ejecutando_ = false;
      return;
    }
    // Held until the process ends: another wizard on this installation
    // must see a live run, never an interrupted one.
    if (!staging::recuperacion::CompruebaQueNoHayOtroAsistente(*this, true)) Finaliza();
    ui::SetCursor(ui::Cursor::RelojArena);
    // Every counter reading of the run comes from the same processor.
    plataforma::FijaAfinidadHilo(1);
    FrecuenciaContador = plataforma::FrecuenciaRendimiento();
    ContadorInicio = plataforma::ContadorRendimiento();
    Timer1->SetEnabled(true);
    SetEnabled(false);

    if (texto::Compara(Version->Text(), kVersionMinima) >= 0) {
      try {
        Guarda_Datos();
      } catch (const staging::EGuardadoIncompleto& e) {
        DetieneSinCambios(*this, e);
        ejecutando_ = false;
        return;
      }
      if (EsServidor()) {
        ActualizaBaseDatos(*this);
        staging::diario::Anota(*this, staging::diario::Etapa::BaseDatosTerminada);  // result ignored
      }
    }

    BorraConfiguracionVieja(*this);
    plataforma::Duerme(kPausaServicios);
    ActualizaRegistro();
    AsociaPdf();
    staging::AseguraInstalacionNueva(*this);  // raises when the disk does not confirm it
    staging::diario::Anota(*this, staging::diario::Etapa::RegistroEscrito);  // result ignored
    BorraCopiasAnteriores(*this);

    AnadeLinea(kFinalCorrecto);
    PB7->SetPosition(PB7->Max());
    ui::aplicacion::ProcesaMensajes();
    Timer1->SetEnabled(false);
    AnadeResumen(*this);
    ui::aplicacion::ProcesaMensajes();
    GuardaLog();
    staging::diario::Cierra(*this);
    SetEnabled(true);
    ui::SetCursor(ui::Cursor::Normal);

    ui::AnotaTranscripcion("progreso", {{"posicion", texto::FormatoEntero(PB7->Position())},
                                        {"maximo", texto::FormatoEntero(PB7->Max())}});
    MuestraPantallaFinal(*this);
    Close();
  } catch (...) {
    MideTiempo(*this);
    AnadeResumen(*this);
    GuardaLog();
    Timer1->SetEnabled(false);
    SetEnabled(true);
    // The window answers again, but nothing may close it while the files go
    // back: the rollback's own messages say how it ended.
    SetIgnoraCierreSistema(true);
    // The saved files must come back whatever state the connection is in: a
    // rollback or a detach that fails (the server gone, for instance) does
    // not stop the restore.
    try {
      if (MDatos->TransaccionActiva()) MDatos->RollbackRetaining();
    } catch (...) {
    }
    try {
      MDatos->Cierra();
    } catch (...) {
    }
    ui::SetCursor(ui::Cursor::Normal);
    ReponerTodo();
  }
}
