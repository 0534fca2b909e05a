// Win32 backend: colours, fonts, pictures and the painting of the controls
// the layer draws itself (forms, panels, labels, the progress bar, pictures).
#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "platform/comun/ui_nucleo.h"

namespace ui::win32 {

namespace {

constexpr int kSegmentosBarra = 110;
// How much wider than designed a one-line label may grow to show its text.
constexpr int kCrecimientoEtiqueta = 8;

using ClaveFuente = std::tuple<std::u16string, int, bool, bool>;

void Relleno(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH pincel = CreateSolidBrush(color);
  FillRect(dc, &r, pincel);
  DeleteObject(pincel);
}

UINT Bordes(Panel::Bisel b, bool exterior) {
  switch (b) {
    case Panel::Bisel::Elevado: return exterior ? BDR_RAISEDOUTER : BDR_RAISEDINNER;
    case Panel::Bisel::Hundido: return exterior ? BDR_SUNKENOUTER : BDR_SUNKENINNER;
    case Panel::Bisel::Suave: return exterior ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
    case Panel::Bisel::Ninguno: break;
  }
  return 0;
}

void PintaPanel(const Panel& p, HDC dc, RECT r) {
  Relleno(dc, r, Rgb(p.ColorFondo()));
  if (UINT b = Bordes(p.exterior, true)) {
    DrawEdge(dc, &r, b, BF_RECT);
    InflateRect(&r, -1, -1);
  }
  if (UINT b = Bordes(p.interior, false)) DrawEdge(dc, &r, b, BF_RECT);
}

// What a transparent control shows behind it: its parent as the parent
// draws itself, so that a label laid over a panel's frame leaves the frame
// whole.
void PintaFondoDetras(const Control& c, HDC dc, const RECT& r) {
  auto* panel = dynamic_cast<const Panel*>(c.Padre());
  if (!panel) {
    Relleno(dc, r, Rgb(ColorDetras(c)));
    return;
  }
  POINT antes{};
  SetViewportOrgEx(dc, r.left - c.Left(), r.top - c.Top(), &antes);
  PintaPanel(*panel, dc, RECT{0, 0, panel->Width(), panel->Height()});
  SetViewportOrgEx(dc, antes.x, antes.y, nullptr);
}

void Texto(HDC dc, const ui::Texto& t, RECT r, UINT formato, COLORREF color, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  SetTextColor(dc, color);
  DrawTextW(dc, W(t), static_cast<int>(t.size()), &r, formato);
}

// Headlines with depth: the shadow drawn several times down and to the
// right, the light side once up and to the left, then the face.
void PintaEtiqueta(const Etiqueta& e, HDC dc, const RECT& r, bool oculta) {
  if (e.Transparente()) {
    PintaFondoDetras(e, dc, r);
  } else {
    Relleno(dc, r, Rgb(e.ColorFondo()));
  }
  if (oculta) return;
  HGDIOBJ antes = SelectObject(dc, FuenteGdi(FuenteVisible(e)));
  SetBkMode(dc, TRANSPARENT);
  UINT formato = DT_NOPREFIX | DT_EXPANDTABS;
  formato |= e.Multilinea() ? DT_WORDBREAK : DT_SINGLELINE;
  switch (e.GetJustificacion()) {
    case Justificacion::Izquierda: formato |= DT_LEFT; break;
    case Justificacion::Centro: formato |= DT_CENTER; break;
    case Justificacion::Derecha: formato |= DT_RIGHT; break;
  }
  const Relieve& rel = e.GetRelieve();
  if (rel.activo) {
    for (int i = rel.profundidad; i >= 1; --i) Texto(dc, e.Caption(), r, formato, Rgb(rel.sombra), i, i);
    Texto(dc, e.Caption(), r, formato, Rgb(rel.luz), -1, -1);
  }
  Texto(dc, e.Caption(), r, formato, Rgb(e.Font().color), 0, 0);
  SelectObject(dc, antes);
}

// A lowered double frame, white inside, lime segments and the percentage.
void PintaBarra(const BarraProgreso& b, HDC dc, RECT r) {
  DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  Relleno(dc, r, Rgb(b.ColorFondo()));
  const long long rango = static_cast<long long>(b.Max()) - b.Min();
  const long long hecho = static_cast<long long>(b.Position()) - b.Min();
  const int ancho = r.right - r.left;
  const int llenos = rango > 0 ? static_cast<int>(hecho * kSegmentosBarra / rango) : 0;
  HBRUSH pincel = CreateSolidBrush(Rgb(b.ColorBarra()));
  for (int i = 0; i < llenos; ++i) {
    RECT s{r.left + 1 + i * ancho / kSegmentosBarra, r.top + 1,
           r.left + (i + 1) * ancho / kSegmentosBarra - 1, r.bottom - 1};
    if (s.right > s.left) FillRect(dc, &s, pincel);
  }
  DeleteObject(pincel);
  if (!b.MostrarPorcentaje()) return;
  const int porcentaje = rango > 0 ? static_cast<int>(hecho * 100 / rango) : 0;
  wchar_t texto[16];
  std::swprintf(texto, 16, L"%d %%", porcentaje);
  HGDIOBJ antes = SelectObject(dc, FuenteGdi(b.Font()));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Rgb(b.Font().color));
  DrawTextW(dc, texto, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SelectObject(dc, antes);
}

void PintaImagen(const Imagen& im, HDC dc, const RECT& r) {
  PintaFondoDetras(im, dc, r);
  HBITMAP tira = MapaDeBits(im.Tira());
  if (!tira) return;
  BITMAP info{};
  GetObjectW(tira, sizeof info, &info);
  const int lado = info.bmHeight;
  if (lado <= 0 || im.Indice() < 0 || (im.Indice() + 1) * lado > info.bmWidth) return;
  HDC origen = CreateCompatibleDC(dc);
  HGDIOBJ antes = SelectObject(origen, tira);
  TransparentBlt(dc, 0, 0, lado, lado, origen, im.Indice() * lado, 0, lado, lado, kColorClave);
  SelectObject(origen, antes);
  DeleteDC(origen);
}

}  // namespace

COLORREF Rgb(Color c) {
  if (c & 0xFF000000) return GetSysColor(static_cast<int>(c & 0xFF));
  return static_cast<COLORREF>(c & 0xFFFFFF);
}

HFONT FuenteGdi(const Fuente& f) {
  static std::map<ClaveFuente, HFONT> fuentes;
  const ClaveFuente clave{f.nombre, f.altoPx, f.negrita, f.cursiva};
  auto it = fuentes.find(clave);
  if (it != fuentes.end()) return it->second;
  // A negative height asks for the character height in pixels.
  HFONT h = CreateFontW(-f.altoPx, 0, 0, 0, f.negrita ? FW_BOLD : FW_NORMAL, f.cursiva, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, W(f.nombre));
  fuentes.emplace(clave, h);
  return h;
}

Color ColorDetras(const Control& c) {
  for (const Control* p = c.Padre(); p; p = p->Padre()) {
    auto* e = dynamic_cast<const Etiqueta*>(p);
    if (!e || !e->Transparente()) return p->ColorFondo();
  }
  return c.ColorFondo();
}

HDC DcMedida(HFONT fuente) {
  static std::map<HFONT, HDC> contextos;
  HDC& dc = contextos[fuente];
  if (!dc) {
    dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, fuente);
  }
  return dc;
}

