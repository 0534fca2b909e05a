// The one message dialog of the wizard: every message the user sees goes
// through TfV::MuestraDialogo, which builds, dresses, shows and destroys a
// TfrmDialogo.
#include "screens/UnidadDialogo.h"

#include <algorithm>

#include "platform/plataforma.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "shell/UnidadVentas.h"

TfrmDialogo* frmDialogo = nullptr;

namespace {

const Texto kCaption = u"Mensaje de dialogo";
const Texto kCaptionCuentaAtras = u"Mensaje de dialogo... Respuesta Autom\u00E1tica en ";
const Texto kSegundos = u" segundos";
const Texto kTituloDefecto = u"Leame por favor...";
const Texto kBanner = u"Zelvano";
const Texto kLogo = u"Zelvano Apice";
const Texto kClip = u"Galeria\\Videos\\Mantenimiento.avi";
const Texto kSaltoEscrito = u"\\n";  // backslash and the letter n, as typed
const Texto kSi = u"Si";

constexpr int kAnchoDiseno = 500;
constexpr int kAltoDiseno = 182;
constexpr int kAltoPorLinea = 14;
constexpr int kAltoBandaConClip = 75;
constexpr int kExtraConClip = 50;
constexpr int kAnchoAmplio = 700;
constexpr int kIzquierdaNoAmplio = 525;
constexpr int kIconoDefecto = 2;
constexpr int kMargenTitulo = 5;
// Two rows of the 30 px bold Arial headline (35 px each as Windows lays
// them) and its 3 px relief: the forty characters of the maintenance
// headline do not fit one row beside the icon or the clip.
constexpr int kAltoTituloDosLineas = 74;
constexpr int kMargenBajoTitulo = 2;
constexpr int kUltimoFotograma = 8;
constexpr int kResultadoSi = 1;
constexpr int kResultadoNo = 7;
constexpr ui::Color kCaraBoton = 15660019;

// Font heights at 120 pixels per inch.
constexpr int kPx10pt = 17;
constexpr int kPx12pt = 20;

enum class Aspecto { Defecto, Error, Oscuro, NegroAmarillo };

struct TipoDialogo {
  char16_t tipo;
  int icono;                 // -1: the design-time icon stays
  const Texto* titulo;       // nullptr: the design-time headline stays
  Aspecto aspecto;
  int altoMensajePx;         // 0: the design-time size stays
  unsigned sonido;           // argument of MessageBeep
  bool pregunta;             // "Si" and "No"
  bool clip;                 // the maintenance clip, when installed
  bool tituloDosLineas;      // the headline wraps onto a second row
};

const TipoDialogo kTipos[] = {
    {u'!', 0, &constantes::TituloAviso, Aspecto::Defecto, 0, 48, false, false, false},
    {u'?', 3, &constantes::TituloPregunta, Aspecto::Defecto, 0, 64, true, false, false},
    {u'E', 1, &constantes::TituloError, Aspecto::Error, kPx10pt, 16, false, false, false},
    {u'M', 4, &constantes::TituloMantenimiento, Aspecto::Oscuro, kPx12pt, 48, false, true, true},
    {u'N', -1, &constantes::TituloN, Aspecto::Defecto, 0, 0, false, false, false},
    {u'R', 4, &constantes::TituloR, Aspecto::Oscuro, kPx10pt, 48, false, true, false},
    {u'S', 4, &constantes::TituloS, Aspecto::NegroAmarillo, kPx10pt, 48, false, false, false},
    {u'W', 4, &constantes::TituloMantenimiento, Aspecto::Oscuro, kPx12pt, 48, true, true, true},
};
const TipoDialogo kTipoDesconocido = {0, -1, nullptr, Aspecto::Defecto, 0, 0, false, false, false};

const TipoDialogo& BuscaTipo(char16_t tipo) {
  for (const TipoDialogo& t : kTipos)
    if (t.tipo == tipo) return t;
  return kTipoDesconocido;
}

ui::Fuente F(const char16_t* nombre, int altoPx, ui::Color color, bool negrita = false, bool cursiva = false) {
  ui::Fuente f;
  f.nombre = nombre;
  f.altoPx = altoPx;
  f.color = color;
  f.negrita = negrita;
  f.cursiva = cursiva;
  return f;
}

void FuenteMensaje(ui::TextoEnriquecido& m, ui::Color color, int altoPx) {
  ui::Fuente f = m.Font();
  f.color = color;
  if (altoPx) f.altoPx = altoPx;
  m.SetFont(f);
}

void AplicaAspecto(TfrmDialogo& d, const TipoDialogo& t) {
  ui::TextoEnriquecido& m = *d.Mensaje;
  switch (t.aspecto) {
    case Aspecto::Defecto:
      break;
    case Aspecto::Error:
      FuenteMensaje(m, ui::clRed, t.altoMensajePx);
      break;
    case Aspecto::Oscuro: {
      ui::Fuente f = d.Titulo->Font();
      f.color = ui::clYellow;
      d.Titulo->SetFont(f);
      ui::Relieve r = d.Titulo->GetRelieve();
      r.sombra = ui::clRed;
      r.luz = ui::clYellow;
      d.Titulo->SetRelieve(r);
      d.Panel2->SetColor(ui::clBlack);
      m.SetColor(ui::clBlack);
      FuenteMensaje(m, ui::clLime, t.altoMensajePx);
      break;
    }
    case Aspecto::NegroAmarillo:
      m.SetColor(ui::clBlack);
      FuenteMensaje(m, ui::clYellow, t.altoMensajePx);
      break;
  }
}

// The clip plays only when the installation carries it; without it the
// dialog keeps its colours and the icon.
void PoneClip(TfrmDialogo& d, const Texto& clip) {
  if (!plataforma::ExisteFichero(clip)) return;
  d.Titulo->SetParpadeo(false);
  d.Panel2->SetHeight(kAltoBandaConClip);
  d.Titulo->SetLeft(90);
  d.AMantenimiento->SetLeft(5);
  d.AMantenimiento->Abre(clip);
  d.AMantenimiento->SetVisible(true);
  d.AMantenimiento->Reproduce(kUltimoFotograma);
  ui::aplicacion::ProcesaMensajes();
}

void AnadeTexto(ui::TextoEnriquecido& m, const Texto& t) {
  const size_t p = t.find(kSaltoEscrito);
  if (p == Texto::npos) {
    m.Add(t);
    return;
  }
  // Only the first written "\n" breaks the line; later ones stay as typed.
  m.Add(t.substr(0, p));
  m.Add(t.substr(p + kSaltoEscrito.size()));
}

}  // namespace

