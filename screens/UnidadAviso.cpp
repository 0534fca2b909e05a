#include "screens/UnidadAviso.h"

#include "screens/EstilosPantallas.h"

TfrmAviso* frmAviso = nullptr;

TfrmAviso::TfrmAviso(ui::Formulario* propietario) : ui::Formulario(propietario, "frmAviso") {
  SetUnidad("UnidadAviso");
  Panel1 = pantallas::PreparaPantalla(*this, u"Nota Importante...");

  LVersionActual = pantallas::TitularRojo(Panel1, "LVersionActual", u"Actualizaci\u00F3n Zelvano 2021.03 a 2021.28");
  LVersionActual->SetHeight(45);
  LVersionActual->SetAlign(ui::Alineacion::Arriba);
  LVersionActualXP =
      pantallas::TitularRojo(Panel1, "LVersionActualXP", u"Actualizaci\u00F3n Corvisto 2021.03 a 2021.28");
  LVersionActualXP->SetHeight(38);
  LVersionActualXP->SetAlign(ui::Alineacion::Arriba);

  L_Aviso = pantallas::TitularAmarillo(Panel1, "L_Aviso", u"! IMPORTANTE !... Antes de continuar, LEAME...");
  L_Aviso->SetBounds(0, 95, 775, 38);
  L_Aviso->SetMultilinea(true);
  L_Aviso->SetParpadeo(true);

  Memo2 = pantallas::AreaTexto(
      Panel1, "Memo2", 10, 135, 775, 125, 17,
      {u"Si es fin de semana o festivo, deje la Actualizaci\u00F3n para un d\u00EDa laborable y con menos carga de ",
       u"trabajo, ya que hay muchas novedades que puede desconocer o pueden surgir problemas en su PC.",
       u"Esta actualizaci\u00F3n es BETA y puede incorporar peque\u00F1os errores a\u00FAn no controlados.",
       u"Si surge cualquier incidencia durante la actualizaci\u00F3n, por favor, no intente solucionarlo usted "
       u"mismo, ",
       u"p\u00F3ngase en contacto con nosotros y le ayudaremos a resolver dicha incidencia."});

  LRecuerde = pantallas::TitularAmarillo(
      Panel1, "LRecuerde",
      u"Por favor, recuerde, antes de Actualizar...\r\nCierre todos los TERMINALES y TABLETAS...");
  LRecuerde->SetBounds(10, 290, 775, 70);
  LRecuerde->SetMultilinea(true);

  Memo1 = pantallas::AreaTexto(
      Panel1, "Memo1", 10, 360, 775, 150, 17,
      {u"Cierre todos los Zelvano y Corvisto en todos sus TERMINALES Y TABLETAS.",
       u"Si tiene un Antivirus Gratuito, por favor desinst\u00E1lelo, ya que ralentiza su PC y no protege.",
       u"Si su Antivirus es de pago, config\u00FArelo para que Zelvano pueda realizar cambios en su PC o ",
       u"desact\u00EDvelo temporalmente hasta un reinicio de su PC.", u"",
       u"NOTA: Formas de de contacto en nuestro Sitio Web."});

  LCBLeido = pantallas::CasillaLeido(Panel1);

  BtnLeido = new ui::Boton(Panel1, "BtnLeido");
  BtnLeido->SetBounds(675, 530, 110, 35);
  BtnLeido->SetCaption(u"\u00BB Siguiente");
  ui::Fuente f;
  f.nombre = u"Arial";
  f.altoPx = 17;
  f.color = ui::clNavy;
  BtnLeido->SetFont(f);
  // Leaving the notice needs the acknowledgement first.
  BtnLeido->SetEnabled(false);
  // First in tab order; while it is disabled the focus starts on the box.
  BtnLeido->SetOrdenTab(0);

  LCBLeido->OnClick = [this] { LCBLeidoClick(); };
  BtnLeido->OnClick = [this] { BtnLeidoClick(); };
}

void TfrmAviso::LCBLeidoClick() { BtnLeido->SetEnabled(LCBLeido->Checked()); }

void TfrmAviso::BtnLeidoClick() { Close(); }
