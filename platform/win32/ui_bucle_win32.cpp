// Win32 backend: timers, the message pump, showing forms (modal or not), the
// application's loop, the second copy's hand-over, cursor, beep and the
// standard exception display.
#include <algorithm>
#include <map>
#include <vector>

#include "platform/comun/ui_nucleo.h"
#include "platform/excepciones.h"
#include "platform/plataforma.h"

namespace ui {

namespace {

struct Estado {
  std::map<UINT_PTR, Temporizador*> temporizadores;
  UINT_PTR siguienteId = 100;
  HWND mensajes = nullptr;
  bool terminado = false;
  Cursor cursor = Cursor::Normal;
  Texto titulo;
  DWORD ultimoBombeo = 0;  // tick of the last pass that read the queue
  bool bombeado = false;
};

// A run pumps several times per copied file. Reading the queue is a round
// trip to the window system (under Wine, a request to its server), so a
// pass that comes within this many milliseconds of the last one that read
// the queue costs only a look at the clock: what the user does is still
// answered within one tick.
constexpr DWORD kIntervaloBombeoMs = 10;

Estado& E() {
  static Estado estado;
  return estado;
}


void ActualizaTemporizador(UINT_PTR id, bool activo, uint32_t intervalo) {
  HWND h = win32::VentanaMensajes();
  // Setting an existing id again restarts its period.
  if (activo && intervalo > 0) {
    SetTimer(h, id, intervalo, nullptr);
  } else {
    KillTimer(h, id);
  }
}

// Every top-level window of this thread that is visible and enabled, except
// the form being shown modally, is disabled while it is up.
struct Deshabilitadas {
  HWND modal;
  std::vector<HWND> ventanas;
};

BOOL CALLBACK Deshabilita(HWND h, LPARAM lp) {
  auto* d = reinterpret_cast<Deshabilitadas*>(lp);
  if (h != d->modal && IsWindowVisible(h) && IsWindowEnabled(h)) {
    EnableWindow(h, FALSE);
    d->ventanas.push_back(h);
  }
  return TRUE;
}

void Despacha(MSG& m) {
  if (win32::TeclaDeFormulario(m)) return;
  TranslateMessage(&m);
  DispatchMessageW(&m);
}

void CentraNativo(Formulario& f, HWND h) { win32::ColocaEnPantalla(f, h); }

BOOL CALLBACK PintaVentana(HWND h, LPARAM) {
  // Only what is already invalid is painted: nothing is drawn twice.
  if (IsWindowVisible(h)) RedrawWindow(h, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return TRUE;
}

// A fixed pause of the run. Its windows are brought up to date first and
// kept painted while it lasts (a window moved over them leaves no hole),
// and the messages other programs send them are answered; input, timers
// and posted messages wait in the queue until the pause is over.
void PausaPintando(uint32_t milisegundos) {
  aplicacion::PintaAhora();
  const DWORD inicio = GetTickCount();
  for (;;) {
    const DWORD pasado = GetTickCount() - inicio;
    if (pasado >= milisegundos) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, milisegundos - pasado, QS_PAINT | QS_SENDMESSAGE);
    MSG m;
    // Sent messages are delivered inside PeekMessageW whatever its filter.
    for (int n = 0; n < 100 && PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++n) DispatchMessageW(&m);
  }
}

void Muestra(HWND h) {
  ShowWindow(h, SW_SHOWNORMAL);
  UpdateWindow(h);
  SetForegroundWindow(h);
  SetActiveWindow(h);
}

}  // namespace

namespace win32 {

// A hidden message-only window receives the timers' ticks.
HWND VentanaMensajes() {
  if (!E().mensajes) {
    RegistraClases();
    E().mensajes = CreateWindowExW(0, kClaseMensajes, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
  }
  return E().mensajes;
}

bool Terminado() { return E().terminado; }

void DisparaTemporizador(UINT_PTR id) {
  auto it = E().temporizadores.find(id);
  if (it == E().temporizadores.end()) return;
  Temporizador* t = it->second;
  auto* n = t->nativo();
  if (n->disparando || !t->Enabled()) return;
  n->disparando = true;
  const auto manejador = t->OnTimer;  // the handler may delete its timer
  nucleo::Dispara(nucleo::EmisorDe(*t), manejador);
  if (E().temporizadores.count(id)) n->disparando = false;
}

LRESULT CALLBACK ProcedimientoMensajes(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kTemporizadorRepintado) {
    RepintaPendientes();
    return 0;
  }
  if (msg == WM_TIMER) {
    try {
      DisparaTemporizador(wp);
    } catch (...) {
      aplicacion::MuestraExcepcion(nullptr);
    }
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace win32

// ---- Timers ----------------------------------------------------------------

Temporizador::Temporizador(Formulario* propietario, std::string nombre)
    : propietario_(propietario), nombre_(std::move(nombre)), nativo_(std::make_unique<Nativo>()) {
  nativo_->id = E().siguienteId++;
  E().temporizadores[nativo_->id] = this;
}

Temporizador::~Temporizador() {
  if (E().mensajes) KillTimer(E().mensajes, nativo_->id);
  E().temporizadores.erase(nativo_->id);
}

void Temporizador::SetInterval(uint32_t ms) {
  intervalo_ = ms;
  ActualizaTemporizador(nativo_->id, activo_, intervalo_);
}

void Temporizador::SetEnabled(bool e) {
  activo_ = e;
  ActualizaTemporizador(nativo_->id, activo_, intervalo_);
}

// ---- Forms -------------------------------------------------------------------

void Formulario::Show() {
  HWND h = win32::Asegura(*this);
  if (!h || mostrado_) return;
  if (centrado_) CentraNativo(*this, h);
  mostrado_ = true;
  visible_ = true;
  nucleo::Dispara(nucleo::EmisorDe(*this), OnShow);
  if (mostrado_) EnfocaPrimero();
  if (mostrado_) {
    Muestra(h);  // activation then runs OnActivate from the queue
    win32::RestauraFoco(*this);
  }
}

void Formulario::Close() {
  if (NativoCreado().modal) {
    if (modalResult_ == 0) SetModalResult(2);  // cancelled
    return;
  }
  if (!mostrado_) return;
  mostrado_ = false;
  if (HWND h = win32::Ventana(*this)) ShowWindow(h, SW_HIDE);
  nucleo::Dispara(nucleo::EmisorDe(*this), OnClose);
  if (this == aplicacion::FormularioPrincipal()) aplicacion::Termina();
}

void Formulario::SetModalResult(int r) {
  modalResult_ = r;
  // Wakes the modal loop if it is waiting for a message.
  if (r != 0) PostMessageW(win32::Ventana(*this), WM_NULL, 0, 0);
}

void Formulario::TraeAlFrente() {
  HWND h = win32::Ventana(*this);
  if (!h || !IsWindowVisible(h)) return;
  SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(h);
}

int Formulario::ShowModal() {
  if (mostrado_) throw Exception(u"No se puede mostrar de forma modal una ventana ya visible");
  HWND h = win32::Asegura(*this);
  if (!h) throw EOSError(u"No se puede crear la ventana " + texto::DeUtf8(nombre_));
  modalResult_ = 0;
  if (centrado_) CentraNativo(*this, h);
  Deshabilitadas deshabilitadas{h, {}};
  EnumThreadWindows(GetCurrentThreadId(), Deshabilita, reinterpret_cast<LPARAM>(&deshabilitadas));
  auto& n = NativoCreado();
  n.modal = true;
  mostrado_ = true;
  visible_ = true;
  nucleo::Dispara(nucleo::EmisorDe(*this), OnShow);
  if (modalResult_ == 0) {
    EnfocaPrimero();
    Muestra(h);
    win32::RestauraFoco(*this);
  }
  while (modalResult_ == 0) {
    if (E().terminado) {
      modalResult_ = 2;
      break;
    }
    MSG m;
    const BOOL r = GetMessageW(&m, nullptr, 0, 0);
    if (r <= 0) {
      // The application is ending: the quit message stays for the outer loop.
      E().terminado = true;
      PostQuitMessage(static_cast<int>(m.wParam));
      modalResult_ = 2;
      break;
    }
    Despacha(m);
  }
  const int resultado = modalResult_;
  nucleo::Dispara(nucleo::EmisorDe(*this), OnClose);
  // The owner is enabled before this window hides, so it becomes the active one.
  for (HWND d : deshabilitadas.ventanas)
    if (IsWindow(d)) EnableWindow(d, TRUE);
  ShowWindow(h, SW_HIDE);
  n.modal = false;
  mostrado_ = false;
  visible_ = false;
  return resultado;
}

// ---- Application ------------------------------------------------------------------

namespace aplicacion {

void Inicializa() {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS |
                                           ICC_ANIMATE_CLASS};
  InitCommonControlsEx(&icc);
  // Positions and sizes are pixels: the system must not stretch the windows.
  using Funcion = BOOL(WINAPI*)();
  FARPROC p = GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware");
  if (auto f = reinterpret_cast<Funcion>(reinterpret_cast<void*>(p))) f();
  win32::RegistraClases();
  win32::VentanaMensajes();
  plataforma::FijaEspera(PausaPintando, [] { ProcesaMensajes(); });
}

void SetTitulo(const Texto& titulo) { E().titulo = titulo; }

void Ejecuta() {
  Formulario* f = FormularioPrincipal();
  if (!f || E().terminado) return;
  try {
    f->Show();
    MSG m;
    while (!E().terminado && f->Mostrado() && GetMessageW(&m, nullptr, 0, 0) > 0) Despacha(m);
  } catch (...) {
    const std::exception_ptr p = std::current_exception();
    nucleo::Dispara(nucleo::EmisorAplicacion(), [p] { std::rethrow_exception(p); });
  }
}

void ProcesaMensajes() {
  win32::RepintaPendientes();
  const DWORD ahora = GetTickCount();
  if (E().bombeado && ahora - E().ultimoBombeo < kIntervaloBombeoMs) return;
  E().bombeado = true;
  E().ultimoBombeo = ahora;
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      E().terminado = true;
      PostQuitMessage(static_cast<int>(m.wParam));  // left for the loop that ends
      return;
    }
    Despacha(m);
  }
}

void PintaAhora() {
  win32::RepintaPendientes(true);
  EnumThreadWindows(GetCurrentThreadId(), PintaVentana, 0);
}

void Termina() {
  if (!E().terminado) PostQuitMessage(0);
  E().terminado = true;
}

void ActivaOtraInstancia() {
  HWND h = FindWindowW(win32::kClasePrincipal, nullptr);
  if (!h) return;
  if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
  // A modal screen of the running copy comes to the front with it.
  HWND delante = GetLastActivePopup(h);
  SetForegroundWindow(delante ? delante : h);
}

void MuestraExcepcion(const std::exception* e) {
  Texto mensaje;
  if (auto* propia = dynamic_cast<const Exception*>(e)) {
    mensaje = propia->Message();
  } else if (e) {
    mensaje = texto::DeUtf8(e->what());
  }
  const Texto titulo = E().titulo.empty() ? Texto(u"Act_202103_a_202128") : E().titulo;
  MessageBoxW(GetActiveWindow(), win32::W(mensaje), win32::W(titulo), MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

}  // namespace aplicacion

void SetCursor(Cursor c) {
  E().cursor = c;
  ::SetCursor(LoadCursorW(nullptr, c == Cursor::RelojArena ? IDC_WAIT : IDC_ARROW));
}

Cursor CursorActual() { return E().cursor; }

void AnotaTranscripcion(const std::string&, const std::vector<std::pair<std::string, Texto>>&) {}

void Pitido(unsigned tipo) { MessageBeep(tipo); }

}  // namespace ui
