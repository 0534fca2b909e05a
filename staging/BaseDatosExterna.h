// The database file when the configuration keeps it outside the folders the
// save copies whole ("Datos", "BDD Predefinidas"): it is saved on its own,
// through the same folder copy, into a folder of the backup that the
// rollback puts back apart, to where the database lies.
#pragma once

#include "system/Informe.h"
#include "staging/Apartado.h"
#include "staging/Carpetas.h"

namespace staging::basedatos_externa {

// The database file to save apart: on the server, the configuration's
// database when it lies outside the saved folders; empty otherwise.
Texto Fichero(Informe& informe);

// Entry of the backup folder that holds it (an Omision for the copy that
// puts the rest of the backup back).
bool EsSuCarpeta(const Texto& nombre);

// Saves it; a database that is not there, or not whole in the backup, is
// counted like any file that could not be saved.
FallosCopia Guarda(Informe& informe, const Texto& copia, double& total);

// What the rollback did with it.
struct Reposicion {
  bool guardada = false;   // this run saved it
  bool devuelta = false;   // it is back, byte for byte as saved
  Texto fichero;           // where it lies
  Texto copia;             // its saved copy
};
// Puts it back, once the server has let go of it, and logs what happened.
// At a start-up that puts right an earlier run (`conservada` given), the
// database in place, when it differs from the saved one (sales may have been
// made since), is first set aside there; when it cannot be, it stays as it
// is and the saved copy is reported as not put back.
Reposicion Repone(Informe& informe, const Texto& copia, double& total, apartado::Conservada* conservada);

// Waits (bounded) until nothing on the server `servidor` has the database file
// `fichero` open: a copy put back while the server still writes it would not
// stay. False when it is still open and must stay as it is.
bool EsperaQueElServidorSuelteLaBaseDatos(Informe& informe, const Texto& servidor, const Texto& fichero);

}  // namespace staging::basedatos_externa
