// Win32 backend: which control a window stands for.
#include <unordered_map>

#include "platform/win32/ui_interno.h"

namespace ui::win32 {

namespace {

// Which control a window belongs to, asked for every message and every
// repaint: kept in the process, because a window property is a round trip
// to the window system at every read. An entry goes with its window
// (WM_NCDESTROY) or its control, so a handle reused for a window that is
// not ours never finds it.
std::unordered_map<HWND, Control*>& Asociados() {
  static std::unordered_map<HWND, Control*> asociados;
  return asociados;
}

}  // namespace

void Asocia(HWND h, Control* c) {
  if (c) Asociados()[h] = c;
  else Asociados().erase(h);
}

void Desasocia(HWND h) { Asociados().erase(h); }

Control* ControlDe(HWND hwnd) {
  const auto it = Asociados().find(hwnd);
  return it == Asociados().end() ? nullptr : it->second;
}

}  // namespace ui::win32
