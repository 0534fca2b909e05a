// Win32 backend: the keyboard. Every message of the thread's loops passes
// here before it is dispatched, so the keys of every form (main window,
// notice, final screen, message dialog) are handled in this one place by the
// portable focus model; the system's focus only follows it.
#include "platform/comun/ui_nucleo.h"

namespace ui::win32 {

namespace {

Formulario* FormularioDe(HWND h) {
  HWND raiz = h ? GetAncestor(h, GA_ROOT) : nullptr;
  return raiz ? dynamic_cast<Formulario*>(ControlDe(raiz)) : nullptr;
}

bool EsTeclaDeFormulario(WPARAM vk) {
  return vk == VK_TAB || vk == VK_RETURN || vk == VK_SPACE || vk == VK_ESCAPE;
}

// Focus cues are drawn from the start: the user of these screens works them
// by keyboard.
void MuestraFoco(HWND raiz) {
  SendMessageW(raiz, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

}  // namespace

bool TeclaDeFormulario(const MSG& m) {
  if ((m.message != WM_KEYDOWN && m.message != WM_KEYUP) || !EsTeclaDeFormulario(m.wParam)) return false;
  Formulario* f = FormularioDe(m.hwnd);
  if (!f) return false;
  // The release too: a button or box must not act on it a second time.
  if (m.message == WM_KEYUP) return true;
  // A form disabled by the run or by a modal window over it keeps the focus
  // where it was: the key is used up here, so the focused button (the one
  // that started the run) never sees it.
  HWND raiz = Ventana(*f);
  if (!raiz || !IsWindowEnabled(raiz) || !IsWindowVisible(raiz)) return true;
  // A click moves the system's focus without the form knowing.
  if (HWND actual = GetFocus(); actual && actual != Ventana(*f) && FormularioDe(actual) == f)
    f->FocoNativo(ControlDe(actual));
  const bool repetida = (m.lParam & (1L << 30)) != 0;
  Tecla t{};
  switch (m.wParam) {
    case VK_TAB: t = GetKeyState(VK_SHIFT) < 0 ? Tecla::MayusTab : Tecla::Tab; break;
    case VK_RETURN: t = Tecla::Intro; break;
    case VK_SPACE: t = Tecla::Espacio; break;
    default: t = Tecla::Escape; break;
  }
  // A held Enter or Space presses once, not at the keyboard's repeat rate.
  if (repetida && (t == Tecla::Intro || t == Tecla::Espacio)) return true;
  // Enter or Space that presses nothing still reaches the focused control
  // (a blank typed in a text box); Tab and Escape are always the form's.
  return f->PulsaTecla(t) || t == Tecla::Tab || t == Tecla::MayusTab || t == Tecla::Escape;
}

void EnfocaNativo(Control& c) {
  HWND h = Ventana(c);
  Formulario* f = c.FormularioPropietario();
  HWND raiz = f ? Ventana(*f) : nullptr;
  if (!h || !raiz || GetActiveWindow() != raiz) return;  // given when the form is activated
  MuestraFoco(raiz);
  SetFocus(h);
}

void RestauraFoco(Formulario& f) {
  HWND raiz = Ventana(f);
  if (!raiz || GetActiveWindow() != raiz) return;
  Control* c = f.Foco();
  if (!c || !c->Alcanzable()) {
    f.EnfocaPrimero();
    c = f.Foco();
  }
  if (HWND h = c ? Ventana(*c) : nullptr) {
    MuestraFoco(raiz);
    SetFocus(h);
  }
}

}  // namespace ui::win32
