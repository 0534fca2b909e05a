// The main window of the wizard and the run context it owns.
#pragma once

#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>

#include "platform/texto.h"
#include "platform/ui.h"
#include "system/Informe.h"

using texto::Texto;

class TfV : public ui::Formulario, public Informe {
 public:
  // The run context record: the texts every step of the wizard shares.
  struct TEstr_Valores {
    Texto ClaveRegistro;
    Texto RutaIni;
    Texto RutaLog;
    Texto ValorVacio;
    Texto ClaveBaseDatos;
    Texto BotonPulsado;
    Texto FormularioActivo;
    Texto UsuarioBaseDatos;
    Texto SeccionInstalacion;
    Texto IdentNombrePC;
    Texto IdentRutaAplicacion;
    Texto IdentNombreServidor;
    Texto IdentRutaDatos;
    Texto RutaAplicacion;
    Texto NombreServidor;
    Texto RutaDatos;
  };

  TfV();
  ~TfV() override;

  // ---- Components, in declaration order --------------------------------
  ui::Panel* Panel_Mens = nullptr;
  ui::Etiqueta* LProcesando = nullptr;
  ui::Etiqueta* LPB7 = nullptr;
  ui::BarraProgreso* PB7 = nullptr;
  ui::Etiqueta* L_Monitor = nullptr;
  ui::Memo* MemoBackup = nullptr;
  ui::Edicion* RutaTPV = nullptr;
  ui::Etiqueta* Label1 = nullptr;
  ui::Edicion* RutaDatos = nullptr;
  ui::Etiqueta* Label2 = nullptr;
  ui::Edicion* NombrePC = nullptr;
  ui::Etiqueta* Label3 = nullptr;
  ui::Etiqueta* Label4 = nullptr;
  ui::Edicion* NombreServidor = nullptr;
  ui::Edicion* Version = nullptr;
  ui::Etiqueta* Label5 = nullptr;
  ui::Panel* P_Copia = nullptr;
  ui::Etiqueta* Label6 = nullptr;
  ui::Etiqueta* Label7 = nullptr;
  ui::Etiqueta* ST_F = nullptr;
  ui::Etiqueta* ST_T = nullptr;
  ui::Etiqueta* Label8 = nullptr;
  ui::Etiqueta* ST_R = nullptr;
  ui::Etiqueta* ST_Tiempo = nullptr;
  std::unique_ptr<ui::Temporizador> Timer1;
  ui::Boton* BtnAceptar = nullptr;
  ui::Boton* BtnSalir = nullptr;

  // ---- Run-state fields ------------------------------------------------
  int64_t ContadorInicio = 0;
  int64_t ContadorFin = 0;
  int64_t FrecuenciaContador = 0;
  double SegundosTranscurridos = 0.0;
  std::FILE* FicheroLog = nullptr;
  std::unique_ptr<TEstr_Valores> Valores;
  // This computer's own name, as the system reported it at start-up.
  Texto NombreEsteEquipo;

  // ---- Events ------------------------------------------------------------
  void FormCreate();
  void FormShow();
  void FormActivate();
  void BtnAceptarClick();
  void BtnSalirClick();
  void MemoBackupChange();
  void Timer1Timer();

  // ---- Start-up and discovery -------------------------------------------
  void BuscaRutaAplicacion();
  static Texto VersionFichero(const Texto& fichero, const Texto& nombre);
  void MuestraTamanoFichero(const Texto& fichero) override;
  void MuestraTamanos(uint64_t tamano, double total) override;

  // ---- Messages ----------------------------------------------------------
  bool MuestraDialogo(const Texto& Texto_, char16_t Tipo, bool Ancho, int Segundos) override;

  // ---- Staging and rollback ----------------------------------------------
  void Guarda_Datos();
  // `trasInterrupcion`: a start-up putting right an earlier run, days later
  // maybe; the database may then hold sales made since, and is kept aside.
  // Otherwise the run that failed migrated it itself, alone on it.
  [[noreturn]] void ReponerTodo(bool trasInterrupcion = false);
  void CopiaCarpeta(const Texto& origen, const Texto& destino, double& total);
  bool BorraCarpeta(const Texto& carpeta);
  // True when the process started; its exit code, when asked for, once it ended.
  bool EjecutaYEspera(const Texto& lineaComandos, uint32_t* codigoSalida = nullptr);
  bool CierraProceso(const Texto& ejecutable);

  // ---- Registry and shell ------------------------------------------------
  void ActualizaRegistro();
  void AsociaPdf();

  // ---- Application-wide exception handler ---------------------------------
  void ControlExcepciones(const ui::aplicacion::Emisor& Sender, const std::exception& E);

  // ---- Process log -------------------------------------------------------
  // Appends one line and runs one pass of the message pump.
  void Registra(const Texto& linea) override;
  // Appends one line without pumping.
  void AnadeLinea(const Texto& linea) override;
  void RepintaRegistro() override;
  // Writes the process log to RutaLog: the system's ANSI code page, CR LF after every line,
  // content replaced. False when the file cannot be written.
  bool GuardaLog() override;
  // The run's facts as the window holds them now.
  DatosEjecucion Datos() const override;

  // This machine serves the database: NombrePC and NombreServidor name the
  // same machine, matched as Windows matches machine names (without regard
  // to case).
  bool EsServidor() const;
  // The configured server is this very computer, by the name the system
  // gives it, whatever NombrePC says.
  bool ServidorEsEsteEquipo() const;
  // Before a run: a configuration that names this computer as the server
  // under another local name would have the run take the server for a
  // client and delete its database. The user is told what to correct and
  // the wizard ends, nothing changed.
  void CompruebaPapel();

  // Ends the process at once with status 0 (Application->Terminate and exit).
  [[noreturn]] void Finaliza();

 private:
  void CreaComponentes();
  // Records the window's fields in the posix transcript (a no-op on Windows).
  void AnotaVentana(const char* evento) const;
  bool activadoUnaVez_ = false;
  bool ejecutando_ = false;  // BtnAceptarClick has started
};

// Application-wide reference to the single main window.
extern TfV* fV;
