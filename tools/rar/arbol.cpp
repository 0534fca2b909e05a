#include "tools/rar/arbol.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "staging/rar/nombres.h"

namespace fs = std::filesystem;

namespace zelvano::rar {
namespace {

struct Elemento {
  fs::path ruta;
  std::string relativa;  // backslash separators
  bool carpeta;
  uint64_t tam;
};

uint32_t fecha_de(const fs::path& p) {
  std::error_code ec;
  auto t = fs::last_write_time(p, ec);
  if (ec) return EscritorRar::kFechaPorDefecto;
  auto sis = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
      t - fs::file_time_type::clock::now() + std::chrono::system_clock::now());
  std::time_t tt = std::chrono::system_clock::to_time_t(sis);
  std::tm* l = std::localtime(&tt);
  if (!l) return EscritorRar::kFechaPorDefecto;
  return fecha_dos(l->tm_year + 1900, l->tm_mon + 1, l->tm_mday, l->tm_hour, l->tm_min, l->tm_sec);
}

// Depth-first walk, names sorted byte-wise within each folder.
void recorre(const fs::path& raiz, const fs::path& carpeta, std::vector<Elemento>& salida) {
  std::map<std::string, fs::directory_entry> hijos;
  for (const auto& e : fs::directory_iterator(carpeta)) hijos.emplace(e.path().filename().u8string(), e);
  for (const auto& [nombre, e] : hijos) {
    std::string relativa = a_barras_invertidas(fs::relative(e.path(), raiz).u8string());
    if (e.is_directory()) {
      salida.push_back({e.path(), relativa, true, 0});
      recorre(raiz, e.path(), salida);
    } else if (e.is_regular_file()) {
      salida.push_back({e.path(), relativa, false, e.file_size()});
    }
  }
}

}  // namespace

void empaqueta_arbol(EscritorRar& escritor, const fs::path& raiz, const OpcionesArbol& op) {
  std::vector<Elemento> elementos;
  recorre(raiz, raiz, elementos);
  std::stable_partition(elementos.begin(), elementos.end(), [](const Elemento& e) { return e.carpeta; });
  std::stable_partition(elementos.begin(), elementos.end(),
                        [](const Elemento& e) { return e.carpeta || e.tam == 0; });
  for (const auto& e : elementos) {
    auto it = op.atributos.find(e.relativa);
    uint32_t fecha = op.fecha_fija ? op.fecha : fecha_de(e.ruta);
    if (e.carpeta) {
      escritor.agrega_carpeta(e.relativa, it != op.atributos.end() ? it->second : kAtributoCarpeta, fecha);
      continue;
    }
    std::ifstream datos(e.ruta, std::ios::binary);
    if (!datos) throw std::runtime_error("no se puede leer " + e.ruta.u8string());
    escritor.agrega_fichero(e.relativa, datos, e.tam, it != op.atributos.end() ? it->second : kAtributoArchivo,
                            fecha);
  }
}

}  // namespace zelvano::rar
