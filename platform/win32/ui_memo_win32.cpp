// Win32 backend: the memo drawn by the layer. Lines stay in the portable
// object; each line's wrapped height is measured once, when it arrives, so an
// appended line costs the same at any length of the log, and only the rows
// in view are painted.
#include <algorithm>
#include <string>

#include "platform/comun/ui_nucleo.h"

namespace ui::win32 {

namespace {

constexpr int kMargen = 2;

std::wstring Linea(const Texto& t) { return std::wstring(W(t), t.size()); }

int Filas(HDC dc, const Texto& linea, int ancho, int altoFila) {
  if (linea.empty() || ancho <= 0) return 1;
  RECT r{0, 0, ancho, 0};
  const std::wstring w = Linea(linea);
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r,
            DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS);
  return std::max(1, static_cast<int>((r.bottom - r.top + altoFila - 1) / altoFila));
}

int AnchoTexto(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return r.right - 2 * kMargen;
}

int FilasVisibles(HWND h, int altoFila) {
  RECT r{};
  GetClientRect(h, &r);
  return std::max(1, static_cast<int>(r.bottom / std::max(1, altoFila)));
}

int Total(const Control::Nativo& n) { return n.filasAcumuladas.empty() ? 0 : n.filasAcumuladas.back(); }

// A memo with a scroll bar always shows it, disabled while everything fits.
// `memo`: the memo when the caller has it (asking the window for it is a
// round trip to the window system).
void ColocaBarra(Control::Nativo& n, HWND h, bool redibuja = true, const Memo* memo = nullptr) {
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  if (!memo) memo = dynamic_cast<const Memo*>(ControlDe(h));
  if (memo && memo->BarraVertical()) si.fMask |= SIF_DISABLENOSCROLL;
  si.nMin = 0;
  si.nMax = std::max(0, Total(n) - 1);
  si.nPage = static_cast<UINT>(FilasVisibles(h, n.altoFila));
  si.nPos = n.filaSuperior;
  SetScrollInfo(h, SB_VERT, &si, redibuja);
}

void Desplaza(Control::Nativo& n, HWND h, int fila) {
  const int maximo = std::max(0, Total(n) - FilasVisibles(h, n.altoFila));
  fila = std::clamp(fila, 0, maximo);
  if (fila == n.filaSuperior) return;
  n.filaSuperior = fila;
  ColocaBarra(n, h);
  InvalidateRect(h, nullptr, FALSE);
}

struct Medida {
  HDC dc;
  Medida(HWND, const Memo& m) : dc(DcMedida(FuenteGdi(FuenteVisible(m)))) {}
  int AltoFila() const {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    return std::max(1, static_cast<int>(tm.tmHeight));
  }
};

}  // namespace

void MemoPrepara(Memo& m, HWND h) {
  auto& n = m.NativoCreado();
  Medida medida(h, m);
  n.altoFila = medida.AltoFila();
  const int ancho = AnchoTexto(h);
  n.filasAcumuladas.clear();
  int total = 0;
  for (const Texto& l : m.Lines()) n.filasAcumuladas.push_back(total += Filas(medida.dc, l, ancho, n.altoFila));
  n.filaSuperior = 0;
  if (n.sigueFinal) n.filaSuperior = std::max(0, Total(n) - FilasVisibles(h, n.altoFila));
  ColocaBarra(n, h);
  InvalidateRect(h, nullptr, FALSE);
}

void MemoAnade(Memo& m, HWND h) {
  auto& n = m.NativoCreado();
  n.sigueFinal = true;
  if (n.filasAcumuladas.size() + 1 != m.Lines().size()) {
    MemoPrepara(m, h);
    return;
  }
  Medida medida(h, m);
  n.filasAcumuladas.push_back(Total(n) + Filas(medida.dc, m.Lines().back(), AnchoTexto(h), n.altoFila));
  // As an edit control with its caret at the end: the new line comes into view.
  n.filaSuperior = std::max(0, Total(n) - FilasVisibles(h, n.altoFila));
  // Lines come in bursts during a run: text and scroll bar are painted with
  // the other controls' repaints, at most once per interval.
  ColocaBarra(n, h, false, &m);
  Repinta(h, RDW_INVALIDATE | RDW_FRAME);
}

