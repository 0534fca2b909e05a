// The portable half of the UI components: properties, the control tree,
// alignment, centring and the event guard. Every change ends in
// nucleo::Notifica so the backend can bring its native control up to date.
#include <algorithm>
#include <cstdio>

#include "platform/comun/ui_nucleo.h"
#include "platform/excepciones.h"

namespace ui {

namespace {

Formulario*& Principal() {
  static Formulario* principal = nullptr;
  return principal;
}

aplicacion::ManejadorExcepciones& Manejador() {
  static aplicacion::ManejadorExcepciones manejador;
  return manejador;
}

// Shows an exception on the standard display; never lets anything escape.
void MuestraSinFallo(const std::exception* e) {
  try {
    aplicacion::MuestraExcepcion(e);
  } catch (...) {
    std::fputs("Excepción al mostrar una excepción\n", stderr);
  }
}

void Maneja(const aplicacion::Emisor& emisor, const std::exception& e) {
  auto& manejador = Manejador();
  if (!manejador) {
    MuestraSinFallo(&e);
    return;
  }
  try {
    manejador(emisor, e);
  } catch (const std::exception& otra) {
    MuestraSinFallo(&otra);
  } catch (...) {
    MuestraSinFallo(nullptr);
  }
}

}  // namespace

// ---- Event guard ------------------------------------------------------------

namespace nucleo {

void Dispara(const aplicacion::Emisor& emisor, const std::function<void()>& manejador) {
  if (!manejador) return;
  try {
    manejador();
  } catch (const std::exception& e) {
    Maneja(emisor, e);
  } catch (...) {
    // A thrown value that is not an exception object: an empty message.
    Maneja(emisor, Exception(u""));
  }
}

aplicacion::Emisor EmisorDe(const Control& c) { return {c.ClassName(), c.UnitName()}; }
aplicacion::Emisor EmisorDe(const Temporizador& t) { return {t.ClassName(), t.UnitName()}; }
aplicacion::Emisor EmisorAplicacion() { return {"TApplication", "Forms"}; }

int Borde(const Control& c) {
  auto* panel = dynamic_cast<const Panel*>(&c);
  if (!panel) return 0;
  return (panel->interior != Panel::Bisel::Ninguno ? 1 : 0) +
         (panel->exterior != Panel::Bisel::Ninguno ? 1 : 0);
}

void PosicionCentrada(const Formulario& f, int& left, int& top) {
  const Formulario* duenyo = f.Propietario();
  if (duenyo) {
    left = duenyo->Left() + (duenyo->Width() - f.Width()) / 2;
    top = duenyo->Top() + (duenyo->Height() - f.Height()) / 2;
    return;
  }
  int ancho = 0, alto = 0;
  AreaPantalla(ancho, alto);
  const Rectangulo area{0, 0, ancho, alto};
  Coloca(area, area, f.Width(), f.Height(), left, top);
}

}  // namespace nucleo

// ---- Control ------------------------------------------------------------------

Control::Control(Control* padre, std::string nombre) : padre_(padre), nombre_(std::move(nombre)) {
  if (padre_) {
    fuente_ = padre_->fuente_;
    padre_->hijos_.push_back(this);
    padre_->ordenTab_.push_back(this);
  }
}

void Control::DesmontaArbol() {
  while (!hijos_.empty()) delete hijos_.back();  // each child leaves the list
  if (padre_) {
    if (Formulario* f = FormularioPropietario(); f && f->foco_ == this) f->foco_ = nullptr;
    auto& hermanos = padre_->hijos_;
    hermanos.erase(std::remove(hermanos.begin(), hermanos.end(), this), hermanos.end());
    auto& orden = padre_->ordenTab_;
    orden.erase(std::remove(orden.begin(), orden.end(), this), orden.end());
    padre_ = nullptr;
  }
}

Formulario* Control::FormularioPropietario() {
  Control* c = this;
  while (c->padre_) c = c->padre_;
  return dynamic_cast<Formulario*>(c);
}

void Control::FijaRect(int left, int top, int width, int height) {
  const bool tamano = width != width_ || height != height_;
  left_ = left;
  top_ = top;
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  nucleo::Notifica(*this, nucleo::Cambio::Geometria);
  if (tamano) AlineaHijos();
}

void Control::SetBounds(int left, int top, int width, int height) {
  FijaRect(left, top, width, height);
  if (padre_ && align_ != Alineacion::Ninguna) padre_->AlineaHijos();
}
void Control::SetLeft(int v) { SetBounds(v, top_, width_, height_); }
void Control::SetTop(int v) { SetBounds(left_, v, width_, height_); }
void Control::SetWidth(int v) { SetBounds(left_, top_, v, height_); }
void Control::SetHeight(int v) { SetBounds(left_, top_, width_, v); }

void Control::SetAlign(Alineacion a) {
  align_ = a;
  if (padre_) padre_->AlineaHijos();
}

void Control::AlineaHijos() {
  const int borde = nucleo::Borde(*this);
  int arriba = borde, abajo = height_ - borde;
  const int izquierda = borde, ancho = std::max(0, width_ - 2 * borde);
  // Top and bottom bands first, in declaration order; the client control
  // takes what is left between them.
  for (Control* h : hijos_) {
    if (!h->visible_) continue;
    if (h->align_ == Alineacion::Arriba) {
      h->FijaRect(izquierda, arriba, ancho, h->height_);
      arriba += h->height_;
    } else if (h->align_ == Alineacion::Abajo) {
      abajo -= h->height_;
      h->FijaRect(izquierda, abajo, ancho, h->height_);
    }
  }
  for (Control* h : hijos_) {
    if (h->visible_ && h->align_ == Alineacion::Cliente)
      h->FijaRect(izquierda, arriba, ancho, std::max(0, abajo - arriba));
  }
}

void Control::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  nucleo::Notifica(*this, nucleo::Cambio::Visible);
  if (padre_ && align_ != Alineacion::Ninguna) padre_->AlineaHijos();
  if (!v) nucleo::CedeFoco(*this);
}

