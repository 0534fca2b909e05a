// The final screen after a successful run: the notes of the new version and
// the invitation to the maker's video channel.
#pragma once

#include "platform/texto.h"
#include "platform/ui.h"

class Informe;

class Tfrm_Final : public ui::Formulario {
 public:
  // `propietario` is the main window, which also shows the screen's messages.
  explicit Tfrm_Final(ui::Formulario* propietario);

  ui::Panel* Panel1 = nullptr;
  ui::Etiqueta* LVersionActual = nullptr;
  ui::Etiqueta* LVersionActualXP = nullptr;
  ui::Etiqueta* LNovedades = nullptr;
  ui::Memo* Memo1 = nullptr;
  // Tag: 1 once the channel has been offered during this showing.
  ui::Boton* BtnSoporteVideo = nullptr;
  ui::Etiqueta* L_Aviso = nullptr;
  ui::Memo* Memo2 = nullptr;
  ui::Casilla* LCBLeido = nullptr;
  ui::Boton* BtnSalir = nullptr;

  void BtnSoporteVideoClick();
  void BtnSalirClick();

  // Address of the channel page; asks the page to offer the subscription.
  static const texto::Texto DireccionCanal;

 private:
  void InvitaAlCanal();
  // Where its messages are shown: the run's Informe, the main window that owns it.
  Informe* informe_ = nullptr;
};

// The final screen while it is shown.
extern Tfrm_Final* frm_Final;