TfrmDialogo::TfrmDialogo(ui::Formulario* propietario) : ui::Formulario(propietario, "frmDialogo") {
  SetUnidad("UnidadDialogo");
  CreaComponentes();
}

void TfrmDialogo::CreaComponentes() {
  SetCaption(kCaption);
  SetSinTitulo(true);
  SetSiempreEncima(true);
  SetColor(ui::clWhite);
  SetFont(F(u"Tahoma", 13, ui::clBlack));
  SetTamanoCliente(kAnchoDiseno, kAltoDiseno);

  Panel_Form = new ui::Panel(this, "Panel_Form");
  Panel_Form->SetBiseles(ui::Panel::Bisel::Elevado, ui::Panel::Bisel::Hundido);
  Panel_Form->SetColor(ui::clWhite);
  Panel_Form->SetAlign(ui::Alineacion::Cliente);

  P_Titulo = new ui::Panel(Panel_Form, "P_Titulo");
  P_Titulo->SetBounds(0, 0, kAnchoDiseno, 33);
  P_Titulo->SetColor(ui::clNavy);
  P_Titulo->SetAlign(ui::Alineacion::Arriba);
  L_Titulo = new ui::Etiqueta(P_Titulo, "L_Titulo");
  L_Titulo->SetBounds(0, 0, P_Titulo->Width(), 31);
  // Centred on the band whatever the dialog's width.
  L_Titulo->SetAlign(ui::Alineacion::Cliente);
  L_Titulo->SetCaption(kBanner);
  L_Titulo->SetJustificacion(ui::Justificacion::Centro);
  L_Titulo->SetFont(F(u"Courier New", 30, ui::clSilver, true, true));
  L_Titulo->SetRelieve({true, ui::clGray, ui::clWhite, 1});
  Bevel2 = new ui::Panel(P_Titulo, "Bevel2");
  Bevel2->SetBounds(0, 31, P_Titulo->Width(), 2);
  Bevel2->SetBiseles(ui::Panel::Bisel::Elevado, ui::Panel::Bisel::Ninguno);
  Bevel2->SetAlign(ui::Alineacion::Abajo);

  Panel2 = new ui::Panel(Panel_Form, "Panel2");
  Panel2->SetBounds(0, 0, kAnchoDiseno, 45);
  Panel2->SetColor(ui::clWhite);
  Panel2->SetAlign(ui::Alineacion::Arriba);
  Icono = new ui::Imagen(Panel2, "Icono");
  Icono->SetBounds(10, 4, 43, 40);
  Icono->SetImagen("Dialogos", kIconoDefecto);
  Titulo = new ui::Etiqueta(Panel2, "Titulo");
  Titulo->SetBounds(60, 1, 260, 40);
  Titulo->SetCaption(kTituloDefecto);
  Titulo->SetFont(F(u"Arial", 30, ui::clRed, true));
  Titulo->SetRelieve({true, ui::clBlack, ui::clWhite, 3});
  Titulo->SetParpadeo(true);
  AMantenimiento = new ui::Animacion(Panel2, "AMantenimiento");
  AMantenimiento->SetBounds(400, 0, 85, 73);
  AMantenimiento->SetColor(ui::clBlack);
  AMantenimiento->SetVisible(false);

  Panel1 = new ui::Panel(Panel_Form, "Panel1");
  Panel1->SetBounds(0, 0, kAnchoDiseno, 45);
  Panel1->SetAlign(ui::Alineacion::Abajo);
  Logo = new ui::Etiqueta(Panel1, "Logo");
  // Tall enough for the 30 px bold italic Courier New (34 px as Windows
  // lays it) and its 1 px relief, so it never needs the smaller size.
  Logo->SetBounds(5, 6, 320, 35);
  Logo->SetCaption(kLogo);
  Logo->SetFont(F(u"Courier New", 30, ui::clSilver, true, true));
  Logo->SetRelieve({true, ui::clGray, ui::clWhite, 1});
  Bevel1 = new ui::Panel(Panel1, "Bevel1");
  Bevel1->SetBounds(0, 0, kAnchoDiseno, 2);
  Bevel1->SetBiseles(ui::Panel::Bisel::Hundido, ui::Panel::Bisel::Ninguno);
  Bevel1->SetAlign(ui::Alineacion::Arriba);
  BtnNO = new ui::Boton(Panel1, "BtnNO");
  BtnNO->SetBounds(325, 5, 75, 35);
  BtnNO->SetCaption(u"No");
  BtnNO->SetVisible(false);
  BtnNO->Tag = 0;
  BtnOK = new ui::Boton(Panel1, "BtnOK");
  BtnOK->SetBounds(410, 5, 75, 35);
  BtnOK->SetCaption(u"Aceptar");
  BtnOK->Tag = 1;
  BtnOK->ModalResult = kResultadoSi;
  BtnOK->SetOrdenTab(0);
  for (ui::Boton* b : {BtnNO, BtnOK}) {
    b->SetFont(F(u"Arial", 17, ui::clBlack));
    b->SetColor(kCaraBoton);
  }

  // Declared after the bands so that it takes the space between them.
  Mensaje = new ui::TextoEnriquecido(Panel_Form, "Mensaje");
  Mensaje->SetAlign(ui::Alineacion::Cliente);
  Mensaje->SetSoloLectura(true);
  Mensaje->SetColor(ui::clWhite);
  Mensaje->SetFont(F(u"Verdana", 15, ui::clBlack));
  // The message is shown below a blank first line.
  Mensaje->Add(u"");

  Reloj = std::make_unique<ui::Temporizador>(this, "Reloj");
  Reloj->SetInterval(1000);
  Reloj->SetEnabled(false);

  Centra();
  OnActivate = [this] { FormActivate(); };
  BtnOK->OnClick = [this] { BtnOKClick(BtnOK); };
  BtnNO->OnClick = [this] { BtnOKClick(BtnNO); };
  Reloj->OnTimer = [this] { RelojTimer(); };
}

