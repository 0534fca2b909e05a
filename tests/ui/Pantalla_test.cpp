// Sizes and places on the screen: the one smaller size of a caption, a
// window kept inside the work area (a taskbar at any edge, a small screen),
// and the notice, final and main windows shortened and narrowed for a screen
// of 800 x 600 with a taskbar without covering anything.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/comun/ui_nucleo.h"
#include "screens/UnidadAviso.h"
#include "screens/Unidad_Final.h"

namespace {

using ui::nucleo::Rectangulo;

TEST(TamanoMenor, UnTamanoEstandarPorDebajoYNoMas) {
  // Designed pixels -> the one smaller size (points at 120 pixels per inch).
  const std::map<int, int> casos = {
      {30, 27},  // 18 pt -> 16 pt
      {28, 27},  // between two standard sizes -> the one below
      {23, 20},  // 14 pt -> 12 pt
      {20, 18},  // 12 pt -> 11 pt
      {17, 15},  // 10 pt -> 9 pt
      {15, 13},  // 9 pt -> 8 pt
      {13, 13},  // 8 pt: none smaller
      {10, 10},
  };
  for (const auto& [diseno, menor] : casos) EXPECT_EQ(ui::nucleo::TamanoMenor(diseno), menor) << diseno;
}

TEST(Coloca, DentroDelAreaDeTrabajo) {
  struct Caso {
    const char* que;
    Rectangulo area, sobre;
    int ancho, alto, left, top;
  };
  const Rectangulo pantalla1024{0, 0, 1024, 728};
  const std::vector<Caso> casos = {
      {"cabe: centrada", pantalla1024, pantalla1024, 802, 587, 111, 70},
      {"barra abajo, más alta que el área", {0, 0, 800, 560}, {0, 0, 800, 560}, 802, 587, 0, 0},
      {"barra arriba", {0, 40, 800, 600}, {0, 40, 800, 600}, 802, 587, 0, 40},
      {"barra a la izquierda", {60, 0, 1024, 768}, {60, 0, 1024, 768}, 802, 587, 141, 90},
      {"barra a la derecha, justa", {0, 0, 802, 600}, {0, 0, 802, 600}, 802, 560, 0, 20},
      {"diálogo sobre un dueño medio fuera", {0, 0, 800, 560}, {-300, 400, 500, 980}, 506, 220, 0, 340},
      {"diálogo sobre un dueño centrado", pantalla1024, {100, 50, 900, 650}, 506, 220, 247, 240},
  };
  for (const Caso& c : casos) {
    int left = -1, top = -1;
    ui::nucleo::Coloca(c.area, c.sobre, c.ancho, c.alto, left, top);
    EXPECT_EQ(left, c.left) << c.que;
    EXPECT_EQ(top, c.top) << c.que;
  }
}

struct Fila {
  std::string nombre;
  int top, alto;
};

// The visible controls placed by hand, where they are.
std::vector<Fila> Filas(ui::Control& contenido) {
  std::vector<Fila> v;
  for (ui::Control* h : contenido.Hijos())
    if (h->Visible() && h->Align() == ui::Alineacion::Ninguna) v.push_back({h->Nombre(), h->Top(), h->Height()});
  return v;
}

// Shortened by `falta`: every control inside, none covering another it did
// not cover, the order kept, and every one as high as designed except the
// elastic one.
void CompruebaCompactada(ui::Formulario& f, ui::Control& contenido, int falta, const std::string& elastico) {
  const std::vector<Fila> antes = Filas(contenido);
  const int alto = f.Height();
  EXPECT_EQ(ui::nucleo::Compacta(f, falta), falta) << f.Nombre();
  EXPECT_EQ(f.Height(), alto - falta) << f.Nombre();
  const std::vector<Fila> despues = Filas(contenido);
  ASSERT_EQ(antes.size(), despues.size());
  const int fondo = contenido.Height() - ui::nucleo::Borde(contenido);
  for (size_t i = 0; i < antes.size(); ++i) {
    const Fila& a = antes[i];
    const Fila& d = despues[i];
    EXPECT_LE(d.top + d.alto, fondo) << f.Nombre() << "." << d.nombre << " fuera";
    if (d.nombre != elastico) {
      EXPECT_EQ(d.alto, a.alto) << f.Nombre() << "." << d.nombre;
    }
    for (size_t j = 0; j < antes.size(); ++j) {
      if (i == j) continue;
      const bool separadas = a.top + a.alto <= antes[j].top;
      if (separadas) {
        EXPECT_LE(d.top + d.alto, despues[j].top) << f.Nombre() << ": " << d.nombre << " cubre " << despues[j].nombre;
      }
    }
  }
}

TEST(Compacta, AvisoYFinalEnOchocientosPorSeiscientosConBarra) {
  // 800 x 600 less a taskbar of 40 px (96 ppp) or 60 px (144 ppp), and the
  // borders of the window: 2 px.
  for (int falta : {587 - 560, 587 - 540}) {
    TfrmAviso aviso(nullptr);
    CompruebaCompactada(aviso, *aviso.Panel1, falta, "");
    Tfrm_Final final(nullptr);
    CompruebaCompactada(final, *final.Panel1, falta, "");
  }
}

// A screen exactly 800 px wide leaves no room for the frame of a window of
// 800 client pixels: the margin right of the controls gives it, no more.
TEST(Estrecha, AvisoYFinalPorElMargenDerecho) {
  auto comprueba = [](ui::Formulario& f, ui::Control& contenido) {
    const std::vector<Fila> antes = Filas(contenido);
    const int ancho = f.Width();
    EXPECT_EQ(ui::nucleo::Estrecha(f, 2), 2) << f.Nombre();
    EXPECT_EQ(f.Width(), ancho - 2) << f.Nombre();
    for (ui::Control* h : contenido.Hijos()) {
      if (!h->Visible() || h->Align() != ui::Alineacion::Ninguna) continue;
      EXPECT_LE(h->Left() + h->Width(), contenido.Width() - ui::nucleo::Borde(contenido))
          << f.Nombre() << "." << h->Nombre() << " fuera";
    }
    const std::vector<Fila> despues = Filas(contenido);
    ASSERT_EQ(antes.size(), despues.size());
    for (size_t i = 0; i < antes.size(); ++i) EXPECT_EQ(despues[i].top, antes[i].top) << despues[i].nombre;
    // Past the margin nothing more is taken: a control would be cut.
    EXPECT_LT(ui::nucleo::Estrecha(f, 100), 100) << f.Nombre();
  };
  TfrmAviso aviso(nullptr);
  comprueba(aviso, *aviso.Panel1);
  Tfrm_Final final(nullptr);
  comprueba(final, *final.Panel1);
}

TEST(Compacta, ElRegistroCedeAntesQueLosHuecos) {
  ui::Formulario f(nullptr, "fV");
  f.SetTamanoCliente(794, 552);
  auto* cabecera = new ui::Panel(&f, "Panel_Mens");
  cabecera->SetBounds(0, 0, 794, 90);
  cabecera->SetAlign(ui::Alineacion::Arriba);
  auto* ruta = new ui::Edicion(&f, "RutaTPV");
  ruta->SetBounds(5, 110, 390, 26);
  auto* registro = new ui::Memo(&f, "MemoBackup");
  registro->SetBounds(10, 255, 775, 235);
  auto* boton = new ui::Boton(&f, "BtnAceptar");
  boton->SetBounds(575, 496, 210, 50);
  f.SetControlElastico(registro);
  CompruebaCompactada(f, f, 40, "MemoBackup");
  EXPECT_EQ(registro->Height(), 235 - 40);
  EXPECT_EQ(ruta->Top(), 110);
  EXPECT_EQ(boton->Top(), 496 - 40);
  // More than half the log: the empty bands give the rest.
  ui::Formulario g(nullptr, "fV");
  g.SetTamanoCliente(794, 552);
  auto* otro = new ui::Memo(&g, "MemoBackup");
  otro->SetBounds(10, 255, 775, 100);
  g.SetControlElastico(otro);
  EXPECT_EQ(ui::nucleo::Compacta(g, 80), 80);
  EXPECT_EQ(otro->Height(), 50);
  // Nothing left to give: what could be taken, no more.
  EXPECT_LT(ui::nucleo::Compacta(g, 1000), 1000);
}

}  // namespace
