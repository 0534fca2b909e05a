// The posix loop: timers and blinking fire from the pump, modal forms follow
// the scripted user or the defaults, the main loop runs the main form.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/ui.h"
#include "tests/ui/Ayuda.h"

namespace {

using prueba_ui::BombeaHasta;
using prueba_ui::CargaGuion;
using Reloj = std::chrono::steady_clock;
using ui::Texto;

class Bucle : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::aplicacion::SetFormularioPrincipal(nullptr);
    ui::aplicacion::SetManejadorExcepciones(nullptr);
    CargaGuion("");
  }
  void TearDown() override {
    unsetenv("ZELVANO_ESPERA_MAXIMA");
    ui::aplicacion::SetFormularioPrincipal(nullptr);
  }
};

TEST_F(Bucle, ElTemporizadorDisparaASuPeriodoDesdeElBombeo) {
  ui::Formulario f(nullptr, "frmPrueba");
  ui::Temporizador t(&f, "Timer1");
  std::vector<Reloj::time_point> disparos;
  t.OnTimer = [&] { disparos.push_back(Reloj::now()); };
  t.SetInterval(40);
  const auto inicio = Reloj::now();
  t.SetEnabled(true);
  ASSERT_TRUE(BombeaHasta([&] { return disparos.size() >= 3; }));
  // Never before its period: the k-th tick comes at least k periods after the
  // start. Measured from the start, not between handlers, because a handler
  // records its time a moment after the loop rescheduled it, and that moment
  // varies with the machine's load.
  for (size_t k = 0; k < 3; ++k)
    EXPECT_GE(disparos[k] - inicio, std::chrono::milliseconds(40 * (k + 1))) << "tick " << k;
  t.SetEnabled(false);
  const size_t antes = disparos.size();
  // A disabled timer stays silent while an enabled one of the same period ticks twice.
  ui::Temporizador testigo(&f, "Testigo");
  int testigoTicks = 0;
  testigo.OnTimer = [&] { ++testigoTicks; };
  testigo.SetInterval(40);
  testigo.SetEnabled(true);
  ASSERT_TRUE(BombeaHasta([&] { return testigoTicks >= 2; }));
  EXPECT_EQ(disparos.size(), antes);
}

TEST_F(Bucle, SinBombeoNoHayDisparos) {
  ui::Formulario f(nullptr, "frmPrueba");
  ui::Temporizador t(&f, "Timer1");
  int ticks = 0;
  t.OnTimer = [&] { ++ticks; };
  t.SetInterval(1);
  t.SetEnabled(true);
  const auto hasta = Reloj::now() + std::chrono::milliseconds(20);
  while (Reloj::now() < hasta) {
  }
  EXPECT_EQ(ticks, 0);
  ui::aplicacion::ProcesaMensajes();
  EXPECT_EQ(ticks, 1);  // one pass: one tick, however late
}

TEST_F(Bucle, UnBombeoDentroDelManejadorNoLoReentra) {
  ui::Formulario f(nullptr, "frmPrueba");
  ui::Temporizador t(&f, "Timer1");
  int profundidad = 0, maxima = 0, ticks = 0;
  t.OnTimer = [&] {
    ++ticks;
    ++profundidad;
    maxima = std::max(maxima, profundidad);
    const auto hasta = Reloj::now() + std::chrono::milliseconds(10);
    while (Reloj::now() < hasta) ui::aplicacion::ProcesaMensajes();
    --profundidad;
  };
  t.SetInterval(1);
  t.SetEnabled(true);
  ASSERT_TRUE(BombeaHasta([&] { return ticks >= 3; }));
  EXPECT_EQ(maxima, 1);
}

