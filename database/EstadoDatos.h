// Inside of the data module, shared by its connection and service halves.
#pragma once

#include <ibase.h>

#include <string>
#include <vector>

#include "database/Conexiones.h"
#include "database/ModuloDatos.h"
#include "database/VersionBaseDatos.h"

struct TMDatos::Estado {
  Entorno entorno;

  // IBDatabase, IBTransaction, IBSQLExec.
  Texto nombreBaseDatos;
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  isc_stmt_handle stmt = 0;
  bool paramCheck = true;
  std::vector<Texto> lineasSentencia;
  ParametrosLogin presetConexion;
  ParametrosLogin parametrosConexion;
  int llamadasLogin = 0;

  // IBDCopia and IBDRestaurar.
  Texto servidorCopia;
  Texto baseDatosCopia;
  std::vector<Texto> ficherosCopia;
  Texto servidorRestaurar;
  std::vector<Texto> basesDatosRestaurar;
  std::vector<Texto> ficherosRestaurar;
  ParametrosLogin presetCopia;
  ParametrosLogin parametrosCopia;
  ParametrosLogin parametrosRestaurar;
  // Set only by a backup of this run that wrote its file and reported no
  // error: the restore never replaces the database from anything else.
  bool copiaCompletada = false;
  // The migrated database read whole just before its backup: what a
  // restored file, and the database at the end of the run, are held to.
  basedatos::Revision revisionMigrada;
  bool hayRevisionMigrada = false;
  // The restored file as it read back just before it took QVD.FB's place,
  // set only once it has: the same bytes are QVD.FB's from then on.
  basedatos::Revision revisionRestaurada;
  bool hayRevisionRestaurada = false;
};

// Sets a value under a name: replaces the line with that name, or appends.
void FijaParametro(ParametrosLogin& parametros, const Texto& nombre, const Texto& valor);
// The attach parameter buffer of a parameter list (isc_dpb_version1 first).
std::string BufferDpb(const ParametrosLogin& parametros);

// A line of a backup or restore's output that reports a failure.
bool LineaDeErrorDeServicio(const Texto& linea);

namespace basedatos {
// The whole read of Revisa through a connection already attached (`db`), in
// a read-only snapshot transaction of its own.
Revision Revisa(isc_db_handle* db);
// Attachments of `db`'s database other than `db` that `quien` counts.
int CuentaConexiones(isc_db_handle* db, Quien quien);
}  // namespace basedatos
