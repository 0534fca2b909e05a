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

// ---- Sizes and places (ui_medidas.cpp) ----------------------------------------

// The one smaller size a caption that does not fit may take: the next
// standard point size below the designed one (8, 9, 10, 11, 12, 14, 16, ...
// as the font dialog offers them), in pixels at the 120 pixels per inch the
// screens were designed for. A size at or below the smallest standard one
// has none: the designed size comes back.
int TamanoMenor(int altoPx);

struct Rectangulo {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Ancho() const { return right - left; }
  int Alto() const { return bottom - top; }
};
// Where a window of `ancho` x `alto` (its frame included) goes: centred on
// `sobre` (its owner's window, or the work area itself), then moved inside
// the work area. A window wider or taller than the area keeps its left or
// top edge on the area's, so that its caption and first controls stay
// reachable.
void Coloca(const Rectangulo& area, const Rectangulo& sobre, int ancho, int alto, int& left, int& top);
// Shortens the form's client area by up to `falta` pixels: first its
// elastic control, down to half its height, then the empty bands between
// its controls, the widest first, each keeping a few pixels; the controls
// below move up. Nothing is covered and no caption loses room. Returns the
// pixels taken.
int Compacta(Formulario& f, int falta);
// Narrows the form's client area by up to `falta` pixels, only as far as
// the empty margin right of its controls goes (a screen of exactly the
// designed width leaves no room for the window's frame). Returns the
// pixels taken.
int Estrecha(Formulario& f, int falta);

}  // namespace ui::nucleo
