// The first step of an update run: save the installation and stage the new
// program files. The steps are a table; each row says what a failure of the
// step means for the run, so that nothing of the installation is deleted
// before all of it is saved.
#include <set>
#include <string>
#include <vector>

#include "database/Conexiones.h"
#include "database/ModuloDatos.h"
#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "system/Informe.h"
#include "staging/BaseDatosExterna.h"
#include "staging/Carpetas.h"
#include "staging/ContenidoArchivo.h"
#include "staging/Diario.h"
#include "staging/Guardado.h"
#include "staging/Manifiesto.h"
#include "staging/Procesos.h"
#include "staging/Tablas.h"

namespace {

using namespace staging;

// What a failure of a step means for the run.
enum class SiFalla {
  SeIgnora,  // the run goes on as if it had worked (an obsolete file left behind)
  SeCuenta,  // counted: one file not saved keeps anything from being deleted
  Detiene,   // the save is checked here: counted failures stop the run unchanged
  Lanza,     // raises: the run's failure path puts every saved file back
  Repone,    // tells the user; a failure has the run driver roll back at once
  SinDiario, // the journal could not be written: the run stops here, unchanged
};

struct Guardado {
  Guardado(Informe& inf, const Texto& aplicacion)
      : informe(inf),
        app(aplicacion),
        temp(aplicacion + kCarpetaTemp),
        tempAnterior(aplicacion + kCarpetaTempAnterior),
        copia(aplicacion + kCarpetaCopia),
        manifiesto(aplicacion) {}
  Informe& informe;
  Texto app, temp, tempAnterior, copia;
  double total = 0.0;
  bool habiaTemp = false;    // before this run touched it
  bool tempRotada = false;
  bool copiaPropia = false;  // the backup folder was empty or new
  FallosCopia fallos;        // what the save could not copy, so far
  std::string archivo;       // the embedded archive's bytes
  manifiesto::Manifiesto manifiesto;  // what the saved copies hold
  std::set<Texto> sinAnotar;          // obsolete folders with a file the manifest could not record
  bool obsoletosAnotados = false;     // the manifest naming the obsolete files is on the disk
};

using Accion = FallosCopia (*)(Guardado&);
struct Paso {
  Accion accion;
  SiFalla siFalla;
};

const FallosCopia kSinFallos{};

void BorraSiExiste(const Texto& ruta) {
  if (plataforma::ExisteFichero(ruta)) BorraFicheroSoloLectura(ruta);
}

bool EsEnlace(const Texto& ruta) {
  const uint32_t a = plataforma::LeeAtributos(ruta);
  return a != plataforma::ATR_INVALIDO && (a & plataforma::ATR_PUNTO_REPARSE);
}

// A saved copy is relied on only once it is on the disk and recorded: its
// files go into the manifest (written durably), then the whole volume is
// flushed once. A file that cannot be read back, a manifest that cannot be
// written or a flush that fails counts like a file not saved.
FallosCopia AseguraCopia(Guardado& g, const Texto& carpeta) {
  FallosCopia fallos;
  int ilegibles = 0;
  Texto ilegible;
  g.manifiesto.AnotaCarpeta(carpeta, ilegibles, ilegible);
  for (int i = 0; i < ilegibles; ++i) fallos.Anota(ilegible);
  if (!g.manifiesto.Guarda()) fallos.Anota(manifiesto::Ruta(g.app));
  if (!plataforma::VuelcaVolumen(g.app)) fallos.Anota(carpeta);
  return fallos;
}

// Temp's earlier content waits in Temp_V_Ant until the run ends; Temp is
// emptied only once that copy is complete. The journal and the copies set
// aside from earlier runs stay where they are.
FallosCopia RotaTemp(Guardado& g) {
  FallosCopia fallos;
  if (!plataforma::ExisteDirectorio(g.tempAnterior) && !plataforma::CreaDirectorio(g.tempAnterior))
    fallos.Anota(g.tempAnterior);
  if (!g.habiaTemp) return fallos;
  g.informe.Registra(textos::kGuardandoTemp);
  fallos.Suma(CopiaCarpetaContando(g.informe, g.temp, g.tempAnterior, g.total, SeConservaEnTemp));
  g.tempRotada = true;
  if (!fallos.cuenta) fallos.Suma(AseguraCopia(g, g.tempAnterior));
  plataforma::Duerme(1000);
  if (fallos.cuenta) return fallos;
  g.informe.Registra(textos::kEliminadoTemp);
  if (plataforma::ExisteDirectorio(g.temp)) {
    BorraCarpetaSalvo(g.informe, g.temp, SeConservaEnTemp);
    plataforma::Duerme(500);
  }
  return fallos;
}

// A backup folder that still holds files is some earlier run's copy, maybe
// the only one left: it is never written over.
FallosCopia PreparaCopia(Guardado& g) {
  if (!plataforma::ExisteDirectorio(g.temp)) plataforma::CreaDirectorio(g.temp);
  if (plataforma::ExisteDirectorio(g.temp))
    plataforma::PonAtributos(g.temp, plataforma::ATR_OCULTO | plataforma::ATR_DIRECTORIO);  // result ignored
  g.informe.Registra(textos::kCreandoTemporal + g.temp);
  if (!plataforma::ExisteDirectorio(g.copia)) {
    g.copiaPropia = plataforma::CreaDirectorio(g.copia);
    return kSinFallos;
  }
  g.copiaPropia = CarpetaVacia(g.copia);
  return kSinFallos;
}

// The product's own level procedure is switched on and off again before its
// files are touched; these calls are not migration steps and log nothing.
// The database is touched only while no one else has it open: a terminal
// left connected would go on working in a file the rollback may replace.
FallosCopia LlamaProcedimientoNivel(Guardado& g) {
  if (!g.informe.Datos().servidor) return kSinFallos;
  MDatos->Abre();
  if (const int otras = MDatos->ConexionesAjenas()) {
    MDatos->Cierra();
    throw EGuardadoIncompleto(basedatos::AvisoOtrasConexiones(otras) + textos::kYReintentar + textos::kNadaCambiado,
                              g.tempRotada, g.copiaPropia, true);
  }
  for (int nivel : {1, 0}) {
    MDatos->CierraSentencia();
    MDatos->SetParamCheck(true);
    MDatos->LimpiaSentencia();
    MDatos->AnadeLineaSentencia(textos::kProcedimientoNivel + texto::FormatoEntero(nivel) + u");");
    MDatos->EjecutaSentenciaActual();
    MDatos->CommitRetaining();
    MDatos->CierraSentencia();
  }
  MDatos->Cierra();
  return kSinFallos;
}

FallosCopia CierraProgramas(Guardado&) {
  for (const ProgramaEnEjecucion& programa : kProgramas) CierraProceso(programa.ejecutable);
  return kSinFallos;
}

// A file that is not there has nothing to save; one that is there and could
// not be copied is a hole in the save.
FallosCopia GuardaProgramas(Guardado& g) {
  FallosCopia fallos;
  for (const char16_t* nombre : kFicherosPrograma) {
    g.informe.Registra(textos::kCopiando + Texto(nombre) + textos::kCopiandoA + g.copia);
    if (plataforma::CopiaFichero(g.app + nombre, g.copia + u"\\" + nombre, false))
      g.informe.MuestraTamanoFichero(g.app + nombre);
    else if (plataforma::ExisteFichero(g.app + nombre))
      fallos.Anota(g.app + nombre);
  }
  return fallos;
}

FallosCopia GuardaConfiguracion(Guardado& g) {
  FallosCopia fallos;
  for (const char16_t* nombre : kFicherosConfiguracion) {
    if (!plataforma::ExisteFichero(g.app + nombre)) continue;
    if (plataforma::CopiaFichero(g.app + nombre, g.copia + u"\\" + nombre, false)) {
      g.informe.MuestraTamanoFichero(g.app + nombre);
      g.informe.Registra(textos::kCopiando + Texto(nombre) + textos::kCopiandoA + g.copia);
      plataforma::Duerme(1000);
    } else {
      fallos.Anota(g.app + nombre);
    }
  }
  return fallos;
}

FallosCopia GuardaCarpetas(Guardado& g) {
  FallosCopia fallos;
  for (const char16_t* carpeta : kCarpetasGuardadas)
    fallos.Suma(CopiaCarpetaContando(g.informe, g.app + carpeta, g.copia + u"\\" + carpeta, g.total));
  return fallos;
}

// Before the first statement: the database changes only on the server, after
// the save, and a database outside the saved folders would otherwise have no
// copy to go back to.
FallosCopia GuardaBaseDatosExterna(Guardado& g) { return basedatos_externa::Guarda(g.informe, g.copia, g.total); }

// The archive unpacks over the installation: every file of it that is
// already there is saved first, with the rest, so that the rollback brings
// it back. An archive that cannot be read is left to the steps that write
// and unpack it, which stop the run on it.
FallosCopia GuardaSobrescritos(Guardado& g) {
  FallosCopia fallos;
  std::string archivo;
  std::vector<EntradaArchivo> entradas;
  if (!plataforma::LeeRecurso(kTipoRecursoDatos, kRecursoArchivo, kIdiomaRecurso, archivo) ||
      !LeeContenidoArchivo(archivo, entradas))
    return fallos;
  for (const Texto& ruta : FicherosQueSobrescribe(g.app, entradas)) {
    const Texto origen = g.app + ruta, destino = g.copia + u"\\" + ruta;
    g.informe.Registra(textos::kCopiandoFichero + origen);
    g.informe.Registra(textos::kFicheroA + destino + textos::kFicheroOk);
    bool bien = true;
    for (size_t corte = ruta.find(u'\\'); bien && corte != Texto::npos; corte = ruta.find(u'\\', corte + 1)) {
      const Texto carpeta = g.copia + u"\\" + ruta.substr(0, corte);
      bien = plataforma::ExisteDirectorio(carpeta) || plataforma::CreaDirectorio(carpeta);
    }
    if (!bien || !plataforma::CopiaFichero(origen, destino, false)) fallos.Anota(origen);
  }
  return fallos;
}

Texto MensajeGuardadoIncompleto(const Guardado& g) {
  Texto mensaje = g.fallos.cuenta == 1 ? Texto(textos::kNoGuardadoUno)
                                       : textos::kNoGuardadosAntes + texto::FormatoEntero(g.fallos.cuenta) +
                                             textos::kNoGuardadosDespues;
  return mensaje + g.fallos.primero + u"\n" + textos::kNadaCambiado + u"\n" +
         (g.fallos.cuenta == 1 ? textos::kQueHacerGuardadoUno : textos::kQueHacerGuardado);
}

// A journal that cannot be written would leave an interrupted run that
// nobody can put right: the run goes no further than the boundary it could
// not record.
FallosCopia AnotaEnDiario(Guardado& g, diario::Etapa etapa) {
  FallosCopia fallos;
  if (!diario::Anota(g.informe, etapa)) fallos.Anota(diario::Ruta(g.app));
  return fallos;
}
FallosCopia AnotaInicio(Guardado& g) {
  FallosCopia fallos = AnotaEnDiario(g, diario::Etapa::Iniciada);
  // This run's manifest starts empty: an earlier run's says nothing of it.
  if (!g.manifiesto.Guarda()) fallos.Anota(manifiesto::Ruta(g.app));
  return fallos;
}
FallosCopia AnotaGuardadoCompleto(Guardado& g) { return AnotaEnDiario(g, diario::Etapa::GuardadoCompleto); }
FallosCopia AnotaInstalacionCambiada(Guardado& g) { return AnotaEnDiario(g, diario::Etapa::InstalacionCambiada); }

// The gate: whatever the save counted is looked at here, before the journal
// may say that the save is complete.
FallosCopia PuertaDelGuardado(Guardado&) { return kSinFallos; }

// The gate before the first deletion.
void CompruebaGuardado(const Guardado& g) {
  if (!g.copiaPropia) {
    throw EGuardadoIncompleto(textos::kCopiaOcupada + g.copia + u"\n" + textos::kNadaCambiado + u"\n" +
                                  textos::kQueHacerCopiaOcupada,
                              g.tempRotada, false);
  }
  if (g.fallos.cuenta) throw EGuardadoIncompleto(MensajeGuardadoIncompleto(g), g.tempRotada, true);
}

// A program that cannot be deleted is still running: nothing new may be
// unpacked over it, so the whole run is undone.
FallosCopia BorraProgramas(Guardado& g) {
  FallosCopia fallos;
  for (const ProgramaEnEjecucion& programa : kProgramas) {
    const Texto ruta = g.app + programa.ejecutable;
    if (plataforma::ExisteFichero(ruta) && !BorraFicheroSoloLectura(ruta)) {
      g.informe.MuestraDialogo(programa.mensajeEnUso, u'I', false, 0);
      fallos.Anota(ruta);
      return fallos;
    }
  }
  return fallos;
}

// What the save already holds is deleted; anything else moves into the
// backup folder, so that a rollback brings it back. A file that cannot move
// simply stays.
FallosCopia ApartaFicherosObsoletos(Guardado& g) {
  for (const FicheroObsoleto& fichero : kFicherosObsoletos) {
    const Texto ruta = g.app + fichero.ruta;
    if (plataforma::ExisteFichero(ruta) || EsEnlace(ruta)) {
      const Texto guardado = g.copia + u"\\" + fichero.ruta;
      if (plataforma::ExisteFichero(guardado)) BorraFicheroSoloLectura(ruta);  // result ignored
      // One the manifest could not record stays: in the copy it would keep
      // the rollback from trusting any of it.
      else if (EsEnlace(ruta) || (g.obsoletosAnotados && g.manifiesto.Busca(guardado)))
        plataforma::Mueve(ruta, guardado);  // result ignored
    }
    g.informe.Registra(fichero.texto);
  }
  return kSinFallos;
}

FallosCopia BorraPuntosRestauracion(Guardado& g) {
  for (int n = 0; n <= kUltimoPuntoRestauracion; ++n) {
    const Texto punto = g.informe.Datos().rutaAplicacion + u"Datos\\" + texto::FormatoEntero(n) + u".NBK";
    if (plataforma::ExisteFichero(punto) && BorraFicheroSoloLectura(punto)) {
      g.informe.AnadeLinea(textos::kPuntoRestauracion + punto + textos::kPuntoBorrado);
      g.informe.RepintaRegistro();
    }
  }
  return kSinFallos;
}

// Clients work against the server's database; a local copy is stale (and
// saved with "Datos"). A configuration that would have the server pass for
// a client here was refused before the run began (TfV::CompruebaPapel).
FallosCopia BorraBaseDatosLocal(Guardado& g) {
  if (g.informe.Datos().servidor) return kSinFallos;
  for (const char16_t* nombre : kBaseDatosLocal) {
    BorraSiExiste(g.app + nombre);
    g.informe.Registra(textos::kEliminado + Texto(nombre));
  }
  return kSinFallos;
}

// Folders inside the saved copy are deleted; the others move into it. A
// folder that is a link goes as a link, its target untouched.
FallosCopia ApartaCarpetasObsoletas(Guardado& g) {
  for (const CarpetaObsoleta& carpeta : kCarpetasObsoletas) {
    const Texto ruta = g.app + carpeta.ruta;
    if (plataforma::ExisteDirectorio(ruta)) {
      if (EsEnlace(ruta) || plataforma::ExisteDirectorio(g.copia + u"\\" + carpeta.ruta))
        BorraCarpeta(g.informe, ruta);  // result ignored
      else if (g.obsoletosAnotados && !g.sinAnotar.count(ruta))  // one the manifest could not record whole stays
        plataforma::Mueve(ruta, g.copia + u"\\" + carpeta.ruta);  // result ignored
      plataforma::Duerme(500);
    }
    g.informe.Registra(carpeta.texto);
    if (carpeta.pausaExtra) plataforma::Duerme(carpeta.pausaExtra);
  }
  return kSinFallos;
}

FallosCopia AseguraGuardado(Guardado& g) { return AseguraCopia(g, g.copia); }

// What is about to move into the backup folder is recorded first (its bytes
// do not change on the way): a rollback uses no saved file that the manifest
// does not name, and a power cut may come just after the move.
FallosCopia AnotaObsoletos(Guardado& g) {
  int ilegibles = 0;
  Texto ilegible;
  for (const FicheroObsoleto& fichero : kFicherosObsoletos) {
    const Texto ruta = g.app + fichero.ruta, guardado = g.copia + u"\\" + fichero.ruta;
    if (plataforma::ExisteFichero(ruta) && !EsEnlace(ruta) && !plataforma::ExisteFichero(guardado))
      g.manifiesto.AnotaFichero(ruta, guardado);  // result ignored: unrecorded, it does not move
  }
  for (const CarpetaObsoleta& carpeta : kCarpetasObsoletas) {
    const Texto ruta = g.app + carpeta.ruta, guardada = g.copia + u"\\" + carpeta.ruta;
    if (plataforma::ExisteDirectorio(ruta) && !EsEnlace(ruta) && !plataforma::ExisteDirectorio(guardada)) {
      const int antes = ilegibles;
      g.manifiesto.AnotaCarpeta(ruta, ilegibles, ilegible, guardada);
      if (ilegibles != antes) g.sinAnotar.insert(ruta);
    }
  }
  FallosCopia fallos;
  g.obsoletosAnotados = g.manifiesto.Guarda();
  if (!g.obsoletosAnotados) fallos.Anota(manifiesto::Ruta(g.app));
  return fallos;
}

FallosCopia BorraArchivoAntiguo(Guardado& g) {
  BorraSiExiste(g.app + kFicheroArchivo);
  g.informe.Registra(textos::kArchivoAntiguo);
  return kSinFallos;
}

FallosCopia EscribeArchivo(Guardado& g) {
  g.archivo = EscribeArchivoNuevo(g.app + kFicheroArchivo);
  plataforma::Duerme(1000);
  return kSinFallos;
}

[[noreturn]] void FallaExtraccion(Guardado& g, const Texto& motivo) {
  g.informe.Registra(motivo);
  throw Exception(motivo);
}

// The program files are gone by now: an extraction that did not put every
// file of the archive in place must not pass for an update.
FallosCopia Extrae(Guardado& g) {
  std::vector<EntradaArchivo> entradas;
  if (!LeeContenidoArchivo(g.archivo, entradas)) FallaExtraccion(g, textos::kArchivoDanado);
  g.informe.Registra(textos::kExtrayendo);
  uint32_t codigo = 0;
  const bool iniciada = EjecutaYEspera(LineaExtraccion(g.app), &codigo);
  ui::aplicacion::ProcesaMensajes();
  plataforma::Duerme(3000);
  if (!iniciada) FallaExtraccion(g, textos::kExtraccionSinIniciar + g.app + kHerramientaExtraccion);
  if (codigo != 0) FallaExtraccion(g, textos::kExtraccionFallida + texto::FormatoEntero(codigo) + u").");
  for (const EntradaArchivo& e : entradas) {
    const Texto ruta = g.app + e.ruta;
    uint64_t tamano = 0;
    const bool enSuSitio = e.carpeta ? plataforma::ExisteDirectorio(ruta)
                                     : plataforma::TamanoFichero(ruta, tamano) && tamano == e.tamano &&
                                           plataforma::ExisteFichero(ruta);
    if (!enSuSitio) FallaExtraccion(g, textos::kExtraccionIncompleta + ruta);
    if (!e.carpeta) plataforma::AnotaEscritoPorOtro(ruta);
  }
  return kSinFallos;
}

FallosCopia BorraArchivo(Guardado& g) {
  BorraSiExiste(g.app + kFicheroArchivo);
  g.informe.Registra(textos::kArchivoBorrado);
  return kSinFallos;
}

const Paso kPasos[] = {
    {AnotaInicio, SiFalla::SinDiario},
    {RotaTemp, SiFalla::SeCuenta},
    // A Temp that cannot be set up stops the run before the database or
    // the running programs are touched.
    {PreparaCopia, SiFalla::Detiene},
    {LlamaProcedimientoNivel, SiFalla::Lanza},
    {CierraProgramas, SiFalla::SeIgnora},
    {GuardaProgramas, SiFalla::SeCuenta},
    {GuardaConfiguracion, SiFalla::SeCuenta},
    {GuardaCarpetas, SiFalla::SeCuenta},
    {GuardaBaseDatosExterna, SiFalla::SeCuenta},
    {GuardaSobrescritos, SiFalla::SeCuenta},
    // Flushed and recorded before the gate looks at it.
    {AseguraGuardado, SiFalla::SeCuenta},
    {PuertaDelGuardado, SiFalla::Detiene},
    {AnotaGuardadoCompleto, SiFalla::SinDiario},
    {AnotaInstalacionCambiada, SiFalla::SinDiario},
    // Nothing of the installation is deleted above this line.
    {BorraProgramas, SiFalla::Repone},
    // What the manifest cannot record does not move into the copy.
    {AnotaObsoletos, SiFalla::SeIgnora},
    {ApartaFicherosObsoletos, SiFalla::SeIgnora},
    {BorraPuntosRestauracion, SiFalla::SeIgnora},
    {BorraBaseDatosLocal, SiFalla::SeIgnora},
    {ApartaCarpetasObsoletas, SiFalla::SeIgnora},
    {BorraArchivoAntiguo, SiFalla::SeIgnora},
    {EscribeArchivo, SiFalla::Lanza},
    {Extrae, SiFalla::Lanza},
    {BorraArchivo, SiFalla::SeIgnora},
};

}  // namespace

