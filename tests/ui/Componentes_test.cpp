// Properties of the components that need no loop: clamping, change events,
// displayed lines, alignment, names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include <string>
#include <vector>

#include "platform/ui.h"

namespace {

using ui::Texto;

struct Caso {
  int pedido;
  int esperado;
};

TEST(BarraProgreso, LaPosicionQuedaDentroDelRango) {
  ui::Formulario f(nullptr, "frmBarra");
  auto* barra = new ui::BarraProgreso(&f, "PB7");
  barra->SetRango(0, 20000);
  const std::vector<Caso> casos = {{0, 0}, {1, 1}, {19999, 19999}, {20000, 20000},
                                   {20001, 20000}, {-1, 0}, {1 << 30, 20000}, {5, 5}};
  for (const auto& c : casos) {
    barra->SetPosition(c.pedido);
    EXPECT_EQ(barra->Position(), c.esperado) << "pedido " << c.pedido;
  }
  // Narrowing the range pulls the position in.
  barra->SetPosition(15000);
  barra->SetRango(0, 100);
  EXPECT_EQ(barra->Position(), 100);
}

TEST(BarraProgreso, ContarCambiosSeDetieneEnElMaximo) {
  ui::Formulario f(nullptr, "frmBarra");
  auto* barra = new ui::BarraProgreso(&f, "PB7");
  barra->SetRango(0, 20000);
  for (int i = 0; i < 20001; ++i) barra->SetPosition(barra->Position() + 1);
  EXPECT_EQ(barra->Position(), 20000);
}

TEST(Memo, CadaLineaAnadidaDisparaUnCambio) {
  ui::Formulario f(nullptr, "frmMemo");
  auto* memo = new ui::Memo(&f, "MemoBackup");
  std::vector<size_t> lineasAlCambiar;
  memo->OnChange = [&] { lineasAlCambiar.push_back(memo->Lines().size()); };
  memo->Add(u"uno");
  memo->Add(u"");
  memo->Add(u"tres con acentos: Tamaño, Versión");
  EXPECT_EQ(lineasAlCambiar, (std::vector<size_t>{1, 2, 3}));
  EXPECT_EQ(memo->Lines().back(), u"tres con acentos: Tamaño, Versión");

  memo->SetLines({u"a", u"b"});
  memo->Clear();
  memo->Clear();  // already empty: nothing changes, no event
  EXPECT_EQ(lineasAlCambiar, (std::vector<size_t>{1, 2, 3, 2, 0}));
}

TEST(Memo, MuchasLineasSeConservanEnOrden) {
  ui::Formulario f(nullptr, "frmMemo");
  auto* memo = new ui::Memo(&f, "MemoBackup");
  int cambios = 0;
  memo->OnChange = [&] { ++cambios; };
  for (int i = 0; i < 5000; ++i) memo->Add(texto::DeUtf8(std::to_string(i)));
  ASSERT_EQ(memo->Lines().size(), 5000u);
  EXPECT_EQ(cambios, 5000);
  EXPECT_EQ(memo->Lines()[4321], u"4321");
}

// The dialog's message area: 500 px wide (less the bevels), Verdana 15 px,
// indents 10 pt and 5 pt, so about 62 average characters fit on a line.
struct CasoLineas {
  const char* nombre;
  std::vector<Texto> lineas;
  int esperadas;
};

TEST(TextoEnriquecido, LineasMostradas) {
  const Texto largo(150, u'x');  // one word wider than two lines
  const std::vector<CasoLineas> casos = {
      {"vacío", {}, 1},
      {"línea en blanco", {u""}, 1},
      {"una línea tras la primera en blanco", {u"", u"No puedo abrir la Base de Datos."}, 2},
      {"salto de línea real dentro de una línea",
       {u"", u"Solo las Versiones entre 20.21.0.3 y 20.21.1.8\nde Zelvano son actualizables."}, 3},
      {"líneas vacías por saltos", {u"", u"a\n\n\nb\n"}, 6},
      {"texto largo que se parte",
       {u"", u"Ha sucedido un Error en el proceso de Actualización y se procederá a deshacer "
             u"todos los Procesos realizados hasta este momento."}, 4},  // 127 characters: 56 + 61 + 8
      {"palabra más larga que una línea", {u"", largo}, 4},
  };
  for (const auto& c : casos) {
    ui::Formulario f(nullptr, "frmDialogo");
    auto* mensaje = new ui::TextoEnriquecido(&f, "Mensaje");
    mensaje->SetBounds(2, 80, 496, 50);
    mensaje->SetFont({u"Verdana", 15, false, false, ui::clBlack});
    mensaje->SetSangrias(10, 5);
    for (const auto& l : c.lineas) mensaje->Add(l);
    EXPECT_EQ(mensaje->LineasMostradas(), c.esperadas) << c.nombre;
  }
}

TEST(TextoEnriquecido, UnaZonaMasAnchaParteMenos) {
  const Texto texto =
      u"Suscríbase a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales.";
  ui::Formulario f(nullptr, "frmDialogo");
  auto* mensaje = new ui::TextoEnriquecido(&f, "Mensaje");
  mensaje->SetFont({u"Verdana", 15, false, false, ui::clBlack});
  mensaje->SetSangrias(10, 5);
  mensaje->Add(u"");
  mensaje->Add(texto);
  mensaje->SetBounds(2, 80, 496, 50);
  const int estrecho = mensaje->LineasMostradas();
  mensaje->SetBounds(2, 80, 696, 50);
  const int ancho = mensaje->LineasMostradas();
  EXPECT_EQ(estrecho, 3);
  EXPECT_EQ(ancho, 2);
}

TEST(Alineacion, BandasArribaAbajoYCliente) {
  ui::Formulario f(nullptr, "frmDialogo");
  f.SetTamanoCliente(500, 182);
  auto* marco = new ui::Panel(&f, "Panel_Form");
  marco->SetAlign(ui::Alineacion::Cliente);
  marco->SetBiseles(ui::Panel::Bisel::Elevado, ui::Panel::Bisel::Hundido);
  auto* titulo = new ui::Panel(marco, "P_Titulo");
  titulo->SetHeight(33);
  titulo->SetAlign(ui::Alineacion::Arriba);
  auto* banda = new ui::Panel(marco, "Panel2");
  banda->SetHeight(45);
  banda->SetAlign(ui::Alineacion::Arriba);
  auto* botones = new ui::Panel(marco, "Panel1");
  botones->SetHeight(45);
  botones->SetAlign(ui::Alineacion::Abajo);
  auto* mensaje = new ui::TextoEnriquecido(marco, "Mensaje");
  mensaje->SetAlign(ui::Alineacion::Cliente);

  EXPECT_EQ(marco->Width(), 500);
  EXPECT_EQ(marco->Height(), 182);
  EXPECT_EQ(titulo->Top(), 2);
  EXPECT_EQ(titulo->Width(), 496);
  EXPECT_EQ(banda->Top(), 35);
  EXPECT_EQ(botones->Top(), 182 - 2 - 45);
  EXPECT_EQ(mensaje->Top(), 80);
  EXPECT_EQ(mensaje->Height(), 135 - 80);

  // A taller band and a taller form move and stretch the others.
  banda->SetHeight(75);
  f.SetTamanoCliente(700, 182 + 28);
  EXPECT_EQ(marco->Width(), 700);
  EXPECT_EQ(mensaje->Top(), 110);
  EXPECT_EQ(mensaje->Height(), 210 - 2 - 45 - 110);
  EXPECT_EQ(botones->Width(), 696);
  // A hidden band leaves its room to the others.
  titulo->SetVisible(false);
  EXPECT_EQ(banda->Top(), 2);
}

TEST(Formulario, CentradoSobreSuPropietario) {
  ui::Formulario principal(nullptr, "fV");
  principal.SetTamanoCliente(794, 552);
  principal.SetBounds(100, 50, 794, 552);
  ui::Formulario dialogo(&principal, "frmDialogo");
  dialogo.SetTamanoCliente(500, 182);
  dialogo.Centra();
  EXPECT_EQ(dialogo.Left(), 100 + (794 - 500) / 2);
  EXPECT_EQ(dialogo.Top(), 50 + (552 - 182) / 2);
}

TEST(Formulario, NombresDeClaseYControlesPorNombre) {
  ui::Formulario f(nullptr, "frmAviso");
  f.SetUnidad("UnidadAviso");
  auto* panel = new ui::Panel(&f, "Panel1");
  auto* casilla = new ui::Casilla(panel, "LCBLeido");
  auto* boton = new ui::Boton(panel, "BtnLeido");
  ui::Temporizador reloj(&f, "Reloj");
  EXPECT_EQ(f.ClassName(), "TfrmAviso");
  EXPECT_EQ(f.UnitName(), "UnidadAviso");
  EXPECT_EQ(casilla->ClassName(), "TCheckBox");
  EXPECT_EQ(boton->ClassName(), "TButton");
  EXPECT_EQ(boton->UnitName(), "StdCtrls");
  EXPECT_EQ(reloj.ClassName(), "TTimer");
  EXPECT_EQ(f.BuscaControl("LCBLeido"), casilla);
  EXPECT_EQ(f.BuscaControl("BtnLeido"), boton);
  EXPECT_EQ(f.BuscaControl("Nada"), nullptr);
  EXPECT_EQ(boton->FormularioPropietario(), &f);
  // A control deleted on its own leaves its parent's list.
  delete casilla;
  EXPECT_EQ(f.BuscaControl("LCBLeido"), nullptr);
  EXPECT_EQ(panel->Hijos().size(), 1u);
}

TEST(Casilla, MarcarDisparaElClicSoloAlCambiar) {
  ui::Formulario f(nullptr, "frmAviso");
  auto* casilla = new ui::Casilla(&f, "LCBLeido");
  std::vector<bool> vistos;
  casilla->OnClick = [&] { vistos.push_back(casilla->Checked()); };
  casilla->SetChecked(true);
  casilla->SetChecked(true);
  casilla->SetChecked(false);
  EXPECT_EQ(vistos, (std::vector<bool>{true, false}));
}

TEST(Boton, ElResultadoModalSeFijaAntesDelManejador) {
  ui::Formulario f(nullptr, "frmDialogo");
  auto* ok = new ui::Boton(&f, "BtnOK");
  ok->ModalResult = 1;
  int visto = -1;
  ok->OnClick = [&] { visto = f.ModalResult(); };
  ok->Click();
  EXPECT_EQ(visto, 1);
  EXPECT_EQ(f.ModalResult(), 1);
}

}  // namespace

