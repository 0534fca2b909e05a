// Posix backend: the controls keep their state in the portable objects; this
// file holds what a display would do (blinking phase, displayed line count,
// clip opening) and the native hooks, which have nothing to draw.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "platform/comun/ui_nucleo.h"
#include "platform/plataforma.h"
#include "platform/posix/ui_interno.h"

namespace ui {

Control::~Control() {
  posix::Olvida(*this);
  DesmontaArbol();
}

void Control::Repaint() {}

bool Etiqueta::VisibleAhora() const {
  if (!visible_) return false;
  return !(parpadeo_ && nativo_ && nativo_->faseOculta);
}

// Without a display the wrapping is estimated: an average character is taken
// as half the font height wide, and the paragraph indents (points at 120
// pixels per inch) narrow every line of the paragraph. Words wrap greedily;
// a word longer than a line is cut. Each line feed starts a new paragraph,
// and an empty paragraph still shows one line.
int TextoEnriquecido::LineasMostradas() const {
  if (lineas_.empty()) return 1;  // an empty area shows its caret line
  const double pxPorPunto = 120.0 / 72.0;
  const double ancho = width_ - (sangriaPrimera_ + sangriaDerecha_) * pxPorPunto;
  const double anchoCaracter = std::max(1.0, 0.5 * fuente_.altoPx);
  const size_t porLinea = static_cast<size_t>(std::max(1.0, std::floor(ancho / anchoCaracter)));
  // Every break opens a paragraph, empty or not, also a break at the end.
  std::vector<Texto> parrafos;
  for (const Texto& linea : lineas_) {
    size_t i = 0;
    for (;;) {
      size_t fin = linea.find_first_of(u"\r\n", i);
      parrafos.push_back(linea.substr(i, fin == Texto::npos ? Texto::npos : fin - i));
      if (fin == Texto::npos) break;
      if (linea[fin] == u'\r' && fin + 1 < linea.size() && linea[fin + 1] == u'\n') ++fin;
      i = fin + 1;
    }
  }
  int total = 0;
  {
    for (const Texto& parrafo : parrafos) {
      int filas = 1;
      size_t usado = 0;
      size_t i = 0;
      while (i < parrafo.size()) {
        size_t fin = parrafo.find(u' ', i);
        if (fin == Texto::npos) fin = parrafo.size();
        size_t palabra = fin - i;
        const size_t conEspacio = usado == 0 ? palabra : palabra + 1;
        if (usado + conEspacio <= porLinea) {
          usado += conEspacio;
        } else if (usado > 0) {
          ++filas;  // the word moves to the next line
          usado = 0;
          continue;
        } else {
          // Longer than a whole line: it is cut.
          filas += static_cast<int>((palabra - 1) / porLinea);
          usado = palabra % porLinea == 0 ? porLinea : palabra % porLinea;
        }
        i = fin + 1;
      }
      total += filas;
    }
  }
  return total;
}

bool Animacion::Abre(const Texto& fichero) {
  if (!plataforma::ExisteFichero(fichero)) return false;
  fichero_ = fichero;
  return true;
}

void Animacion::Reproduce(int ultimoFotograma) {
  reproduciendo_ = !fichero_.empty() && ultimoFotograma >= 0;
}

namespace nucleo {

void Notifica(Control& c, Cambio que) {
  if (que == Cambio::Parpadeo) posix::CambiaParpadeo(c);
}

void LineaAnadida(Control&, const Texto&) {}

void AreaPantalla(int& ancho, int& alto) {
  ancho = 1024;
  alto = 768;
}

}  // namespace nucleo

}  // namespace ui
