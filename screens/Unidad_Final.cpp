#include "screens/Unidad_Final.h"

#include "platform/plataforma.h"
#include "screens/EstilosPantallas.h"
#include "system/Informe.h"

Tfrm_Final* frm_Final = nullptr;

const texto::Texto Tfrm_Final::DireccionCanal =
    u"https://www.youtube.com/c/PelmoraSoftZelvano?sub_confirmation=1";

namespace {

const Texto kInvitacion =
    u"Suscr\u00EDbase a nuestro Canal YouTube para estar informado de Nuevos Video Tutoriales.";
const Texto kMarqueLeido = u"Debe marcar que ha le\u00EDdo la notificaci\u00F3n.";
constexpr char16_t kTipoAviso = u'!';          // 33
constexpr char16_t kTipoMantenimiento = u'M';  // 77

ui::Boton* BotonNegro(ui::Control* padre, const char* nombre, int l, int t, int w, int h, const Texto& caption,
                      bool negrita) {
  auto* b = new ui::Boton(padre, nombre);
  b->SetBounds(l, t, w, h);
  b->SetCaption(caption);
  ui::Fuente f;
  f.nombre = u"Arial";
  f.altoPx = 17;
  f.negrita = negrita;
  b->SetFont(f);
  return b;
}

}  // namespace

Tfrm_Final::Tfrm_Final(ui::Formulario* propietario)
    : ui::Formulario(propietario, "frm_Final"), informe_(dynamic_cast<Informe*>(propietario)) {
  SetUnidad("Unidad_Final");
  Panel1 = pantallas::PreparaPantalla(*this, u"frm_Final");

  LVersionActual = pantallas::TitularRojo(Panel1, "LVersionActual", u"LEA LAS NOTAS DE ESTA ACTUALIZACI\u00D3N ...");
  LVersionActual->SetHeight(45);
  LVersionActual->SetAlign(ui::Alineacion::Arriba);
  LVersionActual->SetParpadeo(true);
  LVersionActualXP =
      pantallas::TitularRojo(Panel1, "LVersionActualXP", u"Recuerde Actualizar todos los Terminales en Red.");
  LVersionActualXP->SetHeight(38);
  LVersionActualXP->SetAlign(ui::Alineacion::Arriba);
  LVersionActualXP->SetVisible(false);

  LNovedades = pantallas::TitularAmarillo(Panel1, "LNovedades", u"NOTA SOBRE NUEVAS FUNCIONALIDADES...");
  LNovedades->SetBounds(20, 90, 775, 38);
  LNovedades->SetMultilinea(true);
  LNovedades->SetParpadeo(true);

  Memo1 = pantallas::AreaTexto(
      Panel1, "Memo1", 10, 125, 775, 100, 23,
      {u"\u00BB Canal YouTube con Videos de todas las nuevas funciones actualizados.",
       u"\u00BB Suscr\u00EDbase al Canal YouTube para estar informado de nuevos Videos.",
       u"\u00BB Fecha de estreno del Canal YouTube el d\u00EDa 8 de Marzo del 2021."});

  BtnSoporteVideo =
      BotonNegro(Panel1, "BtnSoporteVideo", 248, 250, 300, 85, u"Suscr\u00EDbase a nuestro Canal YouTube", false);
  BtnSoporteVideo->SetImagen("YouTube", true);
  BtnSoporteVideo->Tag = 0;

  L_Aviso = pantallas::TitularAmarillo(Panel1, "L_Aviso", u"Acerca de Zelvano/Corvisto Versi\u00F3n 2021.28");
  L_Aviso->SetBounds(1, 385, 795, 38);
  L_Aviso->SetMultilinea(true);
  L_Aviso->SetParpadeo(true);

  Memo2 = pantallas::AreaTexto(
      Panel1, "Memo2", 10, 426, 775, 82, 17,
      {u"Protecci\u00F3n ante Virus Encriptadores y otros que corrompen los ficheros de datos del Usuario.",
       u"Nueva nomenclatura en n\u00FAmero Versi\u00F3n, basado en a\u00F1o y n\u00FAmero de semana de lanzamiento.",
       u"Correcci\u00F3n de peque\u00F1os errores y mejoras de estabilidad."});

  LCBLeido = pantallas::CasillaLeido(Panel1);
  LCBLeido->SetOrdenTab(0);

  // Wide enough for its full-size caption beside the picture with a margin
  // inside the button's edge; the right edge stays in line with the notes
  // above.
  BtnSalir = BotonNegro(Panel1, "BtnSalir", 687, 520, 98, 50, u"Aceptar", true);
  BtnSalir->SetImagen("Encendido");

  BtnSoporteVideo->OnClick = [this] { BtnSoporteVideoClick(); };
  BtnSalir->OnClick = [this] { BtnSalirClick(); };
}

void Tfrm_Final::InvitaAlCanal() {
  if (informe_) informe_->MuestraDialogo(kInvitacion, kTipoMantenimiento, true, 0);
  // Whatever the system does with the address, the screen goes on.
  plataforma::AbreDireccion(DireccionCanal);
}

void Tfrm_Final::BtnSoporteVideoClick() {
  BtnSoporteVideo->Tag = 1;
  InvitaAlCanal();
}

void Tfrm_Final::BtnSalirClick() {
  if (!LCBLeido->Checked()) {
    if (informe_) informe_->MuestraDialogo(kMarqueLeido, kTipoAviso, false, 0);
    return;
  }
  if (BtnSoporteVideo->Tag == 0) InvitaAlCanal();
  Close();
}
