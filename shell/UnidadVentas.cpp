// The main window: layout, run context, process log and the buttons.
#include "shell/UnidadVentas.h"

#include "platform/plataforma.h"

TfV* fV = nullptr;

TfV::TfV() : ui::Formulario(nullptr, "fV") { Valores = std::make_unique<TEstr_Valores>(); }
TfV::~TfV() = default;

void TfV::CreaComponentes() {}
void TfV::FormCreate() {}
void TfV::FormActivate() {}
void TfV::BtnSalirClick() { Close(); }
void TfV::MuestraTamanoFichero(const Texto&) {}
void TfV::Registra(const Texto& linea) { AnadeLinea(linea); }
void TfV::AnadeLinea(const Texto& linea) {
  if (MemoBackup) MemoBackup->Add(linea);
}
bool TfV::GuardaLog() { return false; }
bool TfV::EsServidor() const { return NombrePC && NombreServidor && NombrePC->Text() == NombreServidor->Text(); }
void TfV::Finaliza() {
  ui::aplicacion::Termina();
  plataforma::TerminaAplicacion(0);
}
