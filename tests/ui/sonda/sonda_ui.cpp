// The UI layer's win32 backend checked against the real API under Wine: the
// probe builds forms with the layer, drives them with window messages as a
// user would, and prints one line per check: "OK <name>" or
// "FALLO <name>: <detail>".
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/excepciones.h"
#include "platform/plataforma.h"
#include "platform/ui.h"
#include "platform/win32/ui_interno.h"

using ui::Texto;

namespace {

void Informa(const char* nombre, bool bien, const std::string& detalle = "") {
  if (bien) {
    std::printf("OK %s\n", nombre);
  } else {
    std::printf("FALLO %s: %s\n", nombre, detalle.c_str());
  }
  std::fflush(stdout);
}

std::string Utf8(const std::wstring& w) {
  return texto::AUtf8(Texto(reinterpret_cast<const char16_t*>(w.c_str()), w.size()));
}

std::wstring TextoVentana(HWND h) {
  std::wstring t(static_cast<size_t>(GetWindowTextLengthW(h)) + 1, L'\0');
  t.resize(static_cast<size_t>(GetWindowTextW(h, t.data(), static_cast<int>(t.size()))));
  return t;
}

HWND H(ui::Control& c) { return ui::win32::Asegura(c); }

// Pumps for up to `ms` milliseconds or until `hecho` holds.
bool Bombea(DWORD ms, const std::function<bool()>& hecho = [] { return false; }) {
  const DWORD inicio = GetTickCount();
  while (GetTickCount() - inicio < ms) {
    ui::aplicacion::ProcesaMensajes();
    if (hecho()) return true;
    Sleep(1);
  }
  return hecho();
}

struct Buscado {
  std::string nombre;
  HWND hwnd = nullptr;
};

BOOL CALLBACK PorNombre(HWND h, LPARAM lp) {
  auto* b = reinterpret_cast<Buscado*>(lp);
  const auto atomo = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(h, L"ZelvanoNombre")));
  wchar_t nombre[256] = {};
  if (atomo && GlobalGetAtomNameW(atomo, nombre, 256) && Utf8(nombre) == b->nombre) {
    b->hwnd = h;
    return FALSE;
  }
  return TRUE;
}

HWND BuscaPorNombre(HWND raiz, const std::string& nombre) {
  Buscado b{nombre};
  EnumChildWindows(raiz, PorNombre, reinterpret_cast<LPARAM>(&b));
  return b.hwnd;
}

// A main window shaped like the wizard's: caption bar without system menu.
struct Principal : ui::Formulario {
  Principal() : ui::Formulario(nullptr, "fV") {
    SetCaption(u"Asistente de actualización. ®Zelvano & Corvisto desde 2021.03 a 2021.28");
    SetSinBotonesSistema(true);
    SetColor(ui::clInfoBk);
    SetTamanoCliente(794, 552);
    barra = new ui::BarraProgreso(this, "PB7");
    barra->SetBounds(10, 200, 773, 25);
    barra->SetRango(0, 20000);
    barra->SetMostrarPorcentaje(true);
    memo = new ui::Memo(this, "MemoBackup");
    memo->SetBounds(10, 255, 775, 235);
    memo->SetSoloLectura(true);
    memo->SetBarraVertical(true);
    memo->OnChange = [this] { ++cambios; };
    salir = new ui::Boton(this, "BtnSalir");
    salir->SetBounds(450, 496, 100, 50);
    salir->SetCaption(u"Salir");
    salir->SetImagen("Salir");
    salir->OnClick = [this] { Close(); };
    etiqueta = new ui::Etiqueta(this, "Label5");
    etiqueta->SetBounds(540, 140, 179, 16);
    etiqueta->SetCaption(u"Versión Actual de Zelvano:");
    Centra();
  }
  ui::BarraProgreso* barra;
  ui::Memo* memo;
  ui::Boton* salir;
  ui::Etiqueta* etiqueta;
  int cambios = 0;
};

