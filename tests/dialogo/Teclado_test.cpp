// The screens worked by keyboard alone, as a technician without a mouse does:
// where the focus starts, where Tab takes it, and that Enter and Space do
// what a click does while Escape does nothing.
#include <gtest/gtest.h>

#include "screens/UnidadAviso.h"
#include "screens/Unidad_Final.h"
#include "tests/dialogo/ConVentana.h"

namespace prueba_dialogo {
namespace {

const std::string kInvitacion =
    "Suscr\xC3\xAD" "base a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales.";
const std::string kMarqueLeido = "Debe marcar que ha le\xC3\xAD" "do la notificaci\xC3\xB3n.";

class Teclado : public ConVentana {
 protected:
  // Where the focus was after each key given to the form.
  std::vector<std::string> Focos(const std::string& formulario) const {
    std::vector<std::string> r;
    for (const Json& e : Eventos("foco", formulario)) r.push_back(e.Texto("control"));
    return r;
  }
  std::vector<std::string> Dialogos() const {
    std::vector<std::string> r;
    for (const Json& d : Eventos("dialogo")) r.push_back(d.Texto("texto"));
    return r;
  }
};

TEST_F(Teclado, ElAvisoSeLeeYSeDejaSinRaton) {
  Guion(
      "frmAviso pulsa-tecla Intro\n"     // on the box: nothing
      "frmAviso pulsa-tecla Tab\n"       // the button is disabled: the box again
      "frmAviso pulsa-tecla Espacio\n"   // ticked: the button wakes up
      "frmAviso pulsa-tecla Escape\n"    // nothing to cancel
      "frmAviso pulsa-tecla Tab\n"
      "frmAviso pulsa-tecla Intro\n");
  TfrmAviso aviso(&V());
  aviso.ShowModal();
  EXPECT_TRUE(Eventos("abandono").empty());
  EXPECT_EQ(Focos("frmAviso"),
            (std::vector<std::string>{"LCBLeido", "LCBLeido", "LCBLeido", "LCBLeido", "BtnLeido"}));
  EXPECT_TRUE(aviso.LCBLeido->Checked());
  const auto acciones = Eventos("accion", "frmAviso");
  ASSERT_EQ(acciones.size(), 6u);
  for (const Json& a : acciones) EXPECT_EQ(a.Texto("origen"), "guion") << "sin acciones por defecto";
}

TEST_F(Teclado, ElDialogoEmpiezaEnAceptarYEscapeNoLoCierra) {
  struct Caso {
    const char* guion;
    char16_t tipo;
    bool resultado;
    std::vector<std::string> focos;
  };
  const std::vector<Caso> casos = {
      {"frmDialogo pulsa-tecla Escape\nfrmDialogo pulsa-tecla Intro\n", u'!', true, {"BtnOK"}},
      {"frmDialogo pulsa-tecla Tab\nfrmDialogo pulsa-tecla Espacio\n", u'E', true, {"BtnOK"}},
      // With "No" shown it comes after "Si" in the tab order.
      {"frmDialogo pulsa-tecla Tab\nfrmDialogo pulsa-tecla Intro\n", u'?', false, {"BtnNO"}},
      {"frmDialogo pulsa-tecla Mayus+Tab\nfrmDialogo pulsa-tecla Mayus+Tab\nfrmDialogo pulsa-tecla Espacio\n",
       u'W', true, {"BtnNO", "BtnOK"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.guion);
    Guion(c.guion);
    const size_t antes = Eventos("foco", "frmDialogo").size();
    EXPECT_EQ(V().MuestraDialogo(u"\u00BFSeguro?", c.tipo, false, 0), c.resultado);
    const auto focos = Focos("frmDialogo");
    EXPECT_EQ(std::vector<std::string>(focos.begin() + static_cast<long>(antes), focos.end()), c.focos);
  }
  EXPECT_TRUE(Eventos("abandono").empty());
}

TEST_F(Teclado, LaPantallaFinalSeRecorreYSeAceptaConElTeclado) {
  Guion(
      "frm_Final pulsa-tecla Tab\n"        // the box is first: to the channel button
      "frm_Final pulsa-tecla Tab\n"        // to Aceptar
      "frm_Final pulsa-tecla Intro\n"      // not ticked yet: the reminder
      "frmDialogo pulsa-tecla Intro\n"
      "frm_Final pulsa-tecla Tab\n"        // round to the box
      "frm_Final pulsa-tecla Espacio\n"
      "frm_Final pulsa-tecla Mayus+Tab\n"  // back to Aceptar
      "frm_Final pulsa-tecla Espacio\n"    // the invitation, then the screen closes
      "frmDialogo pulsa-tecla Espacio\n");
  Tfrm_Final final(&V());
  final.ShowModal();
  EXPECT_TRUE(Eventos("abandono").empty());
  EXPECT_FALSE(final.Mostrado());
  EXPECT_EQ(Focos("frm_Final"), (std::vector<std::string>{"BtnSoporteVideo", "BtnSalir", "BtnSalir",
                                                          "LCBLeido", "LCBLeido", "BtnSalir"}));
  EXPECT_EQ(Dialogos(), (std::vector<std::string>{kMarqueLeido, kInvitacion}));
  EXPECT_EQ(Traza().size(), 1u) << "la página del canal, una vez";
}

// Alt+F4 is no way round the acknowledgement: the notice and the final
// screen ignore it as they ignore Escape; a dialog closes with its default
// answer (false).
TEST_F(Teclado, ElCierreDelSistemaNoSaltaLaCasilla) {
  Guion(
      "frmAviso cierra\n"
      "frmAviso pulsa-tecla Espacio\n"
      "frmAviso pulsa-tecla Tab\n"
      "frmAviso pulsa-tecla Intro\n"
      "frm_Final cierra\n"
      "frm_Final marca LCBLeido\n"
      "frm_Final cierra\n"
      "frm_Final pulsa BtnSoporteVideo\n"
      "frmDialogo cierra\n"
      "frm_Final pulsa BtnSalir\n");
  TfrmAviso aviso(&V());
  aviso.ShowModal();
  EXPECT_TRUE(aviso.LCBLeido->Checked()) << "el aviso siguió abierto tras Alt+F4";
  Tfrm_Final final(&V());
  final.ShowModal();
  EXPECT_TRUE(final.LCBLeido->Checked());
  EXPECT_EQ(final.BtnSoporteVideo->Tag, 1) << "la pantalla final siguió abierta tras Alt+F4";
  EXPECT_EQ(Dialogos(), (std::vector<std::string>{kInvitacion})) << "Alt+F4 cerró la invitación";
  EXPECT_EQ(Eventos("accion").size(), 10u);
  EXPECT_TRUE(Eventos("abandono").empty());
  for (const char16_t tipo : {u'!', u'?', u'W'}) {
    Guion("frmDialogo cierra\n");
    EXPECT_FALSE(V().MuestraDialogo(u"\u00BFSeguro?", tipo, false, 0)) << static_cast<int>(tipo);
  }
  EXPECT_TRUE(Eventos("abandono").empty());
}

TEST_F(Teclado, LaVentanaPrincipalAbreEnSuBotonYSoloRecorreBotones) {
  const auto nombres = [this] {
    std::vector<std::string> r;
    for (const ui::Control* c : V().CadenaTab()) r.push_back(c->Nombre());
    return r;
  };
  // The read-only fields and the process log are no tab stops.
  EXPECT_EQ(nombres(), (std::vector<std::string>{"BtnAceptar", "BtnSalir"}));
  V().EnfocaPrimero();
  EXPECT_EQ(V().Foco(), V().BtnAceptar);
  // Without an application folder "Iniciar Actualización" is skipped and
  // the window opens on "Salir".
  V().BtnAceptar->SetEnabled(false);
  EXPECT_EQ(nombres(), (std::vector<std::string>{"BtnSalir"}));
  V().EnfocaPrimero();
  EXPECT_EQ(V().Foco(), V().BtnSalir);
}

}  // namespace
}  // namespace prueba_dialogo
