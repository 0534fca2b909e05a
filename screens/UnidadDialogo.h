// The message dialog: a fresh modal window for every message, dressed by a
// one-character kind (see TfV::MuestraDialogo).
#pragma once

#include <memory>

#include "platform/texto.h"
#include "platform/ui.h"

class TfrmDialogo : public ui::Formulario {
 public:
  explicit TfrmDialogo(ui::Formulario* propietario);

  ui::Panel* Panel_Form = nullptr;
  ui::Panel* P_Titulo = nullptr;
  ui::Etiqueta* L_Titulo = nullptr;
  ui::Panel* Bevel2 = nullptr;
  ui::Panel* Panel2 = nullptr;
  ui::Imagen* Icono = nullptr;
  ui::Etiqueta* Titulo = nullptr;
  ui::Animacion* AMantenimiento = nullptr;
  ui::TextoEnriquecido* Mensaje = nullptr;
  ui::Panel* Panel1 = nullptr;
  ui::Etiqueta* Logo = nullptr;
  ui::Panel* Bevel1 = nullptr;
  ui::Boton* BtnNO = nullptr;
  ui::Boton* BtnOK = nullptr;
  std::unique_ptr<ui::Temporizador> Reloj;

  void FormActivate();
  // Handler of both buttons: BtnOK (Tag 1) answers 1, BtnNO (Tag 0) answers 7.
  void BtnOKClick(ui::Boton* Sender);
  void RelojTimer();

 private:
  void CreaComponentes();
};

// The most recently created dialog, while it exists.
extern TfrmDialogo* frmDialogo;

class TfV;

// Dresses a fresh dialog for one message: the look of the kind, the text, the
// height it needs, the wide layout, the countdown, and its place over the
// main window. Returns the sound of the kind (the MessageBeep argument).
unsigned PreparaDialogo(TfrmDialogo& d, const TfV& principal, const texto::Texto& texto, char16_t tipo,
                        bool ancho, int segundos);
