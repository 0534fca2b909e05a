#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zelvano::rar {

struct Entrada {
  std::string nombre;  // UTF-8, backslash separators as stored
  bool carpeta = false;
  bool solida = false;
  uint32_t atributos = 0;
  uint64_t tam = 0;
  uint64_t tam_comprimido = 0;
  uint32_t crc = 0;
  uint8_t metodo = 0;
  uint8_t version = 0;
  uint16_t banderas = 0;
  uint32_t fecha_dos = 0;
  uint64_t desplazamiento = 0;  // where the packed data starts in the archive
};

// Reader of version 4 archives as this package writes them (stored entries
// and the 2.9 LZ method, solid or not). Opening reads and checks every
// header; extracting checks every file's CRC. Failures throw ErrorRar.
class LectorRar {
 public:
  explicit LectorRar(const std::filesystem::path& archivo);

  const std::vector<Entrada>& entradas() const { return entradas_; }
  bool solido() const { return solido_; }

  // Extracts every entry below `destino`, creating folders and replacing
  // existing files. Every name is checked before anything is written: one
  // unsafe name (absolute, drive letter, "..") refuses the whole archive.
  // A file is only put in place once its CRC matched. `aviso` is told each
  // entry's name as it is extracted.
  void extrae(const std::filesystem::path& destino,
              const std::function<void(const Entrada&)>& aviso = nullptr);

  // Decodes a file entry and hands its bytes to `salida` (for tests and
  // listings). Entries of a solid stream must be read in order.
  void lee(size_t indice, const std::function<void(const uint8_t*, size_t)>& salida);

 private:
  void lee_cabeceras();
  bool lee_bytes(uint8_t* destino, size_t n);
  void situa(uint64_t pos);  // moves the read position, skipping forward when cheap
  void extrae_fichero(const Entrada& e, const std::filesystem::path& destino);

  std::filesystem::path ruta_;
  std::vector<char> buffer_archivo_;
  std::ifstream archivo_;
  uint64_t pos_archivo_ = 0;
  uint64_t tam_archivo_ = 0;
  bool solido_ = false;
  std::vector<Entrada> entradas_;
  struct Estado;
  std::shared_ptr<Estado> estado_;
};

// The host path of an archive entry below `destino`.
std::filesystem::path ruta_destino(const std::filesystem::path& destino, const std::string& nombre);

}  // namespace zelvano::rar
