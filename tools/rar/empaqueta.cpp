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
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/rar/arbol.h"
#include "tools/rar/escritor.h"
#include "staging/rar/nombres.h"

namespace fs = std::filesystem;
using namespace zelvano::rar;

namespace {

struct Configuracion {
  OpcionesEscritor opciones;
  OpcionesArbol arbol;
};

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
        cfg.arbol.atributos[a_barras_invertidas(v.substr(0, igual))] =
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
        cfg.arbol.fecha_fija = true;
        cfg.arbol.fecha = fecha_dos(y, m, d, 10, 0, 0);
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
      empaqueta_arbol(escritor, origen, cfg.arbol);
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