void Control::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  nucleo::Notifica(*this, nucleo::Cambio::Habilitado);
  if (!v) nucleo::CedeFoco(*this);
}

void Control::SetColor(Color c) {
  color_ = c;
  nucleo::Notifica(*this, nucleo::Cambio::Color);
}

void Control::SetFont(const Fuente& f) {
  fuenteDelPadre_ = false;
  fuente_ = f;
  nucleo::Notifica(*this, nucleo::Cambio::Fuente);
  std::vector<Control*> pendientes(hijos_.begin(), hijos_.end());
  while (!pendientes.empty()) {
    Control* h = pendientes.back();
    pendientes.pop_back();
    if (!h->fuenteDelPadre_) continue;
    h->fuente_ = f;
    nucleo::Notifica(*h, nucleo::Cambio::Fuente);
    pendientes.insert(pendientes.end(), h->hijos_.begin(), h->hijos_.end());
  }
}

void Control::Cambiado() { nucleo::Notifica(*this, nucleo::Cambio::Estilo); }

// ---- Panel and labels ----------------------------------------------------------

void Panel::SetBiseles(Bisel in, Bisel ex) {
  interior = in;
  exterior = ex;
  Cambiado();
  AlineaHijos();
}

// Labels and check boxes take the colour of their parent, as designed;
// panels and the rest keep the button face colour until given one.
Etiqueta::Etiqueta(Control* padre, std::string nombre) : Control(padre, std::move(nombre)) {
  if (padre_) color_ = padre_->ColorFondo();
}