// A dialog shaped like the wizard's: no title bar, always on top.
struct Dialogo : ui::Formulario {
  explicit Dialogo(ui::Formulario* duenyo) : ui::Formulario(duenyo, "frmDialogo") {
    SetCaption(u"Mensaje de dialogo");
    SetSinTitulo(true);
    SetSiempreEncima(true);
    SetColor(ui::clWhite);
    SetTamanoCliente(500, 182);
    ok = new ui::Boton(this, "BtnOK");
    ok->SetBounds(410, 140, 75, 35);
    ok->SetCaption(u"Aceptar");
    ok->ModalResult = 1;
    no = new ui::Boton(this, "BtnNO");
    no->SetBounds(325, 140, 75, 35);
    no->SetCaption(u"No");
    no->OnClick = [this] { SetModalResult(7); };
    mensaje = new ui::TextoEnriquecido(this, "Mensaje");
    mensaje->SetBounds(2, 80, 496, 50);
    mensaje->SetFont({u"Verdana", 15, false, false, ui::clBlack});
    mensaje->SetSoloLectura(true);
    mensaje->SetSangrias(10, 5);
    reloj = std::make_unique<ui::Temporizador>(this, "Reloj");
    reloj->SetInterval(30);
    Centra();
  }
  ui::Boton* ok;
  ui::Boton* no;
  ui::TextoEnriquecido* mensaje;
  std::unique_ptr<ui::Temporizador> reloj;
};

void Ventanas(Principal& p) {
  p.Show();
  HWND h = H(p);
  RECT r{};
  GetClientRect(h, &r);
  Informa("principal_tamano_cliente", r.right == 794 && r.bottom == 552,
          std::to_string(r.right) + "x" + std::to_string(r.bottom));
  const LONG_PTR estilo = GetWindowLongPtrW(h, GWL_STYLE);
  Informa("principal_sin_menu_de_sistema", (estilo & WS_CAPTION) == WS_CAPTION && !(estilo & WS_SYSMENU));
  Informa("principal_titulo", Utf8(TextoVentana(h)) ==
                                  "Asistente de actualización. ®Zelvano & Corvisto desde 2021.03 a 2021.28",
          Utf8(TextoVentana(h)));
  Informa("otra_instancia_la_encuentra", FindWindowW(L"ZelvanoPrincipal", nullptr) == h);

  HWND salir = BuscaPorNombre(h, "BtnSalir");
  Informa("control_por_nombre", salir && TextoVentana(salir) == L"Salir");
  HWND etiqueta = BuscaPorNombre(h, "Label5");
  Informa("etiqueta_con_su_texto", etiqueta && Utf8(TextoVentana(etiqueta)) == "Versión Actual de Zelvano:");
  BUTTON_IMAGELIST lista{};
  const bool conLista = SendMessageW(salir, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&lista)) && lista.himl;
  Informa("boton_con_imagen", conLista || SendMessageW(salir, BM_GETIMAGE, IMAGE_BITMAP, 0) != 0);

  p.barra->SetPosition(25000);
  const LRESULT tope = SendMessageW(H(*p.barra), PBM_GETPOS, 0, 0);
  p.barra->SetPosition(3);
  const LRESULT tres = SendMessageW(H(*p.barra), PBM_GETPOS, 0, 0);
  Informa("barra_limitada", tope == 20000 && tres == 3, std::to_string(tope) + " " + std::to_string(tres));

  p.memo->Add(u"uno");
  p.memo->Add(u"dos con eñe");
  p.memo->Add(u"tres");
  Informa("memo_texto", Utf8(TextoVentana(H(*p.memo))) == "uno\r\ndos con eñe\r\ntres" && p.cambios == 3,
          Utf8(TextoVentana(H(*p.memo))));
  for (int i = 0; i < 3000; ++i) p.memo->Add(u"línea del registro");
  const LRESULT lineas = SendMessageW(H(*p.memo), EM_GETLINECOUNT, 0, 0);
  Informa("memo_muchas_lineas", lineas == 3003 && p.cambios == 3003, std::to_string(lineas));
}

