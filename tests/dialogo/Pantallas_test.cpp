// The notice screen and the final screen driven by the scripted user: what
// they show, the acknowledgement they ask for, and the channel invitation.
#include <gtest/gtest.h>

#include "screens/UnidadAviso.h"
#include "screens/Unidad_Final.h"
#include "tests/dialogo/ConVentana.h"

namespace prueba_dialogo {
namespace {

const std::string kInvitacion =
    "Suscr\xC3\xAD" "base a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales.";
const std::string kMarqueLeido = "Debe marcar que ha le\xC3\xAD" "do la notificaci\xC3\xB3n.";

std::vector<std::string> Resultados(const std::vector<Json>& acciones) {
  std::vector<std::string> r;
  for (const Json& a : acciones) r.push_back(a.Texto("accion") + " " + a.Texto("control") + ": " + a.Texto("resultado"));
  return r;
}

using Aviso = ConVentana;

TEST_F(Aviso, SoloSeSaleTrasMarcarLaCasilla) {
  Guion(
      "frmAviso pulsa BtnLeido\n"
      "frmAviso marca LCBLeido\n"
      "frmAviso desmarca LCBLeido\n"
      "frmAviso pulsa BtnLeido\n"
      "frmAviso marca LCBLeido\n"
      "frmAviso pulsa BtnLeido\n");
  TfrmAviso aviso(&V());
  EXPECT_FALSE(aviso.BtnLeido->Enabled());
  EXPECT_FALSE(aviso.LCBLeido->Checked());
  aviso.ShowModal();
  EXPECT_EQ(Resultados(Eventos("accion", "frmAviso")),
            (std::vector<std::string>{"pulsa BtnLeido: no disponible", "marca LCBLeido: hecha",
                                      "desmarca LCBLeido: hecha", "pulsa BtnLeido: no disponible",
                                      "marca LCBLeido: hecha", "pulsa BtnLeido: hecha"}));
  const auto formularios = Eventos("formulario", "frmAviso");
  ASSERT_EQ(formularios.size(), 1u);
  EXPECT_EQ(formularios[0].Texto("titulo"), "Nota Importante...");
  EXPECT_EQ(formularios[0]["ancho"].numero, 800);
  EXPECT_EQ(formularios[0]["alto"].numero, 585);
  EXPECT_TRUE(Eventos("dialogo").empty());
}

TEST_F(Aviso, SeMuestraUnaSolaVezAlActivarseLaVentana) {
  Guion("frmAviso marca LCBLeido\nfrmAviso pulsa BtnLeido\n");
  V().FormActivate();
  V().FormActivate();  // activated again when a later modal window closes
  EXPECT_EQ(Eventos("formulario", "frmAviso").size(), 1u);
  EXPECT_EQ(frmAviso, nullptr) << "la pantalla se destruye al cerrarse";
}

struct CasoFinal {
  const char* nombre;
  const char* guion;
  std::vector<std::string> dialogos;  // texts shown, in order
  int paginas;                        // times the channel page was opened
};

void PrintTo(const CasoFinal& c, std::ostream* os) { *os << c.nombre; }

const CasoFinal kCasosFinal[] = {
    {"AceptarSinMarcar_AvisaYSigue",
     "frm_Final pulsa BtnSalir\nfrm_Final marca LCBLeido\nfrm_Final pulsa BtnSalir\n",
     {kMarqueLeido, kInvitacion}, 1},
    {"MarcadoSinCanal_InvitaYCierra", "frm_Final marca LCBLeido\nfrm_Final pulsa BtnSalir\n", {kInvitacion}, 1},
    {"CanalAntes_NoInvitaOtraVez",
     "frm_Final pulsa BtnSoporteVideo\nfrm_Final marca LCBLeido\nfrm_Final pulsa BtnSalir\n", {kInvitacion}, 1},
    {"CanalDosVeces",
     "frm_Final pulsa BtnSoporteVideo\nfrm_Final pulsa BtnSoporteVideo\nfrm_Final marca LCBLeido\n"
     "frm_Final pulsa BtnSalir\n",
     {kInvitacion, kInvitacion}, 2},
};

class Final : public ConVentana, public ::testing::WithParamInterface<CasoFinal> {};

TEST_P(Final, AcuseYCanal) {
  const CasoFinal& c = GetParam();
  Guion(c.guion);
  Tfrm_Final final(&V());
  EXPECT_EQ(final.BtnSoporteVideo->Tag, 0);
  final.ShowModal();
  EXPECT_FALSE(final.Mostrado());
  EXPECT_TRUE(Eventos("abandono").empty()) << "la pantalla debe cerrarse por el guion";

  std::vector<std::string> textos;
  for (const Json& d : Eventos("dialogo")) {
    textos.push_back(d.Texto("texto"));
    const bool invitacion = d.Texto("texto") == kInvitacion;
    EXPECT_EQ(d.Texto("tipo"), invitacion ? "77" : "33");
    EXPECT_EQ(d.Texto("ancho"), invitacion ? "700" : "500");
  }
  EXPECT_EQ(textos, c.dialogos);
  const std::string abre = "ABRE " + texto::AUtf8(Tfrm_Final::DireccionCanal);
  EXPECT_EQ(Traza(), std::vector<std::string>(static_cast<size_t>(c.paginas), abre));
  EXPECT_NE(abre.find("sub_confirmation=1"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Guiones, Final, ::testing::ValuesIn(kCasosFinal),
                         [](const ::testing::TestParamInfo<CasoFinal>& i) { return std::string(i.param.nombre); });

TEST_F(ConVentana, PantallaFinalTalComoSeDiseno) {
  Guion("frm_Final marca LCBLeido\nfrm_Final pulsa BtnSoporteVideo\nfrm_Final pulsa BtnSalir\n");
  Tfrm_Final final(&V());
  final.ShowModal();
  const auto formularios = Eventos("formulario", "frm_Final");
  ASSERT_EQ(formularios.size(), 1u);
  const Json& f = formularios[0];
  EXPECT_EQ(f.Texto("titulo"), "frm_Final");
  EXPECT_EQ(f["ancho"].numero, 800);
  EXPECT_EQ(f["alto"].numero, 585);
  std::map<std::string, const Json*> controles;
  for (const Json& c : f["controles"].lista) controles[c.Texto("nombre")] = &c;
  EXPECT_EQ(controles.count("LVersionActualXP"), 0u) << "oculto";
  ASSERT_EQ(controles.count("BtnSalir"), 1u);
  EXPECT_EQ(controles["BtnSalir"]->Texto("texto"), "Aceptar");
  ASSERT_EQ(controles.count("Memo2"), 1u);
  EXPECT_EQ((*controles["Memo2"])["lineas"].lista.size(), 3u);
  ASSERT_EQ(controles.count("LCBLeido"), 1u);
  EXPECT_EQ(controles["LCBLeido"]->Texto("texto"), "He Le\xC3\xAD" "do y Entendido");
  EXPECT_FALSE((*controles["LCBLeido"])["marcada"].booleano);
}

}  // namespace
}  // namespace prueba_dialogo
