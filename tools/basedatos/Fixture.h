// Product databases for tests and the demo: the schema of version 20.21.0.3
// with the rows the migrations touch, or a later version obtained by running
// the migration batches on it.
#pragma once

#include <string>

namespace soporte_bd {

// Creates the database file `ruta` (replaced if present) on the loopback
// server at the given version: "20.21.0.3", any 20.21.0.x up to 20.21.1.8.
// The stamp in EMPRESA.VERSION_ZELVANO is that version.
// The page size is the file's before any restore (the wizard's restore
// rebuilds it with 4096).
void CreaBaseDatos(const std::string& ruta, const std::string& version, int tamanoPagina = 4096);

// The batch below 20.21.1.0 as Firebird 3 allows it: its three direct writes
// to RDB$RELATION_FIELDS are done with ALTER TABLE, every other step runs as
// the wizard runs it.
void PreparaColumnasCincoDecimales(const std::string& ruta);
void EjecutaLoteAnteriorEnFirebird3(const std::string& ruta);

}  // namespace soporte_bd
