// The message dialog: how each kind dresses it, how the text is split and how
// much it grows, the wide layout, the countdown, and the answers.
#include <gtest/gtest.h>

#include "screens/UnidadDialogo.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "tests/dialogo/ConVentana.h"

namespace prueba_dialogo {
namespace {

const Texto kLeame = u"Leame por favor...";

struct Aspecto {
  ui::Color fondo = ui::clWhite;
  ui::Color letra = ui::clBlack;
  int altoPx = 15;
};
const Aspecto kNormal{};
const Aspecto kError{ui::clWhite, ui::clRed, 17};
const Aspecto kOscuro12{ui::clBlack, ui::clLime, 20};
const Aspecto kOscuro10{ui::clBlack, ui::clLime, 17};
const Aspecto kNegroAmarillo{ui::clBlack, ui::clYellow, 17};

struct Caso {
  const char* nombre;
  Texto texto;
  char16_t tipo;
  bool ancho;
  bool conFicheroClip;          // the clip file is installed
  int alto;                     // expected height
  std::vector<Texto> lineas;    // lines of Mensaje
  int icono;
  const Texto* titulo;          // stored headline, or nullptr for the default
  unsigned sonido;
  bool pregunta;
  Aspecto aspecto;
  bool clip;                    // the clip plays
};

void PrintTo(const Caso& c, std::ostream* os) { *os << c.nombre; }

// One added line: the blank first line plus the text, 14 px each.
constexpr int kUna = 182 + 14 * 2;
constexpr int kDos = 182 + 14 * 3;
// The maintenance headline takes two rows: its band grows to 77 px, 32 px
// over the designed band and 2 px over the clip's.
constexpr int kBandaDosLineas = 77;

const Caso kCasos[] = {
    {"UnaLinea", u"Hola", u'!', false, false, kUna, {u"", u"Hola"}, 0, &constantes::TituloAviso, 48,
     false, kNormal, false},
    {"SaltoDeLineaReal", u"Uno\nDos", u'!', false, false, kDos, {u"", u"Uno\nDos"}, 0,
     &constantes::TituloAviso, 48, false, kNormal, false},
    {"BarraNParteEnDos", u"Uno\\nDos", u'!', false, false, kDos, {u"", u"Uno", u"Dos"}, 0,
     &constantes::TituloAviso, 48, false, kNormal, false},
    {"BarraNAlPrincipioYOtraLiteral", u"\\nResto\\nliteral", u'!', false, false, kDos,
     {u"", u"", u"Resto\\nliteral"}, 0, &constantes::TituloAviso, 48, false, kNormal, false},
    {"BarraNAlFinal", u"Fin\\n", u'!', false, false, kDos, {u"", u"Fin", u""}, 0,
     &constantes::TituloAviso, 48, false, kNormal, false},
    {"Tipo73Defecto", u"Aviso", u'I', false, false, kUna, {u"", u"Aviso"}, 2, nullptr, 0, false, kNormal, false},
    {"TipoDesconocido", u"Aviso", u'Z', false, true, kUna, {u"", u"Aviso"}, 2, nullptr, 0, false, kNormal, false},
    {"Tipo63Pregunta", u"\u00BFSeguro?", u'?', false, false, kUna, {u"", u"\u00BFSeguro?"}, 3,
     &constantes::TituloPregunta, 64, true, kNormal, false},
    {"Tipo69Error", u"Fallo", u'E', false, false, kUna, {u"", u"Fallo"}, 1, &constantes::TituloError, 16,
     false, kError, false},
    {"Tipo77SinClip", u"Mantenimiento", u'M', false, false, kUna + 32, {u"", u"Mantenimiento"}, 4,
     &constantes::TituloMantenimiento, 48, false, kOscuro12, false},
    {"Tipo77ConClip", u"Mantenimiento", u'M', false, true, kUna + 50 + 2, {u"", u"Mantenimiento"}, 4,
     &constantes::TituloMantenimiento, 48, false, kOscuro12, true},
    {"Tipo78", u"Nota", u'N', false, true, kUna, {u"", u"Nota"}, 2, &constantes::TituloN, 0, false, kNormal,
     false},
    {"Tipo82ConClip", u"Revisar", u'R', false, true, kUna + 50, {u"", u"Revisar"}, 4, &constantes::TituloR,
     48, false, kOscuro10, true},
    {"Tipo83SinAnimacion", u"Servicio", u'S', false, true, kUna, {u"", u"Servicio"}, 4,
     &constantes::TituloS, 48, false, kNegroAmarillo, false},
    {"Tipo87PreguntaConClip", u"\u00BFSeguimos?", u'W', false, true, kUna + 50 + 2, {u"", u"\u00BFSeguimos?"}, 4,
     &constantes::TituloMantenimiento, 48, true, kOscuro12, true},
    {"Amplio", u"Hola", u'!', true, false, kUna, {u"", u"Hola"}, 0, &constantes::TituloAviso, 48, false,
     kNormal, false},
};

class Preparacion : public ConVentana, public ::testing::WithParamInterface<Caso> {};

TEST_P(Preparacion, VisteElDialogoSegunElTipo) {
  const Caso& c = GetParam();
  if (c.conFicheroClip) prueba::EscribeFichero(Carpeta() / "Galeria" / "Videos" / "Mantenimiento.avi", "RIFF");
  TfrmDialogo d(&V());
  const unsigned sonido = PreparaDialogo(d, V(), c.texto, c.tipo, c.ancho, 0);

  EXPECT_EQ(sonido, c.sonido);
  EXPECT_EQ(d.Height(), c.alto);
  EXPECT_EQ(d.Width(), c.ancho ? 700 : 500);
  EXPECT_EQ(d.Mensaje->Lines(), c.lineas);
  EXPECT_EQ(d.Icono->Indice(), c.icono);
  EXPECT_EQ(d.Icono->Tira(), "Dialogos");
  EXPECT_EQ(texto::AUtf8(d.Titulo->Caption()), texto::AUtf8(c.titulo ? DescifraMensaje(*c.titulo) : kLeame));
  EXPECT_FALSE(d.Titulo->Caption().empty());
  EXPECT_EQ(d.BtnNO->Visible(), c.pregunta);
  EXPECT_EQ(d.BtnOK->Caption(), c.pregunta ? u"Si" : u"Aceptar");
  EXPECT_EQ(d.BtnOK->Left(), 410);
  EXPECT_EQ(d.BtnNO->Left(), c.ancho ? 525 : 325);
  EXPECT_EQ(d.Mensaje->ColorFondo(), c.aspecto.fondo);
  EXPECT_EQ(d.Mensaje->Font().color, c.aspecto.letra);
  EXPECT_EQ(d.Mensaje->Font().altoPx, c.aspecto.altoPx);
  EXPECT_EQ(d.Mensaje->SangriaPrimeraPt(), 10);
  EXPECT_EQ(d.Mensaje->SangriaDerechaPt(), 5);
  // The clip takes the title band's place; without it the headline blinks.
  EXPECT_EQ(d.AMantenimiento->Visible(), c.clip);
  EXPECT_EQ(d.AMantenimiento->Reproduciendo(), c.clip);
  const bool dosLineas = c.titulo == &constantes::TituloMantenimiento;
  EXPECT_EQ(d.Panel2->Height(), dosLineas ? kBandaDosLineas : c.clip ? 75 : 45);
  EXPECT_EQ(d.Titulo->Multilinea(), dosLineas);
  EXPECT_LE(d.Titulo->Top() + d.Titulo->Height(), d.Panel2->Height());
  EXPECT_EQ(d.Titulo->Parpadeo(), !c.clip);
  EXPECT_EQ(d.Titulo->Left(), c.clip ? 90 : 60);
  if (c.clip) {
    EXPECT_EQ(d.AMantenimiento->Fichero(), V().Valores->RutaAplicacion + u"Galeria\\Videos\\Mantenimiento.avi");
  }
  const bool oscuro = c.aspecto.letra == ui::clLime;
  EXPECT_EQ(d.Panel2->ColorFondo(), oscuro ? ui::clBlack : ui::clWhite);
  EXPECT_EQ(d.Titulo->Font().color, oscuro ? ui::clYellow : ui::clRed);
  EXPECT_FALSE(d.Reloj->Enabled());
  // Placed over the main window, halves truncated.
  EXPECT_EQ(d.Left(), (794 - d.Width()) / 2);
  EXPECT_EQ(d.Top(), (552 - d.Height()) / 2);
}

INSTANTIATE_TEST_SUITE_P(Tipos, Preparacion, ::testing::ValuesIn(kCasos),
                         [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nombre); });

using Dialogo = ConVentana;

TEST_F(Dialogo, LasLineasPartidasTambienCuentan) {
  TfrmDialogo d(&V());
  Texto largo;
  for (int i = 0; i < 30; ++i) largo += u"palabra ";
  PreparaDialogo(d, V(), largo, u'!', false, 0);
  const int mostradas = d.Mensaje->LineasMostradas();
  EXPECT_GE(mostradas, 4) << "240 caracteres no caben en dos renglones de 500 px";
  EXPECT_EQ(d.Height(), 182 + 14 * mostradas);
}

TEST_F(Dialogo, CuentaAtrasDeTresSegundos) {
  TfrmDialogo d(&V());
  PreparaDialogo(d, V(), u"Respuesta autom\u00E1tica", u'!', false, 3);
  ASSERT_TRUE(d.Reloj->Enabled());
  EXPECT_EQ(d.Reloj->Tag, 3);
  EXPECT_EQ(d.Caption(), u"Mensaje de dialogo");
  for (int queda : {2, 1, 0}) {
    d.RelojTimer();
    EXPECT_EQ(texto::AUtf8(d.Caption()),
              "Mensaje de dialogo... Respuesta Autom\xC3\xA1tica en " + std::to_string(queda) + " segundos");
    EXPECT_EQ(d.ModalResult(), queda == 0 ? 1 : 0) << queda;
  }
}

TEST_F(Dialogo, LaCuentaAtrasLoCierraSolaConAceptar) {
  Guion("frmDialogo espera\n");
  EXPECT_TRUE(V().MuestraDialogo(u"Se cierra solo", u'!', false, 3));
  std::vector<std::string> titulos;
  for (const Json& e : Eventos("cuenta_atras")) titulos.push_back(e.Texto("titulo"));
  const std::string base = "Mensaje de dialogo... Respuesta Autom\xC3\xA1tica en ";
  EXPECT_EQ(titulos, (std::vector<std::string>{base + "2 segundos", base + "1 segundos", base + "0 segundos"}));
}

TEST_F(Dialogo, RespuestasDeLosBotones) {
  struct Respuesta {
    const char* guion;
    char16_t tipo;
    bool resultado;
  };
  for (const Respuesta& r : {Respuesta{"frmDialogo pulsa BtnOK\n", u'!', true},
                             Respuesta{"frmDialogo pulsa BtnOK\n", u'?', true},
                             Respuesta{"frmDialogo pulsa BtnNO\n", u'?', false},
                             Respuesta{"frmDialogo pulsa BtnNO\n", u'W', false}}) {
    SCOPED_TRACE(r.guion);
    Guion(r.guion);
    EXPECT_EQ(V().MuestraDialogo(u"\u00BFSeguro?", r.tipo, false, 0), r.resultado);
  }
}

TEST_F(Dialogo, AnotaLoQueVeElUsuarioYRecuerdaElFormularioActivo) {
  EXPECT_EQ(V().Valores->FormularioActivo, u"0");
  Guion("frmDialogo pulsa BtnOK\n");
  EXPECT_TRUE(V().MuestraDialogo(u"Suscr\u00EDbase\\nal canal", u'M', true, 0));
  EXPECT_EQ(V().Valores->FormularioActivo, u"frmDialogo");
  EXPECT_EQ(frmDialogo, nullptr) << "el diálogo se destruye al cerrarse";

  const auto dialogos = Eventos("dialogo");
  ASSERT_EQ(dialogos.size(), 1u);
  EXPECT_EQ(dialogos[0].Texto("tipo"), "77");
  EXPECT_EQ(dialogos[0].Texto("titulo"), texto::AUtf8(DescifraMensaje(constantes::TituloMantenimiento)));
  EXPECT_EQ(dialogos[0].Texto("texto"), "Suscr\xC3\xAD" "base\\nal canal");
  EXPECT_EQ(dialogos[0].Texto("ancho"), "700");
  EXPECT_EQ(dialogos[0].Texto("alto"), std::to_string(kDos + kBandaDosLineas - 45));
  EXPECT_EQ(dialogos[0].Texto("pitido"), "48");
  const auto pitidos = Eventos("pitido");
  ASSERT_EQ(pitidos.size(), 1u);
  EXPECT_EQ(pitidos[0]["tipo"].numero, 48);
  const auto formularios = Eventos("formulario", "frmDialogo");
  ASSERT_EQ(formularios.size(), 1u);
  EXPECT_TRUE(formularios[0]["modal"].booleano);
  EXPECT_EQ(formularios[0].Texto("titulo"), "Mensaje de dialogo");
}

}  // namespace
}  // namespace prueba_dialogo