TEST_F(Bucle, UnTemporizadorBorradoEnSuManejador) {
  ui::Formulario f(nullptr, "frmPrueba");
  auto* t = new ui::Temporizador(&f, "Reloj");
  auto* otro = new ui::Temporizador(&f, "Otro");
  int ticks = 0;
  t->OnTimer = [&] {
    ++ticks;
    delete otro;  // due in the same pass: it must not fire afterwards
    otro = nullptr;
    delete t;
    t = nullptr;
  };
  otro->OnTimer = [&] { ADD_FAILURE() << "disparó un temporizador borrado"; };
  t->SetInterval(1);
  otro->SetInterval(1);
  t->SetEnabled(true);
  otro->SetEnabled(true);
  const auto hasta = Reloj::now() + std::chrono::milliseconds(5);
  while (Reloj::now() < hasta) {
  }
  ui::aplicacion::ProcesaMensajes();
  ui::aplicacion::ProcesaMensajes();
  EXPECT_EQ(ticks, 1);
  EXPECT_EQ(t, nullptr);
}

TEST_F(Bucle, LaEtiquetaParpadeanteAlternaCada250ms) {
  ui::Formulario f(nullptr, "frmAviso");
  auto* aviso = new ui::Etiqueta(&f, "L_Aviso");
  auto* fija = new ui::Etiqueta(&f, "LVersionActual");
  // Taken before the blinking starts, so that a pause between the two under
  // load cannot make the first half look short.
  const auto inicio = Reloj::now();
  aviso->SetParpadeo(true);
  EXPECT_TRUE(aviso->VisibleAhora());
  ASSERT_TRUE(BombeaHasta([&] { return !aviso->VisibleAhora(); }));
  EXPECT_GE(Reloj::now() - inicio, std::chrono::milliseconds(250));
  EXPECT_TRUE(aviso->Visible());  // the designed visibility does not change
  ASSERT_TRUE(BombeaHasta([&] { return aviso->VisibleAhora(); }));
  EXPECT_GE(Reloj::now() - inicio, std::chrono::milliseconds(500));
  EXPECT_TRUE(fija->VisibleAhora());
  // Switched off in the hidden half: shown again at once, and it stays.
  ASSERT_TRUE(BombeaHasta([&] { return !aviso->VisibleAhora(); }));
  aviso->SetParpadeo(false);
  EXPECT_TRUE(aviso->VisibleAhora());
  // A hidden label is never shown by the blink.
  aviso->SetParpadeo(true);
  aviso->SetVisible(false);
  const auto hasta = Reloj::now() + std::chrono::milliseconds(600);
  bool vista = false;
  while (Reloj::now() < hasta) {
    ui::aplicacion::ProcesaMensajes();
    vista = vista || aviso->VisibleAhora();
  }
  EXPECT_FALSE(vista);
}

// A notice-like screen: the button is enabled only while the box is ticked.
struct Aviso : ui::Formulario {
  explicit Aviso(ui::Formulario* duenyo) : ui::Formulario(duenyo, "frmAviso") {
    SetTamanoCliente(800, 585);
    leido = new ui::Casilla(this, "LCBLeido");
    leido->SetCaption(u"He Leído y Entendido");
    siguiente = new ui::Boton(this, "BtnLeido");
    siguiente->SetCaption(u"» Siguiente");
    siguiente->SetEnabled(false);
    leido->OnClick = [this] { siguiente->SetEnabled(leido->Checked()); };
    siguiente->OnClick = [this] { Close(); };
  }
  ui::Casilla* leido;
  ui::Boton* siguiente;
};

TEST_F(Bucle, ModalSigueElGuion) {
  ui::Formulario principal(nullptr, "fV");
  Aviso aviso(&principal);
  int clics = 0;
  aviso.siguiente->OnClick = [&] {
    ++clics;
    aviso.Close();
  };
  // Pressing the disabled button does nothing; ticking twice leaves it unticked.
  CargaGuion(
      "# comentario\n"
      "frmAviso pulsa BtnLeido\n"
      "frmAviso marca LCBLeido\n"
      "frmAviso desmarca LCBLeido\n"
      "frmAviso marca LCBLeido   # otra vez\n"
      "frmAviso pulsa BtnLeido\n"
      "frmDialogo pulsa BtnOK\n");
  EXPECT_EQ(aviso.ShowModal(), 2);  // Close on a modal form: cancelled
  EXPECT_EQ(clics, 1);
  EXPECT_TRUE(principal.Enabled());  // the owner is enabled again
  EXPECT_FALSE(aviso.Mostrado());
}

