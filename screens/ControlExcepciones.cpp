// The application-wide exception handler: what escapes an event handler
// outside the update run is stamped into the log file with an error record
// and told to the user in the wizard's own dialog.
#include "screens/ControlExcepciones.h"

#include <typeinfo>

#include "database/ModuloDatos.h"
#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "shell/Cronometro.h"
#include "shell/GanchoPruebas.h"
#include "shell/UnidadVentas.h"

namespace excepciones {

const Texto MensajeCorteRed =
    u"Su RED ha sufrido un Corte de Luz, o su conexi\u00F3n de RED no es consistente a Fallos.\n\n\n"
    u"Zelvano, tiene que desconectarse del Servidor.\n"
    u"Saldr\u00E1 del Programa, para evitar un mal mayor.\n";
const Texto MensajeFirebird = u"Excepci\u00F3n FireBird controlada por Zelvano.";
const Texto MensajeInterno = u"Excepci\u00F3n interna controlada por Zelvano.";

namespace {

constexpr long kSqlCodeRed = -902;
constexpr long kErrorRed = 335544722;        // isc_network_error
constexpr long kSqlCodeDuplicado = -803;
constexpr long kErrorDuplicado = 335544665;  // isc_unique_key_violation

Texto Ascii(const std::string& s) { return texto::DeUtf8(s); }

}  // namespace

bool EsErrorFirebird(const std::exception& e) { return typeid(e) == typeid(EIBInterBaseError); }

std::vector<std::pair<Texto, Texto>> Registro(const std::exception& e,
                                              const ui::aplicacion::Emisor& emisor,
                                              const Texto& formularioActivo,
                                              const Texto& botonPulsado) {
  // An exception that is not one of the wizard's classes still gets stable
  // names, those of the runtime's base class.
  const auto* propia = dynamic_cast<const Exception*>(&e);
  const Texto mensaje = propia ? propia->Message() : texto::DeUtf8(e.what());
  const Texto clase = Ascii(propia ? propia->ClassName() : "Exception");
  const Texto unidad = Ascii(propia ? propia->UnitName() : "System");

  std::vector<std::pair<Texto, Texto>> claves;
  if (EsErrorFirebird(e)) {
    const auto& fb = static_cast<const EIBInterBaseError&>(e);
    claves.push_back({u"Excepcion producida", u"Excepcion de FireBird"});
    claves.push_back({u"N. Error SQLCode", texto::FormatoEntero(fb.SQLCode())});
    claves.push_back({u"N. Error FireBird", texto::FormatoEntero(fb.IBErrorCode())});
  } else {
    claves.push_back({u"Excepcion producida", u"Excepcion del Programa"});
  }
  claves.push_back({u"Mensaje Mostrado", mensaje});
  claves.push_back({u"Formulario Activo", formularioActivo});
  claves.push_back({u"Boton Pulsado", botonPulsado});
  claves.push_back({u"Error E->UnitName() en", unidad});
  claves.push_back({u"Error Sender->UnitName() en", Ascii(emisor.unidad)});
  claves.push_back({u"Error E->ClassName()", clase});
  claves.push_back({u"Error Sender->ClassName()", Ascii(emisor.clase)});
  return claves;
}

Aviso AvisoPara(const std::exception& e) {
  if (!EsErrorFirebird(e)) return Aviso::Interno;
  const auto& fb = static_cast<const EIBInterBaseError&>(e);
  if (fb.SQLCode() == kSqlCodeRed && fb.IBErrorCode() == kErrorRed) return Aviso::CorteRed;
  if (fb.SQLCode() == kSqlCodeRed) return Aviso::Ninguno;
  if (fb.SQLCode() == kSqlCodeDuplicado && fb.IBErrorCode() == kErrorDuplicado) return Aviso::Ninguno;
  return Aviso::Firebird;
}

}  // namespace excepciones

namespace {

// The handler's module is always part of the program, so the test hook is
// armed from here before the main window exists.
[[maybe_unused]] const bool ganchoArmado = (ArmaGanchoPruebas(), true);

// Set while the handler writes the log file: anything that reaches the
// handler again from inside those writes is not written a second time, so a
// log file that cannot be written never makes the handler call itself
// without end.
bool escribiendoLog = false;

struct EscrituraEnCurso {
  EscrituraEnCurso() { escribiendoLog = true; }
  ~EscrituraEnCurso() { escribiendoLog = false; }
};

}  // namespace

void TfV::ControlExcepciones(const ui::aplicacion::Emisor& Sender, const std::exception& E) {
  using excepciones::Aviso;
  const bool firebird = excepciones::EsErrorFirebird(E);

  if (!escribiendoLog) {
    EscrituraEnCurso guarda;
    try {
      ContadorFin = plataforma::ContadorRendimiento();
      // Before the first run the counter's frequency was never read and
      // the elapsed time shows as zero.
      const double segundos = SegundosEntre(ContadorInicio, ContadorFin, FrecuenciaContador);
      ST_Tiempo->SetCaption(texto::FormatoSegundos(segundos));
      AnadeLinea(u"Procesos Realizados: " + ST_R->Caption());
      AnadeLinea(u"Tiempo de procesos: " + ST_Tiempo->Caption());
      GuardaLog();

      FicheroLog = plataforma::AbreFlujo(Valores->RutaLog, "a+b");
      if (FicheroLog) {
        std::fputs("\r\n", FicheroLog);
        std::fclose(FicheroLog);
        FicheroLog = nullptr;
      }
    } catch (...) {
      if (FicheroLog) {
        std::fclose(FicheroLog);
        FicheroLog = nullptr;
      }
    }

    if (firebird) {
      try {
        if (MDatos && MDatos->TransaccionActiva()) MDatos->RollbackRetaining();
      } catch (...) {
        // A connection that is gone cannot roll back; the record and the
        // message still follow.
      }
    }

    try {
      const Texto seccion = plataforma::FechaCortaActual() + u" " + plataforma::HoraLargaActual();
      for (const auto& [clave, valor] :
           excepciones::Registro(E, Sender, Valores->FormularioActivo, Valores->BotonPulsado))
        plataforma::EscribePerfil(Valores->RutaLog, seccion, clave, valor);
    } catch (...) {
    }
  }

  switch (excepciones::AvisoPara(E)) {
    case Aviso::CorteRed:
      MuestraDialogo(excepciones::MensajeCorteRed, u'E', false, 0);
      try {
        if (MDatos) MDatos->Cierra();
      } catch (...) {
        // The network is down: the process ends whether or not the
        // connection could be dropped cleanly.
      }
      Finaliza();
    case Aviso::Firebird:
      MuestraDialogo(excepciones::MensajeFirebird, u'E', false, 0);
      break;
    case Aviso::Interno:
      MuestraDialogo(excepciones::MensajeInterno, u'E', false, 0);
      break;
    case Aviso::Ninguno:
      break;
  }
}
