// The version stamped in the product database, read through a short
// connection of its own (the data module is not there yet at start-up).
#pragma once

#include "platform/texto.h"

namespace basedatos {

// VERSION_ZELVANO of table EMPRESA in the database `nombre` ("server:file").
// False when the database cannot be attached or read, or the client library
// cannot fetch rows; never throws.
bool LeeVersion(const texto::Texto& nombre, const texto::Texto& usuario, const texto::Texto& clave,
                texto::Texto& version);

}  // namespace basedatos