HBITMAP MapaDeBits(const std::string& nombre) {
  static std::map<std::string, HBITMAP> mapas;
  auto it = mapas.find(nombre);
  if (it != mapas.end()) return it->second;
  const std::wstring w(nombre.begin(), nombre.end());
  auto h = static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), w.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  mapas.emplace(nombre, h);
  return h;
}

namespace {

SIZE Extension(const Fuente& f, const ui::Texto& t, UINT formato, int ancho) {
  RECT r{0, 0, ancho, 0};
  DrawTextW(DcMedida(FuenteGdi(f)), W(t), static_cast<int>(t.size()), &r,
            formato | DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// A label's text as PintaEtiqueta draws it: the relief's shadow reaches
// `profundidad` pixels right and down of the face (both sides when centred).
SIZE NecesarioEtiqueta(const Etiqueta& e, const Fuente& f, int ancho) {
  const int fondo = e.GetRelieve().activo ? e.GetRelieve().profundidad : 0;
  const int lados = e.GetJustificacion() == Justificacion::Centro ? 2 : 1;
  const UINT formato = e.Multilinea() ? DT_WORDBREAK : DT_SINGLELINE;
  SIZE s = Extension(f, e.Caption(), formato, std::max(1, ancho - lados * fondo));
  s.cx += lados * fondo;
  s.cy += fondo;
  return s;
}

// The widest line of a memo, drawn with its margins, and one row per line.
SIZE NecesarioMemo(const Memo& m, const Fuente& f) {
  SIZE s{0, 0};
  for (const ui::Texto& l : m.Lines()) {
    const SIZE t = Extension(f, l.empty() ? ui::Texto(u" ") : l, DT_SINGLELINE, 1);
    s.cx = std::max(s.cx, t.cx + 4);
    s.cy += t.cy;
  }
  return s;
}

// What the system needs to lay a button's or box's caption and picture out
// whole, with the font it has now.
SIZE NecesarioBoton(Control& c, HWND h) {
  SIZE ideal{0, 0};
  if (SendMessageW(h, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) && ideal.cx > 0) return ideal;
  ui::Texto caption;
  if (auto* b = dynamic_cast<Boton*>(&c)) caption = b->Caption();
  if (auto* k = dynamic_cast<Casilla*>(&c)) caption = k->Caption();
  SIZE s = Extension(FuenteVisible(c), caption, DT_SINGLELINE, 1);
  s.cx += dynamic_cast<Casilla*>(&c) ? GetSystemMetrics(SM_CXMENUCHECK) + 6 : 8;
  s.cy += 4;
  return s;
}

// The box a control has for its caption: a memo's inside of its sunken
// edge, scroll bar or not (lines that fit show none); a button its whole
// window; the rest their client area.
SIZE Disponible(const Control& c, HWND h) {
  RECT r{};
  if (dynamic_cast<const Memo*>(&c) || dynamic_cast<const Boton*>(&c) || dynamic_cast<const Casilla*>(&c)) {
    GetWindowRect(h, &r);
    const int borde = dynamic_cast<const Memo*>(&c) ? 2 * GetSystemMetrics(SM_CXEDGE) : 0;
    return SIZE{r.right - r.left - borde, r.bottom - r.top - borde};
  }
  GetClientRect(h, &r);
  return SIZE{r.right, r.bottom};
}

// The controls whose caption is measured: labels, buttons, check boxes and
// a memo given its lines.
bool SeMide(const Control& c) {
  if (c.Width() <= 0) return false;
  if (auto* e = dynamic_cast<const Etiqueta*>(&c)) return !e->Caption().empty();
  if (auto* m = dynamic_cast<const Memo*>(&c)) {
    const auto* n = const_cast<Memo*>(m)->nativo();
    return !m->Lines().empty() && !(n && n->sigueFinal);
  }
  return dynamic_cast<const Boton*>(&c) || dynamic_cast<const Casilla*>(&c);
}

SIZE Necesario(Control& c, HWND h, const Fuente& f) {
  if (auto* e = dynamic_cast<Etiqueta*>(&c)) {
    RECT r{};
    GetClientRect(h, &r);
    return NecesarioEtiqueta(*e, f, r.right);
  }
  if (auto* m = dynamic_cast<Memo*>(&c)) return NecesarioMemo(*m, f);
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FuenteGdi(f)), FALSE);
  return NecesarioBoton(c, h);
}

}  // namespace

