// The one main window of the in-process tests.
#pragma once

#include "shell/UnidadVentas.h"

namespace prueba {

// Builds the main window on first use (and the application before it).
TfV& Ventana();

}  // namespace prueba
