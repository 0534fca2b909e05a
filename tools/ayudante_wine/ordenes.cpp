#include "ordenes.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "ordenes_internas.h"
#include "ventanas.h"

namespace ayudante {

void Escribe(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fflush(stdout);
}

int Falla(const std::string& motivo) {
  std::fprintf(stderr, "%s\n", motivo.c_str());
  return 1;
}

double Segundos(const Argumentos& a, size_t i, double defecto) {
  if (i >= a.size()) return defecto;
  wchar_t* fin = nullptr;
  const double s = std::wcstod(a[i].c_str(), &fin);
  return (fin && *fin == L'\0' && s >= 0) ? s : defecto;
}

namespace {

constexpr double kPlazoControl = 15.0;  // seconds a control may take to become usable

std::string Rect(const RECT& r) {
  char b[96];
  std::snprintf(b, sizeof b, "%ld,%ld %ldx%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return b;
}

// Waits until the window named `ventana` shows; null when the time runs out.
HWND EsperaVentana(const std::wstring& ventana, double segundos) {
  const Plazo plazo(segundos);
  for (;;) {
    const auto halladas = VentanasPrincipales(ventana);
    if (!halladas.empty()) return halladas.front();
    if (plazo.Vencido()) return nullptr;
    Pausa();
  }
}

// Waits until control `control` of window `ventana` can take a click (the
// control and its window both enabled, as for a user with a mouse).
HWND EsperaControlUsable(const std::wstring& ventana, const std::wstring& control, double segundos,
                         std::string& motivo) {
  const Plazo plazo(segundos);
  for (;;) {
    HWND h = nullptr;
    const auto halladas = VentanasPrincipales(ventana);
    if (halladas.empty()) {
      motivo = "no hay ventana \"" + Utf8(ventana) + "\"";
    } else if (!(h = Control(halladas.front(), control))) {
      motivo = "la ventana \"" + Utf8(ventana) + "\" no tiene el control \"" + Utf8(control) + "\"";
    } else if (!IsWindowVisible(h) || !IsWindowEnabled(h) || !IsWindowEnabled(halladas.front())) {
      motivo = "el control \"" + Utf8(control) + "\" de \"" + Utf8(ventana) + "\" no está habilitado o visible";
      h = nullptr;
    } else {
      return h;
    }
    if (plazo.Vencido()) return nullptr;
    Pausa();
  }
}

HWND ControlExistente(const Argumentos& a, std::string& motivo) {
  const auto halladas = VentanasPrincipales(a[0]);
  if (halladas.empty()) {
    motivo = "no hay ventana \"" + Utf8(a[0]) + "\"";
    return nullptr;
  }
  HWND h = Control(halladas.front(), a[1]);
  if (!h) motivo = "la ventana \"" + Utf8(a[0]) + "\" no tiene el control \"" + Utf8(a[1]) + "\"";
  return h;
}

int EsperaVentanaOrden(const Argumentos& a) {
  return EsperaVentana(a[0], Segundos(a, 1, 30)) ? 0 : Falla("no apareció la ventana \"" + Utf8(a[0]) + "\"");
}

int EsperaCierre(const Argumentos& a) {
  const Plazo plazo(Segundos(a, 1, 30));
  while (!VentanasPrincipales(a[0]).empty()) {
    if (plazo.Vencido()) return Falla("la ventana \"" + Utf8(a[0]) + "\" sigue abierta");
    Pausa();
  }
  return 0;
}

int ExisteVentana(const Argumentos& a) { return VentanasPrincipales(a[0]).empty() ? 1 : 0; }

// The click is posted, not sent: the handler may open a modal window, and a
// sent message would keep this helper waiting until that window closes.
int Pulsa(const Argumentos& a) {
  std::string motivo;
  HWND h = EsperaControlUsable(a[0], a[1], Segundos(a, 2, kPlazoControl), motivo);
  if (!h) return Falla("no se pudo pulsar: " + motivo);
  PostMessageW(h, BM_CLICK, 0, 0);
  return 0;
}

// Presses a button that closes its window and waits until that very window
// is gone: the next window of the same name (dialogs come in a row) is not
// mistaken for it.
int PulsaYCierra(const Argumentos& a) {
  std::string motivo;
  const double segundos = Segundos(a, 2, kPlazoControl);
  HWND h = EsperaControlUsable(a[0], a[1], segundos, motivo);
  if (!h) return Falla("no se pudo pulsar: " + motivo);
  HWND ventana = GetAncestor(h, GA_ROOT);
  PostMessageW(h, BM_CLICK, 0, 0);
  const Plazo plazo(segundos);
  while (IsWindow(ventana) && IsWindowVisible(ventana)) {
    if (plazo.Vencido()) return Falla("la ventana \"" + Utf8(a[0]) + "\" no se cerró al pulsar \"" + Utf8(a[1]) + "\"");
    Pausa();
  }
  return 0;
}

int PonCasilla(const Argumentos& a, LRESULT deseado) {
  std::string motivo;
  const Plazo plazo(Segundos(a, 2, kPlazoControl));
  HWND h = EsperaControlUsable(a[0], a[1], Segundos(a, 2, kPlazoControl), motivo);
  if (!h) return Falla("no se pudo cambiar la casilla: " + motivo);
  bool pulsada = false;
  for (;;) {
    DWORD_PTR estado = 0;
    if (SendMessageTimeoutW(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &estado) &&
        static_cast<LRESULT>(estado) == deseado)
      return 0;
    if (!pulsada) {
      PostMessageW(h, BM_CLICK, 0, 0);
      pulsada = true;
    }
    if (plazo.Vencido()) return Falla("la casilla \"" + Utf8(a[1]) + "\" no cambió de estado");
    Pausa();
  }
}

int Marca(const Argumentos& a) { return PonCasilla(a, BST_CHECKED); }
int Desmarca(const Argumentos& a) { return PonCasilla(a, BST_UNCHECKED); }

int Texto(const Argumentos& a) {
  std::string motivo;
  HWND h = ControlExistente(a, motivo);
  if (!h) return Falla(motivo);
  std::wstring t;
  if (!TextoControl(h, t)) return Falla("la ventana no respondió al pedirle el texto");
  Escribe(Utf8(t) + "\n");
  return 0;
}

int Estado(const Argumentos& a) {
  std::string motivo;
  HWND h = ControlExistente(a, motivo);
  if (!h) return Falla(motivo);
  DWORD_PTR marcado = 0;
  SendMessageTimeoutW(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &marcado);
  Escribe(std::string("visible=") + (IsWindowVisible(h) ? "1" : "0") + " habilitado=" +
          (IsWindowEnabled(h) ? "1" : "0") + " marcado=" + (marcado == BST_CHECKED ? "1" : "0") + "\n");
  return 0;
}

int Barra(const Argumentos& a) {
  std::string motivo;
  HWND h = ControlExistente(a, motivo);
  if (!h) return Falla(motivo);
  DWORD_PTR pos = 0, minimo = 0, maximo = 0;
  if (!SendMessageTimeoutW(h, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, 5000, &pos) ||
      !SendMessageTimeoutW(h, PBM_GETRANGE, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &minimo) ||
      !SendMessageTimeoutW(h, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &maximo))
    return Falla("la barra no respondió");
  char b[96];
  std::snprintf(b, sizeof b, "%ld %ld %ld\n", static_cast<long>(pos), static_cast<long>(minimo),
                static_cast<long>(maximo));
  Escribe(b);
  return 0;
}

int Geometria(const Argumentos& a) {
  const auto halladas = VentanasPrincipales(a[0]);
  if (halladas.empty()) return Falla("no hay ventana \"" + Utf8(a[0]) + "\"");
  HWND h = halladas.front();
  if (a.size() > 1 && !(h = Control(h, a[1]))) return Falla("no hay control \"" + Utf8(a[1]) + "\"");
  RECT cliente{}, ventana{};
  GetClientRect(h, &cliente);
  GetWindowRect(h, &ventana);
  // The work area of the window's monitor: the screen less its taskbar.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &monitor);
  Escribe("ventana=" + Rect(ventana) + " cliente=" + Rect(cliente) + " area=" + Rect(monitor.rcWork) + "\n");
  return 0;
}

// ---- keyboard -------------------------------------------------------------

// The keys a technician presses on the wizard's screens.
struct NombreTecla {
  const wchar_t* nombre;
  WORD vk;
  WORD modificador;  // held while the key is pressed (0: none)
};
constexpr NombreTecla kTeclas[] = {
    {L"Tab", VK_TAB, 0},       {L"Mayus+Tab", VK_TAB, VK_SHIFT}, {L"Intro", VK_RETURN, 0},
    {L"Espacio", VK_SPACE, 0}, {L"Escape", VK_ESCAPE, 0},        {L"Alt+F4", VK_F4, VK_MENU},
};

// The window of the wizard's thread that has the keyboard focus.
HWND FocoDe(HWND ventana) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(ventana, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void Teclea(WORD vk, bool arriba) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = arriba ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// Presses a key as the keyboard does: it goes to the window in front, to its
// focused control. The window named must be the one in front, enabled (or,
// with `deshabilitada`, disabled: a run underway behind it).
int PulsaTecla(const Argumentos& a, bool deshabilitada) {
  const NombreTecla* k = nullptr;
  for (const auto& t : kTeclas)
    if (a[1] == t.nombre) k = &t;
  if (!k) return Falla("tecla desconocida \"" + Utf8(a[1]) + "\" (Tab, Mayus+Tab, Intro, Espacio, Escape, Alt+F4)");
  const Plazo plazo(Segundos(a, 2, kPlazoControl));
  std::string motivo;
  for (;;) {
    const auto halladas = VentanasPrincipales(a[0]);
    HWND v = halladas.empty() ? nullptr : halladas.front();
    if (!v) {
      motivo = "no hay ventana \"" + Utf8(a[0]) + "\"";
    } else if (GetForegroundWindow() != v) {
      motivo = "la ventana \"" + Utf8(a[0]) + "\" no está delante";
    } else if (!deshabilitada && !IsWindowEnabled(v)) {
      motivo = "la ventana \"" + Utf8(a[0]) + "\" no está habilitada";
    } else if (deshabilitada && IsWindowEnabled(v)) {
      motivo = "la ventana \"" + Utf8(a[0]) + "\" está habilitada";
    } else {
      break;
    }
    if (plazo.Vencido()) return Falla("no se pudo pulsar " + Utf8(a[1]) + ": " + motivo);
    Pausa();
  }
  if (k->modificador) Teclea(k->modificador, false);
  Teclea(k->vk, false);
  Teclea(k->vk, true);
  if (k->modificador) Teclea(k->modificador, true);
  return 0;
}

int Tecla(const Argumentos& a) { return PulsaTecla(a, false); }
int TeclaDeshabilitada(const Argumentos& a) { return PulsaTecla(a, true); }

// A key that closes its window (dialogs come in a row): waits until that
// very window is gone, not the next one of the same name.
int TeclaYCierra(const Argumentos& a) {
  const auto halladas = VentanasPrincipales(a[0]);
  if (halladas.empty()) return Falla("no hay ventana \"" + Utf8(a[0]) + "\"");
  HWND ventana = halladas.front();
  if (const int r = Tecla(a); r != 0) return r;
  const Plazo plazo(Segundos(a, 2, kPlazoControl));
  while (IsWindow(ventana) && IsWindowVisible(ventana)) {
    if (plazo.Vencido()) return Falla("la ventana \"" + Utf8(a[0]) + "\" no se cerró con " + Utf8(a[1]));
    Pausa();
  }
  return 0;
}

// The component name of the control that has the focus in the window.
int Foco(const Argumentos& a) {
  const auto halladas = VentanasPrincipales(a[0]);
  if (halladas.empty()) return Falla("no hay ventana \"" + Utf8(a[0]) + "\"");
  HWND f = FocoDe(halladas.front());
  if (!f || GetAncestor(f, GA_ROOT) != halladas.front()) return Falla("ningún control de la ventana tiene el foco");
  Escribe(Utf8(NombreComponente(f)) + "\n");
  return 0;
}

// Waits until the focus is on the control named (the key before it may still
// be on its way).
int EsperaFoco(const Argumentos& a) {
  const Plazo plazo(Segundos(a, 2, kPlazoControl));
  std::string visto = "ninguno";
  for (;;) {
    const auto halladas = VentanasPrincipales(a[0]);
    if (!halladas.empty()) {
      HWND f = FocoDe(halladas.front());
      if (f && GetAncestor(f, GA_ROOT) == halladas.front()) {
        visto = Utf8(NombreComponente(f));
        if (NombreComponente(f) == a[1] || Titulo(f) == a[1]) return 0;
      }
    }
    if (plazo.Vencido()) return Falla("el foco no llegó a \"" + Utf8(a[1]) + "\" (está en " + visto + ")");
    Pausa();
  }
}

// The first line a text area shows (0: it opens at its first line).
int LineaVisible(const Argumentos& a) {
  std::string motivo;
  HWND h = ControlExistente(a, motivo);
  if (!h) return Falla(motivo);
  DWORD_PTR primera = 0;
  if (!SendMessageTimeoutW(h, EM_GETFIRSTVISIBLELINE, 0, 0, SMTO_ABORTIFHUNG, 5000, &primera))
    return Falla("el control no respondió");
  Escribe(std::to_string(static_cast<long>(primera)) + "\n");
  return 0;
}

// ---- answering ------------------------------------------------------------

// Asks the window again and again, as the system does to tell whether a
// program still responds, until the window named `hasta` shows (or the
// time runs out): prints the longest time the window left a question
// unanswered, in milliseconds, and how many questions it answered.
int Sondea(const Argumentos& a) {
  const auto halladas = VentanasPrincipales(a[0]);
  if (halladas.empty()) return Falla("no hay ventana \"" + Utf8(a[0]) + "\"");
  HWND v = halladas.front();
  const Plazo plazo(Segundos(a, 2, 300));
  ULONGLONG peor = 0, respuestas = 0;
  while (IsWindow(v) && VentanasPrincipales(a[1]).empty() && !plazo.Vencido()) {
    const ULONGLONG antes = GetTickCount64();
    DWORD_PTR nada = 0;
    if (!SendMessageTimeoutW(v, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &nada)) break;
    const ULONGLONG espera = GetTickCount64() - antes;
    if (espera > peor) peor = espera;
    ++respuestas;
    Sleep(20);
  }
  char b[96];
  std::snprintf(b, sizeof b, "%llu %llu\n", peor, respuestas);
  Escribe(b);
  return 0;
}

// ---- texts cut short ------------------------------------------------------

struct Medicion {
  HWND raiz;
  std::string salida;
  int cortados = 0;
};

BOOL CALLBACK MideUno(HWND h, LPARAM lp) {
  auto* m = reinterpret_cast<Medicion*>(lp);
  if (!IsWindowVisible(h)) return TRUE;
  DWORD_PTR necesario = 0, disponible = 0;
  if (!SendMessageTimeoutW(m->raiz, WM_APP + 2, reinterpret_cast<WPARAM>(h), 0, SMTO_ABORTIFHUNG, 5000, &necesario) ||
      necesario == 0 ||
      !SendMessageTimeoutW(m->raiz, WM_APP + 2, reinterpret_cast<WPARAM>(h), 1, SMTO_ABORTIFHUNG, 5000, &disponible))
    return TRUE;
  const int nw = LOWORD(necesario), nh = HIWORD(necesario), dw = LOWORD(disponible), dh = HIWORD(disponible);
  const bool cabe = nw <= dw && nh <= dh;
  if (!cabe) ++m->cortados;
  char b[128];
  std::snprintf(b, sizeof b, " necesita %dx%d, tiene %dx%d: %s\n", nw, nh, dw, dh, cabe ? "entero" : "CORTADO");
  m->salida += Utf8(NombreComponente(h)) + b;
  return TRUE;
}

// Every caption of the window measured by the wizard with its own fonts:
// one line per control; status 1 when a text does not fit.
int Mide(const Argumentos& a) {
  const auto halladas = VentanasPrincipales(a[0]);
  if (halladas.empty()) return Falla("no hay ventana \"" + Utf8(a[0]) + "\"");
  Medicion m{halladas.front(), {}, 0};
  EnumChildWindows(m.raiz, MideUno, reinterpret_cast<LPARAM>(&m));
  Escribe(m.salida);
  return m.cortados == 0 ? 0 : 1;
}

// One line per window: class, [component name], text, screen rectangle.
void EscribeVentana(HWND h, int nivel) {
  RECT r{};
  GetWindowRect(h, &r);
  std::wstring t = Titulo(h);
  if (nivel > 0) TextoControl(h, t, 1000);
  // One line per window: line ends inside a text are shown escaped.
  std::wstring una;
  for (wchar_t c : t) una += c == L'\r' ? L"\\r" : c == L'\n' ? L"\\n" : std::wstring(1, c);
  t = una;
  Escribe(std::string(static_cast<size_t>(nivel) * 2, ' ') + Utf8(Clase(h)) + " [" + Utf8(NombreComponente(h)) +
          "] \"" + Utf8(t) + "\" " + Rect(r) + (IsWindowVisible(h) ? "" : " oculta") +
          (IsWindowEnabled(h) ? "" : " deshabilitada") + "\n");
}

// EnumChildWindows walks the whole subtree; the indentation is the depth
// below the top-level window.
BOOL CALLBACK ListaDescendiente(HWND h, LPARAM lp) {
  HWND raiz = reinterpret_cast<HWND>(lp);
  int nivel = 0;
  for (HWND p = h; p && p != raiz; p = GetParent(p)) ++nivel;
  EscribeVentana(h, nivel);
  return TRUE;
}

BOOL CALLBACK ListaPrincipal(HWND h, LPARAM) {
  EscribeVentana(h, 0);
  EnumChildWindows(h, ListaDescendiente, reinterpret_cast<LPARAM>(h));
  return TRUE;
}

int Lista(const Argumentos&) {
  EnumWindows(ListaPrincipal, 0);
  return 0;
}

}  // namespace

const std::vector<Orden>& Ordenes() {
  static const std::vector<Orden> ordenes = {
      {L"espera-ventana", "espera-ventana <ventana> [segundos]", 1, 2, EsperaVentanaOrden},
      {L"espera-cierre", "espera-cierre <ventana> [segundos]", 1, 2, EsperaCierre},
      {L"existe-ventana", "existe-ventana <ventana>", 1, 1, ExisteVentana},
      {L"pulsa", "pulsa <ventana> <control> [segundos]", 2, 3, Pulsa},
      {L"pulsa-y-cierra", "pulsa-y-cierra <ventana> <botón> [segundos]", 2, 3, PulsaYCierra},
      {L"marca", "marca <ventana> <casilla> [segundos]", 2, 3, Marca},
      {L"desmarca", "desmarca <ventana> <casilla> [segundos]", 2, 3, Desmarca},
      {L"texto", "texto <ventana> <control>", 2, 2, Texto},
      {L"estado", "estado <ventana> <control>", 2, 2, Estado},
      {L"barra", "barra <ventana> <barra>", 2, 2, Barra},
      {L"geometria", "geometria <ventana> [control]", 1, 2, Geometria},
      {L"bloquea", "bloquea <fichero> [segundos] [lectura]", 1, 3, Bloquea},
      {L"anota", "anota <fichero> <texto>", 2, 2, Anota},
      {L"atributos", "atributos <fichero> [+r|-r]", 1, 2, Atributos},
      {L"lista", "lista", 0, 0, Lista},
      {L"tecla", "tecla <ventana> <Tab|Mayus+Tab|Intro|Espacio|Escape|Alt+F4> [segundos]", 2, 3, Tecla},
      {L"tecla-deshabilitada", "tecla-deshabilitada <ventana> <tecla> [segundos]", 2, 3, TeclaDeshabilitada},
      {L"tecla-y-cierra", "tecla-y-cierra <ventana> <tecla> [segundos]", 2, 3, TeclaYCierra},
      {L"foco", "foco <ventana>", 1, 1, Foco},
      {L"espera-foco", "espera-foco <ventana> <control> [segundos]", 2, 3, EsperaFoco},
      {L"mide", "mide <ventana>", 1, 1, Mide},
      {L"sondea", "sondea <ventana> <hasta que aparezca esta> [segundos]", 2, 3, Sondea},
      {L"linea-visible", "linea-visible <ventana> <control>", 2, 2, LineaVisible},
      {L"x", "x ... (como rar.exe: una extracción que no acaba)", 0, 8, ExtraccionParada},
      {L"mata", "mata <ejecutable>", 1, 1, Mata},
      {L"conduce", "conduce <ejecutable> <fichero de mensajes> [segundos]", 2, 3, Conduce},
  };
  return ordenes;
}

}  // namespace ayudante