TEST_F(Bucle, ModalSinGuionUsaElDefecto) {
  struct Caso {
    const char* guion;
    bool marcada;
  };
  // No lines, or the next line for another form: the default ticks and presses.
  for (const Caso& c : {Caso{"", true}, Caso{"fV pulsa BtnSalir\n", true}}) {
    ui::Formulario principal(nullptr, "fV");
    Aviso aviso(&principal);
    CargaGuion(c.guion);
    bool deshabilitadoDurante = false;
    aviso.OnShow = [&] { deshabilitadoDurante = !principal.Enabled(); };
    EXPECT_EQ(aviso.ShowModal(), 2);
    EXPECT_EQ(aviso.leido->Checked(), c.marcada);
    EXPECT_TRUE(deshabilitadoDurante);
  }
}

// A dialog-like form: BtnOK with modal result 1, an optional countdown.
struct Dialogo : ui::Formulario {
  explicit Dialogo(ui::Formulario* duenyo, int segundos = 0) : ui::Formulario(duenyo, "frmDialogo") {
    ok = new ui::Boton(this, "BtnOK");
    ok->ModalResult = 1;
    no = new ui::Boton(this, "BtnNO");
    no->OnClick = [this] { SetModalResult(7); };
    reloj = std::make_unique<ui::Temporizador>(this, "Reloj");
    reloj->SetInterval(20);
    reloj->Tag = segundos;
    reloj->OnTimer = [this] {
      --reloj->Tag;
      SetCaption(u"quedan " + texto::DeUtf8(std::to_string(reloj->Tag)));
      titulos.push_back(Caption());
      if (reloj->Tag <= 0) ok->Click();
    };
    if (segundos) reloj->SetEnabled(true);
  }
  ui::Boton* ok;
  ui::Boton* no;
  std::unique_ptr<ui::Temporizador> reloj;
  std::vector<Texto> titulos;
};

TEST_F(Bucle, ModalResultados) {
  ui::Formulario principal(nullptr, "fV");
  struct Caso {
    const char* guion;
    int esperado;
  };
  for (const Caso& c : {Caso{"frmDialogo pulsa BtnOK\n", 1}, Caso{"frmDialogo pulsa BtnNO\n", 7},
                        Caso{"", 1}, Caso{"frmAviso pulsa BtnLeido\n", 1}}) {
    Dialogo d(&principal);
    CargaGuion(c.guion);
    EXPECT_EQ(d.ShowModal(), c.esperado) << c.guion;
  }
}

TEST_F(Bucle, EsperaDejaCorrerLaCuentaAtras) {
  ui::Formulario principal(nullptr, "fV");
  Dialogo d(&principal, 3);
  CargaGuion("frmDialogo espera\n");
  EXPECT_EQ(d.ShowModal(), 1);
  EXPECT_EQ(d.titulos, (std::vector<Texto>{u"quedan 2", u"quedan 1", u"quedan 0"}));
}

TEST_F(Bucle, UnModalSinNadaQueHacerSeAbandona) {
  setenv("ZELVANO_ESPERA_MAXIMA", "1", 1);
  ui::Formulario principal(nullptr, "fV");
  ui::Formulario raro(&principal, "frmRaro");  // no default, no timer
  CargaGuion("frmRaro espera\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(raro.ShowModal(), 2);
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("frmRaro"), std::string::npos) << error;
}

TEST_F(Bucle, UnModalDentroDeOtro) {
  ui::Formulario principal(nullptr, "fV");
  Aviso aviso(&principal);
  int resultadoDialogo = 0;
  aviso.siguiente->OnClick = [&] {
    Dialogo d(&aviso);
    resultadoDialogo = d.ShowModal();
    aviso.Close();
  };
  CargaGuion(
      "frmAviso marca LCBLeido\n"
      "frmAviso pulsa BtnLeido\n"
      "frmDialogo pulsa BtnNO\n");
  EXPECT_EQ(aviso.ShowModal(), 2);
  EXPECT_EQ(resultadoDialogo, 7);
}

