// Packs a folder tree into a version 4 archive:
//
//   empaqueta [options] <archive.rar> <source folder>
//
// Entries go in a stable order: every folder first (names sorted byte-wise
// within each folder, a folder before its subfolders), then the empty
// files, then the other files in the same tree order. Options:
//   --atributos <relpath>=<hex>  DOS attributes of one entry (repeatable);
//                                folders get 0x10 and files 0x20 otherwise,
//                                and a folder always keeps 0x10.
//   --almacenar                  store every file instead of compressing
//   --sin-encadenar              compress each file on its own (no solid
//                                chaining between files; the archive keeps
//                                its solid flag)
//   --sin-marca-solido           clear the archive's solid flag
//   --fecha YYYY-MM-DD           date of every entry (10:00), for
//                                reproducible archives; file times otherwise
//   --profundidad <n>            match finder effort (default 512)
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <map>
#include <string>

#include "tools/rar/escritor.h"
#include "tools/rar/nombres.h"

namespace fs = std::filesystem;
using namespace zelvano::rar;

namespace {

struct Configuracion {
  OpcionesEscritor opciones;
  std::map<std::string, uint32_t> atributos;  // relpath with backslashes
  bool fecha_fija = false;
  uint32_t fecha = EscritorRar::kFechaPorDefecto;
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

struct Elemento {
  fs::path ruta;
  std::string relativa;  // backslash separators
  bool carpeta;
  uint64_t tam;
};

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

// All folders first, then empty files, then the files with data: every
// folder still precedes its content, and the compressed files stay
// consecutive so they form one solid chain.
void empaqueta_carpeta(EscritorRar& escritor, const fs::path& raiz, const Configuracion& cfg) {
  std::vector<Elemento> elementos;
  recorre(raiz, raiz, elementos);
  std::stable_partition(elementos.begin(), elementos.end(), [](const Elemento& e) { return e.carpeta; });
  std::stable_partition(elementos.begin(), elementos.end(),
                        [](const Elemento& e) { return e.carpeta || e.tam == 0; });
  for (const auto& e : elementos) {
    auto it = cfg.atributos.find(e.relativa);
    uint32_t fecha = cfg.fecha_fija ? cfg.fecha : fecha_de(e.ruta);
    if (e.carpeta) {
      escritor.agrega_carpeta(e.relativa, it != cfg.atributos.end() ? it->second : kAtributoCarpeta, fecha);
      continue;
    }
    std::ifstream datos(e.ruta, std::ios::binary);
    if (!datos) throw std::runtime_error("no se puede leer " + e.ruta.u8string());
    escritor.agrega_fichero(e.relativa, datos, e.tam, it != cfg.atributos.end() ? it->second : kAtributoArchivo,
                            fecha);
  }
}

int uso() {
  std::fputs(
      "uso: empaqueta [--atributos ruta=hex]... [--almacenar] [--sin-encadenar]\n"
      "               [--sin-marca-solido] [--fecha AAAA-MM-DD] [--profundidad n]\n"
      "               <archivo.rar> <carpeta>\n",
      stderr);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  Configuracion cfg;
  std::vector<std::string> posicionales;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto valor = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument("falta el valor de " + a);
      return argv[++i];
    };
    try {
      if (a == "--atributos") {
        std::string v = valor();
        auto igual = v.rfind('=');
        if (igual == std::string::npos || igual == 0) return uso();
        cfg.atributos[a_barras_invertidas(v.substr(0, igual))] =
            static_cast<uint32_t>(std::stoul(v.substr(igual + 1), nullptr, 16));
      } else if (a == "--almacenar") {
        cfg.opciones.comprimir = false;
      } else if (a == "--sin-encadenar") {
        cfg.opciones.encadenar = false;
      } else if (a == "--sin-marca-solido") {
        cfg.opciones.marca_solido = false;
      } else if (a == "--fecha") {
        int y, m, d;
        if (std::sscanf(valor().c_str(), "%d-%d-%d", &y, &m, &d) != 3) return uso();
        cfg.fecha_fija = true;
        cfg.fecha = fecha_dos(y, m, d, 10, 0, 0);
      } else if (a == "--profundidad") {
        cfg.opciones.profundidad = std::stoi(valor());
        if (cfg.opciones.profundidad < 1) return uso();
      } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
        return uso();
      } else {
        posicionales.push_back(a);
      }
    } catch (const std::exception&) {
      return uso();
    }
  }
  if (posicionales.size() != 2) return uso();
  fs::path archivo = fs::u8path(posicionales[0]);
  fs::path origen = fs::u8path(posicionales[1]);
  if (!fs::is_directory(origen)) {
    std::fprintf(stderr, "empaqueta: %s no es una carpeta\n", posicionales[1].c_str());
    return 2;
  }
  fs::path temporal = archivo;
  temporal += ".tmp";
  try {
    {
      std::ofstream salida(temporal, std::ios::binary | std::ios::trunc);
      if (!salida) throw std::runtime_error("no se puede crear " + temporal.u8string());
      EscritorRar escritor(salida, cfg.opciones);
      empaqueta_carpeta(escritor, origen, cfg);
      escritor.termina();
      salida.close();
      if (!salida) throw std::runtime_error("no se puede escribir " + temporal.u8string());
    }
    fs::rename(temporal, archivo);
  } catch (const std::exception& e) {
    std::error_code ec;
    fs::remove(temporal, ec);
    std::fprintf(stderr, "empaqueta: %s\n", e.what());
    return 3;
  }
  return 0;
}