namespace staging {

void AseguraInstalacionNueva(Informe& informe) {
  if (plataforma::VuelcaVolumen(informe.Datos().aplicacion)) return;
  informe.Registra(textos::kNoVolcado);
  throw Exception(textos::kNoVolcado);
}

FinGuardado GuardaDatos(Informe& informe) {
  Guardado g(informe, informe.Datos().aplicacion);
  g.habiaTemp = plataforma::ExisteDirectorio(g.temp);

  informe.Registra(textos::kInicioGuardaDatos);
  for (const Paso& paso : kPasos) {
    const FallosCopia fallos = paso.accion(g);
    switch (paso.siFalla) {
      case SiFalla::SeCuenta:
        g.fallos.Suma(fallos);
        break;
      case SiFalla::Detiene:
        g.fallos.Suma(fallos);
        CompruebaGuardado(g);
        break;
      case SiFalla::SinDiario:
        // Named for what it is, not as a file of the installation; the
        // copy, when the gate had passed, is this run's own.
        if (fallos.cuenta)
          throw EGuardadoIncompleto(textos::kSinDiario + fallos.primero + u"\n" + textos::kNadaCambiado + u"\n" +
                                        textos::kQueHacerDiario,
                                    g.tempRotada, g.copiaPropia);
        break;
      case SiFalla::Repone:
        if (fallos.cuenta) return FinGuardado::Reponer;
        break;
      case SiFalla::SeIgnora:  // nothing the run depends on
      case SiFalla::Lanza:     // raised from the step itself
        break;
    }
  }
  return FinGuardado::Hecho;
}

}  // namespace staging
