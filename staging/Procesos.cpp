#include "shell/UnidadVentas.h"

bool TfV::EjecutaYEspera(const Texto&) { return false; }
bool TfV::CierraProceso(const Texto&) { return false; }
