// The keyboard model shared by both backends: tab order, skipping what cannot
// take the focus, the focus handed on, and what Enter, Space and Escape do.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"

namespace {

using ui::Tecla;

std::string Nombre(const ui::Control* c) { return c ? c->Nombre() : "(nadie)"; }

// A form like the screens: a panel holding, in declaration order, a button,
// a hidden button, a box, an edit that is no tab stop, a disabled button and
// a last button moved to the front of the tab order.
class Teclado : public ::testing::Test {
 protected:
  Teclado() {
    panel = new ui::Panel(&f, "Panel1");
    uno = new ui::Boton(panel, "BtnUno");
    oculto = new ui::Boton(panel, "BtnOculto");
    oculto->SetVisible(false);
    casilla = new ui::Casilla(panel, "LCBCasilla");
    edicion = new ui::Edicion(panel, "EdNoTab");
    edicion->SetTabStop(false);
    apagado = new ui::Boton(panel, "BtnApagado");
    apagado->SetEnabled(false);
    primero = new ui::Boton(panel, "BtnPrimero");
    primero->SetOrdenTab(0);
    uno->OnClick = [this] { pulsados.push_back("BtnUno"); };
    primero->OnClick = [this] { pulsados.push_back("BtnPrimero"); };
    apagado->OnClick = [this] { pulsados.push_back("BtnApagado"); };
  }

  std::vector<std::string> Recorrido(Tecla t, int veces) {
    std::vector<std::string> r;
    for (int i = 0; i < veces; ++i) {
      f.PulsaTecla(t);
      r.push_back(Nombre(f.Foco()));
    }
    return r;
  }

