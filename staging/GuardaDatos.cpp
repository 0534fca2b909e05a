#include "shell/UnidadVentas.h"

void TfV::Guarda_Datos() {}
