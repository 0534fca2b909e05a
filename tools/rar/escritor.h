#pragma once
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "staging/rar/cabeceras.h"

namespace zelvano::rar {

class Compresor29;

struct OpcionesEscritor {
  bool comprimir = true;  // method 0x35; otherwise every file is stored (0x30)
  // Chain compressed files into one solid stream (file flag 0x10 after the
  // first compressed file). Any folder, empty or stored entry ends the chain
  // and the next compressed file starts afresh, because some readers only
  // follow a chain of consecutive compressed files; add folders and empty
  // files first to keep a single chain. Readers that cannot follow a solid
  // stream at all (libarchive, thus bsdtar, refuses any entry flagged solid)
  // still read an archive written without chaining, which keeps the
  // archive-level solid flag below.
  bool encadenar = true;
  bool marca_solido = true;  // main header flag 0x0008
  int profundidad = 512;     // match finder effort: candidates per search
  // Only for tests of the extractor's defences: lets through names that
  // would escape the destination.
  bool permite_nombres_peligrosos = false;
};

// Writes a version 4 archive to a stream: marker, main header, one block per
// entry in the order added, end block. On a seekable stream file data is
// written as it is produced and the header completed afterwards; otherwise
// each file's packed data is held in memory until its header is written.
class EscritorRar {
 public:
  EscritorRar(std::ostream& salida, OpcionesEscritor opciones = {});
  ~EscritorRar();

  // `nombre` is UTF-8 with backslash or slash separators, relative.
  void agrega_carpeta(const std::string& nombre, uint32_t atributos = kAtributoCarpeta,
                      uint32_t fecha = kFechaPorDefecto);
  void agrega_fichero(const std::string& nombre, std::istream& datos, uint64_t tam,
                      uint32_t atributos = kAtributoArchivo, uint32_t fecha = kFechaPorDefecto);
  void agrega_fichero(const std::string& nombre, const std::vector<uint8_t>& datos,
                      uint32_t atributos = kAtributoArchivo, uint32_t fecha = kFechaPorDefecto);
  // Writes the end block; nothing may be added afterwards.
  void termina();

  // 2021-07-12 10:00, as an MS-DOS date and time.
  static constexpr uint32_t kFechaPorDefecto = (41u << 25) | (7u << 21) | (12u << 16) | (10u << 11);

 private:
  CabeceraFichero cabecera(const std::string& nombre, uint32_t atributos, uint32_t fecha);
  void escribe(const std::vector<uint8_t>& bytes);
  void agrega_almacenado(CabeceraFichero c, std::istream& datos, const std::string& nombre);
  void reescribe_cabecera(std::streampos inicio, const CabeceraFichero& c);

  std::ostream& salida_;
  OpcionesEscritor opciones_;
  std::unique_ptr<Compresor29> compresor_;
  bool hubo_comprimido_ = false;  // the previous entry was a compressed file
  bool terminado_ = false;
};

}  // namespace zelvano::rar