namespace {

TEST(Animacion, SoloReproduceUnClipQueExiste) {
  char plantilla[] = "/tmp/clip_ui_XXXXXX";
  const int fd = mkstemp(plantilla);
  ASSERT_GE(fd, 0);
  close(fd);
  ui::Formulario f(nullptr, "frmDialogo");
  auto* clip = new ui::Animacion(&f, "AMantenimiento");
  EXPECT_FALSE(clip->Abre(texto::DeUtf8(std::string(plantilla) + "_no_existe.avi")));
  clip->Reproduce(8);
  EXPECT_FALSE(clip->Reproduciendo());
  EXPECT_TRUE(clip->Fichero().empty());
  EXPECT_TRUE(clip->Abre(texto::DeUtf8(plantilla)));
  clip->Reproduce(8);
  EXPECT_TRUE(clip->Reproduciendo());
  std::remove(plantilla);
}

}  // namespace

namespace {

TEST(Fuente, LosHijosSiguenLaDelPadreHastaTenerLaSuya) {
  ui::Formulario f(nullptr, "frmDialogo");
  auto* panel = new ui::Panel(&f, "Panel1");
  auto* logo = new ui::Etiqueta(panel, "Logo");
  auto* ok = new ui::Boton(panel, "BtnOK");
  ok->SetFont({u"Arial", 17, false, false, ui::clBlack});
  f.SetFont({u"Tahoma", 13, false, false, ui::clBlack});
  EXPECT_EQ(panel->Font().nombre, u"Tahoma");
  EXPECT_EQ(logo->Font().nombre, u"Tahoma");
  EXPECT_EQ(ok->Font().nombre, u"Arial");
  // A child created later starts with its parent's font.
  auto* no = new ui::Boton(panel, "BtnNO");
  EXPECT_EQ(no->Font().altoPx, 13);
  panel->SetFont({u"Verdana", 15, true, false, ui::clNavy});
  f.SetFont({u"Courier New", 30, false, false, ui::clBlack});
  EXPECT_EQ(logo->Font().nombre, u"Verdana");  // the panel has its own now
  EXPECT_TRUE(logo->Font().negrita);
}

TEST(Color, EtiquetasYCasillasTomanElDelPadre) {
  ui::Formulario f(nullptr, "frmAviso");
  f.SetColor(ui::clBlack);
  auto* panel = new ui::Panel(&f, "P_Copia");
  auto* etiqueta = new ui::Etiqueta(&f, "L_Aviso");
  auto* casilla = new ui::Casilla(&f, "LCBLeido");
  auto* edicion = new ui::Edicion(&f, "RutaTPV");
  EXPECT_EQ(panel->ColorFondo(), ui::clBtnFace);
  EXPECT_EQ(etiqueta->ColorFondo(), ui::clBlack);
  EXPECT_EQ(casilla->ColorFondo(), ui::clBlack);
  EXPECT_EQ(edicion->ColorFondo(), ui::clWhite);
}

}  // namespace
