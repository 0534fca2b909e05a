// What the portable half of the UI layer asks of a backend, and the helpers
// both backends share (event guard, alignment, screen centring).
#pragma once

#include <functional>
#include <string>

#include "platform/ui.h"

// The backend's native objects (Control::Nativo, Temporizador::Nativo).
#ifdef ZELVANO_WIN32
#include "platform/win32/ui_interno.h"
#else
#include "platform/posix/ui_interno.h"
#endif

namespace ui::nucleo {

// Which property of a control changed, so the backend can update only that.
enum class Cambio {
  Geometria,
  Visible,
  Habilitado,
  Color,
  Fuente,
  Texto,       // caption or text
  Estilo,      // alignment, borders, read-only, tab stop, relief, ...
  Valor,       // progress position or range, check state
  Lineas,      // the whole list of lines was replaced or cleared
  Parpadeo,
  Imagen,
  Foco,        // the control now has its form's keyboard focus
};

// Backend: bring the native control up to date.
void Notifica(Control& c, Cambio que);
// Backend: a line was appended to a memo or rich-text area (the line is
// already in Lines()). Appending must not rewrite the whole text.
void LineaAnadida(Control& c, const Texto& linea);
// Backend: the screen's work area, for centring top-level forms.
void AreaPantalla(int& ancho, int& alto);

// Runs an event handler; an exception that escapes it goes to the
// application's handler (or, without one, to the standard display). An
// exception escaping the handler itself is shown with the standard display:
// nothing propagates out of this call.
void Dispara(const aplicacion::Emisor& emisor, const std::function<void()>& manejador);
aplicacion::Emisor EmisorDe(const Control& c);
aplicacion::Emisor EmisorDe(const Temporizador& t);
// The emitter of exceptions that escape the message loop itself.
aplicacion::Emisor EmisorAplicacion();

// The control was disabled or hidden: when it holds (or contains) its form's
// focus, the focus moves on to the next control that can take it.
void CedeFoco(Control& c);

// Inner rectangle left by a panel's bevels.
int Borde(const Control& c);

// Position of a centred form: on its owner, or on the screen.
void PosicionCentrada(const Formulario& f, int& left, int& top);

}  // namespace ui::nucleo
