// Costing: before the save starts, the bytes the run will write on the
// installation's volume are weighed against what is free there, so that a
// full disk stops the run before anything is touched rather than halfway.
#pragma once

#include <cstdint>
#include <string>

#include "platform/texto.h"

class TfV;

namespace staging {

using texto::Texto;

// What a run will write, by origin, in bytes.
struct Escritura {
  uint64_t tempAnterior = 0;     // the Temp folder rotated into Temp_V_Ant
  uint64_t copia = 0;            // program and configuration files, "Datos", "BDD Predefinidas"
  uint64_t archivo = 0;          // "Datos_Nuevos.rar" written to disk
  uint64_t desempaquetado = 0;   // the files it unpacks
  uint64_t copiaBaseDatos = 0;   // the database backup (server only)
  uint64_t baseDatosExterna = 0; // the database file saved apart when it lies outside "Datos"
  uint64_t Total() const {
    return tempAnterior + copia + archivo + desempaquetado + copiaBaseDatos + baseDatosExterna;
  }
};

// The estimate for the application folder `app` (ending with a separator).
// `baseDatos` is the database file on the server, empty on a client.
Escritura EstimaEscritura(const Texto& app, const Texto& baseDatos);

// What must be free: the estimate plus a margin for the log, the
// temporary files of the tools and the estimate's own error.
uint64_t ConMargen(uint64_t bytes);

// Sum of the sizes of the file entries of a RAR 4 archive's headers.
uint64_t TamanoDesempaquetado(const std::string& archivo);

// Refusal text: how much is needed and how much is free, in MB.
Texto MensajeSinEspacio(const Texto& app, uint64_t necesarios, uint64_t libres);

// The check of the run: when the volume of the application folder has less
// free than the run needs, the user is told (kind 33) and the wizard ends
// before the first step of the save. A volume whose free space cannot be
// asked is not refused: the save's own checks then apply.
void CompruebaEspacio(TfV& v);

}  // namespace staging
