#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/rar/escritor.h"

namespace pruebas_rar {

namespace fs = std::filesystem;

// A fresh folder under the system temp folder, removed with the object.
class CarpetaTemporal {
 public:
  CarpetaTemporal();
  ~CarpetaTemporal();
  const fs::path& ruta() const { return ruta_; }
  fs::path operator/(const std::string& relativa) const { return ruta_ / fs::u8path(relativa); }

 private:
  fs::path ruta_;
};

void escribe_fichero(const fs::path& ruta, const std::vector<uint8_t>& datos);
std::vector<uint8_t> lee_fichero(const fs::path& ruta);

// Relative path (slash separated, UTF-8) -> content, for every regular file;
// folders are listed with an empty marker entry ending in '/'.
std::vector<std::pair<std::string, std::vector<uint8_t>>> contenido_arbol(const fs::path& raiz);

struct Resultado {
  int codigo = -1;
  std::string salida;  // stdout and stderr together
};
// Runs a program with exactly these arguments (no shell) in `directorio`.
Resultado ejecuta(const std::vector<std::string>& argv, const fs::path& directorio = fs::current_path());

// True when the program is on the PATH.
bool disponible(const std::string& programa);

// Deterministic data generators.
std::vector<uint8_t> aleatorios(uint32_t semilla, size_t tam);
std::vector<uint8_t> texto(uint32_t semilla, size_t tam);

// Packs the tree below `origen` into a new archive file, as the packer does.
void empaqueta_arbol(const fs::path& archivo, const fs::path& origen, const zelvano::rar::OpcionesEscritor& op);

}  // namespace pruebas_rar