// A main window with the two buttons of the wizard.
struct Principal : ui::Formulario {
  Principal() : ui::Formulario(nullptr, "fV") {
    aceptar = new ui::Boton(this, "BtnAceptar");
    salir = new ui::Boton(this, "BtnSalir");
    salir->OnClick = [this] {
      eventos.push_back("salir");
      Close();
    };
    OnShow = [this] { eventos.push_back("show"); };
    OnActivate = [this] { eventos.push_back("activate"); };
  }
  ui::Boton* aceptar;
  ui::Boton* salir;
  std::vector<std::string> eventos;
};

TEST_F(Bucle, ElBucleSinGuionPulsaSalir) {
  Principal p;
  ui::aplicacion::SetFormularioPrincipal(&p);
  ui::aplicacion::Ejecuta();
  EXPECT_EQ(p.eventos, (std::vector<std::string>{"show", "activate", "salir"}));
  EXPECT_FALSE(p.Mostrado());
}

TEST_F(Bucle, ElBucleSigueElGuionYReactivaTrasUnModal) {
  Principal p;
  ui::aplicacion::SetFormularioPrincipal(&p);
  p.aceptar->OnClick = [&] {
    p.eventos.push_back("aceptar");
    Dialogo d(&p);
    d.ShowModal();
    p.eventos.push_back("cerrado");
  };
  // The main form is active again after the dialog, before the user's next action.
  CargaGuion("fV pulsa BtnAceptar\nfrmDialogo pulsa BtnOK\nfV pulsa BtnSalir\n");
  ui::aplicacion::Ejecuta();
  EXPECT_EQ(p.eventos,
            (std::vector<std::string>{"show", "activate", "aceptar", "cerrado", "activate", "salir"}));
}

TEST_F(Bucle, TerminaAcabaElBucleYLosModales) {
  Principal p;
  ui::aplicacion::SetFormularioPrincipal(&p);
  int resultado = 0;
  p.aceptar->OnClick = [&] {
    ui::aplicacion::Termina();
    Dialogo d(&p);
    resultado = d.ShowModal();
  };
  CargaGuion("fV pulsa BtnAceptar\n");
  ui::aplicacion::Ejecuta();
  EXPECT_EQ(resultado, 2);
  EXPECT_EQ(p.eventos, (std::vector<std::string>{"show", "activate"}));
}

TEST_F(Bucle, MostrarModalUnFormularioVisibleEsUnError) {
  ui::Formulario principal(nullptr, "fV");
  principal.Show();
  EXPECT_THROW(principal.ShowModal(), std::exception);
}

}  // namespace

namespace {

using prueba_ui::CargaGuion;

TEST(BucleEspera, ElPrincipalEsperaHastaElLimiteAunqueSalgaUnModal) {
  setenv("ZELVANO_ESPERA_MAXIMA", "1", 1);
  ui::aplicacion::SetFormularioPrincipal(nullptr);
  ui::Formulario p(nullptr, "fV");
  ui::aplicacion::SetFormularioPrincipal(&p);
  auto* salir = new ui::Boton(&p, "BtnSalir");
  std::vector<std::string> eventos;
  salir->OnClick = [&] {
    eventos.push_back("salir");
    p.Close();
  };
  // A timer of the idle main window raises a dialog, as a late event would;
  // the dialog follows the script, the main window keeps waiting.
  ui::Temporizador aviso(&p, "Timer1");
  aviso.SetInterval(10);
  aviso.OnTimer = [&] {
    aviso.SetEnabled(false);
    ui::Formulario d(&p, "frmDialogo");
    auto* ok = new ui::Boton(&d, "BtnOK");
    ok->ModalResult = 1;
    eventos.push_back("dialogo " + std::to_string(d.ShowModal()));
  };
  aviso.SetEnabled(true);
  CargaGuion("fV espera\n");
  testing::internal::CaptureStderr();
  ui::aplicacion::Ejecuta();
  const std::string error = testing::internal::GetCapturedStderr();
  unsetenv("ZELVANO_ESPERA_MAXIMA");
  EXPECT_EQ(eventos, (std::vector<std::string>{"dialogo 1"}));
  EXPECT_FALSE(p.Mostrado());
  EXPECT_NE(error.find("fV"), std::string::npos) << error;
}

}  // namespace