void TfrmDialogo::FormActivate() {
  if (fV) fV->Valores->FormularioActivo = texto::DeUtf8(Nombre());
  TraeAlFrente();
  ui::aplicacion::ProcesaMensajes();
}

void TfrmDialogo::BtnOKClick(ui::Boton* Sender) { SetModalResult(Sender->Tag != 0 ? kResultadoSi : kResultadoNo); }

void TfrmDialogo::RelojTimer() {
  --Reloj->Tag;
  SetCaption(kCaptionCuentaAtras + texto::FormatoEntero(Reloj->Tag) + kSegundos);
  ui::AnotaTranscripcion("cuenta_atras", {{"formulario", texto::DeUtf8(Nombre())}, {"titulo", Caption()}});
  // The timer keeps running: the dialog is destroyed right after it closes.
  if (Reloj->Tag <= 0) BtnOK->Click();
}

unsigned PreparaDialogo(TfrmDialogo& d, const TfV& principal, const Texto& texto, char16_t tipo, bool ancho,
                        int segundos) {
  const TipoDialogo& t = BuscaTipo(tipo);
  if (t.icono >= 0) d.Icono->SetImagen("Dialogos", t.icono);
  if (t.titulo) d.Titulo->SetCaption(DescifraMensaje(*t.titulo));
  if (t.pregunta) {
    d.BtnOK->SetCaption(kSi);
    d.BtnNO->SetVisible(true);
  }
  AplicaAspecto(d, t);
  if (t.clip) PoneClip(d, principal.Valores->RutaAplicacion + kClip);

  if (segundos != 0) {
    d.Reloj->Tag = segundos;
    d.Reloj->SetEnabled(true);
  }
  d.Mensaje->SetSangrias(10, 5);
  AnadeTexto(*d.Mensaje, texto);

  const bool conClip = d.Panel2->Height() == kAltoBandaConClip;
  int creceBanda = 0;
  if (t.tituloDosLineas) {
    d.Titulo->SetMultilinea(true);
    d.Titulo->SetHeight(kAltoTituloDosLineas);
    creceBanda =
        std::max(0, d.Titulo->Top() + kAltoTituloDosLineas + kMargenBajoTitulo - d.Panel2->Height());
    d.Panel2->SetHeight(d.Panel2->Height() + creceBanda);
  }
  d.SetHeight(d.Height() + kAltoPorLinea * d.Mensaje->LineasMostradas() + (conClip ? kExtraConClip : 0) +
              creceBanda);
  if (ancho) {
    d.SetWidth(kAnchoAmplio);
    d.BtnNO->SetLeft(kIzquierdaNoAmplio);
  }
  // The headline grows with its caption, as a label does, over the band
  // beside the icon or the clip: the kinds' headlines are longer than the
  // designed "Leame por favor...".
  d.Titulo->SetWidth(d.Panel2->Width() - d.Titulo->Left() - kMargenTitulo);
  d.SetLeft((principal.Width() - d.Width()) / 2);
  d.SetTop((principal.Height() - d.Height()) / 2);
  return t.sonido;
}

bool TfV::MuestraDialogo(const Texto& Texto_, char16_t Tipo, bool Ancho, int Segundos) {
  auto dialogo = std::make_unique<TfrmDialogo>(this);
  TfrmDialogo& d = *dialogo;
  frmDialogo = &d;
  const unsigned sonido = PreparaDialogo(d, *this, Texto_, Tipo, Ancho, Segundos);
  ui::Pitido(sonido);
  ui::AnotaTranscripcion("dialogo", {{"tipo", texto::FormatoEntero(Tipo)},
                                     {"titulo", d.Titulo->Caption()},
                                     {"texto", Texto_},
                                     {"ancho", texto::FormatoEntero(d.Width())},
                                     {"alto", texto::FormatoEntero(d.Height())},
                                     {"pitido", texto::FormatoEntero(sonido)},
                                     {"icono", texto::FormatoEntero(d.Icono->Indice())},
                                     {"clip", d.AMantenimiento->Reproduciendo() ? d.AMantenimiento->Fichero() : u""}});
  const bool resultado = d.ShowModal() == kResultadoSi;
  frmDialogo = nullptr;
  return resultado;
}
