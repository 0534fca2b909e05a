// Native state of the win32 backend's objects.
#pragma once

#include <windows.h>

#include "platform/ui.h"

namespace ui {

struct Control::Nativo {
  HWND hwnd = nullptr;
  bool faseOculta = false;  // blinking labels: in the hidden half
  bool modal = false;       // forms: inside ShowModal
};

struct Temporizador::Nativo {
  UINT_PTR id = 0;
  bool disparando = false;
};

}  // namespace ui
