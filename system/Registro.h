// The product's registry values and the PDF association written at the end
// of a run: the fixed texts live here so that the code and its tests share
// one copy of them.
#pragma once

#include <utility>
#include <vector>

#include "platform/plataforma.h"
#include "platform/texto.h"

namespace registro {

using texto::Texto;

// Values written under the product's key, in the order they are written.
// The first and fifth depend on the application folder.
std::vector<std::pair<Texto, Texto>> ValoresProducto(const Texto& carpetaAplicacion);

// Subkey that older versions left under the product's key.
extern const Texto SubclaveObsoleta;

// The browser that PDF documents are handed to, in its 32-bit location.
extern const Texto Navegador;
// The user's own choice of program for .pdf files.
extern const Texto ClaveEleccionPdf;

// Keys of HKEY_CLASSES_ROOT and their default values, in the order written;
// an empty value means the key is only created.
std::vector<std::pair<Texto, Texto>> ClavesAsociacionPdf();

// The association is only changed on 64-bit Windows 8, 8.1 and 10 (a 32-bit
// process under WOW64) when the browser is installed.
bool AsociacionPdfAplicable(bool wow64, const plataforma::VersionSistema& sistema,
                            bool navegadorPresente);

// The product's values under its key `ruta` (HKEY_CURRENT_USER; nothing when
// empty), the obsolete subkey deleted (TfV::ActualizaRegistro). A value that
// cannot be written raises.
void ActualizaRegistro(const Texto& ruta, const Texto& carpetaAplicacion);
// PDF documents open in the browser where the association applies
// (TfV::AsociaPdf). A key that cannot be written raises.
void AsociaPdf();

}  // namespace registro
