// Win32 backend: where a form goes on the screen. The work area is the
// monitor's less its taskbar; a form is centred on its owner or on that
// area, shortened or narrowed first when it would not fit in it, and kept
// inside it.
#include "platform/comun/ui_nucleo.h"

namespace ui {

namespace win32 {

namespace {

nucleo::Rectangulo DeRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The work area of the monitor the window (or its owner) is on.
RECT AreaTrabajo(HWND h) {
  RECT area{};
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (GetMonitorInfoW(MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST), &mi)) return mi.rcWork;
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0))
    area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return area;
}

// The window's size with its frame for the form's client size.
SIZE TamanoVentana(const Formulario& f, HWND h) {
  RECT r{0, 0, f.Width(), f.Height()};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(h, GWL_EXSTYLE)));
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

void ColocaEnPantalla(Formulario& f, HWND h) {
  HWND duenyo = f.Propietario() ? Ventana(*f.Propietario()) : nullptr;
  const RECT area = AreaTrabajo(duenyo ? duenyo : h);
  SIZE tam = TamanoVentana(f, h);
  if (tam.cy > area.bottom - area.top) {
    nucleo::Compacta(f, tam.cy - (area.bottom - area.top));
    tam = TamanoVentana(f, h);
  }
  if (tam.cx > area.right - area.left) {
    nucleo::Estrecha(f, tam.cx - (area.right - area.left));
    tam = TamanoVentana(f, h);
  }
  // Centred on where the owner's window really is (the user may have moved it).
  RECT sobre = area;
  if (duenyo) GetWindowRect(duenyo, &sobre);
  int left = 0, top = 0;
  nucleo::Coloca(DeRect(area), DeRect(sobre), tam.cx, tam.cy, left, top);
  f.SetBounds(left, top, f.Width(), f.Height());
}

}  // namespace win32

namespace nucleo {

void AreaPantalla(int& ancho, int& alto) {
  const RECT r = win32::AreaTrabajo(nullptr);
  ancho = r.right - r.left;
  alto = r.bottom - r.top;
}

}  // namespace nucleo

}  // namespace ui