Fuente FuenteVisible(const Control& c) {
  Fuente f = c.Font();
  const auto* n = const_cast<Control&>(c).nativo();
  if (n && n->altoAjustado > 0) f.altoPx = n->altoAjustado;
  return f;
}

bool AjustaFuente(Control& c) {
  HWND h = Ventana(c);
  // A text box keeps its designed size: what it cannot show, it scrolls to.
  // Growing a label moves its window, which asks for the fit again.
  static bool ajustando = false;
  if (!h || !SeMide(c) || dynamic_cast<Memo*>(&c) || ajustando) return false;
  ajustando = true;
  struct Fin {
    ~Fin() { ajustando = false; }
  } fin;
  auto& n = c.NativoCreado();
  const int antes = n.altoAjustado;
  const SIZE hay = Disponible(c, h);
  // A disabled button draws its caption one pixel lower and to the right.
  const int holgura = dynamic_cast<Boton*>(&c) ? 2 : 0;
  // A one-line label grows to its text, as a label sized to its caption
  // does: a few pixels of rounding between faces of the same metrics are
  // not worth a smaller size.
  auto* e = dynamic_cast<Etiqueta*>(&c);
  const bool crece = e && !e->Multilinea() && e->GetJustificacion() == Justificacion::Izquierda;
  const auto prueba = [&](const Fuente& f) {
    const SIZE s = Necesario(c, h, f);
    if (s.cx + holgura <= hay.cx && s.cy <= hay.cy) return true;
    if (!crece || s.cx - hay.cx > kCrecimientoEtiqueta || s.cy - hay.cy > kCrecimientoEtiqueta) return false;
    c.SetBounds(c.Left(), c.Top(), c.Width() + static_cast<int>(std::max<LONG>(0, s.cx - hay.cx)),
                c.Height() + static_cast<int>(std::max<LONG>(0, s.cy - hay.cy)));
    return true;
  };
  // One size smaller at most, whether the caption then fits or not: a
  // smaller one would stand out among its neighbours.
  Fuente menor = c.Font();
  menor.altoPx = nucleo::TamanoMenor(c.Font().altoPx);
  n.altoAjustado = 0;
  if (!prueba(c.Font()) && menor.altoPx != c.Font().altoPx) {
    n.altoAjustado = menor.altoPx;
    prueba(menor);
  }
  if (dynamic_cast<Boton*>(&c) || dynamic_cast<Casilla*>(&c))
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FuenteGdi(FuenteVisible(c))), TRUE);
  if (n.altoAjustado == antes) return false;
  InvalidateRect(h, nullptr, TRUE);
  return true;
}