void Dialogos(Principal& p) {
  {
    Dialogo d(&p);
    d.mensaje->Add(u"");
    d.mensaje->Add(u"No puedo abrir la Base de Datos.");
    const int una = d.mensaje->LineasMostradas();
    d.mensaje->Add(u"Solo las Versiones entre 20.21.0.3 y 20.21.1.8\nde Zelvano son actualizables.");
    const int tres = d.mensaje->LineasMostradas();
    d.mensaje->Add(u"Ha sucedido un Error en el proceso de Actualización y se procederá a deshacer todos "
                   u"los Procesos realizados hasta este momento en su equipo.");
    const int mas = d.mensaje->LineasMostradas();
    Informa("rico_lineas_mostradas", una == 2 && tres == 4 && mas > 5,
            std::to_string(una) + " " + std::to_string(tres) + " " + std::to_string(mas));
  }
  {
    // The countdown clicks BtnOK on its third tick; the owner is disabled meanwhile.
    Dialogo d(&p);
    bool duenyoDeshabilitado = false;
    std::vector<std::string> titulos;
    d.reloj->Tag = 3;
    d.reloj->OnTimer = [&] {
      duenyoDeshabilitado = !IsWindowEnabled(H(p));
      --d.reloj->Tag;
      d.SetCaption(u"Mensaje de dialogo... Respuesta Automática en " + texto::DeUtf8(std::to_string(d.reloj->Tag)) +
                   u" segundos");
      titulos.push_back(Utf8(TextoVentana(H(d))));
      if (d.reloj->Tag <= 0) d.ok->Click();
    };
    d.reloj->SetEnabled(true);
    const int r = d.ShowModal();
    RECT c{};
    GetClientRect(H(d), &c);
    Informa("modal_cuenta_atras", r == 1 && titulos.size() == 3 && duenyoDeshabilitado && IsWindowEnabled(H(p)) &&
                                      titulos.back() == "Mensaje de dialogo... Respuesta Automática en 0 segundos",
            std::to_string(r) + " " + std::to_string(titulos.size()));
    Informa("dialogo_tamano_cliente", c.right == 500 && c.bottom == 182,
            std::to_string(c.right) + "x" + std::to_string(c.bottom));
    const LONG_PTR ex = GetWindowLongPtrW(H(d), GWL_EXSTYLE);
    const LONG_PTR estilo = GetWindowLongPtrW(H(d), GWL_STYLE);
    Informa("dialogo_encima_sin_titulo", (ex & WS_EX_TOPMOST) && (estilo & WS_CAPTION) != WS_CAPTION);
  }
  {
    // A user's click on "No" (a message to the button) ends it with 7.
    Dialogo d(&p);
    d.reloj->OnTimer = [&] { PostMessageW(H(*d.no), BM_CLICK, 0, 0); };
    d.reloj->SetEnabled(true);
    Informa("modal_boton_no", d.ShowModal() == 7);
  }
  {
    // A close command from the system cancels it.
    Dialogo d(&p);
    d.reloj->OnTimer = [&] { PostMessageW(H(d), WM_CLOSE, 0, 0); };
    d.reloj->SetEnabled(true);
    Informa("modal_cerrado_por_el_sistema", d.ShowModal() == 2);
  }
}

