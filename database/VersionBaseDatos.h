// What the product database holds, read through a short connection of its
// own (the data module is not there yet at start-up, and a file just
// restored beside the database is read before it takes its place).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/texto.h"

namespace basedatos {

// VERSION_ZELVANO of table EMPRESA in the database `nombre` ("server:file"):
// the first row's, whatever the number of rows (the stamp writes them all).
// False when the database cannot be attached or read, or holds no row;
// never throws.
bool LeeVersion(const texto::Texto& nombre, const texto::Texto& usuario, const texto::Texto& clave,
                texto::Texto& version);

// The database read whole: whether it is online (not in any shutdown mode),
// the stamps of the rows of EMPRESA, and the rows of every table of the
// product (system, temporary and external tables left out), by name.
struct Revision {
  bool enLinea = false;
  uint64_t filasEmpresa = 0;
  uint64_t versiones = 0;               // rows of EMPRESA with a stamp
  texto::Texto versionMinima, versionMaxima;
  std::vector<std::pair<texto::Texto, uint64_t>> filas;
};

// Read in one statement on the server. Raises EIBInterBaseError (or
// EIBClientError) when the database cannot be attached or read. When
// `otrasConexiones` is given, the same short connection then counts the
// database's other attachments of any kind (the server's housekeeping left
// out) into it: a file about to take another's name is asked both things at
// the cost of one attachment, the server's most expensive answer.
Revision Revisa(const texto::Texto& nombre, const texto::Texto& usuario, const texto::Texto& clave,
                int* otrasConexiones = nullptr);

// Why `leida` is not the database `referencia` with every row stamped
// `version` (a text for the log), or an empty text when it is.
texto::Texto Diferencia(const Revision& leida, const Revision& referencia, const texto::Texto& version);

}  // namespace basedatos
