// Native state of the win32 backend's objects and the helpers its files share.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/ui.h"

namespace ui {

struct Control::Nativo {
  HWND hwnd = nullptr;
  bool faseOculta = false;   // blinking labels: in the hidden half
  bool modal = false;        // forms: inside ShowModal
  ATOM atomoNombre = 0;      // the component name, as a global atom
  HBRUSH pincel = nullptr;   // background brush handed to WM_CTLCOLOR*
  COLORREF colorPincel = 0;
  HIMAGELIST imagenes = nullptr;  // button picture
  // Memo (the log): display rows after each line, wrapped to the width, and
  // the first row shown.
  std::vector<int> filasAcumuladas;
  int filaSuperior = 0;
  int altoFila = 1;
  // Lines were appended: the memo follows its last line (the process log);
  // a memo given its lines shows them from the first.
  bool sigueFinal = false;
  // The caption's font size when the designed one would not show it whole
  // in the control's box (0: the designed size).
  int altoAjustado = 0;
};

struct Temporizador::Nativo {
  UINT_PTR id = 0;
  bool disparando = false;  // its handler is running (a nested pump must not re-enter it)
};

namespace win32 {

// Window properties every control carries, so that a test helper in another
// process can find a control by its component name: "ZelvanoNombre" holds a
// global atom whose name is the component name.
constexpr const wchar_t* kPropNombre = L"ZelvanoNombre";
// Window class of the main form (found by the second copy) and of the others.
constexpr const wchar_t* kClasePrincipal = L"ZelvanoPrincipal";
constexpr const wchar_t* kClaseFormulario = L"ZelvanoFormulario";
constexpr const wchar_t* kClaseControl = L"ZelvanoControl";
constexpr const wchar_t* kClaseMensajes = L"ZelvanoMensajes";
// Posted to a form when it becomes the active window.
constexpr UINT WM_ZELVANO_ACTIVA = WM_APP + 1;
// Sent to a form by a test helper in another process: wParam a control of
// the form, lParam 0 for the size its text needs to be shown whole (with the
// picture, relief and margins it is drawn with), 1 for the size it has.
// The answer is MAKELRESULT(width, height), 0 when the control shows no
// caption to measure.
constexpr UINT WM_ZELVANO_MIDE = WM_APP + 2;

inline const wchar_t* W(const Texto& t) { return reinterpret_cast<const wchar_t*>(t.c_str()); }
inline std::wstring WS(const Texto& t) { return std::wstring(W(t), t.size()); }

void RegistraClases();
// Creates the native windows of the control's form (hidden) when missing and
// returns the control's window.
HWND Asegura(Control& c);
Control* ControlDe(HWND hwnd);
// The window stands for the control (null: for none), or no longer does.
void Asocia(HWND hwnd, Control* c);
void Desasocia(HWND hwnd);
HWND Ventana(const Control& c);

// Drawing.
COLORREF Rgb(Color c);
HFONT FuenteGdi(const Fuente& f);
// A memory DC of the display for measuring text in the font, made once per
// font and keeping it selected: it measures as a window's own DC does; a
// window's DC costs round trips to the window system every time it is
// taken, and selecting a font looks it up again among the system's fonts.
HDC DcMedida(HFONT fuente);
// The colour behind a transparent control: the first ancestor's own colour.
Color ColorDetras(const Control& c);
void Pinta(Control& c, HDC dc, const RECT& r);
// The answer to WM_ZELVANO_MIDE for one control.
LRESULT Mide(Control& c, bool disponible);
// A label's, button's or check box's caption that does not fit its box
// with the designed font is drawn one standard size smaller
// (nucleo::TamanoMenor), never more (the designed sizes fit with the
// designed fonts; another system's fonts may be a little wider). A text
// box keeps its size and scrolls. True when the size changed.
bool AjustaFuente(Control& c);
Fuente FuenteVisible(const Control& c);
// Bitmap resource by name, magenta keyed ("Dialogos", "Encendido", ...).
HBITMAP MapaDeBits(const std::string& nombre);
constexpr COLORREF kColorClave = RGB(255, 0, 255);

// The memo is drawn by the layer: appending a line costs the same whatever
// the length of the log (the system's edit control re-lays out its whole text).
void MemoPrepara(Memo& m, HWND h);  // all rows again; the view as it was (first or last line)
void MemoAnade(Memo& m, HWND h);                   // the last line was appended
void PintaMemo(Memo& m, HDC dc, const RECT& r);
// Scrolling and the text queries of a memo; false when the message is not one of them.
bool MensajeMemo(Memo& m, HWND h, UINT msg, WPARAM wp, LPARAM lp, LRESULT& resultado);

// The keyboard: Tab, Shift+Tab, Enter, Space and Escape of the forms, taken
// before dispatch (true: the message was a form's key and is used up); the
// system's focus put where the form's focus is.
bool TeclaDeFormulario(const MSG& m);
void EnfocaNativo(Control& c);
void RestauraFoco(Formulario& f);  // the form was activated

// Repaints of a control, at most one per interval (ui_repintado_win32.cpp):
// `rdw` are RedrawWindow flags, or kRepintaTexto for a label's window text;
// a request that comes too soon waits for the pump or the repaint timer,
// which always paint the latest state.
void Repinta(HWND h, UINT rdw);
// The requests whose interval has passed, or (todas) every one.
void RepintaPendientes(bool todas = false);
void OlvidaRepintado(HWND h);
constexpr UINT_PTR kTemporizadorRepintado = 1;  // on the message window
// The blink of a label, on the label's own window.
constexpr UINT_PTR kTemporizadorParpadeo = 1;
constexpr UINT kRepintaTexto = 0x80000000;
HWND VentanaMensajes();

// Centres the form on its owner or on the work area of its monitor, keeps
// it inside that area and shortens it first when it is taller
// (ui_pantalla_win32.cpp).
void ColocaEnPantalla(Formulario& f, HWND h);

// The loop's state shared with the window procedures.
bool Terminado();
void DisparaTemporizador(UINT_PTR id);
LRESULT CALLBACK ProcedimientoMensajes(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace win32

}  // namespace ui