void Eventos(Principal& p) {
  std::vector<std::string> recibidas;
  ui::aplicacion::SetManejadorExcepciones([&](const ui::aplicacion::Emisor& e, const std::exception& x) {
    recibidas.push_back(e.clase + "/" + e.unidad + "/" + x.what());
  });
  auto* falla = new ui::Boton(&p, "BtnFalla");
  falla->SetBounds(10, 10, 80, 30);
  falla->SetCaption(u"Falla");
  falla->OnClick = [] { throw EOSError(u"fallo del botón"); };
  auto* casilla = new ui::Casilla(&p, "LCBLeido");
  casilla->SetBounds(278, 530, 240, 30);
  casilla->SetCaption(u"He Leído y Entendido");
  int clics = 0;
  casilla->OnClick = [&] { ++clics; };
  SendMessageW(H(*falla), BM_CLICK, 0, 0);
  SendMessageW(H(*casilla), BM_CLICK, 0, 0);
  Informa("excepcion_al_manejador", recibidas.size() == 1 && recibidas[0] == "TButton/StdCtrls/fallo del botón",
          recibidas.empty() ? "ninguna" : recibidas[0]);
  Informa("casilla_marcada_por_el_usuario", casilla->Checked() && clics == 1);
  casilla->SetChecked(false);
  Informa("casilla_desmarcada_por_programa",
          SendMessageW(H(*casilla), BM_GETCHECK, 0, 0) == BST_UNCHECKED && clics == 2);
  ui::aplicacion::SetManejadorExcepciones(nullptr);

  ui::Temporizador t(&p, "Timer1");
  int ticks = 0;
  t.OnTimer = [&] { ++ticks; };
  t.SetInterval(20);
  t.SetEnabled(true);
  Informa("temporizador_desde_el_bombeo", Bombea(5000, [&] { return ticks >= 3; }));
  t.SetEnabled(false);

  auto* aviso = new ui::Etiqueta(&p, "L_Aviso");
  aviso->SetBounds(0, 95, 775, 38);
  aviso->SetCaption(u"! IMPORTANTE !");
  aviso->SetParpadeo(true);
  bool oculta = false, otraVez = false;
  Bombea(3000, [&] {
    oculta = oculta || !aviso->VisibleAhora();
    otraVez = oculta && aviso->VisibleAhora();
    return otraVez;
  });
  Informa("parpadeo", oculta && otraVez);

  ui::SetCursor(ui::Cursor::RelojArena);
  const bool reloj = ui::CursorActual() == ui::Cursor::RelojArena;
  ui::SetCursor(ui::Cursor::Normal);
  Informa("cursor", reloj && ui::CursorActual() == ui::Cursor::Normal);
}

std::string NombreDe(HWND h) {
  const auto atomo = h ? static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(h, L"ZelvanoNombre"))) : 0;
  wchar_t nombre[256] = {};
  return atomo && GlobalGetAtomNameW(atomo, nombre, 256) ? Utf8(nombre) : "(nadie)";
}

struct Tecla {
  UINT vk;
  bool mayus;
};

// Shows `f` modally and gives it the keys one by one, as the keyboard does:
// to the window that has the system's focus. Records where the focus is
// before each key and after the last one that left the form open.
int PorTeclado(ui::Formulario& f, const std::vector<Tecla>& teclas, std::vector<std::string>& focos) {
  ui::Temporizador t(&f, "Teclas");
  size_t siguiente = 0;
  t.SetInterval(40);
  t.OnTimer = [&] {
    focos.push_back(NombreDe(GetFocus()));
    if (siguiente >= teclas.size()) return;
    const Tecla k = teclas[siguiente++];
    BYTE estado[256] = {};
    GetKeyboardState(estado);
    estado[VK_SHIFT] = k.mayus ? 0x80 : 0;
    SetKeyboardState(estado);
    HWND destino = GetFocus() ? GetFocus() : H(f);
    PostMessageW(destino, WM_KEYDOWN, k.vk, 1);
    PostMessageW(destino, WM_KEYUP, k.vk, 1 | (1u << 30) | (1u << 31));
  };
  t.SetEnabled(true);
  const int r = f.ShowModal();
  BYTE estado[256] = {};
  GetKeyboardState(estado);
  estado[VK_SHIFT] = 0;
  SetKeyboardState(estado);
  return r;
}

std::string Une(const std::vector<std::string>& v) {
  std::string r;
  for (const auto& s : v) r += (r.empty() ? "" : ",") + s;
  return r;
}

