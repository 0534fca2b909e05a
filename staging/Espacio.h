// Costing: before the save starts, the bytes the run will write on the
// installation's volume (and on the server, on the database's) are weighed
// against what is free there, so that a full disk stops the run before
// anything is touched rather than halfway.
#pragma once

class Informe;

#include <cstdint>
#include <string>

#include "platform/texto.h"


namespace staging {

using texto::Texto;

// What a run will write, by origin, in bytes of whole allocation units of
// the volume it lands on: a file of 45 bytes takes a whole cluster, and
// each folder made takes one.
struct Escritura {
  // On the application folder's volume.
  uint64_t tempAnterior = 0;     // the Temp folder rotated into Temp_V_Ant
  uint64_t copia = 0;            // program and configuration files, "Datos", "BDD Predefinidas",
                                 // and what the archive writes over
  uint64_t archivo = 0;          // "Datos_Nuevos.rar" written to disk
  uint64_t desempaquetado = 0;   // the files it unpacks
  // On the database folder's volume (server only).
  uint64_t copiaBaseDatos = 0;       // the database backup, beside the database
  uint64_t reposicionBaseDatos = 0;  // a rollback puts the database back beside itself
  // On the application folder's volume again: the database file saved apart
  // when it lies outside "Datos" lands in the backup folder, inside the
  // installation (its way back is reposicionBaseDatos).
  uint64_t baseDatosExterna = 0;
  uint64_t EnAplicacion() const { return tempAnterior + copia + archivo + desempaquetado + baseDatosExterna; }
  uint64_t EnDatos() const { return copiaBaseDatos + reposicionBaseDatos; }
  uint64_t Total() const { return EnAplicacion() + EnDatos(); }
};

// `bytes` rounded up to whole allocation units of `unidad` bytes.
uint64_t EnUnidades(uint64_t bytes, uint64_t unidad);

// The estimate for the application folder `app` (ending with a separator),
// whose volume has allocation units of `unidadApp` bytes. `baseDatos` is the
// database file on the server, empty on a client; its volume has units of
// `unidadDatos` bytes.
Escritura EstimaEscritura(const Texto& app, uint64_t unidadApp, const Texto& baseDatos, uint64_t unidadDatos);

// What must be free: the estimate plus a margin for the log, the
// temporary files of the tools and the estimate's own error.
uint64_t ConMargen(uint64_t bytes);

// Sum of the sizes of the file entries of a RAR 4 archive's headers.
uint64_t TamanoDesempaquetado(const std::string& archivo);

// Refusal texts: how much is needed and how much is free, in MB, on the
// volume of the installation or on that of the database.
Texto MensajeSinEspacio(const Texto& app, uint64_t necesarios, uint64_t libres);
Texto MensajeSinEspacioDatos(const Texto& carpetaDatos, uint64_t necesarios, uint64_t libres);

// The check of the run: when the volume of the application folder, or on
// the server the volume of the database's folder, has less free than the
// run needs there, the user is told (kind 33) and the result is false: the
// wizard ends before the first step of the save. Two folders on one volume are weighed together. A
// volume whose free space cannot be asked is not refused: the save's own
// checks then apply.
bool CompruebaEspacio(Informe& informe);

}  // namespace staging
