// The transcript is JSON lines with the documented fields; the script reader
// keeps the good lines and reports the bad ones.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/posix/ui_posix.h"
#include "platform/ui.h"
#include "tests/ui/Ayuda.h"

namespace {

using prueba_ui::Json;

class Transcripcion : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::aplicacion::SetFormularioPrincipal(nullptr);
    prueba_ui::CargaGuion("");
  }
};

// A small dialog with every kind of text the transcript records.
struct Dialogo : ui::Formulario {
  explicit Dialogo(ui::Formulario* duenyo) : ui::Formulario(duenyo, "frmDialogo") {
    SetCaption(u"Mensaje de dialogo");
    SetTamanoCliente(500, 182);
    auto* titulo = new ui::Etiqueta(this, "Titulo");
    titulo->SetCaption(u"Leame por favor...");
    titulo->SetParpadeo(true);
    auto* oculta = new ui::Etiqueta(this, "Oculta");
    oculta->SetCaption(u"no se ve");
    oculta->SetVisible(false);
    auto* panel = new ui::Panel(this, "Panel1");
    auto* ruta = new ui::Edicion(panel, "RutaTPV");
    ruta->SetText(u"C:\\Zelvano\\ \"comillas\"\ty tab");
    mensaje = new ui::TextoEnriquecido(this, "Mensaje");
    mensaje->SetBounds(2, 80, 496, 50);
    mensaje->SetFont({u"Verdana", 15, false, false, ui::clBlack});
    mensaje->Add(u"");
    mensaje->Add(u"Debe marcar que ha leído la notificación.");
    auto* memo = new ui::Memo(this, "Memo1");
    memo->SetLines({u"» uno", u"dos\r\x01"});
    auto* icono = new ui::Imagen(this, "Icono");
    icono->SetImagen("Dialogos", 1);
    auto* casilla = new ui::Casilla(this, "LCBLeido");
    casilla->SetCaption(u"He Leído y Entendido");
    ok = new ui::Boton(panel, "BtnOK");
    ok->SetCaption(u"Aceptar");
    ok->ModalResult = 1;
  }
  ui::TextoEnriquecido* mensaje;
  ui::Boton* ok;
};

TEST_F(Transcripcion, UnModalQuedaAnotadoConSusTextos) {
  prueba_ui::Transcripcion transcripcion;
  ui::Formulario principal(nullptr, "fV");
  Dialogo d(&principal);
  prueba_ui::CargaGuion("frmDialogo marca LCBLeido\nfrmDialogo pulsa BtnOK\n");
  ui::Pitido(48);
  ui::AnotaTranscripcion("dialogo", {{"tipo", u"33"}, {"texto", u"línea 1\nlínea \"2\""}});
  EXPECT_EQ(d.ShowModal(), 1);

  const std::vector<Json> eventos = transcripcion.Eventos();
  ASSERT_EQ(eventos.size(), 6u);
  EXPECT_EQ(eventos[0]["evento"].cadena, "pitido");
  EXPECT_EQ(eventos[0]["tipo"].numero, 48);
  EXPECT_EQ(eventos[1]["evento"].cadena, "dialogo");
  EXPECT_EQ(eventos[1]["tipo"].cadena, "33");
  EXPECT_EQ(eventos[1]["texto"].cadena, "línea 1\nlínea \"2\"");

  const Json& f = eventos[2];
  EXPECT_EQ(f["evento"].cadena, "formulario");
  EXPECT_EQ(f["formulario"].cadena, "frmDialogo");
  EXPECT_EQ(f["titulo"].cadena, "Mensaje de dialogo");
  EXPECT_EQ(f["ancho"].numero, 500);
  EXPECT_EQ(f["alto"].numero, 182);
  EXPECT_TRUE(f["modal"].booleano);
  std::vector<std::string> nombres;
  for (const Json& c : f["controles"].lista) nombres.push_back(c["nombre"].cadena);
  // Visible texts only, depth first in declaration order; panels carry no text.
  EXPECT_EQ(nombres, (std::vector<std::string>{"Titulo", "RutaTPV", "BtnOK", "Mensaje", "Memo1", "Icono", "LCBLeido"}));
  const auto& c = f["controles"].lista;
  EXPECT_EQ(c[0]["texto"].cadena, "Leame por favor...");
  EXPECT_TRUE(c[0]["parpadeo"].booleano);
  EXPECT_EQ(c[1]["texto"].cadena, "C:\\Zelvano\\ \"comillas\"\ty tab");
  EXPECT_EQ(c[1]["clase"].cadena, "TEdit");
  EXPECT_EQ(c[2]["texto"].cadena, "Aceptar");
  EXPECT_TRUE(c[2]["habilitado"].booleano);
  ASSERT_EQ(c[3]["lineas"].lista.size(), 2u);
  EXPECT_EQ(c[3]["lineas"].lista[1].cadena, "Debe marcar que ha leído la notificación.");
  EXPECT_EQ(c[3]["lineas_mostradas"].numero, 2);
  EXPECT_EQ(c[4]["lineas"].lista[1].cadena, "dos\r\x01");
  EXPECT_EQ(c[5]["imagen"].cadena, "Dialogos");
  EXPECT_EQ(c[5]["indice"].numero, 1);
  EXPECT_EQ(c[6]["texto"].cadena, "He Leído y Entendido");
  EXPECT_FALSE(c[6]["marcada"].booleano);

  EXPECT_EQ(eventos[3]["evento"].cadena, "accion");
  EXPECT_EQ(eventos[3]["origen"].cadena, "guion");
  EXPECT_EQ(eventos[3]["accion"].cadena, "marca");
  EXPECT_EQ(eventos[3]["control"].cadena, "LCBLeido");
  EXPECT_EQ(eventos[3]["resultado"].cadena, "hecha");
  EXPECT_EQ(eventos[4]["accion"].cadena, "pulsa");
  EXPECT_EQ(eventos[5]["evento"].cadena, "cierre");
  EXPECT_EQ(eventos[5]["resultado"].numero, 1);
}

