// BtnAceptarClick: the whole update run, on the user-interface thread, and
// its single failure path.
#include <exception>

#include "database/ModuloDatos.h"
#include "platform/plataforma.h"
#include "shell/UnidadVentas.h"

namespace {

const Texto kVersionMinima = u"20.21.0.3";
const Texto kEtiquetaSello = u"PONER NUEVA VERSION EN TABLA EMPRESA";
const Texto kSentenciaSello = u"UPDATE EMPRESA SET VERSION_ZELVANO = '20.21.2.8';";
const Texto kSinBaseDatos = u"No puedo abrir la Base de Datos.";
const Texto kConfiguracionVieja = u"Pindal.dat";
const Texto kEliminadoConfiguracion = u"Eliminado Pindal.dat";
const Texto kCopiasAnteriores = u"Temp_V_Ant";
const Texto kEliminado = u"Eliminado ";
const Texto kFinalCorrecto = u"ACTUALIZACI\u00D3N FINALIZADA CORRECTAMENTE.";
const Texto kProcesosRealizados = u"Procesos Realizados: ";
const Texto kTiempoProcesos = u"Tiempo de procesos: ";

constexpr uint32_t kPausaServicios = 2000;

}  // namespace

void TfV::BtnAceptarClick() {
  try {
    ui::SetCursor(ui::Cursor::RelojArena);
    // Every counter reading of the run comes from the same processor.
    plataforma::FijaAfinidadHilo(1);
    FrecuenciaContador = plataforma::FrecuenciaRendimiento();
    ContadorInicio = plataforma::ContadorRendimiento();
    Timer1->SetEnabled(true);
    SetEnabled(false);

    if (texto::Compara(Version->Text(), kVersionMinima) >= 0) {
      Guarda_Datos();
      if (EsServidor()) {
        MDatos->Abre();
        if (!MDatos->Conectada()) {
          MuestraDialogo(kSinBaseDatos, u'!', false, 0);
          Finaliza();
        }
        MDatos->EjecutaSentencia(kEtiquetaSello, kSentenciaSello, ParamCheck::Encender);
        MDatos->CopiaSeguridad();
        plataforma::Duerme(kPausaServicios);
        MDatos->RestauraCopia();
        plataforma::Duerme(kPausaServicios);
        MDatos->Cierra();
      }
    }

    Registra(kEliminadoConfiguracion);
    const Texto configuracion = RutaTPV->Text() + kConfiguracionVieja;
    if (plataforma::ExisteFichero(configuracion)) plataforma::BorraFichero(configuracion);

    const Texto anteriores = RutaTPV->Text() + kCopiasAnteriores;
    Registra(kEliminado + anteriores);
    if (plataforma::ExisteDirectorio(anteriores)) BorraCarpeta(anteriores);
    plataforma::Duerme(kPausaServicios);

    ActualizaRegistro();
    AsociaPdf();

    Registra(kFinalCorrecto);
    PB7->SetPosition(PB7->Max());
    ui::aplicacion::ProcesaMensajes();
    Timer1->SetEnabled(false);
    AnadeLinea(kProcesosRealizados + ST_R->Caption());
    AnadeLinea(kTiempoProcesos + ST_Tiempo->Caption());
    ui::aplicacion::ProcesaMensajes();
    GuardaLog();
    SetEnabled(true);
    ui::SetCursor(ui::Cursor::Normal);
    Close();
  } catch (const std::exception&) {
    ContadorFin = plataforma::ContadorRendimiento();
    const double segundos =
        FrecuenciaContador > 0
            ? static_cast<double>(static_cast<long double>(ContadorFin - ContadorInicio) /
                                  static_cast<long double>(FrecuenciaContador))
            : 0.0;
    ST_Tiempo->SetCaption(texto::FormatoSegundos(segundos));
    AnadeLinea(kProcesosRealizados + ST_R->Caption());
    AnadeLinea(kTiempoProcesos + ST_Tiempo->Caption());
    GuardaLog();
    Timer1->SetEnabled(false);
    SetEnabled(true);
    if (MDatos->TransaccionActiva()) MDatos->RollbackRetaining();
    MDatos->Cierra();
    ui::SetCursor(ui::Cursor::Normal);
    ReponerTodo();
  }
}
