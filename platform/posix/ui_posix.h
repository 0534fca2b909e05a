// Internals of the posix UI backend: the scripted user and the transcript.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"

namespace ui::posix {

// One line of the scripted user: "<form> marca|desmarca|pulsa <control>",
// "<form> pulsa-tecla <key>" (Tab, Mayus+Tab, Intro or Enter, Espacio,
// Escape: the key goes to the form's focused control), "<form> cierra" (the
// system's close, Alt+F4), "<form> pulsa-tecla-bloqueada <key>" (a key
// given while the form is disabled: a run underway or a modal window over
// it; the first pump that finds the form shown and disabled delivers it),
// "<form> pulsa-durante <button>" (a click while a handler of the run is
// still running; the first pump inside a handler that finds the form shown
// and enabled delivers it) or "<form> espera". Waiting lets the timers run (and the modal forms they
// open follow the script) until the form closes by itself; a form left with
// nothing to do is closed (modal result 2; the main form simply closes) after
// ZELVANO_ESPERA_MAXIMA seconds (120 unless set), with a message on standard
// error and an "abandono" event in the transcript.
struct Accion {
  std::string formulario;
  std::string verbo;
  std::string control;
  int linea = 0;  // line number in the script file (0: a default action)
};

// The key of a "pulsa-tecla" line; false when the name is none of them.
bool NombreTecla(const std::string& nombre, Tecla& tecla);

// Parses a script text. Malformed lines are left out and described in
// `errores` ("línea N: ...").
std::vector<Accion> LeeGuion(const std::string& contenido, std::vector<std::string>& errores);

// The scripted user's pending actions (the file named by ZELVANO_GUION).
class Guion {
 public:
  static Guion& Global();
  void Carga(std::vector<Accion> acciones);
  // The next pending action, or nullptr when the script is exhausted.
  const Accion* Siguiente() const;
  void Consume();

 private:
  std::vector<Accion> acciones_;
  size_t siguiente_ = 0;
};

// JSON text of a string value (quotes included).
std::string Json(const std::string& utf8);
std::string Json(const Texto& t);

// Appends one JSON object line to the transcript (ZELVANO_TRANSCRIPCION) and
// flushes it. `cuerpo` holds the members without braces.
void Escribe(const std::string& cuerpo);
// The form's layout and visible texts.
void AnotaFormulario(Formulario& f, bool modal);
// Closes the transcript file (a test may point the variable somewhere else).
void ReiniciaTranscripcion();

}  // namespace ui::posix