void Teclado(Principal& p) {
  {
    // "Aceptar" first; Escape does nothing; Tab and Shift+Tab go round; Enter presses.
    Dialogo d(&p);
    d.ok->SetOrdenTab(0);
    std::vector<std::string> focos;
    const int r = PorTeclado(d, {{VK_ESCAPE, false}, {VK_TAB, false}, {VK_TAB, true}, {VK_TAB, true}, {VK_RETURN, false}},
                             focos);
    Informa("teclado_dialogo", r == 7 && Une(focos).rfind("BtnOK,BtnOK,BtnNO,BtnOK,BtnNO", 0) == 0,
            std::to_string(r) + " " + Une(focos));
  }
  {
    // The notice's way: its button is disabled until the box is ticked with
    // Space; hidden and disabled controls are skipped.
    ui::Formulario aviso(&p, "frmAviso");
    aviso.SetSinTitulo(true);
    aviso.SetTamanoCliente(400, 200);
    auto* panel = new ui::Panel(&aviso, "Panel1");
    panel->SetAlign(ui::Alineacion::Cliente);
    auto* oculto = new ui::Boton(panel, "BtnOculto");
    oculto->SetBounds(10, 10, 80, 30);
    oculto->SetVisible(false);
    auto* casilla = new ui::Casilla(panel, "LCBLeido");
    casilla->SetBounds(10, 150, 200, 30);
    casilla->SetCaption(u"He Leído y Entendido");
    auto* leido = new ui::Boton(panel, "BtnLeido");
    leido->SetBounds(280, 150, 110, 35);
    leido->SetCaption(u"» Siguiente");
    leido->SetEnabled(false);
    leido->SetOrdenTab(0);
    casilla->OnClick = [&] { leido->SetEnabled(casilla->Checked()); };
    leido->OnClick = [&] { aviso.SetModalResult(1); };
    aviso.Centra();
    std::vector<std::string> focos;
    const int r = PorTeclado(aviso, {{VK_RETURN, false}, {VK_TAB, false}, {VK_SPACE, false}, {VK_TAB, false},
                                     {VK_SPACE, false}},
                             focos);
    Informa("teclado_casilla_y_boton",
            r == 1 && casilla->Checked() && Une(focos) == "LCBLeido,LCBLeido,LCBLeido,LCBLeido,BtnLeido",
            std::to_string(r) + " " + Une(focos));
  }
  {
    // A run disables its window: Enter and Space on the focused button, Tab
    // then Enter, and a click message from elsewhere all do nothing.
    ui::Formulario f(&p, "frmOcupado");
    f.SetSinTitulo(true);
    f.SetTamanoCliente(300, 120);
    auto* aceptar = new ui::Boton(&f, "BtnAceptar");
    aceptar->SetBounds(10, 60, 140, 40);
    aceptar->SetCaption(u"Iniciar Actualización");
    auto* salir = new ui::Boton(&f, "BtnSalir");
    salir->SetBounds(160, 60, 100, 40);
    salir->SetCaption(u"Salir");
    int clics = 0;
    aceptar->OnClick = [&] { ++clics; };
    salir->OnClick = [&] { ++clics; };
    f.Centra();
    ui::Temporizador t(&f, "Teclas");
    int paso = 0;
    std::string foco;
    const auto tecla = [&](UINT vk) {
      HWND destino = GetFocus() ? GetFocus() : H(*aceptar);
      PostMessageW(destino, WM_KEYDOWN, vk, 1);
      PostMessageW(destino, WM_KEYUP, vk, 1 | (1u << 30) | (1u << 31));
    };
    t.SetInterval(40);
    t.OnTimer = [&] {
      switch (paso++) {
        case 0: f.SetEnabled(false); break;
        case 1: tecla(VK_RETURN); break;
        case 2: tecla(VK_SPACE); break;
        case 3: tecla(VK_TAB); break;
        case 4: tecla(VK_RETURN); break;
        case 5: PostMessageW(H(*aceptar), BM_CLICK, 0, 0); break;
        case 6:
          foco = f.Foco() ? f.Foco()->Nombre() : "(nadie)";
          f.SetEnabled(true);
          f.SetModalResult(1);
          break;
        default: break;
      }
    };
    t.SetEnabled(true);
    const int r = f.ShowModal();
    Informa("teclado_formulario_deshabilitado", r == 1 && clics == 0 && foco == "BtnAceptar",
            std::to_string(r) + " clics=" + std::to_string(clics) + " foco=" + foco);
  }
  {
    // Alt+F4 (the system's close) on a screen left only by its own button,
    // and on a window disabled by the run: both stay.
    for (const bool deshabilitada : {false, true}) {
      ui::Formulario f(&p, "frmAviso");
      f.SetSinTitulo(true);
      f.SetTamanoCliente(300, 120);
      f.SetIgnoraCierreSistema(!deshabilitada);
      f.Centra();
      ui::Temporizador t(&f, "Cierre");
      int paso = 0;
      bool seguia = false;
      t.SetInterval(40);
      t.OnTimer = [&] {
        switch (paso++) {
          case 0: f.SetEnabled(!deshabilitada); break;
          case 1: PostMessageW(H(f), WM_CLOSE, 0, 0); break;
          case 4:
            seguia = IsWindowVisible(H(f)) && f.ModalResult() == 0;
            f.SetEnabled(true);
            f.SetModalResult(1);
            break;
          default: break;
        }
      };
      t.SetEnabled(true);
      const int r = f.ShowModal();
      Informa(deshabilitada ? "cierre_del_sistema_deshabilitada" : "cierre_del_sistema_ignorado",
              r == 1 && seguia, std::to_string(r));
    }
  }
  {
    // Lines given at once are read from the first, also after a resize;
    // the log follows its last line.
    auto* dado = new ui::Memo(&p, "Memo2");
    dado->SetBounds(10, 10, 300, 40);
    std::vector<Texto> lineas(12, u"Si es fin de semana o festivo, deje la Actualización");
    dado->SetLines(lineas);
    dado->SetBounds(10, 10, 320, 45);
    const LRESULT primera = SendMessageW(H(*dado), EM_GETFIRSTVISIBLELINE, 0, 0);
    const LRESULT registro = SendMessageW(H(*p.memo), EM_GETFIRSTVISIBLELINE, 0, 0);
    Informa("memo_dado_desde_la_primera_linea", primera == 0 && registro > 0,
            std::to_string(primera) + " " + std::to_string(registro));
    delete dado;
  }
}

