// Keyboard focus and the keys of a form, the same on every backend: the
// backends only pass the keys on and show where the focus is.
#include <algorithm>

#include "platform/comun/ui_nucleo.h"

namespace ui {

namespace {

// Every control of the tree below `c` at which Tab may stop, in tab order,
// whether or not it can take the focus now.
void Paradas(const Control& c, std::vector<Control*>& salida) {
  for (Control* h : c.OrdenTab()) {
    if (h->ParadaTab()) salida.push_back(h);
    Paradas(*h, salida);
  }
}

bool EsDe(const Formulario& f, const Control* c) {
  for (; c; c = c->Padre())
    if (c == &f) return true;
  return false;
}

// The next control after `desde` (or the first, when it is not in the list)
// that can take the focus, going forward or back, round the end.
Control* Siguiente(const std::vector<Control*>& paradas, const Control* desde, bool adelante) {
  const auto n = static_cast<long>(paradas.size());
  if (n == 0) return nullptr;
  const auto it = std::find(paradas.begin(), paradas.end(), desde);
  long i = it == paradas.end() ? (adelante ? -1 : n) : static_cast<long>(it - paradas.begin());
  for (long paso = 0; paso < n; ++paso) {
    i = ((adelante ? i + 1 : i - 1) % n + n) % n;
    if (paradas[static_cast<size_t>(i)]->Alcanzable()) return paradas[static_cast<size_t>(i)];
  }
  return nullptr;
}

}  // namespace

void Control::SetOrdenTab(int posicion) {
  if (!padre_) return;
  auto& orden = padre_->ordenTab_;
  orden.erase(std::remove(orden.begin(), orden.end(), this), orden.end());
  const auto donde = static_cast<size_t>(std::clamp(posicion, 0, static_cast<int>(orden.size())));
  orden.insert(orden.begin() + static_cast<long>(donde), this);
}

bool Control::Alcanzable() const {
  for (const Control* c = this; c && !dynamic_cast<const Formulario*>(c); c = c->padre_)
    if (!c->visible_ || !c->enabled_) return false;
  return true;
}

std::vector<Control*> Formulario::CadenaTab() const {
  std::vector<Control*> paradas;
  Paradas(*this, paradas);
  paradas.erase(std::remove_if(paradas.begin(), paradas.end(), [](Control* c) { return !c->Alcanzable(); }),
                paradas.end());
  return paradas;
}

bool Formulario::Enfoca(Control* c) {
  if (!c || c == this || !EsDe(*this, c) || !c->ParadaTab() || !c->Alcanzable()) return false;
  foco_ = c;
  nucleo::Notifica(*c, nucleo::Cambio::Foco);
  return true;
}

void Formulario::EnfocaPrimero() {
  const auto cadena = CadenaTab();
  if (cadena.empty() || !Enfoca(cadena.front())) foco_ = nullptr;
}

void Formulario::FocoNativo(Control* c) {
  if (!c) {
    foco_ = nullptr;
  } else if (c != this && EsDe(*this, c) && c->ParadaTab()) {
    foco_ = c;
  }
}

bool Formulario::PulsaTecla(Tecla t) {
  // A disabled form (a run underway, a modal window over it) or a hidden
  // one takes no key at all: Enter must not start the run a second time.
  if (!visible_ || !enabled_) return false;
  if (t == Tecla::Tab || t == Tecla::MayusTab) {
    std::vector<Control*> paradas;
    Paradas(*this, paradas);
    return Enfoca(Siguiente(paradas, foco_, t == Tecla::Tab));
  }
  if (t != Tecla::Intro && t != Tecla::Espacio) return false;  // Escape: no cancel button
  if (!foco_ || !foco_->Alcanzable()) return false;
  if (auto* b = dynamic_cast<Boton*>(foco_)) {
    nucleo::Dispara(nucleo::EmisorDe(*b), [b] { b->Click(); });
    return true;
  }
  if (auto* k = dynamic_cast<Casilla*>(foco_); k && t == Tecla::Espacio) {
    k->SetChecked(!k->Checked());
    return true;
  }
  return false;
}

namespace nucleo {

void CedeFoco(Control& c) {
  if (dynamic_cast<Formulario*>(&c)) return;
  Formulario* f = c.FormularioPropietario();
  if (!f || !f->Foco()) return;
  bool dentro = false;
  for (Control* p = f->Foco(); p && p != f; p = p->Padre()) dentro = dentro || p == &c;
  if (!dentro) return;
  std::vector<Control*> paradas;
  Paradas(*f, paradas);
  Control* siguiente = Siguiente(paradas, f->Foco(), true);
  if (!f->Enfoca(siguiente)) f->FocoNativo(nullptr);
}

}  // namespace nucleo

}  // namespace ui
