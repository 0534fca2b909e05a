// What the embedded archive holds, read from its headers, so that the run
// can tell whether the extraction tool really put every file in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/texto.h"

namespace staging {

struct EntradaArchivo {
  texto::Texto ruta;   // relative, backslash separators
  bool carpeta = false;
  uint64_t tamano = 0;
  uint32_t crc = 0;    // CRC-32 of the file's bytes
};

// The entries of a version 4 archive held in `datos`, in archive order.
// False when the bytes are not such an archive or a header is inconsistent
// (a header that lies about its size, a block that runs past the end).
bool LeeContenidoArchivo(const std::string& datos, std::vector<EntradaArchivo>& entradas);

// The files of the installation in `app` (ending with a separator) that
// unpacking `entradas` writes over and that the save does not keep anyway:
// neither the program and configuration files nor anything inside the
// folders saved whole or moved whole into the copy. Links are left alone.
// Relative paths, in archive order.
std::vector<texto::Texto> FicherosQueSobrescribe(const texto::Texto& app, const std::vector<EntradaArchivo>& entradas);

}  // namespace staging