// The pixels the screen shows in a rectangle, read as a screenshot would.
std::vector<COLORREF> Pantalla(const RECT& r) {
  const int ancho = r.right - r.left, alto = r.bottom - r.top;
  std::vector<COLORREF> pixeles(static_cast<size_t>(ancho) * static_cast<size_t>(alto));
  HDC pantalla = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(pantalla);
  HBITMAP mapa = CreateCompatibleBitmap(pantalla, ancho, alto);
  HGDIOBJ antes = SelectObject(mem, mapa);
  BitBlt(mem, 0, 0, ancho, alto, pantalla, r.left, r.top, SRCCOPY);
  SelectObject(mem, antes);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = ancho;
  bi.bmiHeader.biHeight = -alto;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  GetDIBits(mem, mapa, 0, static_cast<UINT>(alto), pixeles.data(), &bi, DIB_RGB_COLORS);
  DeleteObject(mapa);
  DeleteDC(mem);
  ReleaseDC(nullptr, pantalla);
  return pixeles;
}

struct Captura {
  RECT rect;
  DWORD retraso;
  std::vector<COLORREF> pixeles;
};

DWORD WINAPI CapturaTrasRetraso(void* p) {
  auto* c = static_cast<Captura*>(p);
  Sleep(c->retraso);
  c->pixeles = Pantalla(c->rect);
  return 0;
}

// The counter changed moments after its last paint (its repaint is held
// back), then a fixed pause: during the pause the screen already shows the
// new value, read from the screen by another thread, not from the control.
void Pausa(Principal& p) {
  auto* contador = new ui::Etiqueta(&p, "ST_R");
  contador->SetBounds(370, 233, 110, 22);
  ui::Fuente f;
  f.nombre = u"Tahoma";
  f.altoPx = 17;
  contador->SetFont(f);
  contador->SetCaption(u"1");
  Bombea(300);
  RECT r{};
  GetWindowRect(H(*contador), &r);
  const std::vector<COLORREF> uno = Pantalla(r);
  contador->Repaint();
  contador->SetCaption(u"2");
  contador->Repaint();
  Captura durante{r, 800, {}};
  HANDLE hilo = CreateThread(nullptr, 0, CapturaTrasRetraso, &durante, 0, nullptr);
  plataforma::Duerme(1600);
  WaitForSingleObject(hilo, INFINITE);
  CloseHandle(hilo);
  Bombea(300);
  const std::vector<COLORREF> dos = Pantalla(r);
  Informa("pausa_muestra_lo_ultimo", !dos.empty() && durante.pixeles == dos && uno != dos,
          std::string(durante.pixeles == uno ? "la pantalla seguía en 1" : "") + (uno == dos ? " 1 y 2 iguales" : ""));
  delete contador;
}

