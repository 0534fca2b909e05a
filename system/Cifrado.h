// The two text scrambling schemes: a character permutation with a rotation,
// and a byte complement combined with a key byte.
#pragma once

#include <cstdint>

#include "platform/texto.h"

namespace cifrado {

using texto::Texto;

Texto PermutaTexto(const Texto& t);
Texto RestauraTexto(const Texto& t);
Texto TransformaTexto(const Texto& t, uint8_t Codificar);
Texto CifraBytes(const Texto& t);
Texto DescifraMensaje(const Texto& t);

}  // namespace cifrado

using cifrado::CifraBytes;
using cifrado::DescifraMensaje;
using cifrado::PermutaTexto;
using cifrado::RestauraTexto;
using cifrado::TransformaTexto;
