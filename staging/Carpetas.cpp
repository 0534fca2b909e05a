#include "shell/UnidadVentas.h"

void TfV::CopiaCarpeta(const Texto&, const Texto&, double&) {}
bool TfV::BorraCarpeta(const Texto&) { return false; }
