// Win32 backend: the native windows of the components. A form's windows are
// created together, hidden, the first time anything needs them (showing it,
// counting the lines of its rich text, opening a clip); from then on every
// property change is passed on to its window. What the windows answer is in
// ui_procedimiento_win32.cpp.
#include <richedit.h>

#include <map>
#include <string>

#include "platform/comun/ui_nucleo.h"

namespace ui {

namespace win32 {

namespace {

constexpr UINT kMedioParpadeoMs = 250;

const wchar_t* ClaseRica() {
  static const wchar_t* clase = [] {
    if (LoadLibraryW(L"Msftedit.dll")) return L"RICHEDIT50W";
    LoadLibraryW(L"Riched20.dll");
    return L"RichEdit20W";
  }();
  return clase;
}

// Visual styles ignore the text colour of a check box; the white-on-black box
// is drawn unthemed. uxtheme is looked up at run time.
void SinTema(HWND hwnd) {
  using Funcion = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  static Funcion f = [] {
    HMODULE m = LoadLibraryW(L"uxtheme.dll");
    FARPROC p = m ? GetProcAddress(m, "SetWindowTheme") : nullptr;
    return reinterpret_cast<Funcion>(reinterpret_cast<void*>(p));
  }();
  if (f) f(hwnd, L"", L"");
}

std::wstring LineasWindows(const Texto& t, const wchar_t* salto) {
  std::wstring s;
  for (size_t i = 0; i < t.size(); ++i) {
    const char16_t c = t[i];
    if (c == u'\r' && i + 1 < t.size() && t[i + 1] == u'\n') continue;
    if (c == u'\r' || c == u'\n') {
      s += salto;
    } else {
      s += static_cast<wchar_t>(c);
    }
  }
  return s;
}

std::wstring Une(const std::vector<Texto>& lineas, const wchar_t* salto) {
  std::wstring s;
  for (size_t i = 0; i < lineas.size(); ++i) {
    if (i) s += salto;
    s += LineasWindows(lineas[i], salto);
  }
  return s;
}

DWORD EstiloFormulario(const Formulario& f) {
  if (f.SinTitulo()) return WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
  if (f.SinBotonesSistema()) return WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
  return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}

DWORD EstiloExFormulario(const Formulario& f) {
  DWORD ex = f.SiempreEncima() ? WS_EX_TOPMOST : 0;
  if (&f == aplicacion::FormularioPrincipal()) ex |= WS_EX_APPWINDOW;  // its own taskbar button
  return ex;
}

void ColocaFormulario(Formulario& f, HWND h) {
  RECT r{0, 0, f.Width(), f.Height()};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(h, GWL_EXSTYLE)));
  SetWindowPos(h, nullptr, f.Left(), f.Top(), r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormatoRico(TextoEnriquecido& t, HWND h) {
  HDC dc = GetDC(h);
  const int ppp = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(h, dc);
  CHARFORMAT2W cf{};
  cf.cbSize = sizeof cf;
  cf.dwMask = CFM_FACE | CFM_SIZE | CFM_COLOR | CFM_BOLD | CFM_ITALIC;
  cf.dwEffects = (t.Font().negrita ? CFE_BOLD : 0) | (t.Font().cursiva ? CFE_ITALIC : 0);
  cf.yHeight = MulDiv(t.Font().altoPx, 1440, ppp > 0 ? ppp : 96);  // twips for the pixel height
  cf.crTextColor = Rgb(t.Font().color);
  lstrcpynW(cf.szFaceName, W(t.Font().nombre), LF_FACESIZE);
  SendMessageW(h, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
  SendMessageW(h, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(Rgb(t.ColorFondo())));
  PARAFORMAT2 pf{};
  pf.cbSize = sizeof pf;
  pf.dwMask = PFM_STARTINDENT | PFM_RIGHTINDENT;
  pf.dxStartIndent = t.SangriaPrimeraPt() * 20;
  pf.dxRightIndent = t.SangriaDerechaPt() * 20;
  SendMessageW(h, EM_SETSEL, 0, -1);
  SendMessageW(h, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
  SendMessageW(h, EM_SETSEL, 0, 0);
}

// The rich text is small (a dialog's message): it is rebuilt on every change,
// paragraphs separated by CR and no break after the last one, so the control's
// line count is exactly the lines shown.
void RellenaRico(TextoEnriquecido& t, HWND h) {
  SetWindowTextW(h, Une(t.Lines(), L"\r").c_str());
  FormatoRico(t, h);
}

void ImagenBoton(Boton& b, HWND h) {
  auto& n = b.NativoCreado();
  if (n.imagenes) {
    ImageList_Destroy(n.imagenes);
    n.imagenes = nullptr;
  }
  if (b.Imagen().empty()) return;
  HBITMAP mapa = MapaDeBits(b.Imagen());
  if (!mapa) return;
  BITMAP info{};
  GetObjectW(mapa, sizeof info, &info);
  n.imagenes = ImageList_Create(info.bmWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, 1, 0);
  // The list takes a copy; the keyed colour becomes transparent.
  HBITMAP copia = static_cast<HBITMAP>(CopyImage(mapa, IMAGE_BITMAP, 0, 0, 0));
  ImageList_AddMasked(n.imagenes, copia, kColorClave);
  DeleteObject(copia);
  BUTTON_IMAGELIST bil{};
  bil.himl = n.imagenes;
  // Small margins leave the caption its room beside or below the picture.
  bil.margin = RECT{2, 2, 2, 2};
  bil.uAlign = b.ImagenEncima() ? BUTTON_IMAGELIST_ALIGN_TOP : BUTTON_IMAGELIST_ALIGN_LEFT;
  if (!SendMessageW(h, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&bil)))
    SendMessageW(h, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(mapa));
}

void EstiloBit(HWND h, DWORD bit, bool activo) {
  LONG_PTR s = GetWindowLongPtrW(h, GWL_STYLE);
  SetWindowLongPtrW(h, GWL_STYLE, activo ? (s | bit) : (s & ~static_cast<LONG_PTR>(bit)));
}

// Everything but geometry, visibility and the text content.
void AplicaEstilo(Control& c, HWND h) {
  if (auto* ed = dynamic_cast<Edicion*>(&c)) {
    SendMessageW(h, EM_SETREADONLY, ed->SoloLectura(), 0);
    EstiloBit(h, WS_TABSTOP, ed->TabStop());
  } else if (auto* m = dynamic_cast<Memo*>(&c)) {
    EstiloBit(h, WS_TABSTOP, m->TabStop());
    ShowScrollBar(h, SB_VERT, m->BarraVertical());
  } else if (auto* r = dynamic_cast<TextoEnriquecido*>(&c)) {
    SendMessageW(h, EM_SETREADONLY, r->SoloLectura(), 0);
    FormatoRico(*r, h);
  } else if (auto* f = dynamic_cast<Formulario*>(&c)) {
    SetWindowLongPtrW(h, GWL_STYLE, EstiloFormulario(*f) | (IsWindowVisible(h) ? WS_VISIBLE : 0));
    SetWindowPos(h, f->SiempreEncima() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ColocaFormulario(*f, h);
  }
  InvalidateRect(h, nullptr, TRUE);
}

void AplicaTexto(Control& c, HWND h) {
  if (dynamic_cast<Etiqueta*>(&c)) {
    // Labels are drawn from their caption; the window text follows with the
    // repaint (a run changes the counter and the size panel per file).
    Repinta(h, kRepintaTexto | RDW_INVALIDATE | RDW_ERASE);
    return;
  } else if (auto* ed = dynamic_cast<Edicion*>(&c)) {
    SetWindowTextW(h, W(ed->Text()));
  } else if (auto* b = dynamic_cast<Boton*>(&c)) {
    SetWindowTextW(h, W(b->Caption()));
  } else if (auto* k = dynamic_cast<Casilla*>(&c)) {
    SetWindowTextW(h, W(k->Caption()));
  } else if (auto* f = dynamic_cast<Formulario*>(&c)) {
    SetWindowTextW(h, W(f->Caption()));
  }
  Repinta(h, RDW_INVALIDATE | RDW_ERASE);
}

void AplicaFuente(Control& c, HWND h) {
  if (auto* r = dynamic_cast<TextoEnriquecido*>(&c)) {
    FormatoRico(*r, h);
  } else if (auto* m = dynamic_cast<Memo*>(&c)) {
    MemoPrepara(*m, h);
  } else {
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FuenteGdi(FuenteVisible(c))), TRUE);
  }
  InvalidateRect(h, nullptr, TRUE);
}

// After any change that moves a caption or its box: the caption whole again.
void Encaja(Control& c, HWND h) {
  if (!AjustaFuente(c)) return;
  if (auto* m = dynamic_cast<Memo*>(&c)) MemoPrepara(*m, h);
}

void AplicaLineas(Control& c, HWND h) {
  if (auto* m = dynamic_cast<Memo*>(&c)) {
    // Lines given all at once are read from the first.
    m->NativoCreado().sigueFinal = false;
    MemoPrepara(*m, h);
  } else if (auto* r = dynamic_cast<TextoEnriquecido*>(&c)) {
    RellenaRico(*r, h);
  }
}

void AplicaParpadeo(Control& c, HWND h) {
  auto* e = dynamic_cast<Etiqueta*>(&c);
  if (!e) return;
  c.NativoCreado().faseOculta = false;
  if (e->Parpadeo()) {
    SetTimer(h, kTemporizadorParpadeo, kMedioParpadeoMs, nullptr);
  } else {
    KillTimer(h, kTemporizadorParpadeo);
  }
  InvalidateRect(h, nullptr, TRUE);
}

void AplicaValor(Control& c, HWND h) {
  if (auto* k = dynamic_cast<Casilla*>(&c)) {
    SendMessageW(h, BM_SETCHECK, k->Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  } else {
    Repinta(h, RDW_INVALIDATE);
  }
}

HWND CreaNativo(Control& c, HWND padre);

// Labels lie under the other controls, as text painted on the parent does:
// a headline whose box reaches into a text box leaves the text box whole.
// Each new child window goes below the siblings made before it, so the
// labels go down once all of them exist.
void BajaEtiquetas(const Control& c) {
  for (Control* hijo : c.Hijos())
    if (HWND h = Ventana(*hijo); h && dynamic_cast<Etiqueta*>(hijo))
      SetWindowPos(h, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CreaHijos(Control& c, HWND h) {
  for (Control* hijo : c.Hijos())
    if (!Ventana(*hijo)) CreaNativo(*hijo, h);
  BajaEtiquetas(c);
}

HWND CreaNativo(Control& c, HWND padre) {
  const wchar_t* clase = kClaseControl;
  DWORD estilo = WS_CHILD | WS_CLIPSIBLINGS | (c.Visible() ? WS_VISIBLE : 0);
  DWORD ex = 0;
  if (dynamic_cast<Panel*>(&c)) {
    estilo |= WS_CLIPCHILDREN;
  } else if (dynamic_cast<Edicion*>(&c)) {
    clase = L"EDIT";
    estilo |= ES_AUTOHSCROLL;
    ex = WS_EX_CLIENTEDGE;
  } else if (dynamic_cast<Memo*>(&c)) {
    estilo |= WS_VSCROLL;
    ex = WS_EX_CLIENTEDGE;
  } else if (dynamic_cast<Boton*>(&c)) {
    clase = L"BUTTON";
    estilo |= BS_PUSHBUTTON;
  } else if (dynamic_cast<Casilla*>(&c)) {
    clase = L"BUTTON";
    estilo |= BS_AUTOCHECKBOX;
  } else if (dynamic_cast<TextoEnriquecido*>(&c)) {
    clase = ClaseRica();
    estilo |= ES_MULTILINE;
  } else if (dynamic_cast<Animacion*>(&c)) {
    clase = ANIMATE_CLASSW;
    estilo |= ACS_TIMER | ACS_CENTER;
  }
  if (c.ParadaTab()) estilo |= WS_TABSTOP;
  HWND h = CreateWindowExW(ex, clase, L"", estilo, c.Left(), c.Top(), c.Width(), c.Height(), padre,
                           nullptr, GetModuleHandleW(nullptr), &c);
  if (!h) return nullptr;
  auto& n = c.NativoCreado();
  n.hwnd = h;
  Asocia(h, &c);
  n.atomoNombre = GlobalAddAtomW(std::wstring(c.Nombre().begin(), c.Nombre().end()).c_str());
  SetPropW(h, kPropNombre, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(n.atomoNombre)));
  if (dynamic_cast<Casilla*>(&c)) SinTema(h);
  if (dynamic_cast<TextoEnriquecido*>(&c)) SendMessageW(h, EM_SETEVENTMASK, 0, 0);
  EnableWindow(h, c.Enabled());
  AplicaFuente(c, h);
  AplicaTexto(c, h);
  AplicaLineas(c, h);
  AplicaEstilo(c, h);
  AplicaValor(c, h);
  AplicaParpadeo(c, h);
  if (auto* b = dynamic_cast<Boton*>(&c)) ImagenBoton(*b, h);
  Encaja(c, h);
  CreaHijos(c, h);
  return h;
}

HWND CreaFormulario(Formulario& f) {
  HWND duenyo = f.Propietario() ? Asegura(*f.Propietario()) : nullptr;
  const wchar_t* clase = &f == aplicacion::FormularioPrincipal() ? kClasePrincipal : kClaseFormulario;
  HWND h = CreateWindowExW(EstiloExFormulario(f), clase, W(f.Caption()), EstiloFormulario(f), f.Left(),
                           f.Top(), f.Width(), f.Height(), duenyo, nullptr, GetModuleHandleW(nullptr), &f);
  if (!h) return nullptr;
  auto& n = f.NativoCreado();
  n.hwnd = h;
  Asocia(h, &f);
  n.atomoNombre = GlobalAddAtomW(std::wstring(f.Nombre().begin(), f.Nombre().end()).c_str());
  SetPropW(h, kPropNombre, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(n.atomoNombre)));
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FuenteGdi(f.Font())), FALSE);
  ColocaFormulario(f, h);
  CreaHijos(f, h);
  return h;
}

}  // namespace

HWND Ventana(const Control& c) {
  auto* n = const_cast<Control&>(c).nativo();
  return n ? n->hwnd : nullptr;
}

HWND Asegura(Control& c) {
  if (HWND h = Ventana(c)) return h;
  RegistraClases();
  if (auto* f = dynamic_cast<Formulario*>(&c)) return CreaFormulario(*f);
  Control* padre = c.Padre();
  if (!padre) return nullptr;
  HWND hp = Asegura(*padre);
  if (!hp) return nullptr;
  if (HWND h = Ventana(c)) return h;  // created with its parent
  HWND h = CreaNativo(c, hp);
  BajaEtiquetas(*padre);
  return h;
}

}  // namespace win32

