// Win32 backend: colours, fonts, pictures and the painting of the controls
// the layer draws itself (forms, panels, labels, the progress bar, pictures).
#include <cstdio>
#include <map>
#include <tuple>

#include "platform/comun/ui_nucleo.h"

namespace ui::win32 {

namespace {

constexpr int kSegmentosBarra = 110;

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

void Texto(HDC dc, const ui::Texto& t, RECT r, UINT formato, COLORREF color, int dx, int dy) {
  OffsetRect(&r, dx, dy);
  SetTextColor(dc, color);
  DrawTextW(dc, W(t), static_cast<int>(t.size()), &r, formato);
}

// Headlines with depth: the shadow drawn several times down and to the
// right, the light side once up and to the left, then the face.
void PintaEtiqueta(const Etiqueta& e, HDC dc, const RECT& r, bool oculta) {
  Relleno(dc, r, Rgb(e.Transparente() ? ColorDetras(e) : e.ColorFondo()));
  if (oculta) return;
  HGDIOBJ antes = SelectObject(dc, FuenteGdi(e.Font()));
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
  Relleno(dc, r, Rgb(ColorDetras(im)));
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