void Etiqueta::SetCaption(const Texto& t) {
  caption_ = t;
  nucleo::Notifica(*this, nucleo::Cambio::Texto);
}
void Etiqueta::SetJustificacion(Justificacion j) {
  just_ = j;
  Cambiado();
}
void Etiqueta::SetMultilinea(bool m) {
  multilinea_ = m;
  Cambiado();
}
void Etiqueta::SetRelieve(const Relieve& r) {
  relieve_ = r;
  Cambiado();
}
void Etiqueta::SetParpadeo(bool activo) {
  if (activo == parpadeo_) return;
  parpadeo_ = activo;
  nucleo::Notifica(*this, nucleo::Cambio::Parpadeo);
}
void Etiqueta::SetTransparente(bool t) {
  transparente_ = t;
  Cambiado();
}

// ---- Edit and memo -------------------------------------------------------------

Edicion::Edicion(Control* padre, std::string nombre) : Control(padre, std::move(nombre)) {
  color_ = clWhite;
}
void Edicion::SetText(const Texto& t) {
  texto_ = t;
  nucleo::Notifica(*this, nucleo::Cambio::Texto);
}
void Edicion::SetSoloLectura(bool s) {
  soloLectura_ = s;
  Cambiado();
}
void Edicion::SetTabStop(bool t) {
  tabStop_ = t;
  Cambiado();
}

Memo::Memo(Control* padre, std::string nombre) : Control(padre, std::move(nombre)) { color_ = clWhite; }

void Memo::Add(const Texto& linea) {
  lineas_.push_back(linea);
  nucleo::LineaAnadida(*this, linea);
  nucleo::Dispara(nucleo::EmisorDe(*this), OnChange);
}
void Memo::Clear() {
  if (lineas_.empty()) return;
  lineas_.clear();
  nucleo::Notifica(*this, nucleo::Cambio::Lineas);
  nucleo::Dispara(nucleo::EmisorDe(*this), OnChange);
}
void Memo::SetLines(const std::vector<Texto>& lineas) {
  lineas_ = lineas;
  nucleo::Notifica(*this, nucleo::Cambio::Lineas);
  nucleo::Dispara(nucleo::EmisorDe(*this), OnChange);
}
void Memo::SetSoloLectura(bool s) {
  soloLectura_ = s;
  Cambiado();
}
void Memo::SetBarraVertical(bool b) {
  barra_ = b;
  Cambiado();
}
void Memo::SetTabStop(bool t) {
  tabStop_ = t;
  Cambiado();
}

// ---- Progress bar ----------------------------------------------------------------

BarraProgreso::BarraProgreso(Control* padre, std::string nombre) : Control(padre, std::move(nombre)) {
  color_ = clWhite;
}
void BarraProgreso::SetRango(int minimo, int maximo) {
  min_ = minimo;
  max_ = std::max(minimo, maximo);
  pos_ = std::clamp(pos_, min_, max_);
  nucleo::Notifica(*this, nucleo::Cambio::Valor);
}
void BarraProgreso::SetPosition(int p) {
  const int nueva = std::clamp(p, min_, max_);
  if (nueva == pos_) return;
  pos_ = nueva;
  nucleo::Notifica(*this, nucleo::Cambio::Valor);
}
void BarraProgreso::SetMostrarPorcentaje(bool m) {
  porcentaje_ = m;
  Cambiado();
}
void BarraProgreso::SetColorBarra(Color c) {
  colorBarra_ = c;
  Cambiado();
}

// ---- Buttons and check box ------------------------------------------------------

Boton::Boton(Control* padre, std::string nombre) : Control(padre, std::move(nombre)) {}
void Boton::SetCaption(const Texto& t) {
  caption_ = t;
  nucleo::Notifica(*this, nucleo::Cambio::Texto);
}
void Boton::SetImagen(const std::string& nombre, bool encima) {
  imagen_ = nombre;
  imagenEncima_ = encima;
  nucleo::Notifica(*this, nucleo::Cambio::Imagen);
}
void Boton::Click() {
  // The form's modal result is set before the handler runs, so a handler may
  // still change it.
  if (ModalResult != 0) {
    if (Formulario* f = FormularioPropietario()) f->SetModalResult(ModalResult);
  }
  if (OnClick) OnClick();
}