using win32::Ventana;

Control::~Control() {
  // Messages sent while the windows go away must not reach a half-destroyed
  // object.
  if (nativo_ && nativo_->hwnd) win32::Desasocia(nativo_->hwnd);
  DesmontaArbol();
  if (!nativo_) return;
  if (HWND h = nativo_->hwnd) {
    KillTimer(h, win32::kTemporizadorParpadeo);
    win32::OlvidaRepintado(h);
    RemovePropW(h, win32::kPropNombre);
    DestroyWindow(h);
  }
  if (nativo_->atomoNombre) GlobalDeleteAtom(nativo_->atomoNombre);
  if (nativo_->pincel) DeleteObject(nativo_->pincel);
  if (nativo_->imagenes) ImageList_Destroy(nativo_->imagenes);
}

Control::Nativo& Control::NativoCreado() {
  if (!nativo_) nativo_ = std::make_unique<Nativo>();
  return *nativo_;
}

// At once, unless the control was painted moments ago: then within the
// repaint interval.
void Control::Repaint() {
  if (HWND h = Ventana(*this)) win32::Repinta(h, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool Etiqueta::VisibleAhora() const { return visible_ && !(parpadeo_ && nativo_ && nativo_->faseOculta); }

int TextoEnriquecido::LineasMostradas() const {
  HWND h = win32::Asegura(const_cast<TextoEnriquecido&>(*this));
  if (!h) return static_cast<int>(lineas_.size());
  return static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0));
}