  ui::Formulario f{nullptr, "frmTeclado"};
  ui::Panel* panel;
  ui::Boton *uno, *oculto, *apagado, *primero;
  ui::Casilla* casilla;
  ui::Edicion* edicion;
  std::vector<std::string> pulsados;
};

TEST_F(Teclado, TabSigueElOrdenYSaltaLoQueNoPuedeTenerElFoco) {
  f.EnfocaPrimero();
  EXPECT_EQ(Nombre(f.Foco()), "BtnPrimero");
  EXPECT_EQ(Recorrido(Tecla::Tab, 4),
            (std::vector<std::string>{"BtnUno", "LCBCasilla", "BtnPrimero", "BtnUno"}));
  EXPECT_EQ(Recorrido(Tecla::MayusTab, 3),
            (std::vector<std::string>{"BtnPrimero", "LCBCasilla", "BtnUno"}));
  // Enabled or shown again, a control takes its place in the round.
  apagado->SetEnabled(true);
  oculto->SetVisible(true);
  EXPECT_EQ(Recorrido(Tecla::Tab, 5),
            (std::vector<std::string>{"BtnOculto", "LCBCasilla", "BtnApagado", "BtnPrimero", "BtnUno"}));
}

TEST_F(Teclado, UnPanelApagadoOcultaSusControles) {
  auto* otro = new ui::Panel(&f, "Panel2");
  auto* dentro = new ui::Boton(otro, "BtnDentro");
  f.EnfocaPrimero();
  EXPECT_EQ(Recorrido(Tecla::MayusTab, 1), (std::vector<std::string>{"BtnDentro"}));
  otro->SetEnabled(false);
  EXPECT_EQ(Nombre(f.Foco()), "BtnPrimero") << "el foco pasa al siguiente, dando la vuelta";
  EXPECT_FALSE(f.Enfoca(dentro));
  panel->SetVisible(false);
  EXPECT_EQ(f.Foco(), nullptr) << "nada puede tener el foco";
  EXPECT_FALSE(f.PulsaTecla(Tecla::Tab));
  EXPECT_FALSE(f.PulsaTecla(Tecla::Intro));
}

TEST_F(Teclado, ElControlEnfocadoQueSeApagaPasaElFoco) {
  ASSERT_TRUE(f.Enfoca(casilla));
  casilla->SetEnabled(false);
  EXPECT_EQ(Nombre(f.Foco()), "BtnPrimero");
  ASSERT_TRUE(f.Enfoca(uno));
  uno->SetVisible(false);
  EXPECT_EQ(Nombre(f.Foco()), "BtnPrimero");
  // A control that goes away takes the focus with it.
  delete primero;
  EXPECT_EQ(f.Foco(), nullptr);
  f.EnfocaPrimero();
  EXPECT_EQ(f.Foco(), nullptr) << "no queda nada alcanzable";
}

TEST_F(Teclado, IntroYEspacioPulsanElBotonEspacioCambiaLaCasillaEscapeNada) {
  struct Caso {
    ui::Control* foco;
    Tecla tecla;
    bool hace;
    std::vector<std::string> pulsados;
    bool marcada;
  };
  const std::vector<Caso> casos = {
      {uno, Tecla::Intro, true, {"BtnUno"}, false},
      {uno, Tecla::Espacio, true, {"BtnUno"}, false},
      {uno, Tecla::Escape, false, {}, false},
      {casilla, Tecla::Espacio, true, {}, true},
      {casilla, Tecla::Intro, false, {}, false},
      {casilla, Tecla::Escape, false, {}, false},
  };
  for (const Caso& c : casos) {
    pulsados.clear();
    casilla->SetChecked(false);
    ASSERT_TRUE(f.Enfoca(c.foco));
    EXPECT_EQ(f.PulsaTecla(c.tecla), c.hace) << Nombre(c.foco) << " " << static_cast<int>(c.tecla);
    EXPECT_EQ(pulsados, c.pulsados) << Nombre(c.foco) << " " << static_cast<int>(c.tecla);
    EXPECT_EQ(casilla->Checked(), c.marcada) << Nombre(c.foco) << " " << static_cast<int>(c.tecla);
  }
  // Space twice: ticked and unticked, each time with the box's click event.
  int clics = 0;
  casilla->OnClick = [&] { ++clics; };
  f.Enfoca(casilla);
  f.PulsaTecla(Tecla::Espacio);
  f.PulsaTecla(Tecla::Espacio);
  EXPECT_EQ(clics, 2);
  EXPECT_FALSE(casilla->Checked());
}

// A run disables its form: no key may press or tick anything of it then, nor
// of a form that is hidden.
TEST_F(Teclado, UnFormularioApagadoUOcultoNoAtiendeTeclas) {
  int clics = 0;
  casilla->OnClick = [&] { ++clics; };
  const std::vector<std::pair<const char*, std::function<void(bool)>>> estados = {
      {"apagado", [this](bool si) { f.SetEnabled(!si); }},
      {"oculto", [this](bool si) { f.SetVisible(!si); }},
  };
  for (const auto& [estado, pon] : estados) {
    for (ui::Control* foco : std::vector<ui::Control*>{uno, casilla}) {
      SCOPED_TRACE(std::string(estado) + " " + Nombre(foco));
      pulsados.clear();
      clics = 0;
      ASSERT_TRUE(f.Enfoca(foco));
      pon(true);
      for (Tecla t : {Tecla::Intro, Tecla::Espacio, Tecla::Tab, Tecla::MayusTab})
        EXPECT_FALSE(f.PulsaTecla(t)) << static_cast<int>(t);
      EXPECT_TRUE(pulsados.empty());
      EXPECT_EQ(clics, 0);
      EXPECT_EQ(f.Foco(), foco) << "Tab no mueve el foco";
      // Enabled and shown again, the form answers as before.
      pon(false);
      EXPECT_TRUE(f.PulsaTecla(Tecla::Espacio));
      EXPECT_EQ(pulsados.size() + static_cast<size_t>(clics), 1u);
    }
  }
}

TEST_F(Teclado, NoSeEnfocaLoQueNoPuedeTenerElFoco) {
  ui::Formulario otro(nullptr, "frmOtro");
  auto* ajeno = new ui::Boton(&otro, "BtnAjeno");
  f.EnfocaPrimero();
  for (ui::Control* c : std::vector<ui::Control*>{oculto, apagado, edicion, panel, ajeno, &f, nullptr})
    EXPECT_FALSE(f.Enfoca(c)) << Nombre(c);
  EXPECT_EQ(Nombre(f.Foco()), "BtnPrimero");
  // The button that is disabled does not answer, though the key reaches it.
  pulsados.clear();
  f.FocoNativo(apagado);
  f.PulsaTecla(Tecla::Intro);
  EXPECT_TRUE(pulsados.empty());
}

}  // namespace
