// Where the product is installed, which version it is, and where its
// database lies.
#include "shell/UnidadVentas.h"

void TfV::BuscaRutaAplicacion() {}
Texto TfV::VersionFichero(const Texto&, const Texto&) { return u"(null)"; }
void TfV::FormShow() {}
