// Posix backend: timers, blinking, the message pump, modal showing and the
// application's loop, driven by the scripted user (ZELVANO_GUION) and
// recorded in the transcript (ZELVANO_TRANSCRIPCION).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "platform/comun/ui_nucleo.h"
#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "platform/posix/ui_interno.h"
#include "platform/posix/ui_posix.h"

namespace ui {

namespace {

constexpr auto kMedioParpadeo = std::chrono::milliseconds(250);
// The longest a loop waits for a form that has nothing left to do, unless
// ZELVANO_ESPERA_MAXIMA (seconds) says otherwise.
constexpr int kEsperaMaximaSegundos = 120;

struct Estado {
  std::vector<Temporizador*> temporizadores;  // every live timer
  std::vector<Etiqueta*> parpadeantes;
  // Forms that became active again when a modal form over them closed; their
  // activation runs from the pump, as a posted message would.
  std::vector<Formulario*> activaciones;
  // Forms shown now, the modal ones included, for the keys of the scripted
  // user that a pump delivers.
  std::vector<Formulario*> mostrados;
  bool terminado = false;
  bool guionCargado = false;
  int manejadores = 0;  // handlers of scripted clicks running now
  Cursor cursor = Cursor::Normal;
  Texto titulo;
};

Estado& E() {
  static Estado estado;
  return estado;
}

bool Vivo(Temporizador* t) {
  const auto& v = E().temporizadores;
  return std::find(v.begin(), v.end(), t) != v.end();
}

Reloj::duration EsperaMaxima() {
  int segundos = kEsperaMaximaSegundos;
  if (const char* v = std::getenv("ZELVANO_ESPERA_MAXIMA")) {
    char* fin = nullptr;
    const long n = std::strtol(v, &fin, 10);
    if (fin != v && *fin == '\0' && n > 0) segundos = static_cast<int>(n);
  }
  return std::chrono::seconds(segundos);
}

// Sleeps until the next timer or blink is due, at most a few milliseconds, so
// that a waiting loop does not spin.
void DuermeHastaEvento() {
  auto hasta = Reloj::now() + std::chrono::milliseconds(10);
  for (Temporizador* t : E().temporizadores)
    if (t->Enabled() && t->Interval() > 0) hasta = std::min(hasta, t->nativo()->proximo);
  for (Etiqueta* e : E().parpadeantes) hasta = std::min(hasta, e->NativoCreado().proximoParpadeo);
  std::this_thread::sleep_until(hasta);
}

void CargaGuion() {
  if (E().guionCargado) return;
  E().guionCargado = true;
  const char* ruta = std::getenv("ZELVANO_GUION");
  if (!ruta || !*ruta) return;
  std::string contenido;
  std::FILE* f = std::fopen(ruta, "rb");
  if (!f) {
    std::fprintf(stderr, "No puedo leer el guion %s\n", ruta);
    posix::Escribe("\"evento\":\"error_guion\",\"mensaje\":" +
                   posix::Json(std::string("no se puede leer ") + ruta));
    return;
  }
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) contenido.append(buf, n);
  std::fclose(f);
  std::vector<std::string> errores;
  posix::Guion::Global().Carga(posix::LeeGuion(contenido, errores));
  for (const std::string& e : errores) {
    std::fprintf(stderr, "Guion %s, %s\n", ruta, e.c_str());
    posix::Escribe("\"evento\":\"error_guion\",\"mensaje\":" + posix::Json(e));
  }
}

// What the user does to a form when the script has nothing for it.
struct AccionDefecto {
  const char* formulario;
  const char* verbo;
  const char* control;
};
constexpr AccionDefecto kDefectos[] = {
    {"frmDialogo", "pulsa", "BtnOK"},
    {"frmAviso", "marca", "LCBLeido"},
    {"frmAviso", "pulsa", "BtnLeido"},
    {"frm_Final", "marca", "LCBLeido"},
    {"frm_Final", "pulsa", "BtnSalir"},
    {"fV", "pulsa", "BtnSalir"},
};

bool Cerrado(Formulario& f) {
  return f.NativoCreado().modal ? f.ModalResult() != 0 || E().terminado : !f.Mostrado() || E().terminado;
}

// Whether the user could reach the control: it and its parents are visible
// and enabled.
bool Alcanzable(Control* c) {
  for (; c; c = c->Padre())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void Anota(const posix::Accion& a, const char* origen, const char* resultado) {
  posix::Escribe("\"evento\":\"accion\",\"origen\":" + posix::Json(std::string(origen)) +
                 ",\"formulario\":" + posix::Json(a.formulario) + ",\"accion\":" + posix::Json(a.verbo) +
                 ",\"control\":" + posix::Json(a.control) + ",\"resultado\":" +
                 posix::Json(std::string(resultado)));
}

// A key goes to the form, as the system gives it to the active window; the
// transcript records where the focus is after it.
void PulsaTecla(Formulario& f, const posix::Accion& a, const char* origen) {
  Tecla t{};
  posix::NombreTecla(a.control, t);
  Anota(a, origen, "hecha");
  f.PulsaTecla(t);
  // The key may have closed the form; its focus is read only while it is up.
  if (!Cerrado(f)) {
    const Control* despues = f.Foco();
    posix::Escribe("\"evento\":\"foco\",\"formulario\":" + posix::Json(f.Nombre()) +
                   ",\"control\":" + posix::Json(despues ? despues->Nombre() : std::string()));
  }
}

void Realiza(Formulario& f, const posix::Accion& a, const char* origen) {
  if (a.verbo == "espera") {
    Anota(a, origen, "hecha");
    return;
  }
  if (a.verbo == "cierra") {
    Anota(a, origen, "hecha");
    f.CierreSistema();
    return;
  }
  if (a.verbo == "pulsa-tecla") {
    PulsaTecla(f, a, origen);
    return;
  }
  Control* c = f.BuscaControl(a.control);
  auto* boton = dynamic_cast<Boton*>(c);
  auto* casilla = dynamic_cast<Casilla*>(c);
  const bool pulsa = a.verbo == "pulsa";
  if ((pulsa && !boton) || (!pulsa && !casilla)) {
    std::fprintf(stderr, "Guion, línea %d: %s no tiene %s \"%s\"\n", a.linea, a.formulario.c_str(),
                 pulsa ? "el botón" : "la casilla", a.control.c_str());
    Anota(a, origen, "no existe");
    return;
  }
  if (!Alcanzable(c)) {
    Anota(a, origen, "no disponible");
    return;
  }
  Anota(a, origen, "hecha");
  if (boton) {
    struct EnManejador {
      EnManejador() { ++E().manejadores; }
      ~EnManejador() { --E().manejadores; }
    } enManejador;
    nucleo::Dispara(nucleo::EmisorDe(*boton), [boton] { boton->Click(); });
  } else {
    casilla->SetChecked(a.verbo == "marca");
  }
}

// Drives one shown form: its script lines, else its default actions, else
// waiting (bounded) for it to close by itself.
class Conductor {
 public:
  explicit Conductor(Formulario& f) : f_(f) {}

  bool Esperando() const { return esperando_; }

  void Paso() {
    if (esperando_) {
      if (Reloj::now() >= limite_) Abandona();
      return;
    }
    auto& guion = posix::Guion::Global();
    const posix::Accion* a = guion.Siguiente();
    // A key for the form while it is disabled waits for a pump of the run.
    if (a && a->formulario == f_.Nombre() && a->verbo != "pulsa-tecla-bloqueada" && a->verbo != "pulsa-durante") {
      const posix::Accion accion = *a;
      guion.Consume();
      if (accion.verbo == "espera") Espera();
      Realiza(f_, accion, "guion");
      return;
    }
    if (!defectoHecho_) {
      defectoHecho_ = true;
      for (const auto& d : kDefectos) {
        if (f_.Nombre() != d.formulario) continue;
        if (Cerrado(f_)) return;
        Realiza(f_, posix::Accion{d.formulario, d.verbo, d.control, 0}, "defecto");
        aplicacion::ProcesaMensajes();
      }
    }
    Espera();
  }

 private:
  void Espera() {
    esperando_ = true;
    limite_ = Reloj::now() + EsperaMaxima();
  }

  void Abandona() {
    std::fprintf(stderr,
                 "El formulario %s sigue abierto sin nada que hacer; se cierra con resultado 2\n",
                 f_.Nombre().c_str());
    posix::Escribe("\"evento\":\"abandono\",\"formulario\":" + posix::Json(f_.Nombre()));
    if (f_.NativoCreado().modal) {
      f_.SetModalResult(2);
    } else {
      f_.Close();
    }
  }

  Formulario& f_;
  bool defectoHecho_ = false;
  bool esperando_ = false;
  Reloj::time_point limite_{};
};

// The next line of the script is input that the system hands to the pumps
// of a run: a key for a form shown and disabled (the run underway or a modal
// window over it), or a click for a form shown and enabled while a handler
// still runs (the window given back during a rollback).
void EntradaDeLaEjecucion() {
  auto& guion = posix::Guion::Global();
  const posix::Accion* a = guion.Siguiente();
  if (!a) return;
  const bool tecla = a->verbo == "pulsa-tecla-bloqueada";
  if (!tecla && (a->verbo != "pulsa-durante" || E().manejadores == 0)) return;
  for (Formulario* f : E().mostrados) {
    if (f->Nombre() != a->formulario || f->Enabled() == tecla) continue;
    const posix::Accion accion = *a;
    guion.Consume();
    if (!tecla) {
      Realiza(*f, posix::Accion{accion.formulario, "pulsa", accion.control, accion.linea}, "guion");
      return;
    }
    Tecla t{};
    posix::NombreTecla(accion.control, t);
    const bool hizo = f->PulsaTecla(t);
    Anota(accion, "guion", hizo ? "hecha" : "sin efecto");
    return;
  }
}

void AnotaMostrado(Formulario& f, bool si) {
  auto& v = E().mostrados;
  v.erase(std::remove(v.begin(), v.end(), &f), v.end());
  if (si) v.push_back(&f);
}

void Bucle(Formulario& f) {
  Conductor conductor(f);
  for (;;) {
    aplicacion::ProcesaMensajes();
    if (Cerrado(f)) break;
    conductor.Paso();
    if (Cerrado(f)) break;
    if (conductor.Esperando()) DuermeHastaEvento();
  }
}

}  // namespace

Control::Nativo& Control::NativoCreado() {
  if (!nativo_) nativo_ = std::make_unique<Nativo>();
  return *nativo_;
}

// ---- Blinking ------------------------------------------------------------------

namespace posix {

void Olvida(Control& c) {
  auto& v = E().parpadeantes;
  v.erase(std::remove(v.begin(), v.end(), &c), v.end());
  auto& a = E().activaciones;
  a.erase(std::remove(a.begin(), a.end(), &c), a.end());
  auto& m = E().mostrados;
  m.erase(std::remove(m.begin(), m.end(), &c), m.end());
}

void CambiaParpadeo(Control& c) {
  auto* e = dynamic_cast<Etiqueta*>(&c);
  if (!e) return;
  Olvida(c);
  auto& n = c.NativoCreado();
  n.faseOculta = false;
  if (e->Parpadeo()) {
    n.proximoParpadeo = Reloj::now() + kMedioParpadeo;
    E().parpadeantes.push_back(e);
  }
}

}  // namespace posix

// ---- Timers ----------------------------------------------------------------------

Temporizador::Temporizador(Formulario* propietario, std::string nombre)
    : propietario_(propietario), nombre_(std::move(nombre)), nativo_(std::make_unique<Nativo>()) {
  E().temporizadores.push_back(this);
}

Temporizador::~Temporizador() {
  auto& v = E().temporizadores;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

// Setting the period or switching the timer on starts a fresh period.
void Temporizador::SetInterval(uint32_t ms) {
  intervalo_ = ms;
  nativo_->proximo = Reloj::now() + std::chrono::milliseconds(intervalo_);
}

void Temporizador::SetEnabled(bool e) {
  activo_ = e;
  nativo_->proximo = Reloj::now() + std::chrono::milliseconds(intervalo_);
}

// ---- Forms -------------------------------------------------------------------------

void Formulario::Show() {
  if (mostrado_) return;
  if (centrado_) Centra();
  mostrado_ = true;
  AnotaMostrado(*this, true);
  SetVisible(true);
  posix::AnotaFormulario(*this, false);
  nucleo::Dispara(nucleo::EmisorDe(*this), OnShow);
  if (mostrado_) EnfocaPrimero();
  if (mostrado_) nucleo::Dispara(nucleo::EmisorDe(*this), OnActivate);
}

void Formulario::Close() {
  if (NativoCreado().modal) {
    if (modalResult_ == 0) modalResult_ = 2;  // cancelled
    return;
  }
  if (!mostrado_) return;
  mostrado_ = false;
  AnotaMostrado(*this, false);
  nucleo::Dispara(nucleo::EmisorDe(*this), OnClose);
  if (this == aplicacion::FormularioPrincipal()) E().terminado = true;
}

void Formulario::SetModalResult(int r) { modalResult_ = r; }

// Without a display there is no stacking order to change.
void Formulario::TraeAlFrente() {}

int Formulario::ShowModal() {
  if (mostrado_) throw Exception(u"No se puede mostrar de forma modal una ventana ya visible");
  CargaGuion();
  modalResult_ = 0;
  if (centrado_) Centra();
  Formulario* duenyo = propietario_ ? propietario_ : aplicacion::FormularioPrincipal();
  if (duenyo == this) duenyo = nullptr;
  const bool deshabilitado = duenyo && duenyo->Enabled();
  if (deshabilitado) duenyo->SetEnabled(false);
  mostrado_ = true;
  AnotaMostrado(*this, true);
  NativoCreado().modal = true;
  SetVisible(true);
  posix::AnotaFormulario(*this, true);
  nucleo::Dispara(nucleo::EmisorDe(*this), OnShow);
  if (modalResult_ == 0) EnfocaPrimero();
  if (modalResult_ == 0) nucleo::Dispara(nucleo::EmisorDe(*this), OnActivate);
  Bucle(*this);
  if (modalResult_ == 0) modalResult_ = 2;  // the application is terminating
  const int resultado = modalResult_;
  nucleo::Dispara(nucleo::EmisorDe(*this), OnClose);
  NativoCreado().modal = false;
  mostrado_ = false;
  AnotaMostrado(*this, false);
  SetVisible(false);
  posix::Escribe("\"evento\":\"cierre\",\"formulario\":" + posix::Json(nombre_) +
                 ",\"resultado\":" + std::to_string(resultado));

  if (deshabilitado) duenyo->SetEnabled(true);
  // The owner becomes the active window again.
  if (duenyo && std::find(E().activaciones.begin(), E().activaciones.end(), duenyo) == E().activaciones.end())
    E().activaciones.push_back(duenyo);
  return resultado;
}

// ---- Application -------------------------------------------------------------------------

namespace aplicacion {

void Inicializa() {
  CargaGuion();
  // Nothing to paint in a pause; the clock still runs during a long copy.
  plataforma::FijaEspera(nullptr, [] { ProcesaMensajes(); });
}

void PintaAhora() {}

void SetTitulo(const Texto& titulo) { E().titulo = titulo; }

void Ejecuta() {
  CargaGuion();
  Formulario* f = FormularioPrincipal();
  if (f && !E().terminado) {
    try {
      f->Show();
      Bucle(*f);
    } catch (...) {
      // Escaped the loop itself: handled as the application's own exception.
      const std::exception_ptr p = std::current_exception();
      nucleo::Dispara(nucleo::EmisorAplicacion(), [p] { std::rethrow_exception(p); });
    }
  }
  E().terminado = false;  // a later loop (another test) starts afresh
}

void ProcesaMensajes() {
  EntradaDeLaEjecucion();
  // One pass handles the activations pending when it starts; a form that a
  // handler destroys meanwhile has already left the list.
  for (size_t n = E().activaciones.size(); n > 0 && !E().activaciones.empty(); --n) {
    Formulario* f = E().activaciones.front();
    E().activaciones.erase(E().activaciones.begin());
    if (!E().terminado && f->Mostrado()) nucleo::Dispara(nucleo::EmisorDe(*f), f->OnActivate);
  }
  const auto ahora = Reloj::now();
  for (Etiqueta* e : std::vector<Etiqueta*>(E().parpadeantes)) {
    auto& n = e->NativoCreado();
    if (ahora < n.proximoParpadeo) continue;
    n.faseOculta = !n.faseOculta;
    n.proximoParpadeo += kMedioParpadeo;
    if (n.proximoParpadeo <= ahora) n.proximoParpadeo = ahora + kMedioParpadeo;
  }
  std::vector<Temporizador*> vencidos;
  for (Temporizador* t : E().temporizadores) {
    if (t->Enabled() && t->Interval() > 0 && !t->nativo()->disparando && ahora >= t->nativo()->proximo)
      vencidos.push_back(t);
  }
  for (Temporizador* t : vencidos) {
    if (!Vivo(t) || !t->Enabled()) continue;  // an earlier handler removed it
    t->nativo()->proximo = Reloj::now() + std::chrono::milliseconds(t->Interval());
    t->nativo()->disparando = true;
    const auto manejador = t->OnTimer;  // the handler may delete its timer
    nucleo::Dispara(nucleo::EmisorDe(*t), manejador);
    if (Vivo(t)) t->nativo()->disparando = false;
  }
}

void Termina() { E().terminado = true; }

void ActivaOtraInstancia() {
  posix::Escribe("\"evento\":\"otra_instancia\",\"titulo\":" + posix::Json(E().titulo));
}

void MuestraExcepcion(const std::exception* e) {
  const auto* propia = dynamic_cast<const Exception*>(e);
  const std::string clase = propia ? propia->ClassName() : "Exception";
  const std::string mensaje = e ? e->what() : "";
  std::fprintf(stderr, "%s: %s\n", clase.c_str(), mensaje.c_str());
  posix::Escribe("\"evento\":\"excepcion\",\"clase\":" + posix::Json(clase) +
                 ",\"mensaje\":" + posix::Json(mensaje));
}

}  // namespace aplicacion

void SetCursor(Cursor c) { E().cursor = c; }
Cursor CursorActual() { return E().cursor; }

void Pitido(unsigned tipo) { posix::Escribe("\"evento\":\"pitido\",\"tipo\":" + std::to_string(tipo)); }

}  // namespace ui