bool Animacion::Abre(const Texto& fichero) {
  HWND h = win32::Asegura(*this);
  if (!h || !SendMessageW(h, ACM_OPENW, 0, reinterpret_cast<LPARAM>(win32::W(fichero)))) return false;
  fichero_ = fichero;
  return true;
}

void Animacion::Reproduce(int ultimoFotograma) {
  HWND h = Ventana(*this);
  const auto reproduce = [h](int ultimo) {
    return SendMessageW(h, ACM_PLAY, static_cast<WPARAM>(-1), MAKELPARAM(0, ultimo)) != 0;
  };
  // The control refuses a last frame beyond the clip's end and then shows
  // nothing: a shorter clip plays to its own last frame.
  reproduciendo_ = h && !fichero_.empty() && (reproduce(ultimoFotograma) || reproduce(0xFFFF));
}

namespace nucleo {

void Notifica(Control& c, Cambio que) {
  HWND h = Ventana(c);
  if (!h) {
    // A control added to a form whose windows already exist.
    Formulario* f = c.FormularioPropietario();
    if (f && f != &c && Ventana(*f)) win32::Asegura(c);
    return;
  }
  auto* f = dynamic_cast<Formulario*>(&c);
  switch (que) {
    case Cambio::Geometria:
      if (f) {
        win32::ColocaFormulario(*f, h);
      } else {
        MoveWindow(h, c.Left(), c.Top(), c.Width(), c.Height(), TRUE);
        win32::Encaja(c, h);
      }
      break;
    case Cambio::Visible:
      // A form is shown by Show or ShowModal, never by its flag alone.
      if (!f) ShowWindow(h, c.Visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Cambio::Habilitado: EnableWindow(h, c.Enabled()); break;
    case Cambio::Color:
      if (auto* r = dynamic_cast<TextoEnriquecido*>(&c))
        SendMessageW(h, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(win32::Rgb(r->ColorFondo())));
      InvalidateRect(h, nullptr, TRUE);
      break;
    case Cambio::Fuente:
      win32::AplicaFuente(c, h);
      win32::Encaja(c, h);
      break;
    case Cambio::Texto:
      win32::AplicaTexto(c, h);
      win32::Encaja(c, h);
      break;
    case Cambio::Estilo:
      win32::AplicaEstilo(c, h);
      win32::Encaja(c, h);
      break;
    case Cambio::Valor: win32::AplicaValor(c, h); break;
    case Cambio::Lineas:
      win32::AplicaLineas(c, h);
      win32::Encaja(c, h);
      break;
    case Cambio::Parpadeo: win32::AplicaParpadeo(c, h); break;
    case Cambio::Foco: win32::EnfocaNativo(c); break;
    case Cambio::Imagen:
      if (auto* b = dynamic_cast<Boton*>(&c)) win32::ImagenBoton(*b, h);
      win32::Encaja(c, h);
      InvalidateRect(h, nullptr, TRUE);
      break;
  }
}

void LineaAnadida(Control& c, const Texto&) {
  HWND h = Ventana(c);
  if (!h) return;
  if (auto* r = dynamic_cast<TextoEnriquecido*>(&c)) {
    win32::RellenaRico(*r, h);
    return;
  }
  if (auto* m = dynamic_cast<Memo*>(&c)) win32::MemoAnade(*m, h);
}

}  // namespace nucleo

}  // namespace ui