void PintaMemo(Memo& m, HDC dc, const RECT& r) {
  auto& n = m.NativoCreado();
  HBRUSH fondo = CreateSolidBrush(Rgb(m.ColorFondo()));
  FillRect(dc, &r, fondo);
  DeleteObject(fondo);
  const auto& lineas = m.Lines();
  if (lineas.size() != n.filasAcumuladas.size()) return;  // measured on the next change
  HGDIOBJ antes = SelectObject(dc, FuenteGdi(FuenteVisible(m)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Rgb(m.Font().color));
  // The first line that reaches the top row.
  size_t i = static_cast<size_t>(
      std::upper_bound(n.filasAcumuladas.begin(), n.filasAcumuladas.end(), n.filaSuperior) -
      n.filasAcumuladas.begin());
  for (; i < lineas.size(); ++i) {
    const int primera = i == 0 ? 0 : n.filasAcumuladas[i - 1];
    const int y = (primera - n.filaSuperior) * n.altoFila;
    if (y >= r.bottom) break;
    RECT caja{kMargen, y, r.right - kMargen, (n.filasAcumuladas[i] - n.filaSuperior) * n.altoFila};
    const std::wstring w = Linea(lineas[i]);
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &caja,
              DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS);
  }
  SelectObject(dc, antes);
}

bool MensajeMemo(Memo& m, HWND h, UINT msg, WPARAM wp, LPARAM lp, LRESULT& resultado) {
  auto& n = m.NativoCreado();
  switch (msg) {
    case WM_VSCROLL: {
      const int pagina = FilasVisibles(h, n.altoFila);
      int fila = n.filaSuperior;
      switch (LOWORD(wp)) {
        case SB_LINEUP: --fila; break;
        case SB_LINEDOWN: ++fila; break;
        case SB_PAGEUP: fila -= pagina; break;
        case SB_PAGEDOWN: fila += pagina; break;
        case SB_TOP: fila = 0; break;
        case SB_BOTTOM: fila = Total(n); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
          SCROLLINFO si{};
          si.cbSize = sizeof si;
          si.fMask = SIF_TRACKPOS;
          GetScrollInfo(h, SB_VERT, &si);
          fila = si.nTrackPos;
          break;
        }
        default: break;
      }
      Desplaza(n, h, fila);
      resultado = 0;
      return true;
    }
    case WM_MOUSEWHEEL:
      Desplaza(n, h, n.filaSuperior - 3 * GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA);
      resultado = 0;
      return true;
    case WM_SIZE:
      MemoPrepara(m, h);
      return false;
    case EM_GETFIRSTVISIBLELINE:
      resultado = n.filaSuperior;
      return true;
    case WM_GETTEXTLENGTH:
    case WM_GETTEXT: {
      // The lines as an edit control gives them: CR LF between lines.
      std::wstring texto;
      for (size_t i = 0; i < m.Lines().size(); ++i) {
        if (i) texto += L"\r\n";
        texto += Linea(m.Lines()[i]);
      }
      if (msg == WM_GETTEXTLENGTH) {
        resultado = static_cast<LRESULT>(texto.size());
      } else {
        const size_t cabe = wp > 0 ? std::min(texto.size(), static_cast<size_t>(wp) - 1) : 0;
        auto* destino = reinterpret_cast<wchar_t*>(lp);
        if (destino && wp > 0) {
          std::copy_n(texto.c_str(), cabe, destino);
          destino[cabe] = L'\0';
        }
        resultado = static_cast<LRESULT>(cabe);
      }
      return true;
    }
    case EM_GETLINECOUNT:
      resultado = std::max(1, Total(n));
      return true;
    default:
      return false;
  }
}

}  // namespace ui::win32
