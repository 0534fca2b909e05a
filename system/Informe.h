// What a run tells the user while it works, and the facts of the run that the
// save, the rollback and the database steps read. Those steps depend on this
// and nothing above it: the main window is one view of a run (it shows the
// process log, the counter and the size panel), a test may be another.
// Ending the program is not here: it belongs to the run driver and the
// exception handler, which decide on what these steps return.
#pragma once

#include <cstdint>

#include "platform/texto.h"

using texto::Texto;

// The installation's facts as the run stands: read when asked, since
// start-up fills them in one by one.
struct DatosEjecucion {
  Texto aplicacion;      // the application folder, with its final separator
  Texto rutaAplicacion;  // the folder the product's configuration records
  Texto version;         // the version being updated
  Texto nombrePC;        // this machine's name as the configuration records it
  Texto rutaDatos;       // the database folder on the server
  Texto usuarioBaseDatos;
  Texto claveBaseDatos;
  bool servidor = false;        // this machine serves the database
};

class Informe {
 public:
  virtual ~Informe() = default;
  // One line of the process log, then one pass of the message pump.
  virtual void Registra(const Texto& linea) = 0;
  // One line of the process log, without pumping.
  virtual void AnadeLinea(const Texto& linea) = 0;
  // The process log painted now, without pumping.
  virtual void RepintaRegistro() = 0;
  // The size panel shows this one file (then one pass of the pump).
  virtual void MuestraTamanoFichero(const Texto& fichero) = 0;
  // The size panel shows a copy in progress: this file, the running total.
  virtual void MuestraTamanos(uint64_t tamano, double total) = 0;
  // The one message dialog; true when the user accepted.
  virtual bool MuestraDialogo(const Texto& texto, char16_t tipo, bool ancho, int segundos) = 0;
  // The process log written to the log file; false when it cannot be.
  virtual bool GuardaLog() = 0;
  virtual DatosEjecucion Datos() const = 0;
};
