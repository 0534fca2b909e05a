// The run's journal: a small file inside the hidden "Temp" folder that says
// how far the current update run got, so that a run cut short (power lost,
// program ended from the task manager) is found and put right at the next
// start. Every boundary of the run rewrites it durably; a run that ends by
// itself, by success or by the rollback, closes it.
#pragma once

class Informe;

#include "platform/texto.h"


namespace staging::diario {

using texto::Texto;

// Boundaries of a run, in the order it reaches them.
enum class Etapa {
  Iniciada,             // Temp not yet rotated, nothing saved
  GuardadoCompleto,     // the saved copy holds the whole installation
  InstalacionCambiada,  // the first program file is about to be deleted
  BaseDatosIniciada,    // server: the database is open, the migration about to start
  BaseDatosTerminada,   // server: stamped, backed up and restored
  RegistroEscrito,      // registry and PDF association written
};

// Records that the run reached `etapa`, with its time, the installation's
// version before the run (the main window's field Version) and, on the
// server, the database it works on. Iniciada starts a new journal (creating
// the Temp folder, hidden, when it does not exist yet). Never throws; false
// when the journal could not be written (the earlier content is then left
// as it was).
bool Anota(Informe& informe, Etapa etapa);
// The run ended by itself: success or rollback. Never throws.
bool Cierra(Informe& informe);

// What a journal says.
struct Contenido {
  Etapa etapa = Etapa::Iniciada;
  Texto hora;               // when the last stage was reached
  Texto inicio;             // when the run started
  Texto version;            // installation's version before the run
  bool servidor = false;    // the run was on the database server
  Texto baseDatos;          // server:file of the database (server only)
  bool cerrado = false;
};

enum class Estado { Ausente, Abierto, Cerrado, Ilegible };
// Reads the journal of the installation in `aplicacion` (ending with a
// separator). `contenido` is filled for Abierto and Cerrado.
Estado Lee(const Texto& aplicacion, Contenido& contenido);

// Full path of the journal of the installation in `aplicacion`.
Texto Ruta(const Texto& aplicacion);

// A wizard alive on the installation holds the lock file beside the journal
// from the moment it may touch the installation until it ends, so that no
// other wizard (another session, another machine) takes its run for an
// interrupted one. `creaTemp`: create the Temp folder (hidden) to hold it
// in; otherwise a missing Temp folder means there is nothing to hold.
enum class Bloqueo { Tomado, SinTemp, Ocupado, Imposible };
Bloqueo TomaBloqueo(const Texto& aplicacion, bool creaTemp);
// Full path of the lock file of the installation in `aplicacion`.
Texto RutaBloqueo(const Texto& aplicacion);

}  // namespace staging::diario
