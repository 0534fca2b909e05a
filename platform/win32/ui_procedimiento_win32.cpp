// Win32 backend: the window procedure every component window shares, and
// the window classes. Clicks and keys reach a control only when it can be
// reached and its window and form are enabled; painting goes through a
// bitmap so that blinking and progress do not flicker.
#include "platform/comun/ui_nucleo.h"

namespace ui {

namespace win32 {

namespace {

Control* Pulsado(HWND hijo) { return hijo ? ControlDe(hijo) : nullptr; }

HBRUSH PincelDe(Control& c, COLORREF color) {
  auto& n = c.NativoCreado();
  if (!n.pincel || n.colorPincel != color) {
    if (n.pincel) DeleteObject(n.pincel);
    n.pincel = CreateSolidBrush(color);
    n.colorPincel = color;
  }
  return n.pincel;
}

LRESULT Procedimiento(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    Asocia(hwnd, static_cast<Control*>(cs->lpCreateParams));
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  if (msg == WM_NCDESTROY) Desasocia(hwnd);
  Control* c = ControlDe(hwnd);
  if (auto* m = dynamic_cast<Memo*>(c)) {
    LRESULT resultado = 0;
    if (MensajeMemo(*m, hwnd, msg, wp, lp, resultado)) return resultado;
  }
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      // Drawn off screen first so blinking and progress do not flicker.
      HDC mem = CreateCompatibleDC(dc);
      HBITMAP lienzo = CreateCompatibleBitmap(dc, r.right > 0 ? r.right : 1, r.bottom > 0 ? r.bottom : 1);
      HGDIOBJ antes = SelectObject(mem, lienzo);
      if (c) Pinta(*c, mem, r);
      BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
      SelectObject(mem, antes);
      DeleteObject(lienzo);
      DeleteDC(mem);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_COMMAND: {
      Control* hijo = Pulsado(reinterpret_cast<HWND>(lp));
      if (hijo && HIWORD(wp) == BN_CLICKED) {
        // However the click came (mouse, key, a message from elsewhere), a
        // control that cannot be reached, or whose window is disabled,
        // does nothing.
        if (!hijo->Alcanzable() || !IsWindowEnabled(hwnd) || !IsWindowEnabled(GetAncestor(hwnd, GA_ROOT))) {
          if (auto* k = dynamic_cast<Casilla*>(hijo))
            SendMessageW(reinterpret_cast<HWND>(lp), BM_SETCHECK, k->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
          return 0;
        }
        if (auto* b = dynamic_cast<Boton*>(hijo)) {
          nucleo::Dispara(nucleo::EmisorDe(*b), [b] { b->Click(); });
        } else if (auto* k = dynamic_cast<Casilla*>(hijo)) {
          k->SetChecked(SendMessageW(reinterpret_cast<HWND>(lp), BM_GETCHECK, 0, 0) == BST_CHECKED);
        }
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN: {
      Control* hijo = Pulsado(reinterpret_cast<HWND>(lp));
      if (!hijo) break;
      HDC dc = reinterpret_cast<HDC>(wp);
      const COLORREF fondo = Rgb(hijo->ColorFondo());
      SetTextColor(dc, Rgb(hijo->Font().color));
      SetBkColor(dc, fondo);
      return reinterpret_cast<LRESULT>(PincelDe(*hijo, fondo));
    }
    case WM_TIMER:
      if (c && wp == kTemporizadorParpadeo) {
        c->NativoCreado().faseOculta = !c->NativoCreado().faseOculta;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      }
      break;
    case WM_CLOSE:
      // Only the system sends it (the layer closes forms itself): a window
      // disabled by the run or by a modal window over it stays.
      if (auto* f = dynamic_cast<Formulario*>(c)) {
        if (IsWindowEnabled(hwnd)) f->CierreSistema();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      // The activation handler may show a modal form: it runs from the queue,
      // not inside the activation itself.
      if (auto* f = dynamic_cast<Formulario*>(c); f && LOWORD(wp) != WA_INACTIVE) {
        PostMessageW(hwnd, WM_ZELVANO_ACTIVA, 0, 0);
        // The system gives the focus to the window itself; the form's focused
        // control takes it back, as in a dialog.
        const LRESULT r = DefWindowProcW(hwnd, msg, wp, lp);
        RestauraFoco(*f);
        return r;
      }
      break;
    case WM_ZELVANO_MIDE: {
      HWND hijo = reinterpret_cast<HWND>(wp);
      Control* medido = hijo && IsChild(hwnd, hijo) ? ControlDe(hijo) : nullptr;
      return medido ? Mide(*medido, lp != 0) : 0;
    }
    case WM_ZELVANO_ACTIVA:
      if (auto* f = dynamic_cast<Formulario*>(c)) {
        if (f->Mostrado()) nucleo::Dispara(nucleo::EmisorDe(*f), f->OnActivate);
      }
      return 0;
    case WM_SETCURSOR:
      if (CursorActual() == Cursor::RelojArena) {
        ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case PBM_GETPOS:
      if (auto* b = dynamic_cast<BarraProgreso*>(c)) return b->Position();
      break;
    case PBM_GETRANGE:
      if (auto* b = dynamic_cast<BarraProgreso*>(c)) {
        if (auto* r = reinterpret_cast<PBRANGE*>(lp)) {
          r->iLow = b->Min();
          r->iHigh = b->Max();
        }
        return wp ? b->Min() : b->Max();
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK ProcedimientoVentana(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // Nothing may unwind through the system's frames.
  try {
    return Procedimiento(hwnd, msg, wp, lp);
  } catch (const std::exception& e) {
    aplicacion::MuestraExcepcion(&e);
  } catch (...) {
    aplicacion::MuestraExcepcion(nullptr);
  }
  return 0;
}

}  // namespace

void RegistraClases() {
  static bool hecho = false;
  if (hecho) return;
  hecho = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ProcedimientoVentana;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The application icon on the title bar and the taskbar button.
  wc.hIcon = static_cast<HICON>(LoadImageW(wc.hInstance, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), 0));
  wc.hIconSm = static_cast<HICON>(LoadImageW(wc.hInstance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  for (const wchar_t* nombre : {kClasePrincipal, kClaseFormulario, kClaseControl}) {
    wc.lpszClassName = nombre;
    RegisterClassExW(&wc);
  }
  wc.lpfnWndProc = ProcedimientoMensajes;
  wc.lpszClassName = kClaseMensajes;
  RegisterClassExW(&wc);
}

}  // namespace win32

}  // namespace ui
