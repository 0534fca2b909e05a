// Win32 backend of the UI layer (first compiling definitions).
#include "platform/comun/ui_nucleo.h"

namespace ui {

Control::~Control() { DesmontaArbol(); }
Control::Nativo& Control::NativoCreado() {
  if (!nativo_) nativo_ = std::make_unique<Nativo>();
  return *nativo_;
}
void Control::Repaint() {}
bool Etiqueta::VisibleAhora() const { return visible_; }
int TextoEnriquecido::LineasMostradas() const { return static_cast<int>(lineas_.size()); }
bool Animacion::Abre(const Texto& f) {
  fichero_ = f;
  return true;
}
void Animacion::Reproduce(int) { reproduciendo_ = true; }

Temporizador::Temporizador(Formulario* p, std::string n)
    : propietario_(p), nombre_(std::move(n)), nativo_(std::make_unique<Nativo>()) {}
Temporizador::~Temporizador() = default;
void Temporizador::SetInterval(uint32_t ms) { intervalo_ = ms; }
void Temporizador::SetEnabled(bool e) { activo_ = e; }

void Formulario::Show() { mostrado_ = true; }
void Formulario::Close() { mostrado_ = false; }
int Formulario::ShowModal() { return modalResult_; }
void Formulario::SetModalResult(int r) { modalResult_ = r; }

namespace nucleo {
void Notifica(Control&, Cambio) {}
void LineaAnadida(Control&, const Texto&) {}
void AreaPantalla(int& ancho, int& alto) {
  ancho = GetSystemMetrics(SM_CXSCREEN);
  alto = GetSystemMetrics(SM_CYSCREEN);
}
}  // namespace nucleo

namespace aplicacion {
void Inicializa() {}
void SetTitulo(const Texto&) {}
void Ejecuta() {}
void ProcesaMensajes() {}
void Termina() {}
void ActivaOtraInstancia() {}
void MuestraExcepcion(const std::exception*) {}
}  // namespace aplicacion

void SetCursor(Cursor) {}
Cursor CursorActual() { return Cursor::Normal; }
void AnotaTranscripcion(const std::string&, const std::vector<std::pair<std::string, Texto>>&) {}
void Pitido(unsigned) {}

}  // namespace ui
