// The user-interface component layer: forms, labels, edits, memo, progress
// bar, buttons, check box, rich text, animation, timers, cursor, beep, message
// pump and modal showing. The win32 backend makes real Win32 controls; the
// posix backend keeps the same objects without a display, driven by a scripted
// user and recording a transcript for tests.
//
// Geometry is in pixels (left, top, width, height) relative to the parent's
// client area; a form's Width() and Height() are its client size, its Left()
// and Top() the screen position of its window. Colours are 0x00BBGGRR values.
//
// A control belongs to its parent: the parent deletes it (create controls with
// new and keep plain pointers). Event handlers run inside the layer's guard:
// an exception that escapes one goes to the handler set with
// aplicacion::SetManejadorExcepciones, with the sender's class and unit names.
//
// On Windows every control's window carries its caption (or text) as window
// text and its component name in the window property "ZelvanoNombre" (a
// global atom: GlobalGetAtomNameW gives the name back), so that a helper in
// another process can find it; the main form's window class is
// "ZelvanoPrincipal". The progress bar answers PBM_GETPOS and PBM_GETRANGE.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/texto.h"

namespace ui {

using texto::Texto;
using Color = uint32_t;

constexpr Color clBlack = 0x000000;
constexpr Color clWhite = 0xFFFFFF;
constexpr Color clRed = 0x0000FF;
constexpr Color clLime = 0x00FF00;
constexpr Color clYellow = 0x00FFFF;
constexpr Color clNavy = 0x800000;
constexpr Color clTeal = 0x808000;
constexpr Color clGray = 0x808080;
constexpr Color clSilver = 0xC0C0C0;
constexpr Color clGreen = 0x008000;
constexpr Color clBlue = 0xFF0000;
// System colours (resolved by the backend).
constexpr Color clInfoBk = 0xFF000018;     // tooltip background
constexpr Color clBtnFace = 0xFF00000F;

struct Fuente {
  Texto nombre = u"Arial";
  int altoPx = 13;
  bool negrita = false;
  bool cursiva = false;
  Color color = clBlack;
};

enum class Alineacion { Ninguna, Arriba, Abajo, Cliente };
enum class Justificacion { Izquierda, Centro, Derecha };
enum class Cursor { Normal, RelojArena };
// The keys a form answers to (the technician may have no mouse).
enum class Tecla { Tab, MayusTab, Intro, Espacio, Escape };

// Three-dimensional lettering of the headlines (extruded look).
struct Relieve {
  bool activo = false;
  Color sombra = clBlack;
  Color luz = clWhite;
  int profundidad = 3;
};

class Formulario;

class Control {
 public:
  Control(Control* padre, std::string nombre);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Nombre() const { return nombre_; }
  Control* Padre() const { return padre_; }
  Formulario* FormularioPropietario();

  void SetBounds(int left, int top, int width, int height);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v);
  void SetTop(int v);
  void SetWidth(int v);
  void SetHeight(int v);
  void SetAlign(Alineacion a);
  Alineacion Align() const { return align_; }

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  Color ColorFondo() const { return color_; }
  void SetColor(Color c);
  const Fuente& Font() const { return fuente_; }
  // Also passed on to the children that have no font of their own.
  void SetFont(const Fuente& f);
  int Tag = 0;

  // Paint now instead of waiting for the next paint cycle.
  void Repaint();

  // Stable names of the control's class and of the module that declares it
  // (the sender of an exception in the error record).
  virtual std::string ClassName() const { return "TControl"; }
  virtual std::string UnitName() const { return "Controls"; }

  const std::vector<Control*>& Hijos() const { return hijos_; }
  // Lays out the aligned children (top, bottom, client) in declaration order.
  void AlineaHijos();
  // Keyboard: whether Tab stops at the control, and its place among its
  // siblings in the tab order (declaration order unless moved; the others
  // keep their relative order).
  virtual bool ParadaTab() const { return false; }
  void SetOrdenTab(int posicion);
  const std::vector<Control*>& OrdenTab() const { return ordenTab_; }
  // Visible and enabled, and so are its parents up to its form.
  bool Alcanzable() const;
  // Backend object; opaque to portable code.
  struct Nativo;
  Nativo* nativo() { return nativo_.get(); }
  Nativo& NativoCreado();  // the backend object, created on first use

 protected:
  virtual void Cambiado();  // a property changed: the backend updates the control
  void DesmontaArbol();      // deletes the children and leaves the parent
  // Sets the rectangle without re-aligning the siblings, then lays out the
  // control's own aligned children.
  void FijaRect(int left, int top, int width, int height);

