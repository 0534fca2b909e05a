// The Firebird client library behind one table of function pointers: linked
// directly on Linux, loaded from fbclient.dll at run time on Windows. Every
// call of the data module goes through this table, so both builds share one
// code path.
#pragma once

#include <ibase.h>

#include <string>

#include "platform/texto.h"

namespace fbcliente {

struct Funciones {
  decltype(&::isc_attach_database) attach_database;
  decltype(&::isc_detach_database) detach_database;
  decltype(&::isc_start_transaction) start_transaction;
  decltype(&::isc_commit_retaining) commit_retaining;
  decltype(&::isc_rollback_retaining) rollback_retaining;
  decltype(&::isc_rollback_transaction) rollback_transaction;
  decltype(&::isc_dsql_allocate_statement) dsql_allocate_statement;
  decltype(&::isc_dsql_prepare) dsql_prepare;
  decltype(&::isc_dsql_execute) dsql_execute;
  decltype(&::isc_dsql_execute2) dsql_execute2;
  decltype(&::isc_dsql_fetch) dsql_fetch;
  decltype(&::isc_dsql_free_statement) dsql_free_statement;
  decltype(&::isc_sqlcode) sqlcode;
  decltype(&::fb_interpret) interpret;
  decltype(&::isc_service_attach) service_attach;
  decltype(&::isc_service_detach) service_detach;
  decltype(&::isc_service_start) service_start;
  decltype(&::isc_service_query) service_query;
};

// The table, loaded on first use. Raises EIBClientError when the library (or
// one of its functions) is not there.
const Funciones& Cliente();

// Raises EIBInterBaseError (SQL code, first error code, the interpreted
// messages joined by line feeds) when the status vector holds an error.
void Comprueba(const ISC_STATUS* estado);

// A file name as the server expects it: "server:path" keeps the server part;
// on Linux the wizard's path form (backslashes, "C:\" under ZELVANO_UNIDAD_C)
// becomes the posix path. Bytes in the file system's encoding.
std::string NombreEnServidor(const texto::Texto& nombre);
std::string RutaEnServidor(const texto::Texto& ruta);

}  // namespace fbcliente
