// The main window: its layout, the run context it owns, the process log and
// the two ways out (refusal at start-up, "Salir").
#include "shell/UnidadVentas.h"

#include "database/ModuloDatos.h"

#include "platform/plataforma.h"
#include "screens/UnidadAviso.h"
#include "system/Cifrado.h"
#include "system/Constantes.h"
#include "staging/Recuperacion.h"
#include "staging/Tablas.h"

TfV* fV = nullptr;

namespace {

const Texto kCaption =
    u"Asistente de actualizaci\u00F3n. \u00AEZelvano & Corvisto desde 2021.03 a 2021.28";
const Texto kProcesando =
    u"El Asistente de Actualizaci\u00F3n le ir\u00E1 indicando mediante barra de progreso y mensajes, "
    u"el estado de todos los procesos seg\u00FAn vallan iniciandose o finalizandose.\r\n"
    u"Si aperece el mensaje de [No responde] o pareciera que el programa no responda...\r\n"
    u"... Espere m\u00EDnimo 5 minutos antes de finalizar el Asistente de Actualizaci\u00F3n.";

const Texto kStart = u"Zelvano_Start.exe";
const Texto kNombreVersion = u"FileVersion";
const Texto kVersionMinima = u"20.21.0.3";
const Texto kVersionMaxima = u"20.21.1.8";
const Texto kConfiguracionVieja = u"Pindal.dat";
const Texto kConfiguracion = u"Pindal.dll";
const Texto kFicheroLog = u"Excepciones_Act_202128.log";
const Texto kSinStart =
    u"No encuentro la Ruta de Zelvano_Start.exe.\nPor favor, copie el fichero de actualizaci\u00F3n en la "
    u"carpeta donde est\u00E9 el ejecutable del programa y vuelva a intentarlo.";
const Texto kVersionNoActualizable =
    u"Solo las Versiones entre 20.21.0.3 y 20.21.1.8\nde Zelvano son actualizables.";
// Why "Iniciar Actualización" stays grey: the configuration file is missing
// or names no application folder.
const Texto kSinFicheroConfiguracion = u"No encuentro el fichero de configuraci\u00F3n de Zelvano:\n";
const Texto kConfiguracionSinCarpeta =
    u"El fichero de configuraci\u00F3n de Zelvano no indica la carpeta del programa:\n";
const Texto kSinFicheroNoSePuede = u"\nSin ese fichero";
const Texto kSinCarpetaNoSePuede = u"\nSin esa carpeta";
const Texto kNoSePuedeActualizar =
    u" no se puede actualizar: el bot\u00F3n Iniciar Actualizaci\u00F3n queda desactivado.\n"
    u"Compruebe ese fichero o p\u00F3ngase en contacto con nosotros; el bot\u00F3n Salir cierra el asistente.";

constexpr char16_t kTipoAviso = u'!';  // 33
constexpr uint32_t kPausaCopiaConfiguracion = 1000;
constexpr int kMaximoProgreso = 20000;

ui::Fuente F(const char16_t* nombre, int altoPx, ui::Color color = ui::clBlack, bool negrita = false) {
  ui::Fuente f;
  f.nombre = nombre;
  f.altoPx = altoPx;
  f.color = color;
  f.negrita = negrita;
  return f;
}

ui::Etiqueta* NuevaEtiqueta(ui::Control* padre, const char* nombre, int l, int t, int w, int h,
                            const Texto& caption) {
  auto* e = new ui::Etiqueta(padre, nombre);
  e->SetBounds(l, t, w, h);
  e->SetCaption(caption);
  return e;
}

ui::Etiqueta* TextoFijoDerecha(ui::Control* padre, const char* nombre, int l, int t, int w, int h) {
  auto* e = NuevaEtiqueta(padre, nombre, l, t, w, h, u"");
  e->SetJustificacion(ui::Justificacion::Derecha);
  return e;
}

// The fields only show the installation's facts: the keyboard passes them
// by, and the window opens with the focus on its buttons.
ui::Edicion* Campo(ui::Control* padre, const char* nombre, int l, int t, int w, int h) {
  auto* e = new ui::Edicion(padre, nombre);
  e->SetBounds(l, t, w, h);
  e->SetSoloLectura(true);
  e->SetTabStop(false);
  e->SetFont(F(u"Arial", 15, ui::clNavy, true));
  return e;
}

ui::Boton* NuevoBoton(ui::Control* padre, const char* nombre, int l, int t, int w, int h,
                      const Texto& caption, const char* imagen) {
  auto* b = new ui::Boton(padre, nombre);
  b->SetBounds(l, t, w, h);
  b->SetCaption(caption);
  b->SetFont(F(u"Arial", 17, ui::clBlack, true));
  b->SetImagen(imagen);
  return b;
}

// Every line of the log ends with CR LF; a line break inside a line counts as
// the end of a line too, so the file never holds a lone CR or LF.
std::string LineasDelLog(const std::vector<Texto>& lineas) {
  std::string bytes;
  for (const Texto& linea : lineas) {
    Texto normalizada;
    for (size_t i = 0; i < linea.size(); ++i) {
      if (linea[i] == u'\r' || linea[i] == u'\n') {
        if (linea[i] == u'\r' && i + 1 < linea.size() && linea[i + 1] == u'\n') ++i;
        normalizada += u"\r\n";
      } else {
        normalizada += linea[i];
      }
    }
    bytes += plataforma::AAnsi(normalizada);
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace

TfV::TfV() : ui::Formulario(nullptr, "fV") {
  SetUnidad("UnidadVentas");
  CreaComponentes();
  // The data module, created after this window, logs to the main window and
  // reads the run's facts from it, whichever window fV names at the time.
  TMDatos::FijaInformeDeLaEjecucion([]() -> Informe* { return fV; });
  ui::aplicacion::SetManejadorExcepciones(
      [this](const ui::aplicacion::Emisor& emisor, const std::exception& e) { ControlExcepciones(emisor, e); });

  Valores = std::make_unique<TEstr_Valores>();
  TEstr_Valores& v = *Valores;
  v.ClaveBaseDatos = TransformaTexto(constantes::ClaveBaseDatosGuardada, 0);
  v.BotonPulsado = texto::FormatoEntero(0);
  v.FormularioActivo = texto::FormatoEntero(0);
  v.UsuarioBaseDatos = u"SYSDBA";
  v.SeccionInstalacion = constantes::SeccionInstalacion;
  v.IdentNombrePC = constantes::IdentNombrePC;
  v.IdentRutaAplicacion = constantes::IdentRutaAplicacion;
  v.IdentNombreServidor = constantes::IdentNombreServidor;
  v.IdentRutaDatos = constantes::IdentRutaDatos;
  NombreEsteEquipo = plataforma::NombreEquipo(30);
  v.NombreServidor = NombreEsteEquipo;
  // FormShow always replaces it with the folder of the configuration file.
  v.RutaDatos = u"C:\\";
}

TfV::~TfV() {
  ui::aplicacion::SetManejadorExcepciones(nullptr);
  if (fV == this) fV = nullptr;
}

void TfV::CreaComponentes() {
  SetCaption(kCaption);
  SetSinBotonesSistema(true);
  SetColor(ui::clInfoBk);
  SetFont(F(u"Arial", 13));
  SetTamanoCliente(794, 552);
  Centra();

  Panel_Mens = new ui::Panel(this, "Panel_Mens");
  Panel_Mens->SetBounds(0, 0, 794, 90);
  Panel_Mens->SetAlign(ui::Alineacion::Arriba);
  Panel_Mens->SetColor(ui::clTeal);
  LProcesando = NuevaEtiqueta(Panel_Mens, "LProcesando", 1, 1, 792, 90, kProcesando);
  LProcesando->SetMultilinea(true);
  LProcesando->SetJustificacion(ui::Justificacion::Centro);
  LProcesando->SetTransparente(false);
  LProcesando->SetColor(ui::clGray);
  LProcesando->SetFont(F(u"Tahoma", 17, ui::clYellow));

  LPB7 = NuevaEtiqueta(this, "LPB7", 15, 185, 364, 16,
                       u"Proceso de actualizaci\u00F3n de la base de datos y Aplicaciones...");
  PB7 = new ui::BarraProgreso(this, "PB7");
  PB7->SetBounds(10, 200, 773, 25);
  PB7->SetRango(0, kMaximoProgreso);
  PB7->SetMostrarPorcentaje(true);
  PB7->SetColorBarra(ui::clLime);
  PB7->SetColor(ui::clWhite);
  PB7->SetFont(F(u"Arial", 17, ui::clNavy, true));
  L_Monitor = NuevaEtiqueta(this, "L_Monitor", 15, 233, 165, 21, u"Monitor de procesos...");
  L_Monitor->SetFont(F(u"Tahoma", 17));

  MemoBackup = new ui::Memo(this, "MemoBackup");
  MemoBackup->SetBounds(10, 255, 775, 235);
  MemoBackup->SetSoloLectura(true);
  MemoBackup->SetBarraVertical(true);
  MemoBackup->SetTabStop(false);
  MemoBackup->SetColor(ui::clWhite);
  MemoBackup->SetFont(F(u"Arial", 15, ui::clBlue));
  // On a screen too short for the window the log scrolls in fewer rows.
  SetControlElastico(MemoBackup);

  RutaTPV = Campo(this, "RutaTPV", 5, 110, 390, 26);
  Label1 = NuevaEtiqueta(this, "Label1", 10, 95, 195, 16, u"Ruta a la carpeta de Zelvano:");
  RutaDatos = Campo(this, "RutaDatos", 400, 110, 390, 26);
  Label2 = NuevaEtiqueta(this, "Label2", 405, 95, 303, 16, u"Ruta a la carpeta de Base de Datos de Zelvano:");
  NombrePC = Campo(this, "NombrePC", 5, 155, 250, 26);
  Label3 = NuevaEtiqueta(this, "Label3", 8, 140, 167, 16, u"Nombre de EQUIPO LOCAL:");
  Label4 = NuevaEtiqueta(this, "Label4", 275, 140, 192, 16, u"Nombre de EQUIPO SERVIDOR:");
  NombreServidor = Campo(this, "NombreServidor", 270, 155, 250, 26);
  Version = Campo(this, "Version", 535, 155, 255, 26);
  Label5 = NuevaEtiqueta(this, "Label5", 540, 140, 179, 16, u"Versi\u00F3n Actual de Zelvano:");

  P_Copia = new ui::Panel(this, "P_Copia");
  P_Copia->SetBounds(10, 496, 260, 50);
  Label6 = NuevaEtiqueta(P_Copia, "Label6", 5, 5, 134, 16, u"Tama\u00F1o fichero actual: ");
  Label7 = NuevaEtiqueta(P_Copia, "Label7", 5, 30, 127, 16, u"Tama\u00F1o ficheros total:");
  ST_F = TextoFijoDerecha(P_Copia, "ST_F", 140, 5, 110, 20);
  ST_T = TextoFijoDerecha(P_Copia, "ST_T", 140, 30, 110, 20);

  Label8 = NuevaEtiqueta(this, "Label8", 200, 233, 165, 21, u"Registros Procesados:");
  Label8->SetFont(F(u"Tahoma", 17, ui::clGreen));
  ST_R = NuevaEtiqueta(this, "ST_R", 370, 233, 110, 22, u"0");
  ST_R->SetFont(F(u"Tahoma", 17));
  ST_Tiempo = TextoFijoDerecha(this, "ST_Tiempo", 530, 231, 235, 22);
  ST_Tiempo->SetCaption(u"0");
  ST_Tiempo->SetFont(F(u"Tahoma", 17));

  Timer1 = std::make_unique<ui::Temporizador>(this, "Timer1");
  Timer1->SetInterval(1000);
  Timer1->SetEnabled(false);

  BtnAceptar = NuevoBoton(this, "BtnAceptar", 575, 496, 210, 50, u"Iniciar Actualizaci\u00F3n", "Encendido");
  BtnSalir = NuevoBoton(this, "BtnSalir", 450, 496, 100, 50, u"Salir", "Salir");

  OnShow = [this] { FormShow(); };
  OnActivate = [this] { FormActivate(); };
  BtnAceptar->OnClick = [this] { BtnAceptarClick(); };
  BtnSalir->OnClick = [this] { BtnSalirClick(); };
  MemoBackup->OnChange = [this] { MemoBackupChange(); };
  Timer1->OnTimer = [this] { Timer1Timer(); };
  OnClose = [this] { AnotaVentana("ventana_final"); };
}

void TfV::AnotaVentana(const char* evento) const {
  const TEstr_Valores& v = *Valores;
  ui::AnotaTranscripcion(evento, {{"RutaTPV", RutaTPV->Text()},
                                  {"RutaDatos", RutaDatos->Text()},
                                  {"NombrePC", NombrePC->Text()},
                                  {"NombreServidor", NombreServidor->Text()},
                                  {"Version", Version->Text()},
                                  {"ClaveRegistro", v.ClaveRegistro},
                                  {"RutaIni", v.RutaIni},
                                  {"RutaLog", v.RutaLog},
                                  {"ST_R", ST_R->Caption()},
                                  {"ST_Tiempo", ST_Tiempo->Caption()},
                                  {"PB7", texto::FormatoEntero(PB7->Position())}});
}

void TfV::FormCreate() {
  BuscaRutaAplicacion();
  const Texto carpeta = RutaTPV->Text();
  // A run that was cut short comes first: it may have left the folder
  // without its programs, or with the new ones and nothing else.
  Valores->RutaLog = carpeta + kFicheroLog;
  switch (staging::recuperacion::RevisaEjecucionInacabada(*this)) {
    case staging::recuperacion::Veredicto::Sigue:
      break;
    case staging::recuperacion::Veredicto::Repone:
      ReponerTodo(true);
    case staging::recuperacion::Veredicto::Termina:
      Finaliza();
  }
  if (!plataforma::ExisteFichero(carpeta + kStart)) {
    ui::SetCursor(ui::Cursor::Normal);
    MuestraDialogo(kSinStart, kTipoAviso, false, 0);
    Finaliza();
  }
  Version->SetText(VersionFichero(carpeta + kStart, kNombreVersion));
  const Texto& version = Version->Text();
  if (texto::Compara(version, kVersionMinima) < 0 || texto::Compara(version, kVersionMaxima) > 0) {
    ui::SetCursor(ui::Cursor::Normal);
    MuestraDialogo(kVersionNoActualizable, kTipoAviso, false, 0);
    Finaliza();
  }
  if (!staging::recuperacion::ApartaCopiasAnteriores(*this)) Finaliza();
  if (texto::Compara(version, kVersionMinima) <= 0) {
    // The oldest accepted layout still keeps its settings in Pindal.dat.
    Valores->RutaIni = carpeta + kConfiguracionVieja;
    if (plataforma::ExisteFichero(Valores->RutaIni) &&
        plataforma::CopiaFichero(Valores->RutaIni, carpeta + kConfiguracion, false)) {
      MuestraTamanoFichero(Valores->RutaIni);
      plataforma::Duerme(kPausaCopiaConfiguracion);
    }
  }
  Valores->RutaIni = carpeta + kConfiguracion;
  Valores->RutaLog = carpeta + kFicheroLog;
}

void TfV::FormActivate() {
  // Closing a modal window activates the main window again; the notice is
  // shown only the first time.
  if (activadoUnaVez_) return;
  activadoUnaVez_ = true;
  auto aviso = std::make_unique<TfrmAviso>(this);
  frmAviso = aviso.get();
  aviso->ShowModal();
  frmAviso = nullptr;
  // The show event greyed the start button when the configuration gave no
  // application folder; the user is told why, once, when the window is his.
  if (!BtnAceptar->Enabled() && Valores->RutaAplicacion.empty()) {
    const bool hayFichero = plataforma::ExisteFichero(Valores->RutaIni);
    const Texto& causa = hayFichero ? kConfiguracionSinCarpeta : kSinFicheroConfiguracion;
    const Texto& sinQue = hayFichero ? kSinCarpetaNoSePuede : kSinFicheroNoSePuede;
    MuestraDialogo(causa + Valores->RutaIni + sinQue + kNoSePuedeActualizar, kTipoAviso, false, 0);
  }
}

void TfV::BtnSalirClick() {
  // A run that failed puts the saved files back with this window enabled:
  // leaving then would cut the rollback's messages short.
  if (ejecutando_) return;
  Close();
}

void TfV::MuestraTamanoFichero(const Texto& fichero) {
  plataforma::Busqueda busqueda;
  plataforma::EntradaDirectorio entrada;
  if (!busqueda.Primero(fichero, entrada)) return;
  busqueda.Cierra();
  const double bytes = static_cast<double>(entrada.tamano);
  ST_F->SetCaption(texto::FormatoKB(bytes));
  // The switch is at 1024 bytes, so a few kilobytes already read in MB.
  ST_T->SetCaption(entrada.tamano < 1024 ? texto::FormatoKB(bytes) : texto::FormatoMB(bytes));
  ST_F->Repaint();
  ST_T->Repaint();
  ui::aplicacion::ProcesaMensajes();
}

void TfV::Registra(const Texto& linea) {
  AnadeLinea(linea);
  ui::aplicacion::ProcesaMensajes();
}

void TfV::AnadeLinea(const Texto& linea) { MemoBackup->Add(linea); }

void TfV::RepintaRegistro() { MemoBackup->Repaint(); }

void TfV::MuestraTamanos(uint64_t tamano, double total) {
  ST_F->SetCaption(texto::FormatoKB(static_cast<double>(tamano)));
  ST_T->SetCaption(total < 1024.0 ? texto::FormatoKB(total) : texto::FormatoMB(total));
  ST_F->Repaint();
  ST_T->Repaint();
}

DatosEjecucion TfV::Datos() const {
  DatosEjecucion d;
  d.aplicacion = RutaTPV->Text();
  d.rutaAplicacion = Valores->RutaAplicacion;
  d.version = Version->Text();
  d.nombrePC = NombrePC->Text();
  d.rutaDatos = RutaDatos->Text();
  d.usuarioBaseDatos = Valores->UsuarioBaseDatos;
  d.claveBaseDatos = Valores->ClaveBaseDatos;
  d.servidor = EsServidor();
  return d;
}

bool TfV::GuardaLog() {
  return plataforma::EscribeFicheroCompleto(Valores->RutaLog, LineasDelLog(MemoBackup->Lines()));
}

bool TfV::EsServidor() const { return plataforma::MismoNombreEquipo(NombrePC->Text(), NombreServidor->Text()); }

bool TfV::ServidorEsEsteEquipo() const {
  return !NombreEsteEquipo.empty() && plataforma::MismoNombreEquipo(NombreServidor->Text(), NombreEsteEquipo);
}

void TfV::CompruebaPapel() {
  if (EsServidor() || !ServidorEsEsteEquipo()) return;
  namespace t = staging::textos;
  const auto nombre = [](const Texto& n) { return n.empty() ? Texto(t::kSinNombre) : n; };
  ui::SetCursor(ui::Cursor::Normal);
  MuestraDialogo(Texto(t::kPapelContradictorio) + u"\n" + t::kPapelServidor + nombre(NombreServidor->Text()) + u"\n" +
                     t::kPapelLocal + nombre(NombrePC->Text()) + u"\n" + t::kPapelEsteEquipo + NombreEsteEquipo +
                     u"\n" + t::kNadaCambiado + u"\n" + t::kQueHacerPapelAntes + NombreEsteEquipo +
                     t::kQueHacerPapelDespues,
                 kTipoAviso, false, 0);
  Finaliza();
}

void TfV::Finaliza() {
  ui::aplicacion::Termina();
  plataforma::TerminaAplicacion(0);
}
