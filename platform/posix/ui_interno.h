// Native state of the posix backend's objects and the hooks between its files.
#pragma once

#include <chrono>

#include "platform/ui.h"

namespace ui {

using Reloj = std::chrono::steady_clock;

struct Control::Nativo {
  // Blinking labels: the hidden half of the blink and when it next turns.
  bool faseOculta = false;
  Reloj::time_point proximoParpadeo{};
  // Forms: inside ShowModal.
  bool modal = false;
};

struct Temporizador::Nativo {
  Reloj::time_point proximo{};
  bool disparando = false;  // its handler is running (a nested pump must not re-enter it)
};

namespace posix {
// A control is being destroyed: forget it in the blinking list.
void Olvida(Control& c);
// A label started or stopped blinking.
void CambiaParpadeo(Control& c);
}  // namespace posix

}  // namespace ui
