// Sizes and places the layer decides alike on both backends: the one smaller
// size a caption may take, where a window goes on the screen's work area,
// and how a form taller than that area gives up height without covering
// anything.
#include <algorithm>
#include <vector>

#include "platform/comun/ui_nucleo.h"

namespace ui::nucleo {

namespace {

// Points, as the font dialog lists them.
constexpr int kTamanosEstandar[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
constexpr int kPixelesPorPulgadaDiseno = 120;
// What an empty band between two controls keeps when the form is shortened.
constexpr int kHuecoMinimo = 4;

int Pixeles(int puntos) { return (puntos * kPixelesPorPulgadaDiseno + 36) / 72; }

int Limita(int v, int minimo, int maximo) { return maximo < minimo ? minimo : std::clamp(v, minimo, maximo); }

// Where the form's controls are: the form itself, or the panel that fills it.
Control& Contenido(Formulario& f) {
  Control* c = &f;
  for (;;) {
    Control* cliente = nullptr;
    for (Control* h : c->Hijos())
      if (h->Visible() && h->Align() == Alineacion::Cliente) cliente = h;
    if (!cliente) return *c;
    c = cliente;
  }
}

struct Banda {
  int desde, hasta;  // the empty rows [desde, hasta)
  int quitado = 0;
};

}  // namespace

int TamanoMenor(int altoPx) {
  int menor = altoPx;
  for (int pt : kTamanosEstandar)
    if (Pixeles(pt) < altoPx) menor = Pixeles(pt);
  return menor;
}

void Coloca(const Rectangulo& area, const Rectangulo& sobre, int ancho, int alto, int& left, int& top) {
  left = sobre.left + (sobre.Ancho() - ancho) / 2;
  top = sobre.top + (sobre.Alto() - alto) / 2;
  left = Limita(left, area.left, area.right - ancho);
  top = Limita(top, area.top, area.bottom - alto);
}

int Compacta(Formulario& f, int falta) {
  if (falta <= 0) return 0;
  Control& contenido = Contenido(f);
  const int borde = Borde(contenido);
  // The rows below the top-aligned headlines, down to the bottom edge.
  int inicio = borde, fin = contenido.Height() - borde;
  std::vector<Control*> libres;
  for (Control* h : contenido.Hijos()) {
    if (!h->Visible()) continue;
    if (h->Align() == Alineacion::Arriba) inicio = std::max(inicio, h->Top() + h->Height());
    if (h->Align() == Alineacion::Abajo) fin = std::min(fin, h->Top());
    if (h->Align() == Alineacion::Ninguna) libres.push_back(h);
  }
  int tomado = 0;
  // The elastic control first: everything from its foot down moves up.
  Control* elastico = f.ControlElastico();
  if (elastico && elastico->Visible() && std::find(libres.begin(), libres.end(), elastico) != libres.end()) {
    const int pie = elastico->Top() + elastico->Height();
    const int quita = std::min(falta, elastico->Height() / 2);
    elastico->SetHeight(elastico->Height() - quita);
    for (Control* h : libres)
      if (h != elastico && h->Top() >= pie) h->SetTop(h->Top() - quita);
    tomado += quita;
  }
  // The empty bands: rows no control covers.
  std::vector<std::pair<int, int>> ocupadas;
  for (Control* h : libres) ocupadas.emplace_back(h->Top(), h->Top() + h->Height());
  std::sort(ocupadas.begin(), ocupadas.end());
  std::vector<Banda> bandas;
  int cursor = inicio;
  for (const auto& [desde, hasta] : ocupadas) {
    if (desde > cursor) bandas.push_back({cursor, desde});
    cursor = std::max(cursor, hasta);
  }
  if (fin - tomado > cursor) bandas.push_back({cursor, fin - tomado});
  // One pixel at a time from the widest band left.
  while (tomado < falta) {
    Banda* ancha = nullptr;
    for (Banda& b : bandas) {
      const int queda = b.hasta - b.desde - b.quitado;
      if (queda > kHuecoMinimo && (!ancha || queda > ancha->hasta - ancha->desde - ancha->quitado)) ancha = &b;
    }
    if (!ancha) break;
    ++ancha->quitado;
    ++tomado;
  }
  for (Control* h : libres) {
    int sube = 0;
    for (const Banda& b : bandas)
      if (b.hasta <= h->Top()) sube += b.quitado;
    if (sube) h->SetTop(h->Top() - sube);
  }
  if (tomado) f.SetTamanoCliente(f.Width(), f.Height() - tomado);
  return tomado;
}

int Estrecha(Formulario& f, int falta) {
  if (falta <= 0) return 0;
  Control& contenido = Contenido(f);
  int derecha = 0;
  for (Control* h : contenido.Hijos())
    if (h->Visible() && h->Align() == Alineacion::Ninguna) derecha = std::max(derecha, h->Left() + h->Width());
  const int sobra = contenido.Width() - Borde(contenido) - derecha;
  const int tomado = std::clamp(sobra, 0, falta);
  if (tomado) f.SetTamanoCliente(f.Width() - tomado, f.Height());
  return tomado;
}

}  // namespace ui::nucleo
