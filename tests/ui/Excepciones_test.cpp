// Exceptions that escape event handlers reach the application's handler with
// the sender's class and unit; nothing escapes the layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/excepciones.h"
#include "platform/ui.h"
#include "tests/ui/Ayuda.h"

namespace {

struct Recibida {
  std::string clase, unidad, mensaje, claseExcepcion;
};

class Excepciones : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::aplicacion::SetFormularioPrincipal(nullptr);
    prueba_ui::CargaGuion("");
    ui::aplicacion::SetManejadorExcepciones([this](const ui::aplicacion::Emisor& emisor, const std::exception& e) {
      const auto* propia = dynamic_cast<const Exception*>(&e);
      recibidas.push_back({emisor.clase, emisor.unidad, e.what(), propia ? propia->ClassName() : "?"});
    });
  }
  void TearDown() override { ui::aplicacion::SetManejadorExcepciones(nullptr); }
  std::vector<Recibida> recibidas;
};

// A form of its own module with one control of each kind that raises.
struct Pantalla : ui::Formulario {
  Pantalla() : ui::Formulario(nullptr, "frmPrueba") {
    SetUnidad("UnidadPrueba");
    boton = new ui::Boton(this, "BtnLeido");
    casilla = new ui::Casilla(this, "LCBLeido");
    memo = new ui::Memo(this, "MemoBackup");
    reloj = std::make_unique<ui::Temporizador>(this, "Timer1");
  }
  ui::Boton* boton;
  ui::Casilla* casilla;
  ui::Memo* memo;
  std::unique_ptr<ui::Temporizador> reloj;
};

TEST_F(Excepciones, ElManejadorRecibeElEmisor) {
  Pantalla p;
  p.boton->OnClick = [] { throw EOSError(u"botón"); };
  p.casilla->OnClick = [] { throw ERegistryException(u"casilla"); };
  p.memo->OnChange = [] { throw EIBInterBaseError(-803, 335544665, u"memo"); };
  p.reloj->OnTimer = [&] {
    p.reloj->SetEnabled(false);
    throw Exception(u"reloj");
  };
  p.OnShow = [] { throw std::runtime_error("al mostrar"); };
  int disparos = 0;
  p.OnActivate = [&] { ++disparos; };

  p.memo->Add(u"una línea");
  p.reloj->SetInterval(1);
  p.reloj->SetEnabled(true);
  p.Show();
  EXPECT_EQ(disparos, 1);  // the show handler's exception does not stop the activation
  ASSERT_TRUE(prueba_ui::BombeaHasta([&] { return recibidas.size() >= 3; }));
  p.casilla->SetChecked(true);
  EXPECT_THROW(p.boton->Click(), EOSError);  // a programmatic click reaches its caller
  ASSERT_EQ(recibidas.size(), 4u);

  const std::vector<Recibida> esperadas = {
      {"TMemo", "StdCtrls", "memo", "EIBInterBaseError"},
      {"TfrmPrueba", "UnidadPrueba", "al mostrar", "?"},
      {"TTimer", "ExtCtrls", "reloj", "Exception"},
      {"TCheckBox", "StdCtrls", "casilla", "ERegistryException"},
  };
  for (size_t i = 0; i < esperadas.size(); ++i) {
    EXPECT_EQ(recibidas[i].clase, esperadas[i].clase) << i;
    EXPECT_EQ(recibidas[i].unidad, esperadas[i].unidad) << i;
    EXPECT_EQ(recibidas[i].mensaje, esperadas[i].mensaje) << i;
    EXPECT_EQ(recibidas[i].claseExcepcion, esperadas[i].claseExcepcion) << i;
  }
}

TEST_F(Excepciones, UnClicProgramadoPropagaAlLlamante) {
  Pantalla p;
  p.boton->OnClick = [] { throw EOSError(u"botón"); };
  EXPECT_THROW(p.boton->Click(), EOSError);
  EXPECT_TRUE(recibidas.empty());
}

TEST_F(Excepciones, ElUsuarioPulsaUnBotonQueFalla) {
  ui::Formulario principal(nullptr, "fV");
  Pantalla p;
  ui::Formulario dialogo(&principal, "frmDialogo");
  auto* ok = new ui::Boton(&dialogo, "BtnOK");
  ok->OnClick = [&] {
    dialogo.SetModalResult(1);
    throw 42;  // not an exception object: an empty message
  };
  prueba_ui::CargaGuion("frmDialogo pulsa BtnOK\n");
  EXPECT_EQ(dialogo.ShowModal(), 1);
  ASSERT_EQ(recibidas.size(), 1u);
  EXPECT_EQ(recibidas[0].clase, "TButton");
  EXPECT_EQ(recibidas[0].unidad, "StdCtrls");
  EXPECT_EQ(recibidas[0].mensaje, "");
  EXPECT_EQ(recibidas[0].claseExcepcion, "Exception");
}

TEST_F(Excepciones, UnManejadorQueFallaNoDejaEscaparNada) {
  prueba_ui::Transcripcion transcripcion;
  ui::aplicacion::SetManejadorExcepciones([](const ui::aplicacion::Emisor&, const std::exception&) {
    throw EFCreateError(u"no puedo escribir el registro");
  });
  Pantalla p;
  p.memo->OnChange = [] { throw Exception(u"cambio"); };
  testing::internal::CaptureStderr();
  EXPECT_NO_THROW(p.memo->Add(u"x"));
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("no puedo escribir el registro"), std::string::npos) << error;
  const auto excepciones = transcripcion.Eventos("excepcion");
  ASSERT_EQ(excepciones.size(), 1u);
  EXPECT_EQ(excepciones[0]["clase"].cadena, "EFCreateError");
  EXPECT_EQ(excepciones[0]["mensaje"].cadena, "no puedo escribir el registro");
}

TEST_F(Excepciones, SinManejadorSeMuestraConLaPresentacionEstandar) {
  prueba_ui::Transcripcion transcripcion;
  ui::aplicacion::SetManejadorExcepciones(nullptr);
  Pantalla p;
  p.casilla->OnClick = [] { throw EIBClientError(u"falta fbclient: ñandú"); };
  testing::internal::CaptureStderr();
  p.casilla->SetChecked(true);
  ui::aplicacion::MuestraExcepcion(nullptr);
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("EIBClientError: falta fbclient: ñandú"), std::string::npos) << error;
  const auto excepciones = transcripcion.Eventos("excepcion");
  ASSERT_EQ(excepciones.size(), 2u);
  EXPECT_EQ(excepciones[0]["mensaje"].cadena, "falta fbclient: ñandú");
  EXPECT_EQ(excepciones[1]["clase"].cadena, "Exception");
  EXPECT_EQ(excepciones[1]["mensaje"].cadena, "");
}

}  // namespace