  Control* padre_;
  std::string nombre_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  Alineacion align_ = Alineacion::Ninguna;
  bool visible_ = true, enabled_ = true;
  Color color_ = clBtnFace;
  Fuente fuente_;
  bool fuenteDelPadre_ = true;  // follows the parent's font until given its own
  std::vector<Control*> hijos_;
  std::vector<Control*> ordenTab_;  // the children in tab order
  std::unique_ptr<Nativo> nativo_;
};

class Panel : public Control {
 public:
  using Control::Control;
  enum class Bisel { Ninguno, Elevado, Hundido, Suave };
  void SetBiseles(Bisel interior, Bisel exterior);
  Bisel interior = Bisel::Ninguno, exterior = Bisel::Ninguno;
  std::string ClassName() const override { return "TPanel"; }
  std::string UnitName() const override { return "ExtCtrls"; }
};

class Etiqueta : public Control {
 public:
  Etiqueta(Control* padre, std::string nombre);
  const Texto& Caption() const { return caption_; }
  void SetCaption(const Texto& t);
  void SetJustificacion(Justificacion j);
  void SetMultilinea(bool m);
  void SetRelieve(const Relieve& r);
  // 250 ms visible, 250 ms hidden while on.
  void SetParpadeo(bool activo);
  bool Parpadeo() const { return parpadeo_; }
  void SetTransparente(bool t);
  Justificacion GetJustificacion() const { return just_; }
  bool Multilinea() const { return multilinea_; }
  const Relieve& GetRelieve() const { return relieve_; }
  bool Transparente() const { return transparente_; }
  // Visible and, when blinking, in the visible half of the blink.
  bool VisibleAhora() const;
  std::string ClassName() const override { return "TLabel"; }
  std::string UnitName() const override { return "StdCtrls"; }

 protected:
  Texto caption_;
  Justificacion just_ = Justificacion::Izquierda;
  bool multilinea_ = false, parpadeo_ = false, transparente_ = true;
  Relieve relieve_;
};

class Edicion : public Control {
 public:
  Edicion(Control* padre, std::string nombre);
  const Texto& Text() const { return texto_; }
  void SetText(const Texto& t);
  void SetSoloLectura(bool s);
  void SetTabStop(bool t);
  bool SoloLectura() const { return soloLectura_; }
  bool TabStop() const { return tabStop_; }
  bool ParadaTab() const override { return tabStop_; }
  std::string ClassName() const override { return "TEdit"; }
  std::string UnitName() const override { return "StdCtrls"; }

 protected:
  Texto texto_;
  bool soloLectura_ = false, tabStop_ = true;
};

// Multi-line text; the process log. Appending costs the same at any length.
class Memo : public Control {
 public:
  Memo(Control* padre, std::string nombre);
  void Add(const Texto& linea);  // one new line; fires OnChange once
  void Clear();
  const std::vector<Texto>& Lines() const { return lineas_; }
  void SetLines(const std::vector<Texto>& lineas);  // fires OnChange once
  void SetSoloLectura(bool s);
  void SetBarraVertical(bool b);
  void SetTabStop(bool t);
  bool SoloLectura() const { return soloLectura_; }
  bool BarraVertical() const { return barra_; }
  bool TabStop() const { return tabStop_; }
  bool ParadaTab() const override { return tabStop_; }
  std::function<void()> OnChange;
  std::string ClassName() const override { return "TMemo"; }
  std::string UnitName() const override { return "StdCtrls"; }

 protected:
  std::vector<Texto> lineas_;
  bool soloLectura_ = false, barra_ = false, tabStop_ = true;
};

class BarraProgreso : public Control {
 public:
  BarraProgreso(Control* padre, std::string nombre);
  void SetRango(int minimo, int maximo);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return pos_; }
  void SetPosition(int p);  // clamped into the range
  void SetMostrarPorcentaje(bool m);
  void SetColorBarra(Color c);
  bool MostrarPorcentaje() const { return porcentaje_; }
  Color ColorBarra() const { return colorBarra_; }
  std::string ClassName() const override { return "TProgressBar"; }
  std::string UnitName() const override { return "ComCtrls"; }

 protected:
  int min_ = 0, max_ = 100, pos_ = 0;
  bool porcentaje_ = false;
  Color colorBarra_ = clLime;
};

class Boton : public Control {
 public:
  Boton(Control* padre, std::string nombre);
  const Texto& Caption() const { return caption_; }
  void SetCaption(const Texto& t);
  // Picture by resource name ("Encendido", "Salir", "YouTube").
  void SetImagen(const std::string& nombre, bool encima = false);
  int ModalResult = 0;  // when non-zero, a click sets the form's modal result
  std::function<void()> OnClick;
  void Click();  // programmatic click: same as the user's
  const std::string& Imagen() const { return imagen_; }
  bool ImagenEncima() const { return imagenEncima_; }
  bool ParadaTab() const override { return true; }
  std::string ClassName() const override { return "TButton"; }
  std::string UnitName() const override { return "StdCtrls"; }

