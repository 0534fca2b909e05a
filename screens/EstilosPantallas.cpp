#include "screens/EstilosPantallas.h"

#include <vector>

namespace pantallas {

namespace {

constexpr int kAncho = 800;
constexpr int kAlto = 585;

ui::Etiqueta* Titular(ui::Control* padre, const char* nombre, const Texto& caption, ui::Color color,
                      ui::Color sombra, ui::Color luz) {
  auto* e = new ui::Etiqueta(padre, nombre);
  e->SetBounds(0, 0, padre->Width(), 45);
  e->SetCaption(caption);
  e->SetJustificacion(ui::Justificacion::Centro);
  ui::Fuente f;
  f.nombre = u"Arial";
  f.altoPx = 28;
  f.negrita = true;
  f.color = color;
  e->SetFont(f);
  e->SetRelieve({true, sombra, luz, 3});
  return e;
}

}  // namespace

ui::Panel* PreparaPantalla(ui::Formulario& f, const Texto& caption) {
  f.SetCaption(caption);
  f.SetSinTitulo(true);
  f.SetColor(ui::clBlack);
  f.SetTamanoCliente(kAncho, kAlto);
  // Both screens are left only by their own button, once the box is ticked:
  // Alt+F4 is ignored, as Escape is.
  f.SetIgnoraCierreSistema(true);
  auto* panel = new ui::Panel(&f, "Panel1");
  panel->SetBiseles(ui::Panel::Bisel::Suave, ui::Panel::Bisel::Ninguno);
  panel->SetColor(ui::clBlack);
  panel->SetAlign(ui::Alineacion::Cliente);
  f.Centra();
  return panel;
}

ui::Etiqueta* TitularRojo(ui::Control* padre, const char* nombre, const Texto& caption) {
  return Titular(padre, nombre, caption, ui::clRed, ui::clYellow, ui::clBlack);
}

ui::Etiqueta* TitularAmarillo(ui::Control* padre, const char* nombre, const Texto& caption) {
  return Titular(padre, nombre, caption, ui::clYellow, ui::clRed, ui::clYellow);
}

ui::Memo* AreaTexto(ui::Control* padre, const char* nombre, int left, int top, int width, int height,
                    int altoFuentePx, std::initializer_list<const char16_t*> lineas) {
  auto* m = new ui::Memo(padre, nombre);
  m->SetBounds(left, top, width, height);
  m->SetColor(ui::clBlack);
  ui::Fuente f;
  f.nombre = u"Tahoma";
  f.altoPx = altoFuentePx;
  f.color = ui::clLime;
  m->SetFont(f);
  m->SetTabStop(false);
  m->SetSoloLectura(false);
  std::vector<Texto> v;
  for (const char16_t* l : lineas) v.emplace_back(l);
  m->SetLines(v);
  return m;
}

ui::Casilla* CasillaLeido(ui::Control* padre) {
  auto* c = new ui::Casilla(padre, "LCBLeido");
  c->SetBounds(278, 530, 240, 30);
  c->SetCaption(u"He Le\u00EDdo y Entendido");
  ui::Fuente f;
  f.nombre = u"Verdana";
  f.altoPx = 20;
  f.color = ui::clWhite;
  c->SetFont(f);
  return c;
}

}  // namespace pantallas