TEST_F(Transcripcion, AccionesPorDefectoYFallidas) {
  prueba_ui::Transcripcion transcripcion;
  ui::Formulario principal(nullptr, "fV");
  Dialogo d(&principal);
  prueba_ui::CargaGuion("frmDialogo pulsa BtnInexistente\nfrmDialogo marca BtnOK\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(d.ShowModal(), 1);
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("BtnInexistente"), std::string::npos) << error;
  std::vector<std::string> vistas;
  for (const Json& a : transcripcion.Eventos("accion"))
    vistas.push_back(a["origen"].cadena + " " + a["accion"].cadena + " " + a["control"].cadena + ": " +
                     a["resultado"].cadena);
  EXPECT_EQ(vistas, (std::vector<std::string>{"guion pulsa BtnInexistente: no existe",
                                              "guion marca BtnOK: no existe",
                                              "defecto pulsa BtnOK: hecha"}));
}

TEST_F(Transcripcion, SinVariableNoSeEscribeNada) {
  ui::posix::ReiniciaTranscripcion();
  unsetenv("ZELVANO_TRANSCRIPCION");
  EXPECT_NO_THROW(ui::Pitido(16));
}

TEST(Guion, LineasValidasYErrores) {
  struct Caso {
    const char* linea;
    bool valida;
    const char* formulario;
    const char* verbo;
    const char* control;
  };
  const std::vector<Caso> casos = {
      {"fV pulsa BtnAceptar", true, "fV", "pulsa", "BtnAceptar"},
      {"  frmAviso   marca\tLCBLeido  ", true, "frmAviso", "marca", "LCBLeido"},
      {"frm_Final desmarca LCBLeido # comentario", true, "frm_Final", "desmarca", "LCBLeido"},
      {"frmDialogo espera", true, "frmDialogo", "espera", ""},
      {"frmDialogo espera BtnOK", false, "", "", ""},
      {"frmDialogo pulsa", false, "", "", ""},
      {"frmDialogo pulsa BtnOK BtnNO", false, "", "", ""},
      {"frmDialogo salta BtnOK", false, "", "", ""},
      {"fV", false, "", "", ""},
      {"frmAviso pulsa-tecla Espacio", true, "frmAviso", "pulsa-tecla", "Espacio"},
      {"frm_Final pulsa-tecla Mayus+Tab", true, "frm_Final", "pulsa-tecla", "Mayus+Tab"},
      {"frmDialogo pulsa-tecla Enter", true, "frmDialogo", "pulsa-tecla", "Enter"},
      {"frmDialogo pulsa-tecla", false, "", "", ""},
      {"frmDialogo pulsa-tecla F4", false, "", "", ""},
      {"frmDialogo pulsa-tecla Intro Intro", false, "", "", ""},
      {"frmAviso cierra", true, "frmAviso", "cierra", ""},
      {"frmAviso cierra BtnLeido", false, "", "", ""},
      {"fV pulsa-tecla-bloqueada Intro", true, "fV", "pulsa-tecla-bloqueada", "Intro"},
      {"fV pulsa-tecla-bloqueada", false, "", "", ""},
      {"fV pulsa-durante BtnSalir", true, "fV", "pulsa-durante", "BtnSalir"},
      {"fV pulsa-durante", false, "", "", ""},
  };
  for (const auto& c : casos) {
    std::vector<std::string> errores;
    const auto acciones = ui::posix::LeeGuion(std::string("# cabecera\n\n") + c.linea + "\n", errores);
    if (!c.valida) {
      EXPECT_TRUE(acciones.empty()) << c.linea;
      ASSERT_EQ(errores.size(), 1u) << c.linea;
      EXPECT_EQ(errores[0].rfind("línea 3: ", 0), 0u) << errores[0];
      continue;
    }
    EXPECT_TRUE(errores.empty()) << c.linea;
    ASSERT_EQ(acciones.size(), 1u) << c.linea;
    EXPECT_EQ(acciones[0].formulario, c.formulario);
    EXPECT_EQ(acciones[0].verbo, c.verbo);
    EXPECT_EQ(acciones[0].control, c.control);
    EXPECT_EQ(acciones[0].linea, 3);
  }
}

}  // namespace