Casilla::Casilla(Control* padre, std::string nombre) : Control(padre, std::move(nombre)) {
  if (padre_) color_ = padre_->ColorFondo();
}
void Casilla::SetCaption(const Texto& t) {
  caption_ = t;
  nucleo::Notifica(*this, nucleo::Cambio::Texto);
}
void Casilla::SetChecked(bool m) {
  if (m == marcada_) return;
  marcada_ = m;
  nucleo::Notifica(*this, nucleo::Cambio::Valor);
  nucleo::Dispara(nucleo::EmisorDe(*this), OnClick);
}

// ---- Rich text and animation -------------------------------------------------------

TextoEnriquecido::TextoEnriquecido(Control* padre, std::string nombre)
    : Control(padre, std::move(nombre)) {
  color_ = clWhite;
}
void TextoEnriquecido::Add(const Texto& linea) {
  lineas_.push_back(linea);
  nucleo::LineaAnadida(*this, linea);
}
void TextoEnriquecido::SetSangrias(int primeraLineaPt, int derechaPt) {
  sangriaPrimera_ = primeraLineaPt;
  sangriaDerecha_ = derechaPt;
  Cambiado();
}
void TextoEnriquecido::SetSoloLectura(bool s) {
  soloLectura_ = s;
  Cambiado();
}

Imagen::Imagen(Control* padre, std::string nombre) : Control(padre, std::move(nombre)) {}
void Imagen::SetImagen(const std::string& tira, int indice) {
  tira_ = tira;
  indice_ = indice;
  nucleo::Notifica(*this, nucleo::Cambio::Imagen);
}

Animacion::Animacion(Control* padre, std::string nombre) : Control(padre, std::move(nombre)) {}

// ---- Forms -----------------------------------------------------------------------

Formulario::Formulario(Formulario* propietario, std::string nombre)
    : Control(nullptr, std::move(nombre)), propietario_(propietario) {
  // The first top-level form is the application's main form, as with a
  // designed application.
  if (!propietario_ && !Principal()) Principal() = this;
}

Formulario::~Formulario() {
  if (Principal() == this) Principal() = nullptr;
}

void Formulario::SetCaption(const Texto& t) {
  caption_ = t;
  nucleo::Notifica(*this, nucleo::Cambio::Texto);
}
void Formulario::SetSinTitulo(bool s) {
  sinTitulo_ = s;
  Cambiado();
}
void Formulario::SetSinBotonesSistema(bool s) {
  sinBotones_ = s;
  Cambiado();
}
void Formulario::SetSiempreEncima(bool s) {
  siempreEncima_ = s;
  Cambiado();
}
void Formulario::SetTamanoCliente(int ancho, int alto) { SetBounds(left_, top_, ancho, alto); }

void Formulario::Centra() {
  centrado_ = true;
  int left = 0, top = 0;
  nucleo::PosicionCentrada(*this, left, top);
  SetBounds(left, top, width_, height_);
}

void Formulario::CierreSistema() {
  if (ignoraCierreSistema_ || !mostrado_ || !visible_ || !enabled_) return;
  Close();
}

Control* Formulario::BuscaControl(const std::string& nombre) {
  std::vector<Control*> pendientes(hijos_.begin(), hijos_.end());
  while (!pendientes.empty()) {
    Control* c = pendientes.back();
    pendientes.pop_back();
    if (c->Nombre() == nombre) return c;
    pendientes.insert(pendientes.end(), c->Hijos().begin(), c->Hijos().end());
  }
  return nullptr;
}

// ---- Application ---------------------------------------------------------------------

namespace aplicacion {

void SetFormularioPrincipal(Formulario* f) { Principal() = f; }
Formulario* FormularioPrincipal() { return Principal(); }
void SetManejadorExcepciones(ManejadorExcepciones m) { Manejador() = std::move(m); }

}  // namespace aplicacion

}  // namespace ui