LRESULT Mide(Control& c, bool disponible) {
  HWND h = Ventana(c);
  if (!h || !SeMide(c)) return 0;
  if (auto* m = dynamic_cast<Memo*>(&c); m && m->nativo() && m->nativo()->sigueFinal) return 0;
  SIZE s = Disponible(c, h);
  if (!disponible) {
    if (dynamic_cast<Boton*>(&c) || dynamic_cast<Casilla*>(&c)) {
      s = NecesarioBoton(c, h);
    } else {
      s = Necesario(c, h, FuenteVisible(c));
    }
  }
  return MAKELRESULT(std::max<LONG>(0, s.cx), std::max<LONG>(0, s.cy));
}

void Pinta(Control& c, HDC dc, const RECT& r) {
  if (auto* e = dynamic_cast<Etiqueta*>(&c)) {
    PintaEtiqueta(*e, dc, r, e->Parpadeo() && c.NativoCreado().faseOculta);
  } else if (auto* b = dynamic_cast<BarraProgreso*>(&c)) {
    PintaBarra(*b, dc, r);
  } else if (auto* im = dynamic_cast<Imagen*>(&c)) {
    PintaImagen(*im, dc, r);
  } else if (auto* m = dynamic_cast<Memo*>(&c)) {
    PintaMemo(*m, dc, r);
  } else if (auto* p = dynamic_cast<Panel*>(&c)) {
    PintaPanel(*p, dc, r);
  } else {
    Relleno(dc, r, Rgb(c.ColorFondo()));
  }
}

}  // namespace ui::win32
