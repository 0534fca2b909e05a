// The first step of an update run: save the installation and stage the new
// program files.
#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "shell/UnidadVentas.h"
#include "staging/Procesos.h"
#include "staging/Tablas.h"

namespace {

using namespace staging;

void BorraSiExiste(const Texto& ruta) {
  if (plataforma::ExisteFichero(ruta)) plataforma::BorraFichero(ruta);
}

// The product's own level procedure is switched on and off again before its
// files are touched; these calls are not migration steps and log nothing.
void LlamaProcedimientoNivel() {
  MDatos->Abre();
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
}

}  // namespace

void TfV::Guarda_Datos() {
  const Texto app = RutaTPV->Text();
  const Texto temp = app + kCarpetaTemp;
  const Texto tempAnterior = app + kCarpetaTempAnterior;
  const Texto copia = app + kCarpetaCopia;
  double total = 0.0;

  Registra(textos::kInicioGuardaDatos);

  // Rotate Temp: its earlier content waits in Temp_V_Ant until the run ends.
  if (!plataforma::ExisteDirectorio(tempAnterior)) plataforma::CreaDirectorio(tempAnterior);
  if (plataforma::ExisteDirectorio(temp)) {
    Registra(textos::kGuardandoTemp);
    CopiaCarpeta(temp, tempAnterior, total);
    plataforma::Duerme(1000);
    Registra(textos::kEliminadoTemp);
    if (plataforma::ExisteDirectorio(temp)) {
      BorraCarpeta(temp);
      plataforma::Duerme(500);
    }
  }
  if (!plataforma::ExisteDirectorio(temp)) plataforma::CreaDirectorio(temp);
  if (plataforma::ExisteDirectorio(temp)) {
    plataforma::PonAtributos(temp, plataforma::ATR_OCULTO | plataforma::ATR_DIRECTORIO);
  }
  Registra(textos::kCreandoTemporal + temp);
  if (!plataforma::ExisteDirectorio(copia)) plataforma::CreaDirectorio(copia);

  if (EsServidor()) LlamaProcedimientoNivel();

  for (const ProgramaEnEjecucion& programa : kProgramas) CierraProceso(programa.ejecutable);

  for (const char16_t* nombre : kFicherosPrograma) {
    Registra(textos::kCopiando + Texto(nombre) + textos::kCopiandoA + copia);
    if (plataforma::CopiaFichero(app + nombre, copia + u"\\" + nombre, false)) MuestraTamanoFichero(app + nombre);
  }
  for (const char16_t* nombre : kFicherosConfiguracion) {
    if (plataforma::ExisteFichero(app + nombre) &&
        plataforma::CopiaFichero(app + nombre, copia + u"\\" + nombre, false)) {
      MuestraTamanoFichero(app + nombre);
      Registra(textos::kCopiando + Texto(nombre) + textos::kCopiandoA + copia);
      plataforma::Duerme(1000);
    }
  }
  for (const char16_t* carpeta : kCarpetasGuardadas) CopiaCarpeta(app + carpeta, copia + u"\\" + carpeta, total);

  // A program that cannot be deleted is still running: nothing new may be
  // unpacked over it, so the whole run is undone.
  for (const ProgramaEnEjecucion& programa : kProgramas) {
    const Texto ruta = app + programa.ejecutable;
    if (plataforma::ExisteFichero(ruta) && !plataforma::BorraFichero(ruta)) {
      MuestraDialogo(programa.mensajeEnUso, u'I', false, 0);
      ReponerTodo();
    }
  }

  for (const FicheroObsoleto& fichero : kFicherosObsoletos) {
    BorraSiExiste(app + fichero.ruta);
    Registra(fichero.texto);
  }

  for (int n = 0; n <= kUltimoPuntoRestauracion; ++n) {
    const Texto punto = Valores->RutaAplicacion + u"Datos\\" + texto::FormatoEntero(n) + u".NBK";
    if (plataforma::ExisteFichero(punto) && plataforma::BorraFichero(punto)) {
      AnadeLinea(textos::kPuntoRestauracion + punto + textos::kPuntoBorrado);
      MemoBackup->Repaint();
    }
  }

  // Clients work against the server's database; a local copy is stale.
  if (!EsServidor()) {
    for (const char16_t* nombre : kBaseDatosLocal) {
      BorraSiExiste(app + nombre);
      Registra(textos::kEliminado + Texto(nombre));
    }
  }

  for (const CarpetaObsoleta& carpeta : kCarpetasObsoletas) {
    if (plataforma::ExisteDirectorio(app + carpeta.ruta)) {
      BorraCarpeta(app + carpeta.ruta);
      plataforma::Duerme(500);
    }
    Registra(carpeta.texto);
    if (carpeta.pausaExtra) plataforma::Duerme(carpeta.pausaExtra);
  }

  const Texto archivo = app + kFicheroArchivo;
  BorraSiExiste(archivo);
  Registra(textos::kArchivoAntiguo);
  EscribeArchivoNuevo(archivo);
  plataforma::Duerme(1000);

  Registra(textos::kExtrayendo);
  EjecutaYEspera(LineaExtraccion(app));
  ui::aplicacion::ProcesaMensajes();
  plataforma::Duerme(3000);

  BorraSiExiste(archivo);
  Registra(textos::kArchivoBorrado);
}
