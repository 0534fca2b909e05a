// Which reparse points are links. Windows sets the reparse-point attribute
// on much more than links: deduplicated, compressed (WOF) and cloud
// placeholder files carry it too, and they are plain data that must be
// saved like any other file. Only a tag that names another entry (the
// name-surrogate bit: symbolic links, junctions, WSL links) makes a link.
// Tag 0 is no tag Windows ever gives; Wine reports its Unix symbolic links
// that way, and an entry whose tag cannot be read is taken for a link too:
// a link followed may lead out of the installation, a file not copied is
// at worst reported. No Windows header: the rule is tested on every build.
#pragma once

#include <cstdint>

namespace plataforma {
namespace win32 {

constexpr uint32_t kAtributoReparse = 0x400;           // FILE_ATTRIBUTE_REPARSE_POINT
constexpr uint32_t kEtiquetaSustitutoNombre = 0x20000000;  // IsReparseTagNameSurrogate

constexpr bool EsEtiquetaDeEnlace(uint32_t etiqueta) {
  return etiqueta == 0 || (etiqueta & kEtiquetaSustitutoNombre) != 0;
}

// The attributes the wizard sees: the reparse-point bit stays on links only.
// `etiqueta` is the entry's reparse tag (WIN32_FIND_DATAW::dwReserved0),
// which means nothing when the bit is not set.
constexpr uint32_t AtributosVistos(uint32_t atributos, uint32_t etiqueta) {
  if (!(atributos & kAtributoReparse) || EsEtiquetaDeEnlace(etiqueta)) return atributos;
  return atributos & ~kAtributoReparse;
}

}  // namespace win32
}  // namespace plataforma