void Recursos() {
  wchar_t propio[MAX_PATH];
  GetModuleFileNameW(nullptr, propio, MAX_PATH);
  DWORD nada = 0;
  const DWORD tam = GetFileVersionInfoSizeW(propio, &nada);
  std::vector<char> bloque(tam);
  bool bien = tam && GetFileVersionInfoW(propio, 0, tam, bloque.data());
  std::string visto;
  for (const wchar_t* clave : {L"FileVersion", L"ProductVersion", L"FileDescription", L"ProductName", L"Comments"}) {
    wchar_t* valor = nullptr;
    UINT largo = 0;
    std::wstring ruta = std::wstring(L"\\StringFileInfo\\0C0A04E4\\") + clave;
    if (bien && VerQueryValueW(bloque.data(), ruta.c_str(), reinterpret_cast<void**>(&valor), &largo))
      visto += Utf8(valor) + "|";
  }
  WORD* traduccion = nullptr;
  UINT largo = 0;
  bien = bien && VerQueryValueW(bloque.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&traduccion), &largo) &&
         largo >= 4 && traduccion[0] == 0x0C0A && traduccion[1] == 1252;
  Informa("recurso_de_version",
          bien && visto == "20.21.2.8|20.21.2.8|Asistente Actualizador Zelvano|Asistente Actualizador Zelvano|"
                           "Firebird 2.5.9 32/64 bits|",
          visto);
  for (const wchar_t* imagen : {L"Encendido", L"Salir", L"YouTube", L"Dialogos"}) {
    HBITMAP b = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), imagen, IMAGE_BITMAP, 0, 0, 0));
    BITMAP info{};
    const bool hay = b && GetObjectW(b, sizeof info, &info);
    const std::string nombre = "imagen_" + Utf8(imagen);
    if (std::wstring(imagen) == L"Dialogos") {
      Informa(nombre.c_str(), hay && info.bmHeight == 40 && info.bmWidth >= 5 * 40 && info.bmWidth % 40 == 0);
    } else {
      Informa(nombre.c_str(), hay);
    }
  }
  // The manifest: administrator rights, common controls 6, the five systems.
  HRSRC r = FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  HGLOBAL g = r ? LoadResource(nullptr, r) : nullptr;
  const char* datos = g ? static_cast<const char*>(LockResource(g)) : nullptr;
  const std::string manifiesto = datos ? std::string(datos, SizeofResource(nullptr, r)) : "";
  std::string falta;
  for (const char* pieza :
       {"level=\"requireAdministrator\"", "uiAccess=\"false\"", "name=\"Microsoft.Windows.Common-Controls\"",
        "version=\"6.0.0.0\"", "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
    if (manifiesto.find(pieza) == std::string::npos) falta += std::string(pieza) + " ";
  Informa("manifiesto", !manifiesto.empty() && falta.empty(), falta);
}

}  // namespace

int main() {
  ui::aplicacion::Inicializa();
  ui::aplicacion::SetTitulo(u"Actualización Zelvano");
  Recursos();
  auto* p = new Principal;
  ui::aplicacion::SetFormularioPrincipal(p);
  Ventanas(*p);
  Dialogos(*p);
  Eventos(*p);
  Teclado(*p);
  Pausa(*p);
  // The loop ends when the user's click on "Salir" closes the main window.
  ui::Temporizador pulsa(p, "Pulsa");
  pulsa.SetInterval(50);
  pulsa.OnTimer = [&] { PostMessageW(H(*p->salir), BM_CLICK, 0, 0); };
  pulsa.SetEnabled(true);
  ui::aplicacion::Ejecuta();
  Informa("bucle_acaba_al_cerrar", !p->Mostrado() && !IsWindowVisible(H(*p)));
  std::printf("FIN\n");
  return 0;
}
