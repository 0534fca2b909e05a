// A small installation of the product in a temporary "C:" drive, and the
// expected shape of the process log.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/staging/Entorno.h"

namespace prueba {

// Application folder as the wizard writes it, and its posix location below
// the temporary drive.
constexpr const char* kApp = "C:\\Programa Zelvano\\";
constexpr const char* kCopia = "C:\\Programa Zelvano\\Temp\\202103_202128";

// The installation before the run: programs, configuration, data, obsolete
// files and folders. Every file has its own content, so a misplaced copy
// shows.
Arbol InstalacionAntigua();

class Instalacion {
 public:
  Instalacion();
  const fs::path& App() const { return app_; }
  const fs::path& Raiz() const { return carpeta_.Ruta(); }
  // Puts the extraction tool stand-in into the application folder.
  void PonHerramienta();
  Escenario Prepara(const std::string& modo, bool servidor = false) const;

 private:
  CarpetaTemporal carpeta_;
  fs::path unidadC_;
  fs::path app_;
};

// A process log reduced to its fixed lines: each run of consecutive
// two-line folder-copy records ("Copiando... x" / "a y· OK") becomes one
// marker line "<copias>", and its pairs are collected in order of the runs.
struct LogReducido {
  std::vector<std::string> lineas;
  std::vector<std::set<std::pair<std::string, std::string>>> copias;
};
LogReducido Reduce(const std::vector<std::string>& log);

// The two log lines CopiaCarpeta writes for every file of `arbol` copied from
// folder `origen` into folder `destino` (wizard paths, no trailing separator).
std::set<std::pair<std::string, std::string>> CopiasEsperadas(const Arbol& arbol, const std::string& origen,
                                                              const std::string& destino);

// `arbol` with a prefix added to every path.
Arbol ConPrefijo(const Arbol& arbol, const std::string& prefijo);

}  // namespace prueba
