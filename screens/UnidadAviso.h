// The notice screen shown before the main window can be used: what to do
// before updating, left only once the user acknowledges it.
#pragma once

#include "platform/ui.h"

class TfrmAviso : public ui::Formulario {
 public:
  explicit TfrmAviso(ui::Formulario* propietario);

  ui::Panel* Panel1 = nullptr;
  ui::Etiqueta* LVersionActual = nullptr;
  ui::Etiqueta* LVersionActualXP = nullptr;
  ui::Etiqueta* L_Aviso = nullptr;
  ui::Memo* Memo2 = nullptr;
  ui::Etiqueta* LRecuerde = nullptr;
  ui::Memo* Memo1 = nullptr;
  ui::Casilla* LCBLeido = nullptr;
  ui::Boton* BtnLeido = nullptr;

  void LCBLeidoClick();
  void BtnLeidoClick();
};

// The notice screen while it is shown.
extern TfrmAviso* frmAviso;