 protected:
  Texto caption_;
  std::string imagen_;
  bool imagenEncima_ = false;
};

class Casilla : public Control {
 public:
  Casilla(Control* padre, std::string nombre);
  const Texto& Caption() const { return caption_; }
  void SetCaption(const Texto& t);
  bool Checked() const { return marcada_; }
  void SetChecked(bool m);  // fires OnClick when it changes, as a user click does
  std::function<void()> OnClick;
  // Ticked and unticked from the keyboard as well.
  bool ParadaTab() const override { return true; }
  std::string ClassName() const override { return "TCheckBox"; }
  std::string UnitName() const override { return "StdCtrls"; }

 protected:
  Texto caption_;
  bool marcada_ = false;
};

// Rich-text area: paragraph indents and the count of displayed lines.
class TextoEnriquecido : public Control {
 public:
  TextoEnriquecido(Control* padre, std::string nombre);
  void Add(const Texto& linea);
  const std::vector<Texto>& Lines() const { return lineas_; }
  void SetSangrias(int primeraLineaPt, int derechaPt);
  // Lines as displayed: wrapped lines and embedded line feeds count.
  int LineasMostradas() const;
  void SetSoloLectura(bool s);
  bool SoloLectura() const { return soloLectura_; }
  int SangriaPrimeraPt() const { return sangriaPrimera_; }
  int SangriaDerechaPt() const { return sangriaDerecha_; }
  std::string ClassName() const override { return "TRichEdit"; }
  std::string UnitName() const override { return "ComCtrls"; }

 protected:
  std::vector<Texto> lineas_;
  int sangriaPrimera_ = 0, sangriaDerecha_ = 0;
  bool soloLectura_ = false;
};

// A picture cut from an image strip of the resources: square images as high
// as the strip, addressed by index ("Dialogos": 40 x 40).
class Imagen : public Control {
 public:
  Imagen(Control* padre, std::string nombre);
  void SetImagen(const std::string& tira, int indice);
  const std::string& Tira() const { return tira_; }
  int Indice() const { return indice_; }
  std::string ClassName() const override { return "TImage"; }
  std::string UnitName() const override { return "ExtCtrls"; }

 protected:
  std::string tira_;
  int indice_ = 0;
};

// Plays an AVI clip (frames up to a last frame), driven by timers.
class Animacion : public Control {
 public:
  Animacion(Control* padre, std::string nombre);
  bool Abre(const Texto& fichero);
  void Reproduce(int ultimoFotograma);
  bool Reproduciendo() const { return reproduciendo_; }
  const Texto& Fichero() const { return fichero_; }
  std::string ClassName() const override { return "TAnimate"; }
  std::string UnitName() const override { return "ComCtrls"; }

 protected:
  Texto fichero_;
  bool reproduciendo_ = false;
};

class Temporizador {
 public:
  Temporizador(Formulario* propietario, std::string nombre);
  virtual ~Temporizador();
  void SetInterval(uint32_t ms);
  uint32_t Interval() const { return intervalo_; }
  void SetEnabled(bool e);
  bool Enabled() const { return activo_; }
  int Tag = 0;
  std::function<void()> OnTimer;
  const std::string& Nombre() const { return nombre_; }
  Formulario* Propietario() const { return propietario_; }
  virtual std::string ClassName() const { return "TTimer"; }
  virtual std::string UnitName() const { return "ExtCtrls"; }
  struct Nativo;
  Nativo* nativo() { return nativo_.get(); }

 private:
  Formulario* propietario_;
  std::string nombre_;
  uint32_t intervalo_ = 1000;
  bool activo_ = false;
  std::unique_ptr<Nativo> nativo_;
};

class Formulario : public Control {
 public:
  Formulario(Formulario* propietario, std::string nombre);
  ~Formulario() override;
  const Texto& Caption() const { return caption_; }
  void SetCaption(const Texto& t);
  void SetSinTitulo(bool s);         // no caption bar, no border icons
  void SetSinBotonesSistema(bool s); // caption bar without system menu/buttons
  void SetSiempreEncima(bool s);
  void SetTamanoCliente(int ancho, int alto);
  void Centra();                     // on the screen (top-level) or on its owner
  void TraeAlFrente();               // BringToFront: above the others, activated
  // The control that gives up height first when the screen's work area is
  // shorter than the form (the process log); the empty bands between the
  // controls give up the rest. None by default.
  void SetControlElastico(Control* c) { elastico_ = c; }
  Control* ControlElastico() const { return elastico_; }

