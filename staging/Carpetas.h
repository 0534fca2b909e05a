// Folder copy that also reports what it could not copy, for the rollback,
// which must not throw away a saved copy it failed to put back.
#pragma once

#include "shell/UnidadVentas.h"

namespace staging {

// Same log lines, size panel and pumps as TfV::CopiaCarpeta. Returns the
// number of entries that did not reach the destination: files whose copy
// failed, folders that could not be created, and folders of the source that
// exist but could not be read. A failed copy onto a file that already holds
// the same bytes is not counted.
int CopiaCarpetaContando(TfV& ventana, const Texto& origen, const Texto& destino, double& total);

}  // namespace staging
