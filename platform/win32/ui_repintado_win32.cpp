// Coalesced repaints. A run changes the log, the counter, the bar and the
// size panel several times per copied file; painting each change (a round
// trip to the display per control) made the copy wait on the screen. A
// control is painted at once when its last paint is older than the interval;
// otherwise the request waits, and the pump or the timer paints it as soon
// as the interval has passed, so the final values always reach the screen;
// before the thread blocks everything waiting is painted at once.
// A label's window text (what another process reads) follows its caption in
// the same way: each change of it is a round trip to the window system.
#include <algorithm>
#include <unordered_map>
#include <vector>

#include "platform/win32/ui_interno.h"

namespace ui::win32 {

namespace {

constexpr DWORD kIntervaloMs = 60;

struct Repintado {
  DWORD ultimo = 0;   // tick of the last paint
  bool pintado = false;
  UINT pendiente = 0; // RedrawWindow flags waiting, 0 when none
};

struct Estado {
  std::unordered_map<HWND, Repintado> ventanas;
  std::vector<HWND> pendientes;
  bool temporizador = false;
};

Estado& E() {
  static Estado estado;
  return estado;
}

void Aplica(HWND h, UINT rdw) {
  if (rdw & kRepintaTexto) {
    if (auto* e = dynamic_cast<Etiqueta*>(ControlDe(h))) SetWindowTextW(h, W(e->Caption()));
    rdw &= ~kRepintaTexto;
  }
  if (rdw) RedrawWindow(h, nullptr, nullptr, rdw);
}

}  // namespace

void Repinta(HWND h, UINT rdw) {
  if (!h) return;
  Repintado& r = E().ventanas[h];
  const DWORD ahora = GetTickCount();
  if (!r.pendiente && (!r.pintado || ahora - r.ultimo >= kIntervaloMs)) {
    r.pintado = true;
    r.ultimo = ahora;
    Aplica(h, rdw);
    return;
  }
  if (!r.pendiente) E().pendientes.push_back(h);
  r.pendiente |= rdw;
  if (!E().temporizador) {
    E().temporizador = true;
    SetTimer(VentanaMensajes(), kTemporizadorRepintado, kIntervaloMs, nullptr);
  }
}

void RepintaPendientes(bool todas) {
  Estado& e = E();
  if (e.pendientes.empty()) return;
  const DWORD ahora = GetTickCount();
  std::vector<HWND> debidas;
  e.pendientes.erase(std::remove_if(e.pendientes.begin(), e.pendientes.end(),
                                    [&](HWND h) {
                                      const Repintado& r = e.ventanas[h];
                                      if (!todas && ahora - r.ultimo < kIntervaloMs) return false;
                                      debidas.push_back(h);
                                      return true;
                                    }),
                     e.pendientes.end());
  for (HWND h : debidas) {
    Repintado& r = e.ventanas[h];
    const UINT rdw = r.pendiente;
    r.pendiente = 0;
    r.ultimo = ahora;
    if (IsWindow(h)) Aplica(h, rdw);
  }
  if (e.pendientes.empty() && e.temporizador) {
    e.temporizador = false;
    KillTimer(VentanaMensajes(), kTemporizadorRepintado);
  }
}

void OlvidaRepintado(HWND h) {
  Estado& e = E();
  e.ventanas.erase(h);
  e.pendientes.erase(std::remove(e.pendientes.begin(), e.pendientes.end(), h), e.pendientes.end());
}

}  // namespace ui::win32