  void Show();
  void Close();                      // closes; ends the modal loop of a modal form
  int ShowModal();                   // returns ModalResult
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int r);        // non-zero ends the modal loop

  // The system asks the form to close (Alt+F4, the close command of the
  // window menu or of the task bar). A form that is disabled or not shown
  // ignores it, and so does one that ignores it as it ignores Escape (a
  // screen that is left only by its own button); otherwise it is Close().
  void CierreSistema();
  void SetIgnoraCierreSistema(bool i) { ignoraCierreSistema_ = i; }
  bool IgnoraCierreSistema() const { return ignoraCierreSistema_; }

  std::function<void()> OnShow;
  std::function<void()> OnActivate;  // each time the form becomes active
  std::function<void()> OnClose;

  Formulario* Propietario() const { return propietario_; }
  bool SinTitulo() const { return sinTitulo_; }
  bool SinBotonesSistema() const { return sinBotones_; }
  bool SiempreEncima() const { return siempreEncima_; }
  bool Centrado() const { return centrado_; }
  // Shown (by Show, ShowModal or the application's loop) and not yet closed.
  bool Mostrado() const { return mostrado_; }
  // Class "T" + the form's name; the module name is set by the form's module.
  std::string ClassName() const override { return "T" + nombre_; }
  std::string UnitName() const override { return unidad_; }
  void SetUnidad(std::string unidad) { unidad_ = std::move(unidad); }
  // Looks a control of this form up by its component name (nullptr if none).
  Control* BuscaControl(const std::string& nombre);

  // Keyboard focus, the same on every backend. The focus starts, when the
  // form is shown, on the first control of the tab order that can take it;
  // disabled and hidden controls are skipped, and a focused control that is
  // disabled or hidden hands the focus on.
  Control* Foco() const { return foco_; }
  bool Enfoca(Control* c);  // false when c cannot take the focus now
  void EnfocaPrimero();
  // The controls that take the focus now, in tab order.
  std::vector<Control*> CadenaTab() const;
  // A key pressed while the form is active: Tab and Shift+Tab move the
  // focus, Enter and Space press the focused button, Space toggles the
  // focused check box. There is no cancel button: Escape does nothing.
  // A form that is disabled or hidden takes no key. True when the key did
  // something.
  bool PulsaTecla(Tecla t);
  // The backend tells the form where the system put the focus (a click);
  // nullptr: nowhere.
  void FocoNativo(Control* c);

 protected:
  Formulario* propietario_;
  Texto caption_;
  bool sinTitulo_ = false, sinBotones_ = false, siempreEncima_ = false;
  bool centrado_ = false, mostrado_ = false;
  bool ignoraCierreSistema_ = false;
  int modalResult_ = 0;
  std::string unidad_ = "Forms";
  Control* foco_ = nullptr;
  Control* elastico_ = nullptr;
  friend class Control;
};

// The application: title, main form, message loop, one-pass pumping.
namespace aplicacion {
void Inicializa();
void SetTitulo(const Texto& titulo);
void SetFormularioPrincipal(Formulario* f);
Formulario* FormularioPrincipal();
// Runs the message loop until the main form closes.
void Ejecuta();
// One pass of the message pump (Application->ProcessMessages).
void ProcesaMensajes();
// Paints at once whatever the windows are to show and have not shown yet:
// a repaint held back because the control was painted moments before (see
// Control::Repaint), a change not yet painted. The run calls it before the
// thread blocks (a statement, a service), so the screen shows where the run
// is while it waits. The fixed pauses (plataforma::Duerme) do the same by
// themselves, and keep the windows painted while they last without taking
// any input; a large file's copy beats with a pass of the pump.
void PintaAhora();
// Application->Terminate: the loop ends after the current message.
void Termina();
// Handler of exceptions that escape an event handler or the loop.
// The sender is described by its class name and the module that declares it.
struct Emisor {
  std::string clase;
  std::string unidad;
};
using ManejadorExcepciones = std::function<void(const Emisor& emisor, const std::exception& e)>;
void SetManejadorExcepciones(ManejadorExcepciones m);
// The application's standard exception display (a message box on Windows; the
// transcript and standard error on posix). nullptr: a value that is not an
// exception object, shown with an empty message.
void MuestraExcepcion(const std::exception* e);
// Brings the running copy's main window to the front (second instance).
void ActivaOtraInstancia();
}  // namespace aplicacion

void SetCursor(Cursor c);
Cursor CursorActual();
// Records one event with named fields in the posix transcript (a no-op on
// Windows): the dialog kind, the screens shown, the main window's fields.
void AnotaTranscripcion(const std::string& evento,
                        const std::vector<std::pair<std::string, Texto>>& campos);
// MessageBeep(tipo): 0, 16, 48, 64.
void Pitido(unsigned tipo);

}  // namespace ui
